// One open SQLite database, shared by a Connection and the recordsets opened
// on it. It keeps the prepared statements by their text, so a statement that
// a page builds again and again (with other values in its comparisons) is
// prepared once. Every use resets its statement before returning, which ends
// the read as finalising would: no lock outlives a call.
//
// A Database is used by one thread at a time (the request that owns it).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ado/column_values.h"
#include "platform/ado/sql_text.h"
#include "platform/vb/variant.h"

typedef struct sqlite3 sqlite3;
typedef struct sqlite3_stmt sqlite3_stmt;

namespace ostrel::ado {

// The columns of a result, shared by every recordset read from it.
struct ColumnSet {
  std::vector<std::string> names;    // visible columns, in select order
  std::vector<std::string> origins;  // table column behind each, "" for an expression
  std::vector<ColumnKind> kinds;
  std::string table;          // updatable results: the one table all origins come from
  int key_index = -1;         // visible column that is the table's INTEGER PRIMARY KEY
  bool hidden_rowid = false;  // an extra, last result column holds the rowid

  int count() const { return static_cast<int>(names.size()); }
  // Position of the column named name (any letter case), or -1.
  int Find(std::string_view name) const;
  bool updatable() const { return !table.empty() && (key_index >= 0 || hidden_rowid); }
};

// The materialised rows of one statement.
struct ResultRows {
  std::shared_ptr<const ColumnSet> columns;  // null when the statement returns no rows
  std::vector<vb::Variant> values;           // row after row
  std::vector<int64_t> rowids;               // per row, for updatable results
  int32_t rows = 0;
};

// Resets a cached statement on every way out of a scope.
class ResetGuard {
 public:
  explicit ResetGuard(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~ResetGuard();
  ResetGuard(const ResetGuard&) = delete;
  ResetGuard& operator=(const ResetGuard&) = delete;

 private:
  sqlite3_stmt* stmt_;
};

class Database {
 public:
  // Opens an existing database file; a missing file raises.
  static std::shared_ptr<Database> Open(const std::string& native_path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void Close();
  bool is_open() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_; }

  // Runs exactly one statement (after the dialect rewrite) and materialises
  // its rows. With for_update, the rowid of each row is kept as well.
  void Query(std::string_view sql, bool for_update, ResultRows* out);

  // A prepared statement for sql that the caller binds, steps and resets.
  sqlite3_stmt* PrepareCached(const std::string& sql);

 private:
  struct Prepared {
    sqlite3_stmt* stmt = nullptr;
    std::shared_ptr<ColumnSet> columns;
    int reprepares = 0;
    int32_t rows = 0;  // the rows its last run gave: room for as many is made at once
  };

  explicit Database(sqlite3* db) : db_(db) {}
  Prepared& Prepare(const std::string& sql, bool for_update);
  sqlite3_stmt* PrepareOne(const std::string& sql);
  std::shared_ptr<ColumnSet> DescribeColumns(sqlite3_stmt* stmt, bool for_update,
                                             bool hidden_rowid);
  void FindKey(ColumnSet* columns);
  void ClearCache();

  sqlite3* db_;
  // Keyed by statement text; [1] holds statements prepared for update.
  std::unordered_map<std::string, Prepared> cache_[2];
  std::string shape_;                 // scratch for LiftLiterals
  std::vector<SqlLiteral> literals_;  // scratch for LiftLiterals
};

}  // namespace ostrel::ado
