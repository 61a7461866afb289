#include "platform/vb/date_math.h"

#include <cmath>

namespace ostrel::vb {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Days from 1970-01-01 to 1899-12-30.
constexpr int64_t kOleEpochFromUnix = -25569;

}  // namespace

// Howard Hinnant's days_from_civil, shifted to the OLE epoch.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  int64_t era = FloorDiv(y, 400);
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 - kOleEpochFromUnix;
}

void CivilFromDays(int64_t days, int32_t* year, int32_t* month, int32_t* day) {
  int64_t z = days + kOleEpochFromUnix + 719468;
  int64_t era = FloorDiv(z, 146097);
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int32_t>(yoe + era * 400 + (m <= 2));
  *month = static_cast<int32_t>(m);
  *day = static_cast<int32_t>(d);
}

int32_t DaysInMonth(int32_t year, int32_t month) {
  static const int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2) {
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return leap ? 29 : 28;
  }
  return kDays[month - 1];
}

double SerialToLinearDays(double serial) {
  if (serial >= 0) return serial;
  double whole = std::trunc(serial);  // the day, counted toward zero
  return whole + (whole - serial);    // plus the time of day
}

double LinearDaysToSerial(double days) {
  if (days >= 0) return days;
  double whole = std::floor(days);
  double frac = days - whole;
  return frac == 0 ? whole : whole - frac;
}

int64_t SerialToSeconds(double serial) {
  return static_cast<int64_t>(std::llround(SerialToLinearDays(serial) * kSecondsPerDay));
}

double SecondsToSerial(int64_t seconds) {
  int64_t day = FloorDiv(seconds, kSecondsPerDay);
  int64_t sec = seconds - day * kSecondsPerDay;
  double frac = static_cast<double>(sec) / kSecondsPerDay;
  if (day >= 0) return static_cast<double>(day) + frac;
  return static_cast<double>(day) - frac;
}

DateFields SplitDate(DateTime d) {
  int64_t total = SerialToSeconds(d.serial);
  int64_t day = FloorDiv(total, kSecondsPerDay);
  int64_t sec = total - day * kSecondsPerDay;
  DateFields f{};
  CivilFromDays(day, &f.year, &f.month, &f.day);
  f.hour = static_cast<int32_t>(sec / 3600);
  f.minute = static_cast<int32_t>(sec / 60 % 60);
  f.second = static_cast<int32_t>(sec % 60);
  return f;
}

int64_t FieldsToSeconds(const DateFields& f) {
  return DaysFromCivil(f.year, f.month, f.day) * kSecondsPerDay + f.hour * 3600 + f.minute * 60 +
         f.second;
}

bool InDateRange(double serial) {
  if (!std::isfinite(serial)) return false;
  double linear = SerialToLinearDays(serial);
  return linear >= kMinSerial && linear < kMaxSerial;
}

bool MakeDate(const DateFields& f, DateTime* out) {
  if (f.year < 100 || f.year > 9999) return false;
  double serial = SecondsToSerial(FieldsToSeconds(f));
  if (!InDateRange(serial)) return false;
  *out = DateTime{serial};
  return true;
}

}  // namespace ostrel::vb
