// VB dates and the clock. DateTime serials are local time. Now has one-second
// resolution; Timer is seconds since local midnight with a fraction.
// The clock is injectable so tests of dates, names and run timers are exact.
//
// Field functions round a serial to the nearest second. Serials before
// 1899-12-30 follow the OLE rule (-1.25 is 1899-12-29 06:00), so add dates
// and times with DateAdd, not by adding serials. VB's date range is years
// 100 to 9999: DateSerial, TimeSerial and DateAdd raise 5 past it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/vb/variant.h"

namespace ostrel::vb {

struct ClockReading {
  DateTime local;     // local date and time, fraction of a second included
  uint64_t ticks_ns;  // a monotonic high-resolution counter
};

// Replaces the system clock (nullptr restores it). Process-wide.
void SetClock(std::function<ClockReading()> clock);
ClockReading ReadClock();

DateTime Now();           // truncated to the second
DateTime Today();         // VB's Date: midnight of today
DateTime TimeNow();       // VB's Time: today's time on 1899-12-30
double Timer();           // seconds since local midnight
uint32_t GetTickCount();  // milliseconds, wraps

// VB's normalisation: month 14 is February of the next year, day 0 the last
// day of the month before; years 0-99 use the two-digit window.
DateTime DateSerial(int32_t year, int32_t month, int32_t day);
DateTime TimeSerial(int32_t hour, int32_t minute, int32_t second);
int32_t Year(DateTime d);
int32_t Month(DateTime d);
int32_t Day(DateTime d);
int32_t Hour(DateTime d);
int32_t Minute(DateTime d);
int32_t Second(DateTime d);
int32_t Weekday(DateTime d);     // 1 = Sunday
DateTime DateValue(DateTime d);  // the date part
DateTime TimeValue(DateTime d);  // the time part

// Intervals: "yyyy", "q", "m", "y", "d", "w", "ww", "h", "n", "s" (any
// letter case; others raise 5). DateAdd rounds number half to even; adding
// months keeps the day or takes the last day of a shorter month
// (2005-1-31 + 1 month = 2005-2-28). DateDiff(d1, d2) counts boundaries
// crossed from d1 to d2, as VB: "d" calendar days, "h"/"n" hour/minute
// marks, "s" whole seconds, "m"/"q"/"yyyy" calendar months/quarters/years,
// "w" whole 7-day spans, "ww" Sundays.
DateTime DateAdd(std::string_view interval, double number, DateTime d);
int64_t DateDiff(std::string_view interval, DateTime d1, DateTime d2);

// zh-CN text forms: "yyyy-M-d H:mm:ss", "yyyy-M-d", "H:mm:ss" (long time).
std::string DateText(DateTime d);       // what CStr gives
std::string ShortDateText(DateTime d);  // "yyyy-M-d"
std::string LongTimeText(DateTime d);   // "H:mm:ss"

// The storage form in SQLite: "YYYY-MM-DD HH:MM:SS".
std::string ToStorageText(DateTime d);
// Parses the storage form (and the date grammar of convert.h as a fallback).
// "YYYY-MM-DD" alone and a fraction of a second (dropped) are accepted.
bool FromStorageText(std::string_view text, DateTime* out);

}  // namespace ostrel::vb
