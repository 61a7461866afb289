#include "host/database_keeper.h"

#include <sqlite3.h>

#include <algorithm>

namespace ostrel::host {

DatabaseKeeper::DatabaseKeeper(const std::vector<std::string>& paths) {
  std::vector<std::string> opened;
  for (const std::string& path : paths) {
    if (std::find(opened.begin(), opened.end(), path) != opened.end()) continue;
    sqlite3* db = nullptr;
    // No SQLITE_OPEN_CREATE: a missing file stays missing.
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    // A first read opens the log and its index; the statement ends at once,
    // so no read transaction stays open.
    if (rc == SQLITE_OK) {
      rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
      sqlite3_close_v2(db);
      continue;
    }
    dbs_.push_back(db);
    opened.push_back(path);
  }
}

DatabaseKeeper::~DatabaseKeeper() {
  for (sqlite3* db : dbs_) sqlite3_close_v2(db);
}

}  // namespace ostrel::host
