#include "platform/vb/utf8.h"

#include <cstring>

namespace ostrel::vb {

namespace {

bool IsCont(unsigned char c) { return (c & 0xC0) == 0x80; }

Utf8Char Invalid() { return Utf8Char{0xFFFD, 1, 1, false}; }

// Applies fn to every character of s and writes the results. Characters the
// mapping leaves alone (and invalid bytes) are copied as they are.
template <class Map>
std::string MapText(std::string_view s, Map map) {
  std::string out(s);
  size_t i = 0;
  while (i < out.size()) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c < 0x80) {
      out[i] = static_cast<char>(map(c));
      ++i;
      continue;
    }
    // U+1000 to U+CFFF (CJK above all) have no case in any of the maps,
    // which only change characters below U+0500 and the full-width
    // letters: a well-formed one is passed over without decoding.
    if (c >= 0xE1 && c <= 0xEC && i + 2 < out.size() &&
        IsCont(static_cast<unsigned char>(out[i + 1])) &&
        IsCont(static_cast<unsigned char>(out[i + 2]))) {
      i += 3;
      continue;
    }
    Utf8Char ch = DecodeUtf8At(out, i);
    if (ch.valid) {
      char32_t m = map(ch.cp);
      if (m != ch.cp) {
        std::string enc;
        AppendUtf8(&enc, m);
        if (enc.size() == ch.bytes) memcpy(&out[i], enc.data(), enc.size());
      }
    }
    i += ch.bytes;
  }
  return out;
}

}  // namespace

Utf8Char DecodeUtf8At(std::string_view s, size_t i) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data()) + i;
  size_t left = s.size() - i;
  unsigned char c = p[0];
  if (c < 0x80) return Utf8Char{c, 1, 1, true};
  if (c < 0xC2) return Invalid();
  if (c < 0xE0) {
    if (left < 2 || !IsCont(p[1])) return Invalid();
    return Utf8Char{static_cast<char32_t>(((c & 0x1F) << 6) | (p[1] & 0x3F)), 2, 1, true};
  }
  if (c < 0xF0) {
    if (left < 3 || !IsCont(p[1]) || !IsCont(p[2])) return Invalid();
    if (c == 0xE0 && p[1] < 0xA0) return Invalid();   // overlong
    if (c == 0xED && p[1] >= 0xA0) return Invalid();  // surrogate half
    char32_t cp = ((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    return Utf8Char{cp, 3, 1, true};
  }
  if (c < 0xF5) {
    if (left < 4 || !IsCont(p[1]) || !IsCont(p[2]) || !IsCont(p[3])) return Invalid();
    if (c == 0xF0 && p[1] < 0x90) return Invalid();   // overlong
    if (c == 0xF4 && p[1] >= 0x90) return Invalid();  // past U+10FFFF
    char32_t cp = ((c & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    return Utf8Char{cp, 4, 2, true};
  }
  return Invalid();
}

void AppendUtf8(std::string* out, char32_t cp) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

size_t AsciiSpan(std::string_view s, size_t from, size_t max) {
  if (from >= s.size()) return 0;
  size_t end = from + std::min(max, s.size() - from);
  size_t i = from;
  // Eight bytes at a time: most text the component handles is markup.
  while (i + 8 <= end) {
    uint64_t w;
    memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080ull) break;
    i += 8;
  }
  while (i < end && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i - from;
}

char32_t LowerCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c < 0x100) return (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? c + 32 : c;
  if (c < 0x180) {
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149) return c;  // no same-length pair
    if (c == 0x178) return 0xFF;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    return (c & 1) ? c : c + 1;
  }
  if (c >= 0x370 && c < 0x400) {
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return c + 37;
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return c + 63;
    if ((c >= 0x391 && c <= 0x3A1) || (c >= 0x3A3 && c <= 0x3AB)) return c + 32;
    return c;
  }
  if (c >= 0x400 && c < 0x500) {
    if (c <= 0x40F) return c + 80;
    if (c <= 0x42F) return c + 32;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) return (c & 1) ? c : c + 1;
    return c;
  }
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
  return c;
}

char32_t UpperCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (c < 0x100) {
    if (c == 0xFF) return 0x178;
    return (c >= 0xE0 && c <= 0xFE && c != 0xF7) ? c - 32 : c;
  }
  if (c < 0x180) {
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x178 || c == 0x17F) {
      return c;
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
    return (c & 1) ? c - 1 : c;
  }
  if (c >= 0x370 && c < 0x400) {
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return c - 37;
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return c - 63;
    if (c == 0x3C2) return 0x3A3;
    if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) return c - 32;
    return c;
  }
  if (c >= 0x400 && c < 0x500) {
    if (c >= 0x430 && c <= 0x44F) return c - 32;
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    if ((c >= 0x461 && c <= 0x481) || (c >= 0x48B && c <= 0x4BF)) return (c & 1) ? c - 1 : c;
    return c;
  }
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 32;
  return c;
}

char32_t FoldCodePoint(char32_t c) {
  if (c == 0x3C2) return 0x3C3;
  return LowerCodePoint(c);
}

std::string ToLowerText(std::string_view s) { return MapText(s, LowerCodePoint); }
std::string ToUpperText(std::string_view s) { return MapText(s, UpperCodePoint); }

std::string FoldText(std::string_view s) {
  std::string out(s);
  // ASCII is the common case: a table-free byte loop until the first
  // non-ASCII byte, then the general walk for the rest.
  size_t i = 0;
  for (; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 0x80) break;
    if (c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 32);
  }
  if (i == out.size()) return out;
  return out.substr(0, i) + MapText(std::string_view(out).substr(i), FoldCodePoint);
}

}  // namespace ostrel::vb
