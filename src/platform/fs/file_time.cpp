#include "platform/fs/file_time.h"

namespace ostrel::fs {
namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kEpochDelta = 11644473600;
constexpr uint64_t kTicksPerSecond = 10000000;

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

}  // namespace

FileTime FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds) {
  int64_t since_1601 = seconds + kEpochDelta;
  if (since_1601 < 0) return {};
  return FileTime::FromTicks(static_cast<uint64_t>(since_1601) * kTicksPerSecond +
                             nanoseconds / 100);
}

bool FileTimeToSystemTime(const FileTime& time, SystemTime* out) {
  uint64_t ticks = time.ticks();
  if (ticks >= 0x8000000000000000ull) return false;
  int64_t days = static_cast<int64_t>(ticks / kTicksPerSecond / 86400);
  uint64_t in_day = ticks % (kTicksPerSecond * 86400);
  // Civil date from days since 1601-01-01 (a Monday).
  int64_t z = days - DaysFromCivil(1970, 1, 1) + DaysFromCivil(1601, 1, 1) + 719468;
  const int64_t era = z / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
  if (y > 30827) return false;
  out->year = static_cast<uint16_t>(y);
  out->month = static_cast<uint16_t>(m);
  out->day = static_cast<uint16_t>(d);
  out->day_of_week = static_cast<uint16_t>((days + 1) % 7);
  out->hour = static_cast<uint16_t>(in_day / (kTicksPerSecond * 3600));
  out->minute = static_cast<uint16_t>(in_day / (kTicksPerSecond * 60) % 60);
  out->second = static_cast<uint16_t>(in_day / kTicksPerSecond % 60);
  out->milliseconds = static_cast<uint16_t>(in_day / 10000 % 1000);
  return true;
}

bool FileTimeToLocalFileTime(const FileTime& time, FileTime* out) {
  uint64_t ticks = time.ticks();
  time_t unix_seconds =
      static_cast<time_t>(static_cast<int64_t>(ticks / kTicksPerSecond) - kEpochDelta);
  struct tm local {};
  if (localtime_r(&unix_seconds, &local) == nullptr) return false;
  int64_t shifted = static_cast<int64_t>(ticks) + local.tm_gmtoff * int64_t{kTicksPerSecond};
  if (shifted < 0) return false;
  *out = FileTime::FromTicks(static_cast<uint64_t>(shifted));
  return true;
}

vb::DateTime FileTimeToLocalDate(const FileTime& time) {
  FileTime local;
  if (time.ticks() == 0 || !FileTimeToLocalFileTime(time, &local)) return {};
  // Day 0 of a VB date is 1899-12-30.
  double ticks_per_day = static_cast<double>(kTicksPerSecond) * 86400;
  double days_1601_to_1899 =
      static_cast<double>(DaysFromCivil(1899, 12, 30) - DaysFromCivil(1601, 1, 1));
  // Whole seconds only: VB dates carry no finer time.
  uint64_t whole = local.ticks() / kTicksPerSecond * kTicksPerSecond;
  return {static_cast<double>(whole) / ticks_per_day - days_1601_to_1899};
}

}  // namespace ostrel::fs
