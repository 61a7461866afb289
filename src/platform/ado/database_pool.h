// Keeps released databases open for the next connection to the same file.
//
// Every page request opens its connections and closes them at its end. A
// fresh SQLite connection re-reads the schema and, when it is the file's
// last one, checkpoints and removes the write-ahead log on close, which the
// next open makes again: most of a short request's time. Released databases
// therefore wait here, idle and with every statement reset, and the next
// Open of the same file takes one back.
#pragma once

#include <memory>
#include <string>

namespace ostrel::ado {

class Database;

// An open database for the file (a missing file raises, as Database::Open
// does). When the last reference to it goes, it returns to the pool.
std::shared_ptr<Database> AcquireDatabase(const std::string& native_path);

// Closes every idle database (tests that remove files; process end).
void ClearDatabasePool();

}  // namespace ostrel::ado
