// The clock held still for a test, so dates, names drawn from the clock and
// run timers come out exactly; the system clock comes back when the guard
// goes away (also when an assertion ends the test early).
#pragma once

#include <cstdint>

#include "platform/vb/datetime.h"

namespace ostrel::testing {

// A local date and time by its fields (added as seconds, which stays right
// before 1899-12-30 where adding serials does not).
vb::DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

class ClockGuard {
 public:
  // The clock reads *now at every call, so the test can move it on.
  explicit ClockGuard(const vb::DateTime* now);
  // The clock stands at `at`, with the high-resolution counter at ticks_ns.
  explicit ClockGuard(vb::DateTime at, uint64_t ticks_ns = 0);
  ~ClockGuard();
  ClockGuard(const ClockGuard&) = delete;
  ClockGuard& operator=(const ClockGuard&) = delete;
};

}  // namespace ostrel::testing
