#include "processing/marker_pattern.h"

#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cstdint>

#include "platform/text/regexp.h"
#include "platform/vb/ascii_case.h"
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

size_t FindByte(std::string_view hay, char c, size_t from) {
  if (from >= hay.size()) return npos;
  const void* found = memchr(hay.data() + from, c, hay.size() - from);
  return found == nullptr ? npos
                          : static_cast<size_t>(static_cast<const char*>(found) - hay.data());
}

// First occurrence of needle in hay at or after from (memmem: linear).
size_t FindFrom(std::string_view hay, std::string_view needle, size_t from) {
  if (from > hay.size() || needle.size() > hay.size() - from) return npos;
  const void* found = memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
  return found == nullptr ? npos
                          : static_cast<size_t>(static_cast<const char*>(found) - hay.data());
}

// The same without regard to ASCII letter case (needle in lower case): the
// text is lower-cased a window at a time and each window searched with
// memmem. Windows start small (a match is usually near) and double;
// consecutive ones overlap by the needle's length less one byte.
size_t FindFoldedFrom(std::string_view hay, std::string_view needle, size_t from) {
  const size_t k = needle.size();
  size_t window = std::max<size_t>(256, 4 * k);
  std::string lowered;
  size_t pos = from;
  while (pos <= hay.size() && k <= hay.size() - pos) {
    size_t length = std::min(hay.size() - pos, window + k - 1);
    lowered = vb::LowerAscii(hay.substr(pos, length));
    size_t at = FindFrom(lowered, needle, 0);
    if (at != npos) return pos + at;
    pos += window;
    window = std::min<size_t>(window * 2, size_t{1} << 16);
  }
  return npos;
}

// Sixteen bytes of text, as they stand or with ASCII letters lower-cased,
// in registers (GCC vector extensions: SSE2 on x86-64, NEON on ARM).
using Block = uint8_t __attribute__((vector_size(16)));

template <bool kFold>
Block Load(const char* p) {
  Block v;
  memcpy(&v, p, sizeof v);
  if (!kFold) return v;
  Block upper = reinterpret_cast<Block>((v >= 'A') & (v <= 'Z'));
  return v | (upper & 0x20);
}

// One bit per lane of a block whose lanes are 0 or 0xFF, lane 0 lowest.
uint32_t LaneBits(Block v) {
#if defined(__SSE2__)
  return static_cast<uint32_t>(_mm_movemask_epi8(reinterpret_cast<__m128i>(v)));
#else
  // The multiplication gathers the top bit of each byte into the top byte.
  constexpr uint64_t kTops = 0x8080808080808080ull;
  constexpr uint64_t kGather = 0x0002040810204081ull;
  uint64_t lanes[2];
  memcpy(lanes, &v, sizeof lanes);
  return static_cast<uint32_t>(((lanes[0] & kTops) * kGather) >> 56) |
         static_cast<uint32_t>(((lanes[1] & kTops) * kGather) >> 56) << 8;
#endif
}

// How common a byte is in a page, roughly: the bytes of tags and their
// attributes most, then lower-case letters, digits and text outside ASCII,
// then the rest.
int Commonness(char c) {
  switch (c) {
    case '<':
    case '>':
    case '"':
    case ' ':
    case '=':
    case '/':
      return 3;
  }
  if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || static_cast<uint8_t>(c) >= 0x80) {
    return 2;
  }
  return 1;
}

// The two places of a needle a search compares first: its rarest byte, and
// the next rarest as far from it as can be. Markers are mostly tags, and a
// tag's "<" and ">" are what a page holds most.
struct Probe {
  size_t a;
  size_t b;
};

Probe ProbeOf(std::string_view needle) {
  size_t a = 0;
  for (size_t i = 1; i < needle.size(); ++i) {
    if (Commonness(needle[i]) < Commonness(needle[a])) a = i;
  }
  size_t b = a;
  auto distance = [a](size_t i) { return i > a ? i - a : a - i; };
  for (size_t i = 0; i < needle.size(); ++i) {
    if (i == a) continue;
    if (b == a || Commonness(needle[i]) < Commonness(needle[b]) ||
        (Commonness(needle[i]) == Commonness(needle[b]) && distance(i) > distance(b))) {
      b = i;
    }
  }
  return Probe{a, b};
}

// How many leading bytes of needle stand at pos in hay.
template <bool kFold>
size_t SamePrefix(std::string_view hay, size_t pos, std::string_view needle) {
  size_t i = 0;
  while (i < needle.size() && (kFold ? vb::FoldAscii(hay[pos + i]) : hay[pos + i]) == needle[i])
    ++i;
  return i;
}

// Where a search ended: at the needle (found), or else at the line feed
// that stopped it (npos when none did).
struct Hit {
  size_t at;
  bool found;
};

// The first place at or after from where needle (not empty; lower case
// with kFold, which then ignores ASCII letter case; probe its ProbeOf)
// stands in hay. With kStopAtLf only a place at or before the first line feed from `from` on
// counts, and a search that fails there reports that line feed: the end
// code of a marker pair and the line-feed check of its inner text are one
// pass over the page, not two.
//
// Blocks of sixteen places are compared at once on two bytes of the needle
// (and on line feeds); the few places where both agree are compared whole.
// The search works in place: a caseless search over a lower-cased copy of
// the page cost a second pass and a page-sized allocation. Where the whole
// comparisons cost more than the scan itself (a page of near misses) the
// rest goes to memmem, so the search stays linear.
template <bool kFold, bool kStopAtLf>
Hit Scan(std::string_view hay, std::string_view needle, const Probe& probe, size_t from) {
  constexpr size_t kTurn = 64;  // places tested together
  const size_t k = needle.size();
  auto rest = [&](size_t pos) {
    size_t lf = kStopAtLf ? FindByte(hay, '\n', pos) : npos;
    std::string_view line = hay.substr(0, lf == npos ? hay.size() : std::min(hay.size(), lf + k));
    size_t at = kFold ? FindFoldedFrom(line, needle, pos) : FindFrom(line, needle, pos);
    return at != npos ? Hit{at, true} : Hit{lf, false};
  };
  if (from > hay.size() || hay.size() - from < kTurn + k - 1) return rest(from);
  const size_t last_start = hay.size() - k;  // the last place a match can start
  const Block at_a = Block{} + static_cast<uint8_t>(needle[probe.a]);
  const Block at_b = Block{} + static_cast<uint8_t>(needle[probe.b]);
  const Block line_feed = Block{} + static_cast<uint8_t>('\n');
  const char* data = hay.data();
  size_t compared = 0;  // bytes of whole comparisons so far
  size_t pos = from;
  for (; pos + kTurn - 1 <= last_start; pos += kTurn) {
    Block hits[kTurn / 16];
    Block stops[kTurn / 16];
    Block any{};
    for (size_t i = 0; i < kTurn / 16; ++i) {
      const char* p = data + pos + 16 * i;
      hits[i] = reinterpret_cast<Block>((Load<kFold>(p + probe.a) == at_a) &
                                        (Load<kFold>(p + probe.b) == at_b));
      stops[i] = kStopAtLf ? reinterpret_cast<Block>(Load<false>(p) == line_feed) : Block{};
      any |= hits[i] | stops[i];
    }
    if (LaneBits(any) == 0) continue;
    for (size_t i = 0; i < kTurn / 16; ++i) {
      size_t base = pos + 16 * i;
      uint32_t places = LaneBits(hits[i]);
      uint32_t lfs = LaneBits(stops[i]);
      // Places up to the first line feed count (a needle may begin with one).
      if (lfs != 0) places &= lfs ^ (lfs - 1);
      for (; places != 0; places &= places - 1) {
        size_t at = base + static_cast<size_t>(std::countr_zero(places));
        size_t same = SamePrefix<kFold>(hay, at, needle);
        if (same == k) return Hit{at, true};
        compared += same + 1;
      }
      if (lfs != 0) return Hit{base + static_cast<size_t>(std::countr_zero(lfs)), false};
    }
    if (compared > 2 * (pos - from) + 1024) return rest(pos + kTurn);
  }
  return rest(pos);
}

// The pattern text of a marker pair, built by appending (GCC 12 at -O3
// warns falsely about "(" + std::string&&).
std::string PatternOf(std::string_view start, std::string_view last) {
  std::string pattern = "(";
  pattern += EscapeRegExp(start);
  pattern += ")(.+?)(";
  pattern += EscapeRegExp(last);
  pattern += ")";
  return pattern;
}

}  // namespace

MarkerPattern::MarkerPattern(std::string_view start, std::string_view last, bool ignore_case)
    : ignore_case_(ignore_case), pattern_(PatternOf(start, last)) {
  bool braces = start.find('{') != npos || last.find('{') != npos;
  bool ascii = vb::IsAscii(start) && vb::IsAscii(last);
  literal_ = !braces && (!ignore_case || ascii);
  if (ignore_case) {
    start_ = vb::LowerAscii(start);
    last_ = vb::LowerAscii(last);
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
  // Caseless markers are ASCII here, so folding ASCII letters alone finds
  // what the pattern finds.
  if (IsLiteralFor(text)) return FindLiteral(text, global);
  return FindRegExp(text, global);
}

// The scan behind the pattern: take the next begin code at p; its inner text
// starts at p + |start| and must hold at least one character and no line
// feed, so the end code is looked for from one character past the begin
// code up to the next line feed. When that fails, no begin code before the
// line feed can do better (it would look at a sub-range of the same text),
// so the scan moves past the line feed. Each stretch of text is searched a
// bounded number of times.
std::vector<MarkerPattern::Span> MarkerPattern::FindLiteral(std::string_view hay,
                                                            bool global) const {
  const Probe start_probe = ProbeOf(start_);
  const Probe last_probe = ProbeOf(last_);
  auto find = [this, hay](std::string_view needle, const Probe& probe, size_t from) {
    return ignore_case_ ? Scan<true, false>(hay, needle, probe, from)
                        : Scan<false, false>(hay, needle, probe, from);
  };
  auto find_on_line = [this, hay](std::string_view needle, const Probe& probe, size_t from) {
    return ignore_case_ ? Scan<true, true>(hay, needle, probe, from)
                        : Scan<false, true>(hay, needle, probe, from);
  };
  std::vector<Span> spans;
  const size_t ls = start_.size();
  const size_t le = last_.size();
  size_t from = 0;
  for (;;) {
    Hit begin = find(start_, start_probe, from);
    Hit end{npos, false};
    while (begin.found) {
      size_t inner = begin.at + ls;
      if (inner >= hay.size()) return spans;
      size_t lf = inner;
      if (hay[inner] != '\n') {
        end = find_on_line(last_, last_probe, inner + 1);
        if (end.found) break;
        lf = end.at;
      }
      if (lf == npos) return spans;
      begin = find(start_, start_probe, std::max(begin.at + 1, lf + 1 > ls ? lf + 1 - ls : 0));
    }
    if (!begin.found) return spans;
    spans.push_back(Span{begin.at, end.at + le});
    if (!global) return spans;
    from = end.at + le;
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
