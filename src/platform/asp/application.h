// Application: the one store that all requests of the web application share.
// Keys are matched without regard to case; values are Variants.
//
// Lock/UnLock is one re-entrant lock owned by a request: the request that
// holds it may lock again (and must unlock as often); other requests wait in
// Lock until it is free. A request that ends while holding it (a page that
// forgot UnLock, or one whose response ended between the two) gives it up
// when its RequestContext is destroyed. Item reads and writes are atomic on
// their own and take no part in the lock, as pages read without locking.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string_view>

#include "platform/asp/contents.h"
#include "platform/vb/variant.h"

namespace ostrel::asp {

class Application {
 public:
  vb::Variant Item(std::string_view key) const { return contents_.Item(key); }
  void SetItem(std::string_view key, vb::Variant value) {
    contents_.SetItem(key, std::move(value));
  }
  // Application.Contents: enumeration and Remove.
  Contents& contents() { return contents_; }

  // The owner is the current request (asp::CurrentContext()), or the calling
  // thread outside a request.
  void Lock();
  // Releases one level of the caller's hold; ignored when it holds none.
  void UnLock();

  // Releases every level held by the owner (RequestContext's destructor).
  void ReleaseOwner(const void* owner);
  // Requests waiting in Lock at this moment (for monitoring).
  int Waiters() const;

 private:
  static const void* CurrentOwner();

  Contents contents_;
  mutable std::mutex mu_;
  std::condition_variable freed_;
  const void* owner_ = nullptr;
  int depth_ = 0;
  int waiters_ = 0;
};

}  // namespace ostrel::asp
