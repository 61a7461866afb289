#include "processing/page_cleaning.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/text/regexp.h"

namespace ostrel::processing {

namespace {

bool IsControl(char c) { return c == '\b' || c == '\t' || c == '\n' || c == '\r'; }

std::string ReplaceAll(std::string_view text, const char* pattern) {
  text::RegExp re;
  re.Pattern = pattern;
  re.IgnoreCase = true;
  re.Global = true;
  return re.Replace(text, "");
}

// True when one of the eight bytes of word is below 0x0E, which every
// removed character is: a page has a line break every hundred bytes or so,
// so most words are passed over whole.
bool MayHoldControl(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHighs = 0x8080808080808080ULL;
  return ((word - kOnes * 0x0E) & ~word & kHighs) != 0;
}

}  // namespace

std::string RemoveControlCharacters(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (i + 8 <= text.size()) {
      uint64_t word;
      std::memcpy(&word, text.data() + i, 8);
      if (!MayHoldControl(word)) {
        i += 8;
        continue;
      }
    }
    const size_t end = std::min(i + 8, text.size());
    for (; i < end; ++i) {
      if (!IsControl(text[i])) continue;
      out.append(text, from, i - from);
      from = i + 1;
    }
  }
  out.append(text, from, text.size() - from);
  return out;
}

// The empty inner part is allowed: with "(.+?)" an empty comment "<!---->"
// took its first "-" as content and ran on to the next "-->" further along,
// deleting the text between.
std::string RemoveComments(std::string_view text) { return ReplaceAll(text, "(<!--(.*?)-->)"); }

std::string RemoveTags(std::string_view text) { return ReplaceAll(text, "<(.[^>]*)>"); }

}  // namespace ostrel::processing
