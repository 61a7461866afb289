#include "platform/ado/connection.h"

#include <sqlite3.h>

#include "platform/ado/ado_error.h"
#include "platform/ado/database.h"
#include "platform/ado/database_pool.h"
#include "platform/fs/path_map.h"
#include "platform/vb/ascii_case.h"

namespace ostrel::ado {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool HasDrive(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

void RunStatement(Database& db, std::string_view sql) {
  ResultRows none;
  db.Query(sql, false, &none);
}

}  // namespace

std::string DataSourceOf(std::string_view connection_string) {
  // key=value parts separated by ";"; a value may be quoted or braced, and
  // may then hold ";" itself.
  std::string source;
  size_t i = 0;
  std::string_view s = connection_string;
  while (i < s.size()) {
    size_t eq = s.find('=', i);
    size_t semi = s.find(';', i);
    if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
      if (semi == std::string_view::npos) break;
      i = semi + 1;  // a part without "=": ignored
      continue;
    }
    std::string_view key = Trim(s.substr(i, eq - i));
    size_t v = eq + 1;
    while (v < s.size() && (s[v] == ' ' || s[v] == '\t')) ++v;
    std::string_view value;
    size_t next;
    char open = v < s.size() ? s[v] : '\0';
    char close = open == '{' ? '}' : open;
    if (open == '"' || open == '\'' || open == '{') {
      size_t end = s.find(close, v + 1);
      if (end == std::string_view::npos) end = s.size();
      value = s.substr(v + 1, end - v - 1);
      next = s.find(';', end);
    } else {
      next = s.find(';', v);
      value = Trim(s.substr(v, next == std::string_view::npos ? std::string_view::npos : next - v));
    }
    if (vb::EqualsNoCase(key, "Data Source") || vb::EqualsNoCase(key, "DBQ"))
      source = std::string(value);
    if (next == std::string_view::npos) break;
    i = next + 1;
  }
  return source;
}

// Like the released object of the original, the database stays open while
// a recordset read from it still needs it.
Connection::~Connection() = default;

void Connection::Open(std::string_view connection_string, std::string_view user,
                      std::string_view password, int32_t options) {
  (void)user;
  (void)password;
  (void)options;
  if (database_) RaiseAdo(kErrObjectOpen);
  std::string source = DataSourceOf(connection_string);
  if (source.empty()) {
    RaiseAdo(kErrProvider, "The connection string names no database (Data Source=... or DBQ=...).");
  }
  std::string native = HasDrive(source) ? fs::ToNative(source) : source;
  database_ = AcquireDatabase(native);
}

Recordset Connection::Execute(std::string_view sql) {
  if (!database_) RaiseAdo(kErrInvalidConnection);
  Recordset rs;
  rs.Open(sql, *this);
  return rs;
}

void Connection::Close() {
  if (!database_) RaiseAdo(kErrObjectClosed);
  // The database itself stays open for the next connection to the file.
  database_.reset();
}

void Connection::BeginTrans() {
  if (!database_) RaiseAdo(kErrInvalidConnection);
  RunStatement(*database_, "BEGIN IMMEDIATE");
}

void Connection::CommitTrans() {
  if (!database_) RaiseAdo(kErrInvalidConnection);
  if (sqlite3_get_autocommit(database_->handle())) {
    RaiseAdo(kErrProvider, "No transaction is active: its statements were undone.");
  }
  RunStatement(*database_, "COMMIT");
}

void Connection::RollbackTrans() {
  if (!database_) RaiseAdo(kErrInvalidConnection);
  if (!sqlite3_get_autocommit(database_->handle())) {
    RunStatement(*database_, "ROLLBACK");
  }
}

int32_t Connection::State() const { return database_ ? adStateOpen : adStateClosed; }

}  // namespace ostrel::ado
