#include "support/clock_guard.h"

namespace ostrel::testing {

vb::DateTime At(int year, int month, int day, int hour, int minute, int second) {
  return vb::DateAdd("s", hour * 3600 + minute * 60 + second, vb::DateSerial(year, month, day));
}

ClockGuard::ClockGuard(const vb::DateTime* now) {
  vb::SetClock([now] { return vb::ClockReading{*now, 0}; });
}

ClockGuard::ClockGuard(vb::DateTime at, uint64_t ticks_ns) {
  vb::SetClock([at, ticks_ns] { return vb::ClockReading{at, ticks_ns}; });
}

ClockGuard::~ClockGuard() { vb::SetClock(nullptr); }

}  // namespace ostrel::testing
