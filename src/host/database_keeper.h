// DatabaseKeeper: one idle connection to each database for the host's
// lifetime. Every page request opens and closes its own connections; when
// the last connection to a database closes, SQLite checkpoints its log and
// deletes the -wal and -shm files, and the next request has to make them
// again (file creation on every request). A connection held here keeps them
// in place. It never starts a transaction, so it holds up no reader or
// writer.
#pragma once

#include <string>
#include <vector>

struct sqlite3;

namespace ostrel::host {

class DatabaseKeeper {
 public:
  // Opens each file that exists (a path named twice is opened once). A
  // database that cannot be opened is left out: the pages report their own
  // errors.
  explicit DatabaseKeeper(const std::vector<std::string>& paths);
  ~DatabaseKeeper();
  DatabaseKeeper(const DatabaseKeeper&) = delete;
  DatabaseKeeper& operator=(const DatabaseKeeper&) = delete;

  // The databases held open.
  size_t size() const { return dbs_.size(); }

 private:
  std::vector<sqlite3*> dbs_;
};

}  // namespace ostrel::host
