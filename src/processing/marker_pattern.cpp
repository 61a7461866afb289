#include "processing/marker_pattern.h"

#include <string.h>

#include <algorithm>
#include <cstdint>

#include "platform/text/regexp.h"
#include "platform/vb/utf8.h"
#include "processing/text_cutting.h"

namespace ostrel::processing {

namespace {

constexpr size_t npos = std::string_view::npos;

// The two characters outside ASCII that match an ASCII letter without regard
// to case in the RegExp dialect: KELVIN SIGN ("k") and LATIN SMALL LETTER
// LONG S ("s").
constexpr std::string_view kKelvinSign = "\xE2\x84\xAA";
constexpr std::string_view kLongS = "\xC5\xBF";

// Lower-cases ASCII letters eight bytes at a time (a page is megabytes):
// a byte below 0x80 whose low seven bits lie in 'A'..'Z' gets bit 0x20.
std::string AsciiLowerCopy(std::string_view s) {
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  constexpr uint64_t kPastZ = 0x2525252525252525ull;  // 0x80 - ('Z' + 1)
  constexpr uint64_t kFromA = 0x3F3F3F3F3F3F3F3Full;  // 0x80 - 'A'
  std::string out(s.size(), '\0');
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t w;
    memcpy(&w, s.data() + i, 8);
    uint64_t seven = w & kLow7;
    uint64_t upper = ((seven + kFromA) ^ (seven + kPastZ)) & ~w & kHigh;
    w |= upper >> 2;
    memcpy(out.data() + i, &w, 8);
  }
  for (; i < s.size(); ++i) {
    char c = s[i];
    out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  }
  return out;
}

// First occurrence of needle in hay at or after from (memmem: linear).
size_t FindFrom(std::string_view hay, std::string_view needle, size_t from) {
  if (from > hay.size() || needle.size() > hay.size() - from) return npos;
  const void* found = memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
  return found == nullptr ? npos
                          : static_cast<size_t>(static_cast<const char*>(found) - hay.data());
}

size_t FindByte(std::string_view hay, char c, size_t from) {
  if (from >= hay.size()) return npos;
  const void* found = memchr(hay.data() + from, c, hay.size() - from);
  return found == nullptr ? npos
                          : static_cast<size_t>(static_cast<const char*>(found) - hay.data());
}

}  // namespace

MarkerPattern::MarkerPattern(std::string_view start, std::string_view last, bool ignore_case)
    : ignore_case_(ignore_case),
      pattern_("(" + EscapeRegExp(start) + ")(.+?)(" + EscapeRegExp(last) + ")") {
  bool braces = start.find('{') != npos || last.find('{') != npos;
  bool ascii = vb::IsAscii(start) && vb::IsAscii(last);
  literal_ = !braces && (!ignore_case || ascii);
  if (ignore_case) {
    start_ = AsciiLowerCopy(start);
    last_ = AsciiLowerCopy(last);
  } else {
    start_ = std::string(start);
    last_ = std::string(last);
  }
  auto has_fold = [](const std::string& s) { return s.find('k') != npos || s.find('s') != npos; };
  folds_outside_ = ignore_case && (has_fold(start_) || has_fold(last_));
}

bool MarkerPattern::IsLiteralFor(std::string_view text) const {
  if (!literal_) return false;
  if (!folds_outside_) return true;
  return text.find(kKelvinSign) == npos && text.find(kLongS) == npos;
}

std::vector<MarkerPattern::Span> MarkerPattern::Find(std::string_view text, bool global) const {
  if (IsLiteralFor(text)) {
    if (!ignore_case_) return FindLiteral(text, global);
    // Markers are ASCII here, so lower-casing ASCII letters of the page keeps
    // every byte offset and makes the caseless search an exact one.
    std::string lowered = AsciiLowerCopy(text);
    return FindLiteral(lowered, global);
  }
  return FindRegExp(text, global);
}

// The scan behind the pattern: take the next begin code at p; its inner text
// starts at p + |start| and must hold at least one character and no line
// feed, so the end code is looked for only between one character past the
// begin code and the next line feed. When that fails, no begin code before
// the line feed can do better (it would look at a sub-range of the same
// text), so the scan moves past the line feed. Each stretch of text is
// searched a bounded number of times.
std::vector<MarkerPattern::Span> MarkerPattern::FindLiteral(std::string_view hay,
                                                            bool global) const {
  std::vector<Span> spans;
  const size_t ls = start_.size();
  const size_t le = last_.size();
  size_t from = 0;
  // The first line feed at or after the current begin code's inner text.
  // Begin codes are visited left to right, so the line feed found for one
  // serves the next ones up to it (a flattened page has none: it is looked
  // for once, not once per match).
  size_t lf = FindByte(hay, '\n', 0);
  for (;;) {
    size_t p = FindFrom(hay, start_, from);
    size_t q = npos;
    while (p != npos) {
      size_t inner = p + ls;
      if (inner >= hay.size()) return spans;
      if (lf != npos && lf < inner) lf = FindByte(hay, '\n', inner);
      if (lf != inner) {
        size_t stop = lf == npos ? hay.size() : std::min(hay.size(), lf + le);
        q = FindFrom(hay.substr(0, stop), last_, inner + 1);
        if (q != npos) break;
      }
      if (lf == npos) return spans;
      p = FindFrom(hay, start_, std::max(p + 1, lf + 1 > ls ? lf + 1 - ls : 0));
    }
    if (p == npos) return spans;
    spans.push_back(Span{p, q + le});
    if (!global) return spans;
    from = q + le;
  }
}

std::vector<MarkerPattern::Span> MarkerPattern::FindRegExp(std::string_view text,
                                                           bool global) const {
  text::RegExp re;
  re.Pattern = pattern_;
  re.IgnoreCase = ignore_case_;
  re.Global = global;
  std::vector<Span> spans;
  for (const text::Match& m : re.Execute(text)) {
    spans.push_back(Span{m.ByteOffset(), m.ByteOffset() + m.Value().size()});
  }
  return spans;
}

}  // namespace ostrel::processing
