// Calendar arithmetic behind the VB date functions.
//
// An OLE serial is not a plain number line before 1899-12-30: -1.25 means
// 1899-12-29 06:00 (the whole part is the day, the fraction the time of day,
// both counted away from zero). All arithmetic therefore goes through
// "linear seconds", whole seconds since 1899-12-30 00:00 on a plain line.
#pragma once

#include <cstdint>

#include "platform/vb/variant.h"

namespace ostrel::vb {

struct DateFields {
  int32_t year, month, day, hour, minute, second;
};

constexpr int64_t kSecondsPerDay = 86400;
// The serials of 100-01-01 and 9999-12-31, VB's date range.
constexpr double kMinSerial = -657434.0;
constexpr double kMaxSerial = 2958466.0;  // exclusive

// Days since 1899-12-30 of a proleptic Gregorian date (month 1-12, any day).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day);
void CivilFromDays(int64_t days, int32_t* year, int32_t* month, int32_t* day);
int32_t DaysInMonth(int32_t year, int32_t month);

// Linear seconds of a serial, rounded to the nearest second, and back.
int64_t SerialToSeconds(double serial);
double SecondsToSerial(int64_t seconds);
// The serial of a linear time in days (fraction kept).
double LinearDaysToSerial(double days);
double SerialToLinearDays(double serial);

DateFields SplitDate(DateTime d);
// Seconds of linear time for fields already checked; no range check.
int64_t FieldsToSeconds(const DateFields& f);
// A date from fields, or false when out of VB's range.
bool MakeDate(const DateFields& f, DateTime* out);
bool InDateRange(double serial);

}  // namespace ostrel::vb
