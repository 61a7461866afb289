// The limits of a request body, so that a slow client cannot hold a request
// for long: the body must arrive at a minimum average rate, counted from the
// end of the header after a grace period, and is cut off at a size limit.
#pragma once

#include <chrono>
#include <cstddef>

namespace ostrel::host {

struct BodyLimits {
  size_t max_bytes = 8 << 20;
  // The body may take grace + received / min_bytes_per_second.
  std::chrono::milliseconds grace{10'000};
  size_t min_bytes_per_second = 2048;
};

enum class BodyStatus { kWithinLimits, kTooLarge, kTooSlow };

// Where a body stands that has (or announces) `bytes` bytes `elapsed`
// after the end of its header.
BodyStatus CheckBody(const BodyLimits& limits, size_t bytes,
                     std::chrono::steady_clock::duration elapsed);

}  // namespace ostrel::host
