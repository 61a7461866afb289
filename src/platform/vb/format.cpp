#include "platform/vb/format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/vb/convert.h"
#include "platform/vb/date_math.h"
#include "platform/vb/vb_error.h"

namespace ostrel::vb {

namespace {

// A number as decimal digits: value = 0.<digits> x 10^point, sign apart.
// Formats round on these digits (half away from zero, as VB's Format), not
// on the binary double, so 1.005 with "0.00" gives "1.01".
struct Decimal {
  bool negative = false;
  std::string digits;  // no leading or trailing zeros; "" is zero
  int point = 0;

  bool IsZero() const { return digits.empty(); }

  void Normalize() {
    size_t lead = digits.find_first_not_of('0');
    if (lead == std::string::npos) {
      digits.clear();
      point = 0;
      return;
    }
    digits.erase(0, lead);
    point -= static_cast<int>(lead);
    while (digits.back() == '0') digits.pop_back();
  }

  // Rounds to `decimals` places after the point.
  void RoundTo(int decimals) {
    long keep = static_cast<long>(point) + decimals;
    if (keep >= static_cast<long>(digits.size())) return;
    if (keep < 0) {
      digits.clear();
      point = 0;
      return;
    }
    bool up = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    if (up) {
      size_t i = digits.size();
      while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        ++point;
      } else {
        ++digits[i - 1];
      }
    }
    Normalize();
  }

  // Digits before the point ("" for a value below 1).
  std::string Whole() const {
    if (point <= 0) return "";
    std::string w = digits.substr(0, std::min<size_t>(digits.size(), point));
    w.append(static_cast<size_t>(point) - w.size(), '0');
    return w;
  }

  // The first n digits after the point.
  std::string Fraction(int n) const {
    std::string f;
    for (int k = 0; k < n; ++k) {
      long idx = static_cast<long>(point) + k;
      f.push_back(idx >= 0 && idx < static_cast<long>(digits.size()) ? digits[idx] : '0');
    }
    return f;
  }
};

Decimal FromDouble(double d, int significant) {
  Decimal r;
  if (d == 0 || !std::isfinite(d)) return r;
  r.negative = d < 0;
  char buf[64];
  snprintf(buf, sizeof(buf), "%.*e", significant - 1, d < 0 ? -d : d);
  // "d.ddddde+XX"
  for (const char* p = buf; *p && *p != 'e'; ++p) {
    if (*p != '.') r.digits.push_back(*p);
  }
  const char* e = strchr(buf, 'e');
  r.point = atoi(e + 1) + 1;
  r.Normalize();
  return r;
}

Decimal FromScaled(int64_t value, int scale) {
  Decimal r;
  r.negative = value < 0;
  unsigned __int128 m = r.negative ? static_cast<unsigned __int128>(-static_cast<__int128>(value))
                                   : static_cast<unsigned __int128>(value);
  std::string s;
  do {
    s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  } while (m != 0);
  r.digits = s;
  r.point = static_cast<int>(s.size()) - scale;
  r.Normalize();
  return r;
}

// The value as decimal digits, or nullopt when it is no number.
std::optional<Decimal> DecimalOf(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return Decimal{};
    case VarType::Integer:
      return FromScaled(v.AsInteger(), 0);
    case VarType::Long:
      return FromScaled(v.AsLong(), 0);
    case VarType::Boolean:
      return FromScaled(v.AsBool() ? -1 : 0, 0);
    case VarType::Currency:
      return FromScaled(v.AsCurrency().scaled, 4);
    case VarType::Single:
      return FromDouble(v.AsSingle(), 7);
    case VarType::Double:
      return FromDouble(v.AsDouble(), 15);
    case VarType::Date:
      return FromDouble(v.AsDate().serial, 15);
    case VarType::String: {
      std::optional<double> d = ParseNumber(v.AsString());
      if (!d) return std::nullopt;
      return FromDouble(*d, 15);
    }
    default:
      return std::nullopt;
  }
}

std::string Group(const std::string& whole) {
  std::string out;
  for (size_t i = 0; i < whole.size(); ++i) {
    out.push_back(whole[i]);
    size_t left = whole.size() - 1 - i;
    if (left > 0 && left % 3 == 0) out.push_back(',');
  }
  return out;
}

// Splits a format into its ";" sections; quotes and "\" escapes protect ";".
std::vector<std::string> Sections(std::string_view fmt) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (size_t i = 0; i < fmt.size(); ++i) {
    char c = fmt[i];
    if (c == '"') quoted = !quoted;
    if (!quoted && c == '\\' && i + 1 < fmt.size()) {
      out.back().push_back(c);
      out.back().push_back(fmt[++i]);
      continue;
    }
    if (!quoted && c == ';') {
      out.emplace_back();
      continue;
    }
    out.back().push_back(c);
  }
  return out;
}

// ---- Number formats ----

enum class Tok { Zero, Hash, Point, Text };

struct Token {
  Tok kind;
  std::string text;
};

struct NumberPattern {
  std::vector<Token> tokens;
  bool group = false;
  bool percent = false;
  bool has_digits = false;
};

NumberPattern ParseNumberPattern(std::string_view f) {
  NumberPattern p;
  bool seen_point = false, seen_digit = false;
  auto text = [&](std::string t) {
    if (!p.tokens.empty() && p.tokens.back().kind == Tok::Text) {
      p.tokens.back().text += t;
    } else {
      p.tokens.push_back({Tok::Text, std::move(t)});
    }
  };
  for (size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (c == '"') {
      size_t end = f.find('"', i + 1);
      if (end == std::string_view::npos) end = f.size();
      text(std::string(f.substr(i + 1, end - i - 1)));
      i = end;
    } else if (c == '\\' && i + 1 < f.size()) {
      text(std::string(1, f[++i]));
    } else if (c == '0' || c == '#') {
      p.tokens.push_back({c == '0' ? Tok::Zero : Tok::Hash, ""});
      seen_digit = true;
    } else if (c == '.' && !seen_point) {
      p.tokens.push_back({Tok::Point, ""});
      seen_point = true;
    } else if (c == ',' && seen_digit && !seen_point) {
      p.group = true;  // thousands grouping, wherever it stands among the digits
    } else {
      if (c == '%') p.percent = true;
      text(std::string(1, c));
    }
  }
  p.has_digits = seen_digit;
  if (!seen_digit) return p;
  // A format with no whole-number placeholder (".00") still shows the whole
  // part before the point.
  size_t first_digit = p.tokens.size(), point_at = p.tokens.size();
  for (size_t i = 0; i < p.tokens.size(); ++i) {
    if (p.tokens[i].kind == Tok::Point) point_at = i;
    if ((p.tokens[i].kind == Tok::Zero || p.tokens[i].kind == Tok::Hash) && first_digit > i) {
      first_digit = i;
    }
  }
  if (point_at < first_digit) p.tokens.insert(p.tokens.begin() + point_at, {Tok::Hash, ""});
  return p;
}

std::string FormatNumberSection(Decimal d, std::string_view section, bool show_minus) {
  NumberPattern p = ParseNumberPattern(section);
  if (!p.has_digits) {
    std::string out;
    for (const Token& t : p.tokens) out += t.text;
    return out;
  }
  int whole_slots = 0, first_zero = -1, frac_slots = 0, last_zero = 0;
  bool after_point = false;
  for (const Token& t : p.tokens) {
    if (t.kind == Tok::Point) after_point = true;
    if (t.kind != Tok::Zero && t.kind != Tok::Hash) continue;
    if (after_point) {
      ++frac_slots;
      if (t.kind == Tok::Zero) last_zero = frac_slots;
    } else {
      if (t.kind == Tok::Zero && first_zero < 0) first_zero = whole_slots;
      ++whole_slots;
    }
  }
  if (p.percent && !d.IsZero()) d.point += 2;
  d.RoundTo(frac_slots);
  std::string whole = d.Whole();
  size_t min_whole = first_zero < 0 ? 0 : static_cast<size_t>(whole_slots - first_zero);
  if (whole.size() < min_whole) whole.insert(0, min_whole - whole.size(), '0');
  std::string frac = d.Fraction(frac_slots);
  while (static_cast<int>(frac.size()) > last_zero && frac.back() == '0') frac.pop_back();

  std::string out;
  if (show_minus && d.negative && !d.IsZero()) out = "-";
  long n = static_cast<long>(whole.size());
  int slot = 0, frac_slot = 0;
  after_point = false;
  for (const Token& t : p.tokens) {
    switch (t.kind) {
      case Tok::Text:
        out += t.text;
        break;
      case Tok::Point:
        out.push_back('.');
        after_point = true;
        break;
      case Tok::Zero:
      case Tok::Hash:
        if (after_point) {
          if (frac_slot < static_cast<int>(frac.size())) out.push_back(frac[frac_slot]);
          ++frac_slot;
          break;
        }
        {
          // Digits align right on the slots; the first slot takes any excess.
          long last = slot - (whole_slots - n);
          long first = slot == 0 ? 0 : last;
          for (long j = std::max(first, 0L); j <= last; ++j) {
            out.push_back(whole[static_cast<size_t>(j)]);
            long left = n - 1 - j;
            if (p.group && left > 0 && left % 3 == 0) out.push_back(',');
          }
          ++slot;
        }
        break;
    }
  }
  return out;
}

std::string FormatAsNumber(const Decimal& d, const std::vector<std::string>& sections) {
  const std::string* section = &sections[0];
  bool show_minus = true;
  if (d.IsZero() && sections.size() >= 3 && !sections[2].empty()) {
    section = &sections[2];
  } else if (d.negative && !d.IsZero() && sections.size() >= 2 && !sections[1].empty()) {
    section = &sections[1];
    show_minus = false;  // the negative section writes its own sign
  }
  return FormatNumberSection(d, *section, show_minus);
}

// ---- Date formats ----

bool IsDateLetter(char c) {
  c = static_cast<char>(c | 0x20);
  return c == 'y' || c == 'm' || c == 'd' || c == 'h' || c == 'n' || c == 's';
}

bool StartsWithNoCase(std::string_view s, size_t at, std::string_view word) {
  if (s.size() - at < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if ((s[at + i] | 0x20) != (word[i] | 0x20)) return false;
  }
  return true;
}

// True when a section holds digit placeholders (a number format); a date
// format is one with date letters and no placeholders.
bool IsDatePattern(std::string_view f) {
  bool date = false;
  for (size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (c == '"') {
      size_t end = f.find('"', i + 1);
      i = end == std::string_view::npos ? f.size() : end;
    } else if (c == '\\') {
      ++i;
    } else if (c == '0' || c == '#') {
      return false;
    } else if (IsDateLetter(c) || StartsWithNoCase(f, i, "am/pm")) {
      date = true;
    }
  }
  return date;
}

enum class DTok {
  Text,
  Year4,
  Year2,
  DayOfYear,
  Month,
  Month2,
  MonthAbbr,
  MonthName,
  Day,
  Day2,
  Hour,
  Hour2,
  Minute,
  Minute2,
  Second,
  Second2,
  AmPm
};

struct DateToken {
  DTok kind;
  std::string text;  // literal text, or the AM/PM pair as written ("AM/PM", "am/pm", "A/P")
};

std::string FormatDateSection(DateTime dt, std::string_view f) {
  std::vector<DateToken> toks;
  bool twelve_hour = false;
  auto text = [&](std::string t) {
    if (!toks.empty() && toks.back().kind == DTok::Text) {
      toks.back().text += t;
    } else {
      toks.push_back({DTok::Text, std::move(t)});
    }
  };
  for (size_t i = 0; i < f.size();) {
    char c = f[i];
    char l = static_cast<char>(c | 0x20);
    size_t run = 1;
    while (IsDateLetter(c) && i + run < f.size() && (f[i + run] | 0x20) == l) ++run;
    if (c == '"') {
      size_t end = f.find('"', i + 1);
      if (end == std::string_view::npos) end = f.size();
      text(std::string(f.substr(i + 1, end - i - 1)));
      i = end + 1;
      continue;
    }
    if (c == '\\' && i + 1 < f.size()) {
      text(std::string(1, f[i + 1]));
      i += 2;
      continue;
    }
    if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p")) {
      size_t len = StartsWithNoCase(f, i, "am/pm") ? 5 : 3;
      toks.push_back({DTok::AmPm, std::string(f.substr(i, len))});
      twelve_hour = true;
      i += len;
      continue;
    }
    if (StartsWithNoCase(f, i, "ampm")) {
      toks.push_back({DTok::AmPm, ""});  // the locale's designators
      twelve_hour = true;
      i += 4;
      continue;
    }
    if (!IsDateLetter(c)) {
      text(std::string(1, c));
      ++i;
      continue;
    }
    size_t take = run;
    DTok kind = DTok::Text;
    switch (l) {
      case 'y':
        if (run >= 4)
          kind = DTok::Year4, take = 4;
        else if (run >= 2)
          kind = DTok::Year2, take = 2;
        else
          kind = DTok::DayOfYear;
        break;
      case 'm':
        if (run >= 4)
          kind = DTok::MonthName, take = 4;
        else if (run == 3)
          kind = DTok::MonthAbbr;
        else if (run == 2)
          kind = DTok::Month2;
        else
          kind = DTok::Month;
        break;
      case 'd':
        kind = run >= 2 ? DTok::Day2 : DTok::Day, take = std::min<size_t>(run, 2);
        break;
      case 'h':
        kind = run >= 2 ? DTok::Hour2 : DTok::Hour, take = std::min<size_t>(run, 2);
        break;
      case 'n':
        kind = run >= 2 ? DTok::Minute2 : DTok::Minute, take = std::min<size_t>(run, 2);
        break;
      case 's':
        kind = run >= 2 ? DTok::Second2 : DTok::Second, take = std::min<size_t>(run, 2);
        break;
    }
    toks.push_back({kind, ""});
    i += take;
  }
  // "m" right after an hour, or right before a second, means minutes.
  auto is_field = [](DTok k) { return k != DTok::Text && k != DTok::AmPm; };
  for (size_t i = 0; i < toks.size(); ++i) {
    if (toks[i].kind != DTok::Month && toks[i].kind != DTok::Month2) continue;
    bool minute = false;
    for (size_t j = i; j-- > 0;) {
      if (!is_field(toks[j].kind)) continue;
      minute = toks[j].kind == DTok::Hour || toks[j].kind == DTok::Hour2;
      break;
    }
    for (size_t j = i + 1; !minute && j < toks.size(); ++j) {
      if (!is_field(toks[j].kind)) continue;
      minute = toks[j].kind == DTok::Second || toks[j].kind == DTok::Second2;
      break;
    }
    if (minute) toks[i].kind = toks[i].kind == DTok::Month ? DTok::Minute : DTok::Minute2;
  }

  static const char* const kMonthNames[] = {"一月", "二月", "三月", "四月", "五月",   "六月",
                                            "七月", "八月", "九月", "十月", "十一月", "十二月"};
  DateFields d = SplitDate(dt);
  int hour = d.hour;
  if (twelve_hour) hour = hour % 12 == 0 ? 12 : hour % 12;
  auto num = [](int v, int width) {
    char buf[16];
    snprintf(buf, sizeof(buf), "%0*d", width, v);
    return std::string(buf);
  };
  std::string out;
  for (const DateToken& t : toks) {
    switch (t.kind) {
      case DTok::Text:
        out += t.text;
        break;
      case DTok::Year4:
        out += num(d.year, 4);
        break;
      case DTok::Year2:
        out += num(d.year % 100, 2);
        break;
      case DTok::DayOfYear:
        out +=
            std::to_string(DaysFromCivil(d.year, d.month, d.day) - DaysFromCivil(d.year, 1, 1) + 1);
        break;
      case DTok::Month:
        out += num(d.month, 1);
        break;
      case DTok::Month2:
        out += num(d.month, 2);
        break;
      case DTok::MonthAbbr:
        out += std::to_string(d.month) + "月";
        break;
      case DTok::MonthName:
        out += kMonthNames[d.month - 1];
        break;
      case DTok::Day:
        out += num(d.day, 1);
        break;
      case DTok::Day2:
        out += num(d.day, 2);
        break;
      case DTok::Hour:
        out += num(hour, 1);
        break;
      case DTok::Hour2:
        out += num(hour, 2);
        break;
      case DTok::Minute:
        out += num(d.minute, 1);
        break;
      case DTok::Minute2:
        out += num(d.minute, 2);
        break;
      case DTok::Second:
        out += num(d.second, 1);
        break;
      case DTok::Second2:
        out += num(d.second, 2);
        break;
      case DTok::AmPm: {
        bool pm = d.hour >= 12;
        if (t.text.empty()) {
          out += pm ? "下午" : "上午";
        } else if (t.text.size() == 5) {
          out += pm ? t.text.substr(3, 2) : t.text.substr(0, 2);
        } else {
          out += pm ? t.text.substr(2, 1) : t.text.substr(0, 1);
        }
        break;
      }
    }
  }
  return out;
}

std::optional<DateTime> DateOf(const Variant& v) {
  if (v.IsDate()) return v.AsDate();
  if (v.IsString()) {
    if (std::optional<DateTime> d = ParseDate(v.AsString())) return d;
  }
  if (v.IsNumber() || v.IsString()) {
    double serial = v.IsString() ? ParseNumber(v.AsString()).value_or(1e300) : CDbl(v);
    if (InDateRange(serial)) return DateTime{serial};
  }
  return std::nullopt;
}

}  // namespace

std::string Format(const Variant& value, std::string_view format) {
  if (value.IsNull() || value.IsEmpty()) return "";
  if (format.empty()) return CStr(value);
  std::vector<std::string> sections = Sections(format);
  if (IsDatePattern(sections[0])) {
    std::optional<DateTime> d = DateOf(value);
    if (!d) return value.IsString() ? value.AsString() : CStr(value);
    return FormatDateSection(*d, sections[0]);
  }
  std::optional<Decimal> d = DecimalOf(value);
  if (!d) {
    if (value.IsString()) return value.AsString();  // text that is no number stays as it is
    Raise(kErrTypeMismatch);
  }
  return FormatAsNumber(*d, sections);
}

std::string FormatNumber(const Variant& value, int32_t digits, bool leading_zero,
                         bool group_digits) {
  if (value.IsNull()) Raise(94);
  if (digits < -1) Raise(kErrInvalidCall);
  if (digits == -1) digits = 2;
  std::optional<Decimal> d = DecimalOf(value);
  if (!d) Raise(kErrTypeMismatch);
  d->RoundTo(digits);
  std::string whole = d->Whole();
  if (whole.empty() && leading_zero) whole = "0";
  std::string out;
  if (d->negative && !d->IsZero()) out = "-";
  out += group_digits ? Group(whole) : whole;
  if (digits > 0) out += "." + d->Fraction(digits);
  return out;
}

}  // namespace ostrel::vb
