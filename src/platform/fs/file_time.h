// File times as the platform's find records carry them: 100-nanosecond
// intervals since 1601-01-01 UTC, in two 32-bit halves.
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/vb/variant.h"

namespace ostrel::fs {

struct FileTime {
  uint32_t low_date_time = 0;
  uint32_t high_date_time = 0;

  uint64_t ticks() const { return (uint64_t{high_date_time} << 32) | low_date_time; }
  static FileTime FromTicks(uint64_t ticks) {
    return {static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)};
  }
  friend bool operator==(FileTime a, FileTime b) { return a.ticks() == b.ticks(); }
};

// Calendar fields of a file time, as the platform's SYSTEMTIME.
struct SystemTime {
  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t day_of_week = 0;  // 0 = Sunday
  uint16_t day = 0;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};

// The file time of a native time stamp.
FileTime FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds);

// The fields of the time as it stands, without any time-zone conversion
// (a time from a find record therefore gives UTC fields). False for times
// past the year 30827, as the platform.
bool FileTimeToSystemTime(const FileTime& time, SystemTime* out);

// The UTC file time moved to local time (the offset in force at that time).
bool FileTimeToLocalFileTime(const FileTime& time, FileTime* out);

// The file time as a VB date in local time, as FileSystemObject shows
// DateLastModified and DateCreated. A zero time gives the zero date.
vb::DateTime FileTimeToLocalDate(const FileTime& time);

}  // namespace ostrel::fs
