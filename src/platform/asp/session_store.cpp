#include "platform/asp/session_store.h"

#include <random>

namespace ostrel::asp {

SessionLease::SessionLease(SessionStore* store, std::shared_ptr<Session> session, Status status,
                           bool created)
    : store_(store), session_(std::move(session)), status_(status), created_(created) {}

SessionLease::SessionLease(SessionLease&& other) noexcept
    : store_(other.store_),
      session_(std::move(other.session_)),
      status_(other.status_),
      created_(other.created_) {
  other.store_ = nullptr;
}

SessionLease::~SessionLease() {
  if (store_ != nullptr && status_ == Status::kHeld) store_->Release(*session_);
}

SessionStore::SessionStore(std::chrono::minutes idle_timeout, Clock clock, size_t max_sessions)
    : idle_timeout_(idle_timeout), clock_(std::move(clock)), max_sessions_(max_sessions) {}

SessionLease SessionStore::Acquire(std::string_view id, std::chrono::milliseconds max_wait) {
  using Status = SessionLease::Status;
  std::unique_lock lock(mu_);
  if (stopping_) return SessionLease(this, nullptr, Status::kStopped, false);
  DropExpired(clock_());
  auto it = id.empty() ? sessions_.end() : sessions_.find(std::string(id));
  if (it == sessions_.end()) {
    return SessionLease(this, std::make_shared<Session>(""), Status::kTransient, false);
  }
  std::shared_ptr<Session> session = it->second;
  // Counted while waiting, so the session cannot expire meanwhile.
  ++session->active_;
  bool free = released_.wait_for(lock, max_wait, [&] { return stopping_ || !session->held_; });
  if (stopping_ || !free) {
    --session->active_;
    session->last_used_ = clock_();
    return SessionLease(this, nullptr, stopping_ ? Status::kStopped : Status::kBusy, false);
  }
  session->held_ = true;
  return SessionLease(this, std::move(session), Status::kHeld, false);
}

SessionLease SessionStore::Create() {
  std::lock_guard lock(mu_);
  DropExpired(clock_());
  while (sessions_.size() >= max_sessions_ && !sessions_.empty()) {
    size_t before = sessions_.size();
    DropOldestIdle();
    if (sessions_.size() == before) break;  // every session is in use
  }
  auto session = std::make_shared<Session>(NewId());
  session->last_used_ = clock_();
  session->held_ = true;
  ++session->active_;
  sessions_.emplace(session->SessionID(), session);
  return SessionLease(this, std::move(session), SessionLease::Status::kHeld, true);
}

void SessionStore::Release(Session& session) {
  {
    std::lock_guard lock(mu_);
    session.last_used_ = clock_();
    session.held_ = false;
    --session.active_;
  }
  released_.notify_all();
}

void SessionStore::Remove(std::string_view id) {
  std::shared_ptr<Session> removed;  // released after the lock
  std::lock_guard lock(mu_);
  auto it = sessions_.find(std::string(id));
  if (it == sessions_.end()) return;
  removed = std::move(it->second);
  sessions_.erase(it);
}

void SessionStore::Stop() {
  {
    std::lock_guard lock(mu_);
    stopping_ = true;
  }
  released_.notify_all();
}

size_t SessionStore::Count() const {
  std::lock_guard lock(mu_);
  return sessions_.size();
}

int SessionStore::Users(std::string_view id) const {
  std::lock_guard lock(mu_);
  auto it = sessions_.find(std::string(id));
  return it == sessions_.end() ? 0 : it->second->active_;
}

void SessionStore::DropExpired(std::chrono::steady_clock::time_point now) {
  std::erase_if(sessions_, [&](const auto& entry) {
    const Session& s = *entry.second;
    return s.active_ == 0 && now - s.last_used_ >= idle_timeout_;
  });
}

void SessionStore::DropOldestIdle() {
  auto oldest = sessions_.end();
  for (auto it = sessions_.begin(); it != sessions_.end(); ++it) {
    if (it->second->active_ != 0) continue;
    if (oldest == sessions_.end() || it->second->last_used_ < oldest->second->last_used_) {
      oldest = it;
    }
  }
  if (oldest != sessions_.end()) sessions_.erase(oldest);
}

std::string SessionStore::NewId() {
  // 24 capital letters from the system's random source: ids cannot be guessed.
  std::random_device random;
  std::uniform_int_distribution<int> letter(0, 25);
  for (;;) {
    std::string id(24, 'A');
    for (char& c : id) c = static_cast<char>('A' + letter(random));
    if (!sessions_.contains(id)) return id;
  }
}

}  // namespace ostrel::asp
