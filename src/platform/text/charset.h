// Charset conversion at the edges of the process (remote bytes, files written
// "in GB2312", HTTP output, posted forms). Text inside is UTF-8.
//
// Names are matched without regard to case: "GB2312", "GBK", "CP936",
// "x-gbk" and "gb_2312-80" mean code page 936; "BIG5" and "CP950" mean code
// page 950; "UTF-8"/"UTF8"; "unicode"/"UTF-16LE"; "ascii"/"us-ascii";
// "iso-8859-1"/"latin1"; "windows-1252"; other names are handed to iconv.
// Decoding never fails: an invalid byte sequence becomes U+FFFD. Encoding
// never fails: a character the charset lacks becomes "?".
//
// Details: decoding resynchronises byte by byte (one U+FFFD per byte that
// starts no valid sequence; a lead byte with a bad trail costs only itself).
// Encoding writes one "?" per character the charset lacks and per byte of
// the input that is not UTF-8. "unicode" is UTF-16LE; "UTF-16" follows its
// BOM and is little-endian without one; UTF-16 output has no BOM. Names
// with iconv suffixes ("//IGNORE") are refused. Converters are kept per
// thread, and a page converts in one pass.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::text {

// True when the name denotes a charset the converter can handle.
bool IsKnownCharset(std::string_view name);

// Decodes bytes to UTF-8. A leading UTF-8 BOM is dropped for UTF-8 (and a
// UTF-16 BOM for UTF-16). An unknown charset raises VbError 3004 ("Unknown
// charset").
std::string Decode(std::string_view bytes, std::string_view charset);

// Encodes UTF-8 text into the charset. An unknown charset raises VbError 3004.
std::string Encode(std::string_view utf8, std::string_view charset);

// Shorthands for the system's default code page.
inline std::string FromAnsi(std::string_view bytes) { return Decode(bytes, "GB2312"); }
inline std::string ToAnsi(std::string_view utf8) { return Encode(utf8, "GB2312"); }

// Replaces invalid UTF-8 sequences in text by U+FFFD (for text that claims
// to be UTF-8 already).
std::string SanitizeUtf8(std::string_view text);

}  // namespace ostrel::text
