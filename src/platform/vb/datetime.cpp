#include "platform/vb/datetime.h"

#include <time.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "platform/vb/convert.h"
#include "platform/vb/date_math.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"

namespace ostrel::vb {

namespace {

std::mutex& ClockMutex() {
  static std::mutex m;
  return m;
}

std::function<ClockReading()>& ClockSlot() {
  static std::function<ClockReading()> clock;
  return clock;
}

ClockReading SystemClock() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm lt{};
  localtime_r(&ts.tv_sec, &lt);
  DateFields f{lt.tm_year + 1900, lt.tm_mon + 1,
               lt.tm_mday,        lt.tm_hour,
               lt.tm_min,         lt.tm_sec > 59 ? 59 : lt.tm_sec};  // a leap second reads as :59
  double seconds = static_cast<double>(FieldsToSeconds(f)) + ts.tv_nsec / 1e9;
  ClockReading r;
  r.local = DateTime{LinearDaysToSerial(seconds / kSecondsPerDay)};
  r.ticks_ns = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
  return r;
}

// Whole linear seconds of the clock's local time, truncated. The small bias
// keeps a reading of exactly hh:mm:ss (as an injected clock gives) from
// falling to the second before through the serial's rounding error.
int64_t NowSeconds() {
  double linear = SerialToLinearDays(ReadClock().local.serial) * kSecondsPerDay;
  return static_cast<int64_t>(std::floor(linear + 1e-4));
}

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

DateTime CheckedDate(double serial) {
  if (!InDateRange(serial)) Raise(kErrInvalidCall);
  return DateTime{serial};
}

int32_t TwoDigitYear(int32_t year) {
  if (year >= 0 && year <= 29) return year + 2000;
  if (year >= 30 && year <= 99) return year + 1900;
  return year;
}

DateTime AddMonths(DateTime d, int64_t months) {
  DateFields f = SplitDate(d);
  int64_t total = static_cast<int64_t>(f.year) * 12 + (f.month - 1) + months;
  int64_t year = FloorDiv(total, 12);
  if (year < 100 || year > 9999) Raise(kErrInvalidCall);
  f.year = static_cast<int32_t>(year);
  f.month = static_cast<int32_t>(total - year * 12 + 1);
  // The day is kept, or the month's last day when the month is shorter.
  f.day = std::min(f.day, DaysInMonth(f.year, f.month));
  DateTime out;
  if (!MakeDate(f, &out)) Raise(kErrInvalidCall);
  return out;
}

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval ParseInterval(std::string_view text) {
  std::string s = LCase(Trim(text));
  if (s == "yyyy") return Interval::Year;
  if (s == "q") return Interval::Quarter;
  if (s == "m") return Interval::Month;
  if (s == "y") return Interval::DayOfYear;
  if (s == "d") return Interval::Day;
  if (s == "w") return Interval::Weekday;
  if (s == "ww") return Interval::Week;
  if (s == "h") return Interval::Hour;
  if (s == "n") return Interval::Minute;
  if (s == "s") return Interval::Second;
  Raise(kErrInvalidCall);
}

}  // namespace

void SetClock(std::function<ClockReading()> clock) {
  std::lock_guard<std::mutex> lock(ClockMutex());
  ClockSlot() = std::move(clock);
}

ClockReading ReadClock() {
  std::function<ClockReading()> clock;
  {
    std::lock_guard<std::mutex> lock(ClockMutex());
    clock = ClockSlot();
  }
  return clock ? clock() : SystemClock();
}

DateTime Now() { return DateTime{SecondsToSerial(NowSeconds())}; }

DateTime Today() {
  int64_t s = NowSeconds();
  return DateTime{SecondsToSerial(FloorDiv(s, kSecondsPerDay) * kSecondsPerDay)};
}

DateTime TimeNow() {
  int64_t s = NowSeconds();
  return DateTime{SecondsToSerial(s - FloorDiv(s, kSecondsPerDay) * kSecondsPerDay)};
}

double Timer() {
  double seconds = SerialToLinearDays(ReadClock().local.serial) * kSecondsPerDay;
  double day = std::floor(seconds / kSecondsPerDay + 1e-9 / kSecondsPerDay);
  double t = seconds - day * kSecondsPerDay;
  if (t < 0) t = 0;
  if (t >= kSecondsPerDay) t -= kSecondsPerDay;
  return t;
}

uint32_t GetTickCount() { return static_cast<uint32_t>(ReadClock().ticks_ns / 1000000u); }

DateTime DateSerial(int32_t year, int32_t month, int32_t day) {
  int64_t total = static_cast<int64_t>(TwoDigitYear(year)) * 12 + (static_cast<int64_t>(month) - 1);
  int64_t y = FloorDiv(total, 12);
  int64_t m = total - y * 12 + 1;
  if (y < 0 || y > 10000) Raise(kErrInvalidCall);
  int64_t days = DaysFromCivil(y, m, 1) + (static_cast<int64_t>(day) - 1);
  return CheckedDate(SecondsToSerial(days * kSecondsPerDay));
}

DateTime TimeSerial(int32_t hour, int32_t minute, int32_t second) {
  int64_t total = static_cast<int64_t>(hour) * 3600 + static_cast<int64_t>(minute) * 60 + second;
  return CheckedDate(SecondsToSerial(total));
}

int32_t Year(DateTime d) { return SplitDate(d).year; }
int32_t Month(DateTime d) { return SplitDate(d).month; }
int32_t Day(DateTime d) { return SplitDate(d).day; }
int32_t Hour(DateTime d) { return SplitDate(d).hour; }
int32_t Minute(DateTime d) { return SplitDate(d).minute; }
int32_t Second(DateTime d) { return SplitDate(d).second; }

int32_t Weekday(DateTime d) {
  int64_t day = FloorDiv(SerialToSeconds(d.serial), kSecondsPerDay);
  // Day 0, 1899-12-30, was a Saturday (7).
  return static_cast<int32_t>(((day + 6) % 7 + 7) % 7) + 1;
}

DateTime DateValue(DateTime d) {
  int64_t day = FloorDiv(SerialToSeconds(d.serial), kSecondsPerDay);
  return DateTime{SecondsToSerial(day * kSecondsPerDay)};
}

DateTime TimeValue(DateTime d) {
  int64_t s = SerialToSeconds(d.serial);
  return DateTime{SecondsToSerial(s - FloorDiv(s, kSecondsPerDay) * kSecondsPerDay)};
}

DateTime DateAdd(std::string_view interval, double number, DateTime d) {
  Interval unit = ParseInterval(interval);
  double rounded = RoundHalfEven(number);
  if (!(std::fabs(rounded) < 1e12)) Raise(kErrInvalidCall);
  auto n = static_cast<int64_t>(rounded);
  int64_t step = 0;
  switch (unit) {
    case Interval::Year:
      return AddMonths(d, n * 12);
    case Interval::Quarter:
      return AddMonths(d, n * 3);
    case Interval::Month:
      return AddMonths(d, n);
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday:
      step = kSecondsPerDay;
      break;
    case Interval::Week:
      step = 7 * kSecondsPerDay;
      break;
    case Interval::Hour:
      step = 3600;
      break;
    case Interval::Minute:
      step = 60;
      break;
    case Interval::Second:
      step = 1;
      break;
  }
  return CheckedDate(SecondsToSerial(SerialToSeconds(d.serial) + n * step));
}

int64_t DateDiff(std::string_view interval, DateTime d1, DateTime d2) {
  Interval unit = ParseInterval(interval);
  int64_t s1 = SerialToSeconds(d1.serial);
  int64_t s2 = SerialToSeconds(d2.serial);
  int64_t day1 = FloorDiv(s1, kSecondsPerDay);
  int64_t day2 = FloorDiv(s2, kSecondsPerDay);
  switch (unit) {
    case Interval::Year:
      return SplitDate(d2).year - SplitDate(d1).year;
    case Interval::Quarter: {
      DateFields a = SplitDate(d1), b = SplitDate(d2);
      return (b.year * 4 + (b.month - 1) / 3) - (a.year * 4 + (a.month - 1) / 3);
    }
    case Interval::Month: {
      DateFields a = SplitDate(d1), b = SplitDate(d2);
      return (b.year * 12 + b.month) - (a.year * 12 + a.month);
    }
    case Interval::DayOfYear:
    case Interval::Day:
      return day2 - day1;
    case Interval::Weekday:
      return (day2 - day1) / 7;  // whole weeks, toward zero
    case Interval::Week: {
      // Sundays crossed: the distance between the weeks' first days.
      auto week_start = [](int64_t day) { return day - ((day + 6) % 7 + 7) % 7; };
      return (week_start(day2) - week_start(day1)) / 7;
    }
    case Interval::Hour:
      return FloorDiv(s2, 3600) - FloorDiv(s1, 3600);
    case Interval::Minute:
      return FloorDiv(s2, 60) - FloorDiv(s1, 60);
    case Interval::Second:
      return s2 - s1;
  }
  return 0;
}

std::string ShortDateText(DateTime d) {
  DateFields f = SplitDate(d);
  char buf[32];
  snprintf(buf, sizeof(buf), "%d-%d-%d", f.year, f.month, f.day);
  return buf;
}

std::string LongTimeText(DateTime d) {
  DateFields f = SplitDate(d);
  char buf[32];
  snprintf(buf, sizeof(buf), "%d:%02d:%02d", f.hour, f.minute, f.second);
  return buf;
}

namespace {

// What "%d" and "%02d" (for 0 to 99) write, without a format parse per
// field: a list page shows a date on every row.
void AppendNumber(std::string* out, int32_t n) {
  char buf[16];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, n);
  out->append(buf, end);
}

void AppendTwoDigits(std::string* out, int32_t n) {
  out->push_back(static_cast<char>('0' + n / 10));
  out->push_back(static_cast<char>('0' + n % 10));
}

}  // namespace

std::string DateText(DateTime d) {
  int64_t s = SerialToSeconds(d.serial);
  int64_t day = FloorDiv(s, kSecondsPerDay);
  if (day == 0) return LongTimeText(d);
  if (s == day * kSecondsPerDay) return ShortDateText(d);
  // ShortDateText(d) + " " + LongTimeText(d), from one split of the date.
  DateFields f = SplitDate(d);
  std::string text;
  text.reserve(20);
  AppendNumber(&text, f.year);
  text.push_back('-');
  AppendNumber(&text, f.month);
  text.push_back('-');
  AppendNumber(&text, f.day);
  text.push_back(' ');
  AppendNumber(&text, f.hour);
  text.push_back(':');
  AppendTwoDigits(&text, f.minute);
  text.push_back(':');
  AppendTwoDigits(&text, f.second);
  return text;
}

std::string ToStorageText(DateTime d) {
  DateFields f = SplitDate(d);
  char buf[48];
  snprintf(buf, sizeof(buf), "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour,
           f.minute, f.second);
  return buf;
}

bool FromStorageText(std::string_view text, DateTime* out) {
  // "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS", and that with a fraction of a
  // second (SQLite's own forms), read strictly; anything else by the VB grammar.
  auto digits = [&](size_t at, size_t n, int32_t* v) {
    if (at + n > text.size()) return false;
    int32_t r = 0;
    for (size_t i = at; i < at + n; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      r = r * 10 + (text[i] - '0');
    }
    *v = r;
    return true;
  };
  DateFields f{};
  bool strict = digits(0, 4, &f.year) && text.size() >= 10 && text[4] == '-' &&
                digits(5, 2, &f.month) && text[7] == '-' && digits(8, 2, &f.day);
  if (strict && text.size() > 10) {
    strict = text.size() >= 19 && text[10] == ' ' && digits(11, 2, &f.hour) && text[13] == ':' &&
             digits(14, 2, &f.minute) && text[16] == ':' && digits(17, 2, &f.second);
    if (strict && text.size() > 19) {
      strict = text[19] == '.' && text.size() > 20;
      for (size_t i = 20; strict && i < text.size(); ++i) strict = text[i] >= '0' && text[i] <= '9';
    }
  }
  if (strict && f.month >= 1 && f.month <= 12 && f.day >= 1 &&
      f.day <= DaysInMonth(f.year, f.month) && f.hour < 24 && f.minute < 60 && f.second < 60) {
    return MakeDate(f, out);
  }
  std::optional<DateTime> parsed = ParseDate(text);
  if (!parsed) return false;
  *out = *parsed;
  return true;
}

}  // namespace ostrel::vb
