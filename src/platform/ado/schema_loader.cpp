#include "platform/ado/schema_loader.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/ado/ado_error.h"

namespace ostrel::ado {

namespace {

std::string ReadScript(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) RaiseAdo(kErrOpeningFile, "Cannot read the SQL script '" + path + "'.");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs sql; on failure returns the engine's message.
bool Exec(sqlite3* db, const std::string& sql, std::string* message) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK) return true;
  *message = error ? error : sqlite3_errmsg(db);
  sqlite3_free(error);
  return false;
}

// Runs the scripts in one transaction on an open database; on failure
// returns false with the message and the failing script.
bool RunScripts(sqlite3* db, const std::vector<std::string>& scripts,
                const std::vector<std::string>& names, std::string* message, std::string* failed) {
  if (!Exec(db, "PRAGMA journal_mode=WAL;PRAGMA synchronous=NORMAL;BEGIN IMMEDIATE;", message)) {
    return false;
  }
  for (size_t i = 0; i < scripts.size(); ++i) {
    if (!Exec(db, scripts[i], message)) {
      *failed = names[i];
      sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
      return false;
    }
  }
  return Exec(db, "COMMIT;", message);
}

}  // namespace

void CreateDatabase(const std::string& native_path, const std::vector<std::string>& script_paths) {
  std::vector<std::string> scripts;
  for (const std::string& path : script_paths) scripts.push_back(ReadScript(path));

  struct stat st;
  bool existed = ::stat(native_path.c_str(), &st) == 0;
  sqlite3* db = nullptr;
  int rc =
      sqlite3_open_v2(native_path.c_str(), &db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  std::string message;
  std::string failed;
  bool ok = false;
  if (rc != SQLITE_OK) {
    message = db ? sqlite3_errmsg(db) : "out of memory";
  } else {
    ok = RunScripts(db, scripts, script_paths, &message, &failed);
  }
  sqlite3_close_v2(db);
  if (ok) return;
  if (!existed) {
    ::unlink(native_path.c_str());
    ::unlink((native_path + "-wal").c_str());
    ::unlink((native_path + "-shm").c_str());
  }
  std::string where = failed.empty() ? "" : " (" + failed + ")";
  RaiseAdo(kErrProvider, "Cannot create database '" + native_path + "'" + where + ": " + message);
}

}  // namespace ostrel::ado
