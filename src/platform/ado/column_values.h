// Conversions between SQLite values and VB values.
//
// Reading: INTEGER gives Long when it fits 32 bits, else Double; REAL gives
// Double; TEXT gives String, except in a column declared as a date or time,
// where text in the storage form "YYYY-MM-DD HH:MM:SS" gives a Date; BLOB
// gives a String of the bytes; NULL gives Null.
//
// Writing: Empty and Null store NULL; Boolean stores 1 or 0 (the schema keeps
// flags as 0/1, so True is stored as 1, not VB's -1); numbers store numbers,
// except that a text column receives the number's VB text (3, not 3.0); a
// Date stores its storage text; a String stores itself, except that a date
// column receives text that reads as a date in the storage form.
#pragma once

#include <string>

#include "platform/vb/variant.h"

typedef struct sqlite3_stmt sqlite3_stmt;

namespace ostrel::ado {

// What a column's declared type says about the values it holds.
struct ColumnKind {
  bool text = false;  // TEXT affinity (declared type mentions CHAR, CLOB or TEXT)
  bool date = false;  // declared type mentions DATE or TIME
};

ColumnKind KindOfDeclaredType(const char* declared_type);

// The value of column col of the statement's current row.
vb::Variant ReadColumn(sqlite3_stmt* stmt, int col, ColumnKind kind);

// Binds value to parameter index (1-based) for a column of the given kind.
// An object or array raises Type mismatch (13).
void BindValue(sqlite3_stmt* stmt, int index, const vb::Variant& value, ColumnKind kind);

}  // namespace ostrel::ado
