#include "transfer/t_speed.h"

#include <cstdio>

#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/vb_error.h"

namespace ostrel::transfer {

namespace {

// The monotonic clock in nanoseconds.
uint64_t Tick() { return vb::ReadClock().ticks_ns; }

int32_t CheckedSum(int64_t sum) {
  if (sum > INT32_MAX || sum < INT32_MIN) vb::Raise(vb::kErrOverflow);
  return static_cast<int32_t>(sum);
}

// bytes / (nanoseconds / 10^9), rounded half to even.
int64_t PerSecond(int64_t bytes, uint64_t nanoseconds) {
  return static_cast<int64_t>(
      vb::RoundHalfEven(static_cast<double>(bytes) * 1e9 / static_cast<double>(nanoseconds)));
}

}  // namespace

int64_t TSpeed::TotalSpeed() const {
  const uint64_t passed = last_tick_ - start_tick_;
  return PerSecond(static_cast<int64_t>(count_end_) - count_start_,
                   passed < kNanosPerMilli ? kNanosPerMilli : passed);
}

void TSpeed::Clear() {
  count_start_ = count_end_ = sample_count_ = 0;
  last_speed_ = 0;
  start_tick_ = last_tick_ = sample_tick_ = Tick();
}

void TSpeed::CountStart(int32_t lStart) { count_start_ = count_end_ = lStart; }

void TSpeed::Count(int32_t lCount) {
  count_end_ = CheckedSum(static_cast<int64_t>(count_end_) + lCount);
  last_tick_ = Tick();
}

int64_t TSpeed::Speed() {
  if (last_tick_ == sample_tick_) return last_speed_;
  last_speed_ =
      PerSecond(static_cast<int64_t>(count_end_) - sample_count_, last_tick_ - sample_tick_);
  sample_tick_ = last_tick_;
  sample_count_ = count_end_;
  return last_speed_;
}

std::string StrFormatByteSize(int64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " 字节";
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  int unit = 0;
  unsigned __int128 divisor = 1024;
  while (unit < 5 && static_cast<unsigned __int128>(bytes) >= divisor * 1024) {
    divisor *= 1024;
    ++unit;
  }
  auto value = static_cast<unsigned __int128>(bytes);
  char text[64];
  auto whole = static_cast<unsigned long long>(value / divisor);
  if (whole < 10) {
    auto hundredths = static_cast<unsigned long long>(value * 100 / divisor);
    snprintf(text, sizeof text, "%llu.%02llu %s", whole, hundredths % 100, kUnits[unit]);
  } else if (whole < 100) {
    auto tenths = static_cast<unsigned long long>(value * 10 / divisor);
    snprintf(text, sizeof text, "%llu.%llu %s", whole, tenths % 10, kUnits[unit]);
  } else {
    snprintf(text, sizeof text, "%llu %s", whole, kUnits[unit]);
  }
  return text;
}

std::string SpeedText(int64_t bytes_per_second) {
  std::string text = StrFormatByteSize(bytes_per_second);
  return bytes_per_second > 1024 ? "(" + text + "/s)" : text;
}

}  // namespace ostrel::transfer
