// Session: the items one browser keeps across its requests (found by the
// session cookie, see session_store.h). Keys are matched without regard to
// case. The requests of one session run one at a time: the host holds the
// session (SessionStore::Acquire) for a request's duration, so a page reads
// and writes its Session items without a lock of its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/asp/contents.h"
#include "platform/vb/variant.h"

namespace ostrel::asp {

class Session {
 public:
  explicit Session(std::string id) : id_(std::move(id)) {}

  const std::string& SessionID() const { return id_; }
  vb::Variant Item(std::string_view key) const { return contents_.Item(key); }
  void SetItem(std::string_view key, vb::Variant value) {
    contents_.SetItem(key, std::move(value));
  }
  Contents& contents() { return contents_; }

 private:
  friend class SessionStore;

  std::string id_;
  Contents contents_;
  // Guarded by the store's mutex:
  bool held_ = false;  // a request of this session is running
  std::chrono::steady_clock::time_point last_used_;
  int active_ = 0;  // requests holding or waiting for the session
};

}  // namespace ostrel::asp
