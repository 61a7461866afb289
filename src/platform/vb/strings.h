// VB string functions over UTF-8 text. Lengths and positions count UTF-16
// code units, as VB does, so Left(x, 200) keeps 200 Chinese characters.
// Positions are 1-based. A negative length or a start below 1 raises
// Invalid procedure call (5) where VB does.
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
// empty find gives start (when start <= Len(s) + 1).
int32_t InStr(std::string_view s, std::string_view find, CompareMode mode = CompareMode::Binary);
int32_t InStr(int32_t start, std::string_view s, std::string_view find,
              CompareMode mode = CompareMode::Binary);
// InStrRev(s, find[, start]): start -1 means the end.
int32_t InStrRev(std::string_view s, std::string_view find, int32_t start = -1,
                 CompareMode mode = CompareMode::Binary);

// Replace(expr, find, replace[, start[, count[, compare]]]): an empty find
// returns expr unchanged; a start above 1 drops the text before start, as VB.
std::string Replace(std::string_view expr, std::string_view find, std::string_view replacement,
                    int32_t start = 1, int32_t count = -1, CompareMode mode = CompareMode::Binary);

// Split("") is an empty list; an empty delimiter gives the whole text as one item.
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
std::string Chr(int32_t code);
int32_t Asc(std::string_view s);
uint32_t AnsiCode(std::string_view s);
std::string ChrW(int32_t code);
int32_t AscW(std::string_view s);

std::string Hex(int64_t n);
std::string Oct(int64_t n);
// Val: reads the leading number of a text, ignoring blanks; 0 when none.
double Val(std::string_view s);

// Helpers for code that walks text by VB positions.
// Byte offset in s of the UTF-16 unit position pos (1-based); s.size() past the end.
size_t ByteOffsetOfUnit(std::string_view s, int32_t pos);
// UTF-16 unit position (1-based) of byte offset off.
int32_t UnitOfByteOffset(std::string_view s, size_t off);

}  // namespace ostrel::vb
