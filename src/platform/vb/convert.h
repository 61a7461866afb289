// VB conversions between Variant types. All are exact: CInt/CLng/CCur round
// halves to the even neighbour and raise Overflow (6) when the result does
// not fit; text that does not read as the wanted type raises Type mismatch
// (13); Null raises Invalid use of Null (94) where VB does.
//
// The number grammar (IsNumeric, CDbl of text): optional blanks, an optional
// sign, digits with optional "," thousands separators, an optional "." and
// fraction, an optional exponent (E or D, sign, digits), optional blanks;
// or "&H" hex / "&O" octal digits. "" never reads as a number.
//
// The date grammar (IsDate, CDate of text), zh-CN: "yyyy-M-d", "yyyy/M/d",
// "yyyy年M月d日" (the day mark optional), "yyyy-M" is not a date; each
// optionally followed by blanks and a time "H:mm" or "H:mm:ss" (24-hour, or
// with AM/PM, 上午/下午); a time alone is a date on 1899-12-30. Two-digit
// years follow VB's window (00-29 → 20xx, 30-99 → 19xx). Surrounding blanks
// are allowed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/vb/variant.h"

namespace ostrel::vb {

bool IsNumeric(const Variant& v);
bool IsDate(const Variant& v);
bool IsEmpty(const Variant& v);
bool IsNull(const Variant& v);
bool IsArray(const Variant& v);
bool IsObject(const Variant& v);

// Parses text with the number grammar above; nullopt when it does not read.
std::optional<double> ParseNumber(std::string_view text);
// Parses text with the date grammar above; nullopt when it does not read.
std::optional<DateTime> ParseDate(std::string_view text);

int16_t CInt(const Variant& v);
int32_t CLng(const Variant& v);
float CSng(const Variant& v);
double CDbl(const Variant& v);
Currency CCur(const Variant& v);
bool CBool(const Variant& v);
DateTime CDate(const Variant& v);
// Text of a value: numbers as VB prints them (Double with up to 15
// significant digits, "1E+20" beyond), Boolean "True"/"False", dates as
// "yyyy-M-d H:mm:ss" (date alone when the time is midnight, time alone when
// the date is 1899-12-30), Empty "". Null raises 94.
std::string CStr(const Variant& v);

// Fix/Int of VB: toward zero / toward minus infinity.
double Fix(double d);
double Int(double d);

// Half-to-even rounding to a whole number (VB's banker's rounding).
double RoundHalfEven(double d);
// VB's Round(d, digits), half to even.
double Round(double d, int digits = 0);

// Currency helpers.
Currency CurrencyFromDouble(double d);  // rounds half to even, raises 6
double CurrencyToDouble(Currency c);

// VB's "=" / "<" comparison between two variants: numbers by value, text by
// characters (binary, or ignoring case when text_compare), a number against
// numeric text by value. Returns -1, 0 or 1. Null anywhere gives nullopt.
std::optional<int> Compare(const Variant& a, const Variant& b, bool text_compare = false);
bool Equals(const Variant& a, const Variant& b);  // Compare == 0 (Null → false)

// VarType and TypeName of VB.
int VarTypeOf(const Variant& v);
std::string TypeName(const Variant& v);

}  // namespace ostrel::vb
