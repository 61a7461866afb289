#include "platform/ado/log_checkpoints.h"

#include <sqlite3.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace ostrel::ado {
namespace {

// Every this many new log pages (SQLite's own checkpoint size), the
// background thread copies them back.
constexpr int kDuePages = 1000;
// The log starts over only after a checkpoint that caught up with every
// commit, and one that runs beside a committing request never quite does.
// At this size the committing connection therefore checkpoints itself: the
// pages left to copy are the few the background thread has not, and the
// next commit starts the log over. That checkpoint waits for two file
// syncs, so it comes seldom: a log of this size (64 MB of 4 KB pages) is
// reached only while rows are stored without a pause, as in a run.
constexpr int kRestartPages = 16 * kDuePages;

struct Checkpoints {
  std::mutex mu;
  std::condition_variable wake;  // a file was queued
  std::condition_variable idle;  // the queue is empty and nothing runs
  std::deque<std::string> files;
  std::string running;                   // the file being checkpointed, "" for none
  std::map<std::string, int> queued_at;  // per file, its log pages when last queued
  bool started = false;
};

Checkpoints& TheCheckpoints() {
  static Checkpoints* checkpoints = new Checkpoints;  // the thread outlives statics
  return *checkpoints;
}

// A connection of its own: the committing one belongs to its request. A
// passive checkpoint never waits for readers or writers; what it cannot
// copy now, a later one does.
void Checkpoint(const std::string& file) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) ==
      SQLITE_OK) {
    // A fresh connection finds the log at its first read.
    sqlite3_exec(db, "PRAGMA schema_version", nullptr, nullptr, nullptr);
    sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  }
  sqlite3_close_v2(db);
}

void Work() {
  Checkpoints& c = TheCheckpoints();
  std::unique_lock<std::mutex> lock(c.mu);
  while (true) {
    c.wake.wait(lock, [&] { return !c.files.empty(); });
    c.running = std::move(c.files.front());
    c.files.pop_front();
    const std::string file = c.running;
    lock.unlock();
    Checkpoint(file);
    lock.lock();
    c.running.clear();
    if (c.files.empty()) c.idle.notify_all();
  }
}

// Queues file when its log has grown by kDuePages since it was last queued;
// false when the thread cannot be started.
bool Queue(const std::string& file, int pages) {
  Checkpoints& c = TheCheckpoints();
  std::lock_guard<std::mutex> lock(c.mu);
  int& queued_at = c.queued_at[file];
  if (pages < queued_at) queued_at = 0;  // the log has started over
  if (pages - queued_at < kDuePages || c.running == file) return true;
  for (const std::string& queued : c.files) {
    if (queued == file) return true;
  }
  if (!c.started) {
    try {
      std::thread(Work).detach();
    } catch (const std::system_error&) {
      return false;
    }
    c.started = true;
  }
  queued_at = pages;
  c.files.push_back(file);
  c.wake.notify_one();
  return true;
}

int AfterCommit(void*, sqlite3* db, const char* schema, int pages) {
  if (pages < kDuePages) return SQLITE_OK;
  const char* file = sqlite3_db_filename(db, schema);
  if (pages < kRestartPages && file && *file && Queue(file, pages)) return SQLITE_OK;
  sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  return SQLITE_OK;
}

}  // namespace

void CheckpointInBackground(sqlite3* db) { sqlite3_wal_hook(db, AfterCommit, nullptr); }

void WaitForCheckpoints() {
  Checkpoints& c = TheCheckpoints();
  std::unique_lock<std::mutex> lock(c.mu);
  c.idle.wait(lock, [&] { return c.files.empty() && c.running.empty(); });
}

}  // namespace ostrel::ado
