// Escaping of gathered text for the database and the GB2312 pages, and the
// reading of gathered date texts. Members of the VBProcess toolbox, written
// as free functions; VBProcess forwards to them one to one.
#pragma once

#include <string>
#include <string_view>

#include "platform/vb/variant.h"

namespace ostrel::processing {

// Turns the 55 characters a GB2312 page cannot hold (some katakana, six
// Latin letters, the fullwidth reverse solidus) into "&#code;" references.
// Null or blank text gives ""; the result is not trimmed.
std::string JAPEncode(const vb::Variant& str);

// The reverse of JAPEncode, then drops NUL characters and doubles every "'"
// so the result can go inside an SQL text literal. Null or blank gives "".
std::string JAPUncode(const vb::Variant& str);

// Escapes a short text (an article title) before it is stored: quotes and
// angle brackets become entities, CR/LF/tab vanish, "%" becomes "％", then
// JAPEncode and a trim. "&" is left as it is.
std::string FormatStr(std::string_view str);

// Reads a gathered date text. A date without a time gets the current time
// of day; text that is no date gives the current date and time. Never fails.
vb::DateTime Formatime(std::string_view datime);

// The character the ANSI code page (936) gives for the single byte 255. In
// code page 936 that byte is no character of its own; the system's table
// maps it to the private-use U+F8F5, which is what gets removed where text
// is cleaned of "character 255". Our decoder turns a stray 0xFF byte into
// U+FFFD instead, which is deliberately left alone (it also marks every
// other undecodable byte).
inline constexpr std::string_view kAnsiChar255 = "\xEF\xA3\xB5";  // U+F8F5

}  // namespace ostrel::processing
