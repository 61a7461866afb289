#include "host/connection_watch.h"

#include <sys/socket.h>

namespace ostrel::host {

namespace {
// How often the deadlines are looked at: the precision of every deadline.
constexpr std::chrono::milliseconds kTick{100};
}  // namespace

void ConnectionWatch::Start() {
  std::lock_guard lock(mu_);
  stopping_ = false;
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

void ConnectionWatch::Stop() {
  {
    std::lock_guard lock(mu_);
    stopping_ = true;
    wake_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
}

ConnectionWatch::Entry* ConnectionWatch::Add(int fd, Clock::time_point deadline) {
  auto* entry = new Entry{fd, deadline};
  std::lock_guard lock(mu_);
  entries_.insert(entry);
  return entry;
}

void ConnectionWatch::Remove(Entry* entry) {
  {
    std::lock_guard lock(mu_);
    entries_.erase(entry);
  }
  delete entry;
}

void ConnectionWatch::SetDeadline(Entry* entry, Clock::time_point deadline) {
  std::lock_guard lock(mu_);
  entry->deadline = deadline;
}

void ConnectionWatch::Run() {
  std::unique_lock lock(mu_);
  while (!wake_.wait_for(lock, kTick, [this] { return stopping_; })) {
    const auto now = Clock::now();
    for (Entry* entry : entries_) {
      if (entry->deadline > now) continue;
      // Under the lock, so the socket is still the connection's: Remove
      // (before the library closes it) waits for the lock.
      ::shutdown(entry->fd, SHUT_RDWR);
      entry->deadline = Clock::time_point::max();
    }
  }
}

}  // namespace ostrel::host
