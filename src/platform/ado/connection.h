// ADODB.Connection over a SQLite file.
//
// The connection string names the database file with "Data Source=..." or
// "DBQ=..."; other parts (Provider=..., Driver={...}, user settings) are
// accepted and ignored. A name with a drive ("C:\data\gather.db") is mapped
// through the drive table; a name without one is a native path. The file
// must exist: opening never creates a database.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ado/recordset.h"

namespace ostrel::ado {

class Database;

// ObjectStateEnum.
enum ObjectState : int32_t { adStateClosed = 0, adStateOpen = 1 };

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The user, password and options of the original call are accepted and
  // not used. Opening an open connection raises 3705.
  void Open(std::string_view connection_string, std::string_view user = "",
            std::string_view password = "", int32_t options = -1);

  // Runs exactly one statement (text after it other than blanks, comments
  // and ";" is refused) and returns its rows as an open, read-only
  // recordset; a statement without rows gives a closed recordset.
  Recordset Execute(std::string_view sql);

  void Close();
  int32_t State() const;

  // A transaction over the statements that follow. BeginTrans takes the
  // write lock at once, so no statement inside waits for another writer.
  // A statement that fails inside undoes only itself; CommitTrans raises
  // when a failure (a full disk, say) has undone the whole transaction, so
  // nothing is taken as stored that is not.
  void BeginTrans();
  void CommitTrans();
  void RollbackTrans();

  // The database behind an open connection (for Recordset::Open).
  const std::shared_ptr<Database>& database() const { return database_; }

 private:
  std::shared_ptr<Database> database_;
};

// The database file a connection string names ("" when it names none), as
// written in the string.
std::string DataSourceOf(std::string_view connection_string);

}  // namespace ostrel::ado
