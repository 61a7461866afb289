// The system's ANSI code page (936, GBK) for single characters, as Chr and
// Asc need them. The VB runtime sits below the charset layer
// (platform/text links platform/vb), so it converts its one character
// through iconv itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel::vb {

// The character of a one-byte (code < 0x100) or two-byte (lead byte in the
// high half) code, in UTF-8. A code that is no character of the code page
// gives U+FFFD. As on Windows, 0x80 is the euro sign and 0xFF is U+F8F5.
std::string AnsiCharFromCode(uint16_t code);

// The code of one character (UTF-8, a single code point): one byte, or lead
// byte * 256 + trail byte. nullopt when the code page lacks the character.
std::optional<uint16_t> AnsiCodeOfChar(std::string_view utf8_char);

}  // namespace ostrel::vb
