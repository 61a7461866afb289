#include "platform/vb/convert.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/vb/date_math.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"

namespace ostrel::vb {

namespace {

constexpr int32_t kErrInvalidNull = 94;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// A number read by the grammar of convert.h: sign, significant digits and a
// power of ten (value = digits x 10^exp10), or a radix value.
struct ScannedNumber {
  enum Status { kOk, kNotNumber, kOverflow } status = kNotNumber;
  bool negative = false;
  std::string digits;  // decimal digits, leading zeros dropped
  int64_t exp10 = 0;
  bool radix = false;
  int32_t radix_value = 0;
};

ScannedNumber ScanNumber(std::string_view s) {
  ScannedNumber r;
  size_t i = 0, n = s.size();
  while (i < n && IsBlank(s[i])) ++i;
  while (n > i && IsBlank(s[n - 1])) --n;
  if (i == n) return r;
  if (n - i >= 2 && s[i] == '&') {
    char k = static_cast<char>(s[i + 1] | 0x20);
    if (k != 'h' && k != 'o') return r;
    unsigned base = k == 'h' ? 16 : 8;
    uint64_t v = 0;
    size_t count = 0;
    for (i += 2; i < n; ++i, ++count) {
      char c = s[i];
      unsigned d;
      if (c >= '0' && c <= '9')
        d = static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f')
        d = static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        d = static_cast<unsigned>(c - 'A' + 10);
      else
        return r;
      if (d >= base) return r;
      v = v * base + d;
      if (v > 0xFFFFFFFFull) {
        r.status = ScannedNumber::kOverflow;
        return r;
      }
    }
    if (count == 0) return r;
    r.radix = true;
    r.radix_value = static_cast<int32_t>(static_cast<uint32_t>(v));  // 32-bit pattern
    r.status = ScannedNumber::kOk;
    return r;
  }
  if (s[i] == '+' || s[i] == '-') r.negative = s[i++] == '-';
  size_t mantissa_digits = 0;
  int64_t fraction_digits = 0;
  auto take = [&](char c) {
    ++mantissa_digits;
    if (r.digits.empty() && c == '0') return;
    r.digits.push_back(c);
  };
  // Integer part: a digit first, then digits and "," thousands separators.
  if (i < n && s[i] >= '0' && s[i] <= '9') {
    while (i < n && ((s[i] >= '0' && s[i] <= '9') || s[i] == ',')) {
      if (s[i] != ',') take(s[i]);
      ++i;
    }
  }
  if (i < n && s[i] == '.') {
    ++i;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
      if (!r.digits.empty() || s[i] != '0') r.digits.push_back(s[i]);
      ++mantissa_digits;
      ++fraction_digits;
      ++i;
    }
  }
  if (mantissa_digits == 0) return r;
  // Every fraction digit is a place, dropped leading zeros included.
  r.exp10 = -fraction_digits;
  if (i < n) {
    char e = static_cast<char>(s[i] | 0x20);
    if (e != 'e' && e != 'd') return r;
    ++i;
    bool neg = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    if (i == n) return r;
    int64_t ev = 0;
    for (; i < n; ++i) {
      if (s[i] < '0' || s[i] > '9') return r;
      if (ev < 100000) ev = ev * 10 + (s[i] - '0');
    }
    r.exp10 += neg ? -ev : ev;
  }
  if (i != n) return r;
  // Trailing zeros move into the exponent.
  while (!r.digits.empty() && r.digits.back() == '0') {
    r.digits.pop_back();
    ++r.exp10;
  }
  r.status = ScannedNumber::kOk;
  return r;
}

double ScannedToDouble(const ScannedNumber& n) {
  if (n.radix) return n.radix_value;
  if (n.digits.empty()) return n.negative ? -0.0 : 0.0;
  std::string text = n.digits + "e" + std::to_string(n.exp10);
  double d = strtod(text.c_str(), nullptr);
  return n.negative ? -d : d;
}

// Reads text as a number, raising 13 (not a number) or 6 (too large).
double TextToDouble(std::string_view s) {
  ScannedNumber n = ScanNumber(s);
  if (n.status == ScannedNumber::kOverflow) Raise(kErrOverflow);
  if (n.status != ScannedNumber::kOk) Raise(kErrTypeMismatch);
  double d = ScannedToDouble(n);
  if (std::isinf(d)) Raise(kErrOverflow);
  return d;
}

// Text to currency without passing through binary floating point, so that
// "1.00015" rounds half to even on its decimal digits.
Currency TextToCurrency(std::string_view s) {
  ScannedNumber n = ScanNumber(s);
  if (n.status == ScannedNumber::kOverflow) Raise(kErrOverflow);
  if (n.status != ScannedNumber::kOk) Raise(kErrTypeMismatch);
  if (n.radix) return Currency{static_cast<int64_t>(n.radix_value) * 10000};
  int64_t shift = n.exp10 + 4;  // value x 10^4 = digits x 10^shift
  std::string whole = n.digits;
  std::string rest;
  if (shift >= 0) {
    if (!whole.empty() && shift > 19) Raise(kErrOverflow);
    whole.append(static_cast<size_t>(whole.empty() ? 0 : shift), '0');
  } else {
    int64_t keep = static_cast<int64_t>(whole.size()) + shift;
    if (keep <= 0) {
      rest = std::string(static_cast<size_t>(-keep), '0') + whole;
      whole.clear();
    } else {
      rest = whole.substr(static_cast<size_t>(keep));
      whole.resize(static_cast<size_t>(keep));
    }
  }
  if (whole.size() > 19) Raise(kErrOverflow);
  unsigned __int128 v = 0;
  for (char c : whole) v = v * 10 + static_cast<unsigned>(c - '0');
  if (!rest.empty()) {
    bool up = rest[0] > '5' ||
              (rest[0] == '5' && (rest.find_first_not_of('0', 1) != std::string::npos || (v & 1)));
    if (up) ++v;
  }
  unsigned __int128 limit = n.negative ? (static_cast<unsigned __int128>(INT64_MAX) + 1)
                                       : static_cast<unsigned __int128>(INT64_MAX);
  if (v > limit) Raise(kErrOverflow);
  if (n.negative) return Currency{static_cast<int64_t>(-static_cast<__int128>(v))};
  return Currency{static_cast<int64_t>(v)};
}

// Half-to-even division of a currency's scaled value by 10,000.
int64_t CurrencyToWhole(Currency c) {
  int64_t q = c.scaled / 10000;
  int64_t r = c.scaled % 10000;
  if (r > 5000 || (r == 5000 && (q & 1))) ++q;
  if (r < -5000 || (r == -5000 && (q & 1))) --q;
  return q;
}

// The numeric value of a variant for conversions to whole numbers.
double NumberOf(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      Raise(kErrInvalidNull);
    case VarType::Integer:
      return v.AsInteger();
    case VarType::Long:
      return v.AsLong();
    case VarType::Single:
      return v.AsSingle();
    case VarType::Double:
      return v.AsDouble();
    case VarType::Currency:
      return CurrencyToDouble(v.AsCurrency());
    case VarType::Date:
      return v.AsDate().serial;
    case VarType::String:
      return TextToDouble(v.AsString());
    case VarType::Boolean:
      return v.AsBool() ? -1 : 0;
    default:
      Raise(kErrTypeMismatch);
  }
}

int64_t WholeOf(const Variant& v, int64_t lo, int64_t hi) {
  if (v.type() == VarType::Currency) {
    int64_t w = CurrencyToWhole(v.AsCurrency());
    if (w < lo || w > hi) Raise(kErrOverflow);
    return w;
  }
  double r = RoundHalfEven(NumberOf(v));
  if (!(r >= static_cast<double>(lo) && r <= static_cast<double>(hi))) Raise(kErrOverflow);
  return static_cast<int64_t>(r);
}

std::string PrintFloat(double d, int digits) {
  if (d == 0) return "0";  // never "-0"
  char buf[64];
  snprintf(buf, sizeof(buf), "%.*G", digits, d);
  return buf;
}

std::string CurrencyText(Currency c) {
  bool neg = c.scaled < 0;
  unsigned __int128 m = neg ? static_cast<unsigned __int128>(-static_cast<__int128>(c.scaled))
                            : static_cast<unsigned __int128>(c.scaled);
  uint64_t whole = static_cast<uint64_t>(m / 10000);
  unsigned frac = static_cast<unsigned>(m % 10000);
  std::string out = neg ? "-" : "";
  out += std::to_string(whole);
  if (frac) {
    char buf[8];
    snprintf(buf, sizeof(buf), "%04u", frac);
    std::string f = buf;
    while (f.back() == '0') f.pop_back();
    out += "." + f;
  }
  return out;
}

enum class Kind { Empty, Number, Text, Other };

Kind KindOf(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return Kind::Empty;
    case VarType::String:
      return Kind::Text;
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Date:
    case VarType::Boolean:
      return Kind::Number;
    default:
      return Kind::Other;
  }
}

int Sign(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

int CompareNumbers(const Variant& a, const Variant& b) {
  if (a.type() == VarType::Currency && b.type() == VarType::Currency) {
    int64_t x = a.AsCurrency().scaled, y = b.AsCurrency().scaled;
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  return Sign(NumberOf(a), NumberOf(b));
}

// A number against text: by value when the text reads as a number (or as a
// date, against a date); otherwise a number sorts before any text.
int CompareNumberText(const Variant& num, const std::string& text) {
  ScannedNumber n = ScanNumber(text);
  if (n.status == ScannedNumber::kOk) return Sign(NumberOf(num), ScannedToDouble(n));
  if (num.IsDate()) {
    if (std::optional<DateTime> d = ParseDate(text)) {
      return Sign(num.AsDate().serial, d->serial);
    }
  }
  return -1;
}

}  // namespace

bool IsNumeric(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Boolean:
      return true;
    case VarType::String:
      return ParseNumber(v.AsString()).has_value();
    default:
      return false;
  }
}

bool IsDate(const Variant& v) {
  if (v.IsDate()) return true;
  if (v.IsString()) return ParseDate(v.AsString()).has_value();
  return false;
}

bool IsEmpty(const Variant& v) { return v.IsEmpty(); }
bool IsNull(const Variant& v) { return v.IsNull(); }
bool IsArray(const Variant& v) { return v.IsArray(); }
bool IsObject(const Variant& v) { return v.IsObject(); }

std::optional<double> ParseNumber(std::string_view text) {
  ScannedNumber n = ScanNumber(text);
  if (n.status != ScannedNumber::kOk) return std::nullopt;
  double d = ScannedToDouble(n);
  if (std::isinf(d)) return std::nullopt;
  return d;
}

int16_t CInt(const Variant& v) { return static_cast<int16_t>(WholeOf(v, INT16_MIN, INT16_MAX)); }

int32_t CLng(const Variant& v) { return static_cast<int32_t>(WholeOf(v, INT32_MIN, INT32_MAX)); }

float CSng(const Variant& v) {
  double d = NumberOf(v);
  if (std::fabs(d) > FLT_MAX) Raise(kErrOverflow);
  return static_cast<float>(d);
}

double CDbl(const Variant& v) { return NumberOf(v); }

Currency CCur(const Variant& v) {
  switch (v.type()) {
    case VarType::Currency:
      return v.AsCurrency();
    case VarType::Integer:
      return Currency{static_cast<int64_t>(v.AsInteger()) * 10000};
    case VarType::Long:
      return Currency{static_cast<int64_t>(v.AsLong()) * 10000};
    case VarType::String:
      return TextToCurrency(v.AsString());
    default:
      return CurrencyFromDouble(NumberOf(v));
  }
}

bool CBool(const Variant& v) {
  if (v.IsBoolean()) return v.AsBool();
  if (v.IsString()) {
    std::string t = LCase(Trim(v.AsString()));
    if (t == "true") return true;
    if (t == "false") return false;
  }
  return NumberOf(v) != 0;
}

DateTime CDate(const Variant& v) {
  switch (v.type()) {
    case VarType::Date:
      return v.AsDate();
    case VarType::String: {
      std::optional<DateTime> d = ParseDate(v.AsString());
      if (!d) Raise(kErrTypeMismatch);
      return *d;
    }
    default: {
      double serial = NumberOf(v);
      if (!InDateRange(serial)) Raise(kErrOverflow);
      return DateTime{serial};
    }
  }
}

std::string CStr(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return "";
    case VarType::Null:
      Raise(kErrInvalidNull);
    case VarType::Integer:
      return std::to_string(v.AsInteger());
    case VarType::Long:
      return std::to_string(v.AsLong());
    case VarType::Single:
      return PrintFloat(v.AsSingle(), 7);
    case VarType::Double:
      return PrintFloat(v.AsDouble(), 15);
    case VarType::Currency:
      return CurrencyText(v.AsCurrency());
    case VarType::Date:
      return DateText(v.AsDate());
    case VarType::String:
      return v.AsString();
    case VarType::Boolean:
      return v.AsBool() ? "True" : "False";
    default:
      Raise(kErrTypeMismatch);
  }
}

double Fix(double d) { return std::trunc(d); }
double Int(double d) { return std::floor(d); }

double RoundHalfEven(double d) {
  if (!std::isfinite(d)) return d;
  double f = std::floor(d);
  double diff = d - f;
  if (diff > 0.5) return f + 1;
  if (diff < 0.5) return f;
  return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

double Round(double d, int digits) {
  if (digits < 0) Raise(kErrInvalidCall);
  if (digits == 0) return RoundHalfEven(d);
  if (digits > 15) return d;
  double p = std::pow(10.0, digits);
  double scaled = d * p;
  if (!std::isfinite(scaled)) return d;
  return RoundHalfEven(scaled) / p;
}

Currency CurrencyFromDouble(double d) {
  double r = RoundHalfEven(d * 10000.0);
  // 2^63 is exactly representable; anything at or past it does not fit.
  if (!(r < 9223372036854775808.0 && r >= -9223372036854775808.0)) Raise(kErrOverflow);
  return Currency{static_cast<int64_t>(r)};
}

double CurrencyToDouble(Currency c) { return static_cast<double>(c.scaled) / 10000.0; }

std::optional<int> Compare(const Variant& a, const Variant& b, bool text_compare) {
  if (a.IsNull() || b.IsNull()) return std::nullopt;
  Kind ka = KindOf(a), kb = KindOf(b);
  if (ka == Kind::Other || kb == Kind::Other) Raise(kErrTypeMismatch);
  CompareMode mode = text_compare ? CompareMode::Text : CompareMode::Binary;
  if (ka == Kind::Empty && kb == Kind::Empty) return 0;
  if (ka == Kind::Text && kb == Kind::Text) return StrComp(a.AsString(), b.AsString(), mode);
  if (ka == Kind::Empty && kb == Kind::Text) return StrComp("", b.AsString(), mode);
  if (ka == Kind::Text && kb == Kind::Empty) return StrComp(a.AsString(), "", mode);
  if (ka == Kind::Text) return -CompareNumberText(b, a.AsString());
  if (kb == Kind::Text) return CompareNumberText(a, b.AsString());
  return CompareNumbers(a, b);  // numbers, Empty as 0
}

bool Equals(const Variant& a, const Variant& b) {
  std::optional<int> c = Compare(a, b);
  return c && *c == 0;
}

int VarTypeOf(const Variant& v) { return static_cast<int>(v.type()); }

std::string TypeName(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return "Empty";
    case VarType::Null:
      return "Null";
    case VarType::Integer:
      return "Integer";
    case VarType::Long:
      return "Long";
    case VarType::Single:
      return "Single";
    case VarType::Double:
      return "Double";
    case VarType::Currency:
      return "Currency";
    case VarType::Date:
      return "Date";
    case VarType::String:
      return "String";
    case VarType::Object:
      return v.IsNothing() ? "Nothing" : "Object";
    case VarType::Boolean:
      return "Boolean";
    case VarType::Array:
      return "Variant()";
  }
  return "Unknown";
}

}  // namespace ostrel::vb
