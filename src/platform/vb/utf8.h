// UTF-8 walking shared by the VB string functions and conversions.
//
// Every function that turns VB positions into byte offsets walks text with
// DecodeUtf8At, so they all agree on where characters start: a valid
// sequence is one character (two UTF-16 units above U+FFFF); a byte that does
// not start a valid sequence is one character of one unit on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel::vb {

struct Utf8Char {
  char32_t cp;    // the code point (U+FFFD for an invalid byte)
  uint8_t bytes;  // bytes consumed, 1 to 4
  uint8_t units;  // UTF-16 units: 2 above U+FFFF, else 1
  bool valid;
};

// Decodes the character starting at s[i] (i < s.size()).
Utf8Char DecodeUtf8At(std::string_view s, size_t i);

// Appends cp in UTF-8; surrogate halves and values past U+10FFFF become U+FFFD.
void AppendUtf8(std::string* out, char32_t cp);

// Number of leading bytes of s[from, from + max) below 0x80.
size_t AsciiSpan(std::string_view s, size_t from, size_t max);
inline bool IsAscii(std::string_view s) { return AsciiSpan(s, 0, s.size()) == s.size(); }

// Simple case mapping for ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic
// and the fullwidth Latin letters. Every mapping keeps the UTF-8 length of
// the character, so a case-folded copy of a text has the same byte offsets
// as the text: searches run on the copy and cut the original.
char32_t LowerCodePoint(char32_t cp);
char32_t UpperCodePoint(char32_t cp);
// The form used for text comparison (lower case, final sigma as sigma).
char32_t FoldCodePoint(char32_t cp);

std::string ToLowerText(std::string_view s);
std::string ToUpperText(std::string_view s);
std::string FoldText(std::string_view s);

}  // namespace ostrel::vb
