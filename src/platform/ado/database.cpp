#include "platform/ado/database.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include "platform/ado/ado_error.h"
#include "platform/ado/log_checkpoints.h"
#include "platform/vb/ascii_case.h"

namespace ostrel::ado {

namespace {

// Enough for every statement shape a page uses; beyond it the cache starts
// over rather than growing without bound.
constexpr size_t kCacheLimit = 256;

}  // namespace

ResetGuard::~ResetGuard() { sqlite3_reset(stmt_); }

int ColumnSet::Find(std::string_view name) const {
  for (size_t i = 0; i < names.size(); ++i) {
    if (vb::EqualsNoCase(names[i], name)) return static_cast<int>(i);
  }
  return -1;
}

std::shared_ptr<Database> Database::Open(const std::string& native_path) {
  struct stat st;
  if (native_path.empty() || stat(native_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    RaiseAdo(kErrProvider, "Could not find database file '" + native_path + "'.");
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(native_path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    RaiseAdo(kErrProvider, "Cannot open database '" + native_path + "': " + message);
  }
  std::shared_ptr<Database> database(new Database(db));
  sqlite3_busy_timeout(db, 5000);
  // The first statement also proves that the file is a database.
  char* error = nullptr;
  rc =
      sqlite3_exec(db, "PRAGMA journal_mode=WAL;PRAGMA synchronous=NORMAL;PRAGMA foreign_keys=OFF;",
                   nullptr, nullptr, &error);
  if (rc != SQLITE_OK) {
    std::string message = error ? error : sqlite3_errmsg(db);
    sqlite3_free(error);
    database->Close();
    RaiseAdo(kErrProvider, "Cannot open database '" + native_path + "': " + message);
  }
  CheckpointInBackground(db);
  return database;
}

Database::~Database() { Close(); }

void Database::Close() {
  if (!db_) return;
  ClearCache();
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

void Database::ClearCache() {
  for (auto& map : cache_) {
    for (auto& [text, prepared] : map) sqlite3_finalize(prepared.stmt);
    map.clear();
  }
}

sqlite3_stmt* Database::PrepareOne(const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
  if (rc != SQLITE_OK) RaiseSqlite(db_);
  if (!stmt) RaiseAdo(kErrProvider, "The SQL statement is empty.");
  if (!IsBlankTail(std::string_view(tail, sql.data() + sql.size() - tail))) {
    sqlite3_finalize(stmt);
    RaiseAdo(kErrProvider, "Characters found after end of SQL statement.");
  }
  return stmt;
}

void Database::FindKey(ColumnSet* columns) {
  std::string pragma = "PRAGMA table_info(" + QuoteName(columns->table) + ")";
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, pragma.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return;
  }
  int key_columns = 0;
  std::string key;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    if (sqlite3_column_int(stmt, 5) == 0) continue;
    ++key_columns;
    const char* type = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2));
    if (type && vb::EqualsNoCase(type, "INTEGER")) {
      key = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
    }
  }
  sqlite3_finalize(stmt);
  // Only a single INTEGER PRIMARY KEY column is the rowid itself.
  if (key_columns != 1 || key.empty()) return;
  for (int i = 0; i < columns->count(); ++i) {
    if (vb::EqualsNoCase(columns->origins[i], key)) {
      columns->key_index = i;
      return;
    }
  }
}

std::shared_ptr<ColumnSet> Database::DescribeColumns(sqlite3_stmt* stmt, bool for_update,
                                                     bool hidden_rowid) {
  auto columns = std::make_shared<ColumnSet>();
  int n = sqlite3_column_count(stmt) - (hidden_rowid ? 1 : 0);
  columns->hidden_rowid = hidden_rowid;
  bool one_table = true;
  std::string table;
  for (int c = 0; c < n; ++c) {
    const char* name = sqlite3_column_name(stmt, c);
    const char* origin = sqlite3_column_origin_name(stmt, c);
    const char* origin_table = sqlite3_column_table_name(stmt, c);
    const char* schema = sqlite3_column_database_name(stmt, c);
    columns->names.emplace_back(name ? name : "");
    columns->origins.emplace_back(origin ? origin : "");
    columns->kinds.push_back(KindOfDeclaredType(sqlite3_column_decltype(stmt, c)));
    if (!origin_table) continue;
    if (table.empty() && one_table) {
      table = origin_table;
    } else if (table != origin_table) {
      one_table = false;
    }
    if (!schema || std::string_view(schema) != "main") one_table = false;
  }
  // Only a recordset that writes back needs to know its table and key.
  if (for_update && one_table && !table.empty()) {
    columns->table = table;
    FindKey(columns.get());
  }
  return columns;
}

Database::Prepared& Database::Prepare(const std::string& sql, bool for_update) {
  if (!db_) RaiseAdo(kErrInvalidConnection);
  auto& map = cache_[for_update ? 1 : 0];
  auto it = map.find(sql);
  if (it != map.end()) return it->second;
  if (map.size() >= kCacheLimit) {
    for (auto& [text, prepared] : map) sqlite3_finalize(prepared.stmt);
    map.clear();
  }
  sqlite3_stmt* stmt = PrepareOne(sql);
  bool hidden_rowid = false;
  if (for_update && sqlite3_column_count(stmt) > 0) {
    // Writing back needs each row's rowid. When the table's key column is not
    // among the selected ones, select the rowid as an extra, hidden column.
    std::shared_ptr<ColumnSet> plain = DescribeColumns(stmt, true, false);
    size_t from =
        plain->table.empty() || plain->key_index >= 0 ? std::string::npos : FindSelectListEnd(sql);
    if (from != std::string::npos) {
      std::string with_rowid = sql.substr(0, from) + ",rowid " + sql.substr(from);
      sqlite3_stmt* other = nullptr;
      if (sqlite3_prepare_v3(db_, with_rowid.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &other,
                             nullptr) == SQLITE_OK &&
          other) {
        sqlite3_finalize(stmt);
        stmt = other;
        hidden_rowid = true;
      } else {
        sqlite3_finalize(other);
      }
    }
  }
  Prepared prepared;
  prepared.stmt = stmt;
  prepared.columns = DescribeColumns(stmt, for_update, hidden_rowid);
  prepared.reprepares = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 0);
  return map.emplace(sql, std::move(prepared)).first->second;
}

sqlite3_stmt* Database::PrepareCached(const std::string& sql) { return Prepare(sql, false).stmt; }

void Database::Query(std::string_view sql, bool for_update, ResultRows* out) {
  out->columns.reset();
  out->values.clear();
  out->rowids.clear();
  out->rows = 0;
  std::string rewritten = RewriteTop(sql);
  bool lifted = LiftLiterals(rewritten, &shape_, &literals_);
  Prepared& p = Prepare(lifted ? shape_ : rewritten, for_update);
  sqlite3_stmt* stmt = p.stmt;
  ResetGuard reset(stmt);
  if (lifted) {
    for (size_t i = 0; i < literals_.size(); ++i) {
      const SqlLiteral& lit = literals_[i];
      int index = static_cast<int>(i) + 1;
      switch (lit.kind) {
        case SqlLiteral::kInteger:
          sqlite3_bind_int64(stmt, index, lit.integer);
          break;
        case SqlLiteral::kReal:
          sqlite3_bind_double(stmt, index, lit.real);
          break;
        case SqlLiteral::kText:
          sqlite3_bind_text(stmt, index, lit.text.data(), static_cast<int>(lit.text.size()),
                            SQLITE_STATIC);
          break;
      }
    }
  }
  int rc = sqlite3_step(stmt);
  // Another connection may have changed the schema, and SQLite then prepares
  // the statement again: the columns must be described again too.
  int reprepares = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 0);
  if (reprepares != p.reprepares) {
    p.columns = DescribeColumns(stmt, for_update, p.columns->hidden_rowid);
    p.reprepares = reprepares;
  }
  const ColumnSet& columns = *p.columns;
  int n = columns.count();
  bool has_rows = sqlite3_column_count(stmt) > 0;
  bool keep_rowids = for_update && columns.updatable();
  if (has_rows) out->values.reserve(static_cast<size_t>(n) * static_cast<size_t>(p.rows));
  for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt)) {
    if (!has_rows) continue;
    for (int c = 0; c < n; ++c) out->values.push_back(ReadColumn(stmt, c, columns.kinds[c]));
    if (keep_rowids) {
      out->rowids.push_back(
          sqlite3_column_int64(stmt, columns.hidden_rowid ? n : columns.key_index));
    }
    ++out->rows;
  }
  if (rc != SQLITE_DONE) RaiseSqlite(db_);
  p.rows = out->rows;
  if (has_rows) out->columns = p.columns;
}

}  // namespace ostrel::ado
