#include "host/request_body.h"

#include <algorithm>

namespace ostrel::host {

BodyStatus CheckBody(const BodyLimits& limits, size_t bytes,
                     std::chrono::steady_clock::duration elapsed) {
  if (bytes > limits.max_bytes) return BodyStatus::kTooLarge;
  auto allowed = std::min<std::chrono::steady_clock::duration>(
      limits.whole,
      limits.grace + std::chrono::milliseconds(bytes * 1000 / limits.min_bytes_per_second));
  return elapsed > allowed ? BodyStatus::kTooSlow : BodyStatus::kWithinLimits;
}

}  // namespace ostrel::host
