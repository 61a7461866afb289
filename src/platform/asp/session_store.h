// SessionStore: the sessions of the web application, keyed by the id that
// the session cookie carries. A session that no request has used for the
// idle timeout is dropped; the next request with its id gets a new session.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/asp/session.h"

namespace ostrel::asp {

// One request's hold on its session: while it lives, other requests of the
// same session wait in Acquire.
class SessionLease {
 public:
  SessionLease(SessionLease&& other) noexcept;
  SessionLease& operator=(SessionLease&&) = delete;
  ~SessionLease();

  const std::shared_ptr<Session>& session() const { return session_; }
  // True when the request's id named no live session and a new one was made
  // (the host then sends the new id in the session cookie).
  bool created() const { return created_; }

 private:
  friend class SessionStore;
  SessionLease(class SessionStore* store, std::shared_ptr<Session> session, bool created);

  class SessionStore* store_;
  std::shared_ptr<Session> session_;
  bool created_;
};

class SessionStore {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  explicit SessionStore(std::chrono::minutes idle_timeout = std::chrono::minutes(20),
                        Clock clock = std::chrono::steady_clock::now);

  // The session of the cookie's id (a new one when the id is empty, unknown
  // or expired), held for one request: waits while another request of the
  // same session holds it.
  SessionLease Acquire(std::string_view id);
  // Drops a session (a log-out); a request holding it keeps its object.
  void Remove(std::string_view id);
  size_t Count() const;
  // Requests holding or waiting for the session (for monitoring).
  int Users(std::string_view id) const;

 private:
  friend class SessionLease;
  void Release(Session& session);
  void DropExpired(std::chrono::steady_clock::time_point now);  // mu_ held
  std::string NewId();                                          // mu_ held

  std::chrono::minutes idle_timeout_;
  Clock clock_;
  mutable std::mutex mu_;
  std::unordered_map<std::string, std::shared_ptr<Session>> sessions_;
};

}  // namespace ostrel::asp
