#include "platform/ado/column_values.h"

#include <sqlite3.h>

#include <cstring>
#include <string_view>

#include "platform/ado/ado_error.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/vb_error.h"

namespace ostrel::ado {

namespace {

bool Mentions(const char* haystack, const char* upper_needle) {
  size_t n = std::strlen(upper_needle);
  for (const char* p = haystack; *p; ++p) {
    size_t k = 0;
    while (k < n && p[k] && (p[k] & ~0x20) == upper_needle[k]) ++k;
    if (k == n) return true;
  }
  return false;
}

void BindText(sqlite3_stmt* stmt, int index, const std::string& text) {
  sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

}  // namespace

ColumnKind KindOfDeclaredType(const char* declared_type) {
  ColumnKind kind;
  if (!declared_type) return kind;
  // SQLite's affinity rules: INT wins over the text markers.
  kind.text = !Mentions(declared_type, "INT") &&
              (Mentions(declared_type, "CHAR") || Mentions(declared_type, "CLOB") ||
               Mentions(declared_type, "TEXT"));
  kind.date = Mentions(declared_type, "DATE") || Mentions(declared_type, "TIME");
  return kind;
}

vb::Variant ReadColumn(sqlite3_stmt* stmt, int col, ColumnKind kind) {
  switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_INTEGER: {
      sqlite3_int64 v = sqlite3_column_int64(stmt, col);
      if (v >= INT32_MIN && v <= INT32_MAX) return vb::Variant(static_cast<int32_t>(v));
      return vb::Variant(static_cast<double>(v));
    }
    case SQLITE_FLOAT:
      return vb::Variant(sqlite3_column_double(stmt, col));
    case SQLITE_TEXT: {
      const char* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
      std::string_view text(p, static_cast<size_t>(sqlite3_column_bytes(stmt, col)));
      if (kind.date) {
        vb::DateTime d;
        if (vb::FromStorageText(text, &d)) return vb::Variant(d);
      }
      return vb::Variant(text);
    }
    case SQLITE_BLOB: {
      const char* p = static_cast<const char*>(sqlite3_column_blob(stmt, col));
      return vb::Variant(std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(stmt, col))));
    }
    default:
      return vb::Variant::Null();
  }
}

void BindValue(sqlite3_stmt* stmt, int index, const vb::Variant& value, ColumnKind kind) {
  switch (value.type()) {
    case vb::VarType::Empty:
    case vb::VarType::Null:
      sqlite3_bind_null(stmt, index);
      return;
    case vb::VarType::Boolean:
      sqlite3_bind_int(stmt, index, value.AsBool() ? 1 : 0);
      return;
    case vb::VarType::Integer:
    case vb::VarType::Long:
      if (kind.text) return BindText(stmt, index, vb::CStr(value));
      sqlite3_bind_int(stmt, index,
                       value.type() == vb::VarType::Long ? value.AsLong() : value.AsInteger());
      return;
    case vb::VarType::Single:
    case vb::VarType::Double:
    case vb::VarType::Currency:
      if (kind.text) return BindText(stmt, index, vb::CStr(value));
      sqlite3_bind_double(stmt, index, vb::CDbl(value));
      return;
    case vb::VarType::Date:
      return BindText(stmt, index, vb::ToStorageText(value.AsDate()));
    case vb::VarType::String: {
      const std::string& s = value.AsString();
      if (kind.date) {
        if (auto d = vb::ParseDate(s)) return BindText(stmt, index, vb::ToStorageText(*d));
      }
      // The variant outlives the statement's step, so no copy is needed.
      sqlite3_bind_text(stmt, index, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
      return;
    }
    default:
      vb::Raise(vb::kErrTypeMismatch, kErrorSource);
  }
}

}  // namespace ostrel::ado
