#include "processing/value_checks.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/text/charset.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/format.h"
#include "platform/vb/random.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/escaping.h"

namespace ostrel::processing {

namespace {

bool ReadsAsNumber(std::string_view text) { return vb::ParseNumber(text).has_value(); }

std::string RemoveAll(std::string_view text, std::string_view what) {
  return vb::Replace(text, what, "");
}

// Byte length of the UTF-8 sequence that starts with lead (1 for a stray byte).
size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

// ---- FormatSize ----

constexpr int64_t kCurrencyScale = 10000;

// n times factor in the fixed-point type; false on overflow.
bool ScaleCurrency(vb::Currency n, int64_t factor, vb::Currency* out) {
  return !__builtin_mul_overflow(n.scaled, factor, &out->scaled);
}

// ---- URLDecode ----

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The byte written as two hex digits at text[at]; -1 when they are not there.
int HexByte(std::string_view text, size_t at) {
  if (at + 2 > text.size()) return -1;
  int high = HexDigit(text[at]);
  int low = HexDigit(text[at + 1]);
  if (high < 0 || low < 0) return -1;
  return high * 16 + low;
}

// ASCII punctuation: printable, neither letter, digit nor blank.
bool IsPunctuation(int code) {
  return (code >= 33 && code <= 47) || (code >= 58 && code <= 64) || (code >= 91 && code <= 96) ||
         (code >= 123 && code <= 126);
}

// ---- FormatDate ----

std::string TwoDigits(int32_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// ---- ReadAlpha ----

// GB2312 sorts its first-level characters by pinyin, so code ranges give
// the initial letter; the single codes are second-level and GBK characters
// placed by hand. Rows are tried in order; the first match wins.
struct AlphaRange {
  uint16_t first;
  uint16_t last;
  const char* letter;
};

constexpr AlphaRange kAlphaRanges[] = {
    {0xB0A1, 0xB0C4, "A-Z"}, {0x90DB, 0x90DB, "A-Z"}, {0xB0C5, 0xB2C0, "B-Z"},
    {0x9AEA, 0x9AEA, "B-Z"}, {0xB2C1, 0xB4ED, "C-Z"}, {0x827D, 0x827D, "C-Z"},
    {0xB4EE, 0xB752, "D-Z"}, {0x8FD4, 0x90DA, "D-Z"}, {0x90DC, 0x967C, "D-Z"},
    {0xF1BC, 0xF1BC, "D-Z"}, {0xB753, 0xB7A1, "E-Z"}, {0xF049, 0xF049, "E-Z"},
    {0xB7A2, 0xB8C0, "F-Z"}, {0x8DB9, 0x8DB9, "F-Z"}, {0xEF88, 0xEF88, "F-Z"},
    {0xF850, 0xF850, "F-Z"}, {0xB8C1, 0xB9FD, "G-Z"}, {0x87F8, 0x87F8, "G-Z"},
    {0x8C6D, 0x8C6D, "G-Z"}, {0x8CF9, 0x8CF9, "G-Z"}, {0x8F56, 0x8F56, "G-Z"},
    {0xB9FE, 0xBBF6, "H-Z"}, {0xE6E8, 0xE6E8, "H-Z"}, {0xBBF7, 0xBE62, "J-Z"},
    {0xBE64, 0xBFA5, "J-Z"}, {0x9888, 0x9888, "J-Z"}, {0xF3DE, 0xF3DE, "J-Z"},
    {0xBFA6, 0xC0AB, "K-Z"}, {0xC0AC, 0xC2E7, "L-Z"}, {0xBE63, 0xBE63, "L-Z"},
    {0xE5D6, 0xE5D6, "L-Z"}, {0xF3D2, 0xF3D2, "L-Z"}, {0xC2E8, 0xC4C2, "M-Z"},
    {0xC4C3, 0xC5B5, "N-Z"}, {0xC5B6, 0xC5BD, "O-Z"}, {0xC5BE, 0xC6D9, "P-Z"},
    {0xC6DA, 0xC8BA, "Q-Z"}, {0xF4C3, 0xF6C4, "Q-Z"}, {0xC8BB, 0xC8F5, "R-Z"},
    {0xC8F6, 0xCBF9, "S-Z"}, {0x84D9, 0x84D9, "S-Z"}, {0xCBFA, 0xCDD9, "T-Z"},
    {0xCDDA, 0xCEF3, "W-Z"}, {0xCEF4, 0xD1B8, "X-Z"}, {0xD1B9, 0xD4D0, "Y-Z"},
    {0xD4D1, 0xE5D5, "Z-Z"}, {0xE5D7, 0xE6E7, "Z-Z"}, {0xE6E9, 0xEF87, "Z-Z"},
    {0xEF89, 0xF048, "Z-Z"}, {0xF04A, 0xF1BB, "Z-Z"}, {0xF1BD, 0xF3AF, "Z-Z"},
    {0x9B67, 0x9B67, "Z-Z"},
};

std::string AlphaOfDoubleByte(uint32_t code) {
  for (const AlphaRange& r : kAlphaRanges) {
    if (code >= r.first && code <= r.last) return r.letter;
  }
  return "A-9";
}

std::string AlphaOfSingleByte(unsigned char c) {
  if (c >= 'a' && c <= 'z') return std::string(1, static_cast<char>(c - 'a' + 'A'));
  if (c >= 'A' && c <= 'Z') return std::string(1, static_cast<char>(c));
  if (c >= '0' && c <= '9') return "0-9";
  return "A-9";
}

// One draw after re-seeding from the clock, as every random member does.
double FreshRnd() {
  vb::Randomize();
  return static_cast<double>(vb::Rnd());
}

}  // namespace

bool ChkBoolean(std::string_view Values) {
  if (std::optional<double> n = vb::ParseNumber(Values)) return *n != 0;
  return vb::LCase(Values) == "true";
}

vb::Currency CheckNumeric(std::string_view CHECK_ID) {
  if (!ReadsAsNumber(CHECK_ID)) return vb::Currency{};
  return vb::CCur(vb::Variant(CHECK_ID));
}

int32_t ChkNumeric(std::string_view CHECK_ID) {
  if (!ReadsAsNumber(CHECK_ID)) return 0;
  int32_t n = vb::CLng(vb::Variant(CHECK_ID));
  return n < 0 ? 0 : n;
}

bool CheckNull(std::string_view str) { return !vb::Trim(str).empty(); }

std::string CheckStr(std::string_view str) {
  std::string text = RemoveAll(str, std::string_view("\0", 1));
  return vb::Replace(text, "'", "''");
}

std::string CheckNostr(std::string_view str) {
  std::string text = vb::Trim(str);
  if (text.empty()) return "";
  for (std::string_view drop :
       {std::string_view("\0", 1), std::string_view("\t"), std::string_view("\n"),
        std::string_view("\r"), std::string_view("\""), std::string_view("'"), kAnsiChar255}) {
    text = RemoveAll(text, drop);
  }
  text = vb::Replace(text, "%", "％");
  return vb::Trim(text);
}

std::string CheckNullStr(const vb::Variant& str) {
  if (str.IsNull()) return "";
  std::string text;
  if (!vb::TryStep([&] { text = vb::CStr(str); })) return "";
  if (vb::Trim(text).empty() || vb::LCase(text) == "http://") return "";
  for (std::string_view drop : {"\r\n", "\t", "'", "\""}) text = RemoveAll(text, drop);
  return vb::Trim(text);
}

vb::Currency FormatSize(std::string_view strFileSize) {
  // The unit text: upper case, fullwidth unit letters made plain.
  std::string unit = vb::UCase(strFileSize);
  static constexpr std::string_view kWide[][2] = {{"Ｋ", "K"}, {"Ｂ", "B"}, {"Ｍ", "M"},
                                                  {"Ｇ", "G"}, {"Ｙ", "Y"}, {"Ｔ", "T"},
                                                  {"Ｅ", "E"}, {"Ｓ", "S"}};
  for (const auto& w : kWide) unit = vb::Replace(unit, w[0], w[1]);

  // The number: the unit text without units, blanks and line breaks.
  std::string number = vb::Replace(unit, "&nbsp;", "", 1, -1, vb::CompareMode::Text);
  number = vb::UCase(number);
  for (std::string_view drop : {"BYTE", "K", "M", "G", "B", "S", " ", "\r\n", "　", "\t", "\v"}) {
    number = RemoveAll(number, drop);
  }

  vb::Currency result{};
  vb::TryStep([&] {
    vb::Currency n = vb::CCur(vb::Variant(number));
    if (unit.find('K') != std::string::npos) {
      result = n;
    } else if (unit.find('M') != std::string::npos) {
      if (!ScaleCurrency(n, 1024, &result)) result = {};
    } else if (unit.find('G') != std::string::npos) {
      if (!ScaleCurrency(n, 1024 * 1024, &result)) result = {};
    } else if (unit.find("BYTE") != std::string::npos) {
      int32_t bytes = vb::CLng(vb::Variant(n));
      result.scaled = static_cast<int64_t>(bytes / 1024) * kCurrencyScale;
    } else {
      result = n;
    }
  });
  return result;
}

std::string FormatFileSize(double Size) {
  if (Size < 1024) return vb::Format(vb::Variant(Size), "#,##0") + " Bytes";
  // The size class is taken in 32 bits: Overflow from 2,147,483,647.5 bytes.
  int32_t k = vb::CLng(vb::Variant(Size)) / 1024;
  std::string text;
  if (k < 10) {
    text = vb::Format(vb::Variant(Size / 1024), "0.00") + "KB";
  } else if (k < 100) {
    text = vb::Format(vb::Variant(Size / 1024), "0.0") + "KB";
  } else if (k < 1000) {
    text = vb::Format(vb::Variant(Size / 1024), "0") + "KB";
  } else if (k < 10000) {
    text = vb::Format(vb::Variant(Size / 1048576), "0.00") + "MB";
  } else if (k < 100000) {
    text = vb::Format(vb::Variant(Size / 1048576), "0.0") + "MB";
  } else if (k < 1000000) {
    text = vb::Format(vb::Variant(Size / 1048576), "0") + "MB";
  } else {
    text = vb::Format(vb::Variant(Size / 1048576 / 1024), "0.00") + "GB";
  }
  return text + " (" + vb::Format(vb::Variant(Size), "#,##0") + " Bytes)";
}

std::string URLDecode(std::string_view str) {
  if (str.empty()) return "";
  std::string text = vb::Replace(str, "%7F", "", 1, -1, vb::CompareMode::Text);
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '+') {
      out += ' ';
      ++i;
      continue;
    }
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    int lead = HexByte(text, i + 1);
    if (lead < 0) return text;
    if (IsPunctuation(lead)) {
      out += static_cast<char>(lead);
      i += 3;
      continue;
    }
    // The character between the two escapes (normally "%") is skipped
    // unchecked; a character outside the 16-bit plane counts as two, which
    // leaves half of it where the trail byte should be.
    size_t between = i + 3;
    size_t skip = between < text.size() ? Utf8Length(static_cast<unsigned char>(text[between])) : 1;
    if (skip == 4) return text;
    int trail = HexByte(text, between + skip);
    if (trail < 0) return text;
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    out += text::Decode(std::string_view(pair, 2), "GB2312");
    i = between + skip + 2;
  }
  return out;
}

int32_t GetRndHits() { return static_cast<int32_t>(std::floor(900 * FreshRnd())) + 100; }

int32_t GetRndStar() {
  int32_t n = static_cast<int32_t>(std::floor(5 * FreshRnd()));
  return n < 2 ? 3 : n;
}

std::string HtmlRndFileName() {
  // FormatDate's first layout of the time, without its separators.
  const vb::DateTime now = vb::Now();
  return std::to_string(vb::Year(now)) + TwoDigits(vb::Month(now)) + TwoDigits(vb::Day(now)) +
         TwoDigits(vb::Hour(now)) + TwoDigits(vb::Minute(now)) + TwoDigits(vb::Second(now)) +
         std::to_string(static_cast<int32_t>(std::floor(90 * FreshRnd())) + 10);
}

vb::Variant FormatDate(const vb::Variant& DateAndTime, const vb::Variant& para) {
  vb::Variant result = DateAndTime;
  vb::TryStep([&] {
    if (!vb::IsNumeric(para) || !vb::IsDate(DateAndTime)) return;
    vb::DateTime d = vb::CDate(DateAndTime);
    std::string y = std::to_string(vb::Year(d));
    std::string m = TwoDigits(vb::Month(d));
    std::string dd = TwoDigits(vb::Day(d));
    std::string h = TwoDigits(vb::Hour(d));
    std::string n = TwoDigits(vb::Minute(d));
    std::string s = TwoDigits(vb::Second(d));
    const std::string layouts[] = {
        y + "-" + m + "-" + dd + " " + h + ":" + n + ":" + s,
        y + "-" + m + "-" + dd,
        y + "/" + m + "/" + dd,
        y + "年" + m + "月" + dd + "日",
        m + "-" + dd,
        m + "/" + dd,
        m + "月" + dd + "日",
        y + "年" + m + "月",
        y + "-" + m,
        y + "/" + m,
    };
    // para is matched against the texts "1".."10": a number by value, a
    // text character by character (so "01" matches none).
    for (int32_t i = 1; i <= 10; ++i) {
      if (vb::Equals(para, vb::Variant(std::to_string(i)))) {
        result = vb::Variant(layouts[i - 1]);
        return;
      }
    }
  });
  return result;
}

std::string ChkFormStr(std::string_view str) { return FormatStr(str); }

std::string ReadAlpha(std::string_view str) {
  std::string text = vb::Trim(str);
  if (text.empty()) return "A-9";
  size_t first = std::min(Utf8Length(static_cast<unsigned char>(text[0])), text.size());
  std::string code = text::Encode(std::string_view(text).substr(0, first), "GB2312");
  if (code.size() == 1) return AlphaOfSingleByte(static_cast<unsigned char>(code[0]));
  if (code.size() == 2) {
    return AlphaOfDoubleByte(static_cast<unsigned char>(code[0]) * 256u +
                             static_cast<unsigned char>(code[1]));
  }
  return "A-9";
}

}  // namespace ostrel::processing
