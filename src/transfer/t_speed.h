// TSpeed: the downloader's speed meter. It counts the bytes of a transfer
// against the millisecond tick count: Clear before the first block, Count
// after every block, TotalSpeed for the average since Clear, Speed for the
// speed since the last sample. Not visible to host pages.
//
// Ticks are kept in nanoseconds of the platform's monotonic clock, 64 bits
// (the 32-bit millisecond tick count wraps after 49 days), and speeds are computed in 64 bits,
// since a local link moves more than 2 GB a second. Byte counts stay 32-bit signed, as the event
// that reports them: a count past 2,147,483,647 raises Overflow (6).
#pragma once

#include <cstdint>
#include <string>

namespace ostrel::transfer {

class TSpeed {
 public:
  int32_t CountStart() const { return count_start_; }
  int32_t CountEnd() const { return count_end_; }
  // Average bytes per second since Clear, over the time that did pass,
  // however short: a transfer within one second has its speed too. A clock
  // that shows no time passed counts one millisecond.
  int64_t TotalSpeed() const;
  // Milliseconds since Clear.
  int64_t TotalTickCount() const {
    return static_cast<int64_t>((last_tick_ - start_tick_) / kNanosPerMilli);
  }
  // Counts, sample and speed to 0; every tick to now.
  void Clear();
  // Starts the count at lStart (CountEnd too).
  void CountStart(int32_t lStart);
  void Count(int32_t lCount = 0);
  // Bytes per second since the last sample, which this call takes; the
  // last value again while no tick has passed.
  int64_t Speed();
  // True once more than a second passed between the last sample and the
  // last Count.
  bool NewSpeed() const { return last_tick_ > sample_tick_ + 1000 * kNanosPerMilli; }

 private:
  static constexpr uint64_t kNanosPerMilli = 1000000;

  int32_t count_start_ = 0;
  int32_t count_end_ = 0;
  int32_t sample_count_ = 0;
  int64_t last_speed_ = 0;
  uint64_t start_tick_ = 0;
  uint64_t last_tick_ = 0;
  uint64_t sample_tick_ = 0;
};

// The size text of the system's shell ("532 字节", "1.30 KB", "22.9 KB",
// "2.28 MB"): three significant digits, cut rather than rounded.
std::string StrFormatByteSize(int64_t bytes);

// The speed text of Downloader.GetData: the size text of the speed, as
// "(" & text & "/s)" when the speed is above 1024, bare otherwise.
std::string SpeedText(int64_t bytes_per_second);

}  // namespace ostrel::transfer
