// VB conversions between Variant types. All are exact: CInt/CLng/CCur round
// halves to the even neighbour and raise Overflow (6) when the result does
// not fit; text that does not read as the wanted type raises Type mismatch
// (13); Null raises Invalid use of Null (94) where VB does.
//
// The number grammar (IsNumeric, CDbl of text): optional blanks, an optional
// sign, digits with optional "," thousands separators, an optional "." and
// fraction, an optional exponent (E or D, sign, digits), optional blanks;
// or "&H" hex / "&O" octal digits. "" never reads as a number.
// Details: blanks are space, tab, CR, LF, VT and FF; the sign comes right
// before the first digit or "."; "," may stand anywhere after the first
// digit of the whole part ("1,2,3" reads as 123) but not before it; "5."
// and ".5" read, "." alone does not; an exponent needs a digit. "&H"/"&O"
// values are 32-bit patterns ("&HFFFFFFFF" is -1); more than 32 bits, or a
// value beyond the Double range, is no number (CDbl raises 6 for them).
// Text to Currency is converted on its decimal digits, so "1.00015" rounds
// half to even to 1.0002 without binary error.
//
// The date grammar (IsDate, CDate of text), zh-CN: "yyyy-M-d", "yyyy/M/d",
// "yyyy年M月d日" (the day mark optional), "yyyy-M" is not a date; each
// optionally followed by blanks and a time "H:mm" or "H:mm:ss" (24-hour, or
// with AM/PM, 上午/下午); a time alone is a date on 1899-12-30. Two-digit
// years follow VB's window (00-29 → 20xx, 30-99 → 19xx). Surrounding blanks
// are allowed.
// Details: the year has 1 to 4 digits (1-2 use the window, 3-4 are taken as
// written and must be 100 or later), month and day 1 or 2 digits, and the
// day must exist in that month ("2005-2-30" is no date); "-" and "/" may not
// be mixed; a time after a "-"/"/" date needs a blank before it, after "日"
// it may follow at once; hours 0-23 (1-12 with a designator, which may
// stand before or after the time, in any letter case for AM/PM); minutes
// and seconds 0-59, 1 or 2 digits; no fraction of a second. A month and day
// without a year ("8-8") is not a date.
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
// the date is 1899-12-30), Empty "". Null raises 94. Single prints with 7
// significant digits; exponents below -4 also print as "1E-05".
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
// Empty compares as 0 or ""; Boolean and Date as numbers; a date against
// date text by value; a number against other text is the smaller. Objects
// and arrays raise 13.
std::optional<int> Compare(const Variant& a, const Variant& b, bool text_compare = false);
bool Equals(const Variant& a, const Variant& b);  // Compare == 0 (Null → false)

// VarType and TypeName of VB.
int VarTypeOf(const Variant& v);
std::string TypeName(const Variant& v);

}  // namespace ostrel::vb
