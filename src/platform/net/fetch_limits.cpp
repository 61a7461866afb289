#include "platform/net/fetch_limits.h"

#include <mutex>

namespace ostrel::net {

namespace {

std::mutex g_mu;
FetchLimits g_limits;

}  // namespace

FetchLimits GetFetchLimits() {
  std::lock_guard<std::mutex> lock(g_mu);
  return g_limits;
}

void SetFetchLimits(const FetchLimits& limits) {
  std::lock_guard<std::mutex> lock(g_mu);
  g_limits = limits;
}

void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds idle) {
  std::lock_guard<std::mutex> lock(g_mu);
  g_limits.connect_timeout = connect;
  g_limits.idle_timeout = idle;
}

void SetMaxBodyBytes(uint64_t bytes) {
  std::lock_guard<std::mutex> lock(g_mu);
  g_limits.max_body_bytes = bytes;
}

}  // namespace ostrel::net
