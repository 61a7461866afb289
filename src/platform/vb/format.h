// VB's Format and FormatNumber. Numbers use "," grouping and "." decimals.
// Number formats: 0 and # digit placeholders, "," grouping, "." decimal
// point, "%" and literal text (quoted or backslash-escaped); sections ";".
// Date formats: yyyy yy m mm mmm mmmm d dd h hh n nn s ss AM/PM, ":" "/" "-".
//
// Numbers round half away from zero on their decimal digits (15 significant
// digits of a Double), as VB's Format: Format(2.5, "0") = "3",
// Format(1.005, "0.00") = "1.01". Digits beyond the whole-number
// placeholders go to the first one ("0" of 1234 is "1234"); "," anywhere
// among them turns grouping on; a result that rounds to zero carries no
// minus sign. Sections: positive;negative;zero (an empty one falls back to
// the first). Text that is no number is returned as it is.
// A format with date letters and no 0/# placeholder formats a date (a Date,
// date text, or a number as a serial): letters in any case; "m"/"mm" right
// after an hour or right before a second is minutes; "mmm" is "8月" and
// "mmmm" "八月" (zh-CN); "y" alone is the day of the year; "AM/PM", "am/pm"
// and "A/P" switch to a 12-hour clock, "AMPM" writes 上午/下午.
// Null and Empty give ""; an empty format gives CStr.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/vb/variant.h"

namespace ostrel::vb {

std::string Format(const Variant& value, std::string_view format = "");
// FormatNumber(value, digits after the point (-1: 2), leading zero, grouping).
// Rounds half away from zero; text that is no number raises 13, Null 94.
std::string FormatNumber(const Variant& value, int32_t digits = -1, bool leading_zero = true,
                         bool group_digits = true);

}  // namespace ostrel::vb
