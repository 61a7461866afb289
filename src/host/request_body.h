// The limits of a request body, so that a slow or large one cannot hold a
// request, or the host's memory, for long: the body must arrive at a
// minimum average rate, counted from the end of the header after a grace
// period, and whole within a deadline; it is cut off at a size limit. What
// bodies hold in memory is bounded with the rest of what connections hold
// (connection_loop.h), where a small body is never refused for the shared
// bounds.
#pragma once

#include <chrono>
#include <cstddef>

namespace ostrel::host {

struct BodyLimits {
  size_t max_bytes = 2 << 20;
  // The body may take grace + received / min_bytes_per_second, and never
  // more than whole.
  std::chrono::milliseconds grace{10'000};
  size_t min_bytes_per_second = 2048;
  std::chrono::milliseconds whole{60'000};
  // A body this small or smaller: any admin form.
  size_t small_bytes = 256 << 10;
};

enum class BodyStatus { kWithinLimits, kTooLarge, kTooSlow };

// Where a body stands that has (or announces) `bytes` bytes `elapsed`
// after the end of its header.
BodyStatus CheckBody(const BodyLimits& limits, size_t bytes,
                     std::chrono::steady_clock::duration elapsed);

}  // namespace ostrel::host
