// ParseDate: the zh-CN date grammar documented in convert.h.
#include <cstring>

#include "platform/vb/convert.h"
#include "platform/vb/date_math.h"

namespace ostrel::vb {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

class DateScanner {
 public:
  explicit DateScanner(std::string_view text) : s_(text) {}

  bool AtEnd() const { return i_ >= s_.size(); }
  size_t pos() const { return i_; }
  void set_pos(size_t p) { i_ = p; }

  size_t SkipBlanks() {
    size_t n = 0;
    while (i_ < s_.size() && IsBlank(s_[i_])) {
      ++i_;
      ++n;
    }
    return n;
  }

  // Reads 1 to max_digits ASCII digits; *count gets how many.
  bool Number(int max_digits, int32_t* value, int* count = nullptr) {
    size_t start = i_;
    int n = 0;
    int32_t v = 0;
    while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9' && n < max_digits) {
      v = v * 10 + (s_[i_] - '0');
      ++i_;
      ++n;
    }
    // More digits than allowed means the field is too long, not two fields.
    if (n == 0 || (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9')) {
      i_ = start;
      return false;
    }
    *value = v;
    if (count) *count = n;
    return true;
  }

  bool Literal(std::string_view lit) {
    if (s_.substr(i_, lit.size()) != lit) return false;
    i_ += lit.size();
    return true;
  }

  bool Char(char c) {
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }

  // AM/PM (any case) or 上午/下午: 1 for afternoon, 0 for morning, -1 none.
  int Designator() {
    if (s_.size() - i_ >= 2) {
      char a = static_cast<char>(s_[i_] | 0x20), m = static_cast<char>(s_[i_ + 1] | 0x20);
      if ((a == 'a' || a == 'p') && m == 'm') {
        i_ += 2;
        return a == 'p' ? 1 : 0;
      }
    }
    if (Literal("上午")) return 0;
    if (Literal("下午")) return 1;
    return -1;
  }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<DateTime> ParseDate(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return std::nullopt;
  DateScanner sc(text);
  DateFields f{1899, 12, 30, 0, 0, 0};

  // The date part, when the text starts with one.
  bool have_date = false;
  bool after_mark = false;  // a date ending in 年月日 needs no blank before the time
  int year_digits = 0;
  int32_t year = 0;
  if (sc.Number(4, &year, &year_digits)) {
    f.year = year;
    if (sc.Char('-') || sc.Char('/')) {
      char sep = text[sc.pos() - 1];
      if (!sc.Number(2, &f.month) || !sc.Char(sep) || !sc.Number(2, &f.day)) return std::nullopt;
      have_date = true;
    } else if (sc.Literal("年")) {
      if (!sc.Number(2, &f.month) || !sc.Literal("月") || !sc.Number(2, &f.day)) {
        return std::nullopt;
      }
      sc.Literal("日");
      have_date = true;
      after_mark = true;
    } else {
      f.year = 1899;  // perhaps a time alone
      sc.set_pos(0);
    }
  }
  if (have_date) {
    if (year_digits <= 2) f.year += f.year <= 29 ? 2000 : 1900;
    if (f.month < 1 || f.month > 12 || f.day < 1 || f.year < 100) return std::nullopt;
    if (f.day > DaysInMonth(f.year, f.month)) return std::nullopt;
    size_t blanks = sc.SkipBlanks();
    if (sc.AtEnd()) {
      DateTime out;
      if (!MakeDate(f, &out)) return std::nullopt;
      return out;
    }
    if (blanks == 0 && !after_mark) return std::nullopt;
  }

  // The time part: H:mm or H:mm:ss with an optional designator before or after.
  int half = sc.Designator();
  if (half >= 0) sc.SkipBlanks();
  if (!sc.Number(2, &f.hour) || !sc.Char(':') || !sc.Number(2, &f.minute)) return std::nullopt;
  if (sc.Char(':') && !sc.Number(2, &f.second)) return std::nullopt;
  if (half < 0) {
    size_t mark = sc.pos();
    sc.SkipBlanks();
    half = sc.Designator();
    if (half < 0) sc.set_pos(mark);
  }
  sc.SkipBlanks();
  if (!sc.AtEnd()) return std::nullopt;
  if (f.minute > 59 || f.second > 59) return std::nullopt;
  if (half >= 0) {
    if (f.hour > 12) return std::nullopt;
    f.hour = f.hour % 12 + (half == 1 ? 12 : 0);
  } else if (f.hour > 23) {
    return std::nullopt;
  }
  DateTime out;
  if (!MakeDate(f, &out)) return std::nullopt;
  return out;
}

}  // namespace ostrel::vb
