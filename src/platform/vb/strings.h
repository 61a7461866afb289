// VB string functions over UTF-8 text. Lengths and positions count UTF-16
// code units, as VB does, so Left(x, 200) keeps 200 Chinese characters.
// Positions are 1-based. A negative length or a start below 1 raises
// Invalid procedure call (5) where VB does.
//
// A character above U+FFFF counts 2 units; a cut that falls between its two
// units moves to before it, so Left(s, k) & Mid(s, k + 1) is always s. A
// byte that is not valid UTF-8 counts as one character of one unit.
// CompareMode::Text ignores case for ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic and the fullwidth Latin letters; Binary compares UTF-16 units
// (characters above U+FFFF sort before U+E000-U+FFFF, as in VB).
// Searches are linear in the text (memmem).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::vb {

enum class CompareMode { Binary = 0, Text = 1 };

int32_t Len(std::string_view s);
std::string Left(std::string_view s, int32_t length);
std::string Right(std::string_view s, int32_t length);
std::string Mid(std::string_view s, int32_t start);
std::string Mid(std::string_view s, int32_t start, int32_t length);

// InStr([start,] s, find): 0 when not found; start past the end gives 0; an
// empty find gives start (when start <= Len(s) + 1); an empty s gives 0.
int32_t InStr(std::string_view s, std::string_view find, CompareMode mode = CompareMode::Binary);
int32_t InStr(int32_t start, std::string_view s, std::string_view find,
              CompareMode mode = CompareMode::Binary);
// InStrRev(s, find[, start]): start -1 means the end; the match must end at
// or before start; start past Len(s) gives 0; an empty find gives start.
int32_t InStrRev(std::string_view s, std::string_view find, int32_t start = -1,
                 CompareMode mode = CompareMode::Binary);

// Replace(expr, find, replace[, start[, count[, compare]]]): an empty find
// returns expr unchanged; a start above 1 drops the text before start, as VB
// (also when find is empty); count -1 replaces all, 0 none.
std::string Replace(std::string_view expr, std::string_view find, std::string_view replacement,
                    int32_t start = 1, int32_t count = -1, CompareMode mode = CompareMode::Binary);

// Split("") is an empty list; an empty delimiter gives the whole text as one
// item; limit -1 splits at every delimiter, n > 0 gives at most n items (the
// last holds the rest), 0 an empty list.
std::vector<std::string> Split(std::string_view expr, std::string_view delimiter = " ",
                               int32_t limit = -1, CompareMode mode = CompareMode::Binary);
std::string Join(const std::vector<std::string>& items, std::string_view delimiter = " ");

// Trims remove blanks (code 32) only.
std::string Trim(std::string_view s);
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);
std::string LCase(std::string_view s);
std::string UCase(std::string_view s);
std::string Space(int32_t n);
std::string String(int32_t n, std::string_view ch);
std::string StrReverse(std::string_view s);
int32_t StrComp(std::string_view a, std::string_view b, CompareMode mode = CompareMode::Binary);

// Chr/Asc through the ANSI code page (936): Chr(0xB0A1) is "啊"; Asc gives
// VB's signed 16-bit code (-20319 for "啊"); AnsiCode gives it unsigned
// (0xB0A1). Asc("") raises 5. ChrW/AscW use UTF-16 code units.
// Chr takes -32768..65535 (a negative code is its 16-bit pattern); a code that
// is no character of the code page gives U+FFFD, except 0xFF, which is
// U+F8F5 as on Windows (so Asc(Chr(255)) = 255). A character the code page
// lacks has the code of "?" (63). AscW returns VB's signed Integer
// (U+FF3C gives -196), and the high surrogate for a character above
// U+FFFF; ChrW of a lone surrogate half gives U+FFFD.
std::string Chr(int32_t code);
int32_t Asc(std::string_view s);
uint32_t AnsiCode(std::string_view s);
std::string ChrW(int32_t code);
int32_t AscW(std::string_view s);

// Hex/Oct: a negative value in the Long range prints as its 32-bit pattern.
std::string Hex(int64_t n);
std::string Oct(int64_t n);
// Val: reads the leading number of a text, ignoring blanks; 0 when none.
// Blanks, tabs, CR and LF are dropped anywhere first; "&H"/"&O" values of
// up to 16 bits read as a signed Integer (Val("&HFFFF") = -1).
double Val(std::string_view s);

// Helpers for code that walks text by VB positions.
// Byte offset in s of the UTF-16 unit position pos (1-based); s.size() past the end.
size_t ByteOffsetOfUnit(std::string_view s, int32_t pos);
// UTF-16 unit position (1-based) of byte offset off.
int32_t UnitOfByteOffset(std::string_view s, size_t off);

}  // namespace ostrel::vb
