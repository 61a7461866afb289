// RemoteHandle: a libcurl handle lent from the process's pool for one
// transfer, so that the next transfer to the same site reuses its open
// connection instead of opening another (a run fetches hundreds of pages and
// pictures from one or two sites).
//
//   RemoteHandle handle(url);
//   TransferGuard guard;
//   PrepareRemoteHandle(handle.get(), limits, guard);
//   ... set the caller's options, curl_easy_perform(handle.get()) ...
//
// libcurl keeps a handle's connections across transfers, but does not
// support one connection cache shared by threads that transfer at the same
// time; so each handle is used by one thread at a time and the pool hands an
// idle one out, preferring the one that last fetched from the same site.
// Given back, a handle loses every option (the caller's pointers included)
// and keeps its connections. The pool keeps at most 8 idle handles, each
// with at most 4 connections; a handle idle for 30 s is closed when the pool
// is next used, and a connection idle for 30 s is never reused.
#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

namespace ostrel::net {

class RemoteHandle {
 public:
  // Lends a handle for a transfer to url. Raises a VbError when libcurl
  // cannot make one.
  explicit RemoteHandle(std::string_view url);
  // Gives the handle back to the pool.
  ~RemoteHandle();
  RemoteHandle(const RemoteHandle&) = delete;
  RemoteHandle& operator=(const RemoteHandle&) = delete;

  CURL* get() const { return handle_; }

 private:
  CURL* handle_;
  std::string site_;
};

}  // namespace ostrel::net
