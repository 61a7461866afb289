#include "platform/asp/session_store.h"

#include <random>

namespace ostrel::asp {

SessionLease::SessionLease(SessionStore* store, std::shared_ptr<Session> session, bool created)
    : store_(store), session_(std::move(session)), created_(created) {}

SessionLease::SessionLease(SessionLease&& other) noexcept
    : store_(other.store_), session_(std::move(other.session_)), created_(other.created_) {
  other.store_ = nullptr;
}

SessionLease::~SessionLease() {
  if (store_ != nullptr) store_->Release(*session_);
}

SessionStore::SessionStore(std::chrono::minutes idle_timeout, Clock clock)
    : idle_timeout_(idle_timeout), clock_(std::move(clock)) {}

SessionLease SessionStore::Acquire(std::string_view id) {
  std::shared_ptr<Session> session;
  bool created = false;
  {
    std::lock_guard lock(mu_);
    DropExpired(clock_());
    auto it = id.empty() ? sessions_.end() : sessions_.find(std::string(id));
    if (it != sessions_.end()) {
      session = it->second;
    } else {
      session = std::make_shared<Session>(NewId());
      session->last_used_ = clock_();
      sessions_.emplace(session->SessionID(), session);
      created = true;
    }
    // Counted before waiting, so the session cannot expire while a request
    // waits for it.
    ++session->active_;
  }
  session->request_mutex_.lock();
  return SessionLease(this, std::move(session), created);
}

void SessionStore::Release(Session& session) {
  {
    std::lock_guard lock(mu_);
    session.last_used_ = clock_();
    --session.active_;
  }
  session.request_mutex_.unlock();
}

void SessionStore::Remove(std::string_view id) {
  std::shared_ptr<Session> removed;  // released after the lock
  std::lock_guard lock(mu_);
  auto it = sessions_.find(std::string(id));
  if (it == sessions_.end()) return;
  removed = std::move(it->second);
  sessions_.erase(it);
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
