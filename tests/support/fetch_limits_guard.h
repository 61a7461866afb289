// Process-wide fetch limits for one test against the fixture server on
// 127.0.0.1, so a failure shows in seconds instead of minutes; the limits
// in force before come back when the guard goes away. Header only: the
// programs that use it link the network layer.
//
// The fixture servers all live on 127.0.0.1, which remote fetches may not
// reach by default; so every test program that includes this header allows
// private addresses from its start (and Short() keeps allowing them). A test
// of the address rule turns it off with a guard of its own.
#pragma once

#include <chrono>

#include "platform/net/fetch_limits.h"

namespace ostrel::testing {

class FetchLimitsGuard {
 public:
  // Connecting within 2 s, no 1 s without a byte, bodies up to 1 MiB.
  static net::FetchLimits Short() {
    net::FetchLimits limits;
    limits.connect_timeout = std::chrono::milliseconds(2000);
    limits.idle_timeout = std::chrono::milliseconds(1000);
    limits.max_body_bytes = 1 << 20;
    limits.allow_private = true;
    return limits;
  }

  explicit FetchLimitsGuard(const net::FetchLimits& limits = Short())
      : saved_(net::GetFetchLimits()) {
    net::SetFetchLimits(limits);
  }
  ~FetchLimitsGuard() { net::SetFetchLimits(saved_); }
  FetchLimitsGuard(const FetchLimitsGuard&) = delete;
  FetchLimitsGuard& operator=(const FetchLimitsGuard&) = delete;

 private:
  net::FetchLimits saved_;
};

inline const bool kFixturesOnLoopback = [] {
  net::FetchLimits limits = net::GetFetchLimits();
  limits.allow_private = true;
  net::SetFetchLimits(limits);
  return true;
}();

}  // namespace ostrel::testing
