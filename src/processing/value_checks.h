// Value checks and text formats of the VBProcess toolbox, written as free
// functions; VBProcess forwards to them one to one. Form fields, request
// parameters and cut remote text reach the database and the page only
// through these. They keep no state; the random members re-seed from the
// clock on every call.
//
// "Reads as a number" is the runtime's number grammar (vb::IsNumeric).
// Trimming removes blanks (code 32) only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/vb/variant.h"

namespace ostrel::processing {

// True for a number other than 0, or "true" in any letter case.
bool ChkBoolean(std::string_view Values);

// The number as four-decimal fixed point; 0 for "" or text that is no
// number. Raises Overflow (6) outside the fixed-point range.
vb::Currency CheckNumeric(std::string_view CHECK_ID);

// The number rounded half to even; 0 for "", text that is no number, or a
// negative result. Raises Overflow (6) outside the 32-bit range.
int32_t ChkNumeric(std::string_view CHECK_ID);

// True when the trimmed text is not "".
bool CheckNull(std::string_view str);

// Drops NUL characters and doubles "'" (for SQL string literals).
std::string CheckStr(std::string_view str);

// Trims, drops NUL, tab, LF, CR, '"', "'" and the ANSI character 255,
// turns "%" into "％" and trims again.
std::string CheckNostr(std::string_view str);

// "" for Null, blank text or "http://"; otherwise the text without CR LF
// pairs, tabs and quotes, trimmed.
std::string CheckNullStr(const vb::Variant& str);

// A size text such as "1.5 MB" or "2048 bytes" in kilobytes; 0 when it does
// not read.
vb::Currency FormatSize(std::string_view strFileSize);

// Bytes as a readable text: "1.50KB (1,536 Bytes)". Raises Overflow (6) for
// 2,147,483,647.5 bytes or more.
std::string FormatFileSize(double Size);

// Decodes "+" and "%XX" escapes; two escapes that are not ASCII punctuation
// form one GB2312 double-byte character. Text with a broken escape comes
// back undecoded (only "%7F" removed).
std::string URLDecode(std::string_view str);

int32_t GetRndHits();           // 100 to 999, a new entry's hit count
int32_t GetRndStar();           // 2 to 4, 3 three times in five
std::string HtmlRndFileName();  // yyyymmddhhnnss and two random digits

// The date as text in one of ten layouts chosen by para ("1" to "10");
// DateAndTime unchanged when para is no number or DateAndTime no date.
vb::Variant FormatDate(const vb::Variant& DateAndTime, const vb::Variant& para);

// Form text for an HTML attribute or page: as FormatStr (escaping.h).
std::string ChkFormStr(std::string_view str);

// The index letter of a title: "A".."Z" for a Latin letter, "0-9" for a
// digit, "A-Z".."Z-Z" by the GB2312 pinyin order of a Chinese character,
// "A-9" for anything else.
std::string ReadAlpha(std::string_view str);

}  // namespace ostrel::processing
