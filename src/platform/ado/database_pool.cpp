#include "platform/ado/database_pool.h"

#include <sqlite3.h>

#include <map>
#include <mutex>
#include <vector>

#include "platform/ado/database.h"
#include "platform/ado/log_checkpoints.h"

namespace ostrel::ado {
namespace {

// Idle databases per file, at most this many each (a handful of requests
// run at once).
constexpr size_t kIdlePerFile = 8;

// Idle databases are kept by the path they were opened with; whether the
// path still names their file is asked of each when it is taken back.
using FileKey = std::string;

struct Pool {
  std::mutex mu;
  std::map<FileKey, std::vector<std::shared_ptr<Database>>> idle;
};

Pool& ThePool() {
  static Pool* pool = new Pool;  // outlives every static that may release a database
  return *pool;
}

// True while the database still reads the file now found at its path: a
// file removed or replaced since (a test's fresh database, a restored
// backup) must not be served through an old handle.
bool StillTheFile(Database& db) {
  int moved = 1;
  if (sqlite3_file_control(db.handle(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK) {
    return false;
  }
  return moved == 0;
}

// Gives its database back to the pool when the last user lets go.
struct Lease {
  FileKey key;
  std::shared_ptr<Database> db;
  ~Lease() {
    // A database left inside a transaction is not handed to another request.
    if (!db || !db->is_open() || !sqlite3_get_autocommit(db->handle())) return;
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> lock(pool.mu);
    auto& list = pool.idle[key];
    if (list.size() < kIdlePerFile) list.push_back(std::move(db));
  }
};

std::shared_ptr<Database> Lend(FileKey key, std::shared_ptr<Database> db) {
  auto lease = std::make_shared<Lease>();
  lease->key = std::move(key);
  lease->db = std::move(db);
  Database* raw = lease->db.get();
  return std::shared_ptr<Database>(std::move(lease), raw);
}

}  // namespace

std::shared_ptr<Database> AcquireDatabase(const std::string& native_path) {
  FileKey key = native_path;
  Pool& pool = ThePool();
  while (true) {
    std::shared_ptr<Database> db;
    {
      std::lock_guard<std::mutex> lock(pool.mu);
      auto it = pool.idle.find(key);
      if (it == pool.idle.end() || it->second.empty()) break;
      db = std::move(it->second.back());
      it->second.pop_back();
    }
    if (db->is_open() && StillTheFile(*db)) return Lend(std::move(key), std::move(db));
  }
  // A missing file raises here.
  return Lend(std::move(key), Database::Open(native_path));
}

void ClearDatabasePool() {
  Pool& pool = ThePool();
  std::map<FileKey, std::vector<std::shared_ptr<Database>>> idle;
  {
    std::lock_guard<std::mutex> lock(pool.mu);
    idle.swap(pool.idle);
  }
  WaitForCheckpoints();
}

}  // namespace ostrel::ado
