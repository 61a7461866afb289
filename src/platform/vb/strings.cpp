#include "platform/vb/strings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/vb/ansi_code_page.h"
#include "platform/vb/utf8.h"
#include "platform/vb/vb_error.h"

namespace ostrel::vb {

namespace {

// A place in a text: its byte offset and its 1-based UTF-16 position.
struct Cursor {
  size_t byte;
  int64_t unit;
};

// Moves forward from `from` over up to `units` UTF-16 units. A count that
// ends inside a surrogate pair stops before the pair, so a text cut at any
// position splits into two valid halves (Left(s, k) & Mid(s, k + 1) = s).
Cursor Advance(std::string_view s, Cursor from, int64_t units) {
  size_t i = from.byte;
  int64_t left = units;
  while (left > 0 && i < s.size()) {
    size_t run = AsciiSpan(s, i, static_cast<size_t>(std::min<int64_t>(left, INT32_MAX)));
    i += run;
    left -= static_cast<int64_t>(run);
    if (left == 0 || i >= s.size()) break;
    if (static_cast<unsigned char>(s[i]) < 0x80) continue;
    Utf8Char ch = DecodeUtf8At(s, i);
    if (ch.units > left) break;
    left -= ch.units;
    i += ch.bytes;
  }
  return Cursor{i, from.unit + (units - left)};
}

// The cursor of 1-based position pos (clamped to the text).
Cursor Seek(std::string_view s, int64_t pos) {
  if (pos <= 1) return Cursor{0, 1};
  return Advance(s, Cursor{0, 1}, pos - 1);
}

// UTF-16 units in s[from, to).
int64_t UnitsBetween(std::string_view s, size_t from, size_t to) {
  int64_t units = 0;
  size_t i = from;
  while (i < to) {
    size_t run = AsciiSpan(s, i, to - i);
    i += run;
    units += static_cast<int64_t>(run);
    if (i >= to) break;
    Utf8Char ch = DecodeUtf8At(s, i);
    units += ch.units;
    i += ch.bytes;
  }
  return units;
}

int32_t ToPosition(int64_t units) {
  return static_cast<int32_t>(std::min<int64_t>(units, INT32_MAX));
}

// Finds needle in hay from byte `from` on; npos when absent. memmem is
// linear in the worst case, unlike a naive scan.
size_t FindBytes(std::string_view hay, std::string_view needle, size_t from) {
  if (from > hay.size()) return std::string_view::npos;
  const void* p = memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
  if (!p) return std::string_view::npos;
  return static_cast<size_t>(static_cast<const char*>(p) - hay.data());
}

// True when some character of s has another case form, so that a text
// comparison can differ from a binary one.
bool HasCasedChars(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    Utf8Char ch = DecodeUtf8At(s, i);
    if (LowerCodePoint(ch.cp) != ch.cp || UpperCodePoint(ch.cp) != ch.cp) return true;
    i += ch.bytes;
  }
  return false;
}

// A search for one needle in one text under a compare mode. Text mode runs
// on case-folded copies (same byte offsets as the originals); when the
// needle has no cased character at all, the binary search gives the same
// answer and the copies are skipped: markup and Chinese needles stay cheap.
class Search {
 public:
  Search(std::string_view hay, std::string_view needle, CompareMode mode)
      : hay_(hay), needle_(needle) {
    if (mode == CompareMode::Text && HasCasedChars(needle)) {
      hay_fold_ = FoldText(hay);
      needle_fold_ = FoldText(needle);
      hay_ = hay_fold_;
      needle_ = needle_fold_;
    }
  }
  Search(const Search&) = delete;  // the views may point into the copies
  Search& operator=(const Search&) = delete;

  // Byte offset of the first match at or after `from`; npos when none.
  size_t Next(size_t from) const { return FindBytes(hay_, needle_, from); }

  // Byte offset of the last match that ends by `end`; npos when none.
  size_t Last(size_t end) const { return hay_.substr(0, end).rfind(needle_); }

 private:
  std::string_view hay_, needle_;
  std::string hay_fold_, needle_fold_;
};

std::string_view FirstChar(std::string_view s) {
  if (s.empty()) return s;
  return s.substr(0, DecodeUtf8At(s, 0).bytes);
}

// The key that orders code points as VB orders UTF-16 units: characters
// above U+FFFF sort with their high surrogate, after U+D7FF and before U+E000.
uint32_t UnitOrderKey(char32_t cp) {
  if (cp >= 0x10000) return 0xD800 + ((cp - 0x10000) >> 10);
  return cp;
}

int CompareBinary(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  int c = n ? memcmp(a.data(), b.data(), n) : 0;
  if (c == 0) {
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
  }
  while (i < n && a[i] == b[i]) ++i;
  // Back up to the start of the character the texts differ in.
  while (i > 0 && (static_cast<unsigned char>(a[i]) & 0xC0) == 0x80) --i;
  Utf8Char ca = DecodeUtf8At(a, i);
  Utf8Char cb = DecodeUtf8At(b, i);
  if (ca.valid && cb.valid) {
    uint32_t ka = UnitOrderKey(ca.cp), kb = UnitOrderKey(cb.cp);
    if (ka != kb) return ka < kb ? -1 : 1;
    if (ca.cp != cb.cp) return ca.cp < cb.cp ? -1 : 1;
  }
  return c < 0 ? -1 : 1;
}

std::string Repeat(int32_t n, std::string_view unit) {
  std::string out;
  out.reserve(static_cast<size_t>(n) * unit.size());
  for (int32_t i = 0; i < n; ++i) out.append(unit);
  return out;
}

std::string Radix(int64_t n, int bits_per_digit) {
  uint64_t v = static_cast<uint64_t>(n);
  if (n < 0 && n >= INT32_MIN) v &= 0xFFFFFFFFull;  // a Long prints as 32 bits
  const char* digits = "0123456789ABCDEF";
  unsigned mask = (1u << bits_per_digit) - 1;
  std::string out;
  do {
    out.push_back(digits[v & mask]);
    v >>= bits_per_digit;
  } while (v != 0);
  std::reverse(out.begin(), out.end());
  return out;
}

}  // namespace

int32_t Len(std::string_view s) {
  if (IsAscii(s)) return ToPosition(static_cast<int64_t>(s.size()));
  return ToPosition(UnitsBetween(s, 0, s.size()));
}

std::string Left(std::string_view s, int32_t length) {
  if (length < 0) Raise(kErrInvalidCall);
  return std::string(s.substr(0, Seek(s, static_cast<int64_t>(length) + 1).byte));
}

std::string Right(std::string_view s, int32_t length) {
  if (length < 0) Raise(kErrInvalidCall);
  if (static_cast<size_t>(length) >= s.size()) return std::string(s);  // bytes >= units
  int64_t len = Len(s);
  if (length >= len) return std::string(s);
  return std::string(s.substr(Seek(s, len - length + 1).byte));
}

std::string Mid(std::string_view s, int32_t start) {
  if (start < 1) Raise(kErrInvalidCall);
  return std::string(s.substr(Seek(s, start).byte));
}

std::string Mid(std::string_view s, int32_t start, int32_t length) {
  if (start < 1 || length < 0) Raise(kErrInvalidCall);
  Cursor b = Seek(s, start);
  Cursor e = Advance(s, b, length);
  return std::string(s.substr(b.byte, e.byte - b.byte));
}

int32_t InStr(std::string_view s, std::string_view find, CompareMode mode) {
  return InStr(1, s, find, mode);
}

int32_t InStr(int32_t start, std::string_view s, std::string_view find, CompareMode mode) {
  if (start < 1) Raise(kErrInvalidCall);
  if (s.empty()) return 0;
  Cursor b = Seek(s, start);
  if (b.unit < start && b.byte >= s.size()) return 0;  // start past Len + 1
  if (find.empty()) return start;
  std::string_view rest = s.substr(b.byte);
  size_t at = Search(rest, find, mode).Next(0);
  if (at == std::string_view::npos) return 0;
  return ToPosition(b.unit + UnitsBetween(rest, 0, at));
}

int32_t InStrRev(std::string_view s, std::string_view find, int32_t start, CompareMode mode) {
  if (start == 0 || start < -1) Raise(kErrInvalidCall);
  if (s.empty()) return 0;
  int64_t len = Len(s);
  if (start == -1) start = ToPosition(len);
  if (start > len) return 0;
  if (find.empty()) return start;
  // The match must lie wholly within the first `start` units.
  std::string_view head = s.substr(0, Seek(s, static_cast<int64_t>(start) + 1).byte);
  size_t at = Search(head, find, mode).Last(head.size());
  if (at == std::string_view::npos) return 0;
  return ToPosition(1 + UnitsBetween(s, 0, at));
}

std::string Replace(std::string_view expr, std::string_view find, std::string_view replacement,
                    int32_t start, int32_t count, CompareMode mode) {
  if (start < 1 || count < -1) Raise(kErrInvalidCall);
  std::string_view text = expr.substr(Seek(expr, start).byte);
  if (find.empty() || count == 0 || text.empty()) return std::string(text);
  Search search(text, find, mode);
  std::string out;
  size_t pos = 0;
  int32_t done = 0;
  while (count == -1 || done < count) {
    size_t at = search.Next(pos);
    if (at == std::string_view::npos) break;
    if (out.empty()) out.reserve(text.size());
    out.append(text.data() + pos, at - pos);
    out.append(replacement);
    pos = at + find.size();
    ++done;
  }
  if (done == 0) return std::string(text);
  out.append(text.data() + pos, text.size() - pos);
  return out;
}

std::vector<std::string> Split(std::string_view expr, std::string_view delimiter, int32_t limit,
                               CompareMode mode) {
  if (limit < -1) Raise(kErrInvalidCall);
  std::vector<std::string> items;
  if (expr.empty() || limit == 0) return items;
  if (delimiter.empty()) {
    items.emplace_back(expr);
    return items;
  }
  Search search(expr, delimiter, mode);
  size_t pos = 0;
  while (limit == -1 || static_cast<int32_t>(items.size()) < limit - 1) {
    size_t at = search.Next(pos);
    if (at == std::string_view::npos) break;
    items.emplace_back(expr.substr(pos, at - pos));
    pos = at + delimiter.size();
  }
  items.emplace_back(expr.substr(pos));
  return items;
}

std::string Join(const std::vector<std::string>& items, std::string_view delimiter) {
  size_t total = 0;
  for (const auto& item : items) total += item.size() + delimiter.size();
  std::string out;
  out.reserve(total);
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out.append(delimiter);
    out.append(items[i]);
  }
  return out;
}

std::string Trim(std::string_view s) { return LTrim(RTrim(s)); }

std::string LTrim(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return std::string(s.substr(i));
}

std::string RTrim(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return std::string(s.substr(0, n));
}

std::string LCase(std::string_view s) { return ToLowerText(s); }
std::string UCase(std::string_view s) { return ToUpperText(s); }

std::string Space(int32_t n) {
  if (n < 0) Raise(kErrInvalidCall);
  return std::string(static_cast<size_t>(n), ' ');
}

std::string String(int32_t n, std::string_view ch) {
  if (n < 0 || ch.empty()) Raise(kErrInvalidCall);
  return Repeat(n, FirstChar(ch));
}

std::string StrReverse(std::string_view s) {
  // Reverses characters, keeping each UTF-8 sequence (and surrogate pair) whole.
  std::string out(s.size(), '\0');
  size_t i = 0;
  while (i < s.size()) {
    size_t n = DecodeUtf8At(s, i).bytes;
    memcpy(&out[s.size() - i - n], s.data() + i, n);
    i += n;
  }
  return out;
}

int32_t StrComp(std::string_view a, std::string_view b, CompareMode mode) {
  if (mode == CompareMode::Text) return CompareBinary(FoldText(a), FoldText(b));
  return CompareBinary(a, b);
}

std::string Chr(int32_t code) {
  if (code < -32768 || code > 65535) Raise(kErrInvalidCall);
  if (code < 0) code += 65536;
  return AnsiCharFromCode(static_cast<uint16_t>(code));
}

uint32_t AnsiCode(std::string_view s) {
  if (s.empty()) Raise(kErrInvalidCall);
  std::optional<uint16_t> code = AnsiCodeOfChar(FirstChar(s));
  return code ? *code : static_cast<uint32_t>('?');
}

int32_t Asc(std::string_view s) { return static_cast<int16_t>(AnsiCode(s)); }

std::string ChrW(int32_t code) {
  if (code < -32768 || code > 65535) Raise(kErrInvalidCall);
  if (code < 0) code += 65536;
  std::string out;
  AppendUtf8(&out, static_cast<char32_t>(code));
  return out;
}

int32_t AscW(std::string_view s) {
  if (s.empty()) Raise(kErrInvalidCall);
  char32_t cp = DecodeUtf8At(s, 0).cp;
  if (cp >= 0x10000) cp = 0xD800 + ((cp - 0x10000) >> 10);
  return static_cast<int16_t>(cp);
}

std::string Hex(int64_t n) { return Radix(n, 4); }
std::string Oct(int64_t n) { return Radix(n, 3); }

double Val(std::string_view s) {
  // VB drops blanks, tabs and line feeds anywhere before reading.
  std::string t;
  t.reserve(s.size());
  for (char c : s) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') t.push_back(c);
  }
  size_t i = 0;
  if (t.size() >= 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h' || t[1] == 'O' || t[1] == 'o')) {
    bool hex = t[1] == 'H' || t[1] == 'h';
    uint64_t v = 0;
    int digits = 0;
    for (i = 2; i < t.size(); ++i) {
      char c = t[i];
      int d;
      if (c >= '0' && c <= (hex ? '9' : '7'))
        d = c - '0';
      else if (hex && c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
      else
        break;
      v = v * (hex ? 16 : 8) + static_cast<uint64_t>(d);
      if (v > 0xFFFFFFFFull) Raise(kErrOverflow);
      ++digits;
    }
    // Up to four hex digits (octal up to &O177777) read as a 16-bit Integer, as VB.
    bool small = hex ? digits <= 4 : v <= 0xFFFF;
    if (small) return static_cast<int16_t>(static_cast<uint16_t>(v));
    return static_cast<int32_t>(static_cast<uint32_t>(v));
  }
  std::string num;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) num.push_back(t[i++]);
  auto digits_into = [&](std::string* out, size_t* j) {
    size_t n = 0;
    while (*j < t.size() && t[*j] >= '0' && t[*j] <= '9') {
      out->push_back(t[(*j)++]);
      ++n;
    }
    return n;
  };
  size_t mantissa = digits_into(&num, &i);
  if (i < t.size() && t[i] == '.') {
    num.push_back(t[i++]);
    mantissa += digits_into(&num, &i);
  }
  if (mantissa == 0) return 0;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
    size_t j = i + 1;
    std::string exp = "e";
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) exp.push_back(t[j++]);
    if (digits_into(&exp, &j)) num += exp;
  }
  double d = strtod(num.c_str(), nullptr);
  if (std::isinf(d)) Raise(kErrOverflow);
  return d;
}

size_t ByteOffsetOfUnit(std::string_view s, int32_t pos) { return Seek(s, pos).byte; }

int32_t UnitOfByteOffset(std::string_view s, size_t off) {
  if (off > s.size()) off = s.size();
  // An offset inside a character belongs to that character.
  if (off < s.size() && (static_cast<unsigned char>(s[off]) & 0xC0) == 0x80) {
    size_t back = off;
    while (back > 0 && off - back < 3 && (static_cast<unsigned char>(s[back]) & 0xC0) == 0x80) {
      --back;
    }
    Utf8Char ch = DecodeUtf8At(s, back);
    if (ch.valid && back + ch.bytes > off) off = back;
  }
  return ToPosition(1 + UnitsBetween(s, 0, off));
}

}  // namespace ostrel::vb
