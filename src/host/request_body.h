// The limits of a request body, so that a slow or large one cannot hold a
// request, or the host's memory, for long: the body must arrive at a
// minimum average rate, counted from the end of the header after a grace
// period, and whole within a deadline; it is cut off at a size limit, and
// the bodies being received hold at most so much memory in all and per
// client address (a body with its length announced holds that much from
// its header on).
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
  // What all bodies being received may hold at once, and those of one
  // client address.
  size_t all_bytes = 64 << 20;
  size_t address_bytes = 8 << 20;
};

enum class BodyStatus { kWithinLimits, kTooLarge, kTooSlow };

// Where a body stands that has (or announces) `bytes` bytes `elapsed`
// after the end of its header.
BodyStatus CheckBody(const BodyLimits& limits, size_t bytes,
                     std::chrono::steady_clock::duration elapsed);

}  // namespace ostrel::host
