// SessionStore: the sessions of the web application, keyed by the id that
// the session cookie carries. Sessions are made only on purpose (a login),
// never for a request that merely lacks or forges a cookie, and the store
// keeps at most a fixed number: a new one pushes out the one idle longest.
// A session that no request has used for the idle timeout is dropped; a
// request with its id then finds none.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
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
  enum class Status {
    kHeld,       // the stored session of the id, held for this request
    kTransient,  // no stored session has the id: an empty one that is not kept
    kBusy,       // another request held the session for the whole wait
    kStopped,    // the store is stopping
  };

  SessionLease(SessionLease&& other) noexcept;
  SessionLease& operator=(SessionLease&&) = delete;
  ~SessionLease();

  Status status() const { return status_; }
  // The session (nullptr when busy or stopped).
  const std::shared_ptr<Session>& session() const { return session_; }
  // True when Create made the session (the host then sends its id in the
  // session cookie).
  bool created() const { return created_; }

 private:
  friend class SessionStore;
  SessionLease(class SessionStore* store, std::shared_ptr<Session> session, Status status,
               bool created);

  class SessionStore* store_;
  std::shared_ptr<Session> session_;
  Status status_;
  bool created_;
};

class SessionStore {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  explicit SessionStore(std::chrono::minutes idle_timeout = std::chrono::minutes(20),
                        Clock clock = std::chrono::steady_clock::now, size_t max_sessions = 1000);

  // The stored session of the cookie's id, held for one request: waits at
  // most max_wait while another request of the same session holds it. An
  // empty, unknown or expired id gives a transient session.
  SessionLease Acquire(std::string_view id, std::chrono::milliseconds max_wait);
  // A new stored session, held for the calling request. When the store is
  // full, the session idle longest is dropped first.
  SessionLease Create();
  // Drops a session (a log-out); a request holding it keeps its object.
  void Remove(std::string_view id);
  // Wakes every waiting request with kStopped, and makes later ones fail
  // the same way: the host is stopping.
  void Stop();
  size_t Count() const;
  // Requests holding or waiting for the session (for monitoring).
  int Users(std::string_view id) const;

 private:
  friend class SessionLease;
  void Release(Session& session);
  void DropExpired(std::chrono::steady_clock::time_point now);  // mu_ held
  void DropOldestIdle();                                        // mu_ held
  std::string NewId();                                          // mu_ held

  std::chrono::minutes idle_timeout_;
  Clock clock_;
  size_t max_sessions_;
  mutable std::mutex mu_;
  std::condition_variable released_;
  bool stopping_ = false;
  std::unordered_map<std::string, std::shared_ptr<Session>> sessions_;
};

}  // namespace ostrel::asp
