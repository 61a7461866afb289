// Text cutting: the VBProcess members that cut fetched HTML between marker
// texts the administrator copied from the remote page (a begin code and an
// end code). Written as free functions; VBProcess forwards to them one to
// one. They keep no state and never raise.
//
// A marker pair matches its begin code, then the shortest run of at least
// one character without a line feed, then its end code (MarkerPattern).
// Because of the line-feed rule, gathered pages are flattened to one line
// with ReplaceTrim before a marker is cut.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/vb/variant.h"

namespace ostrel::processing {

// The marker as a literal part of a regular expression: "\" is doubled first,
// then each of ~ ! @ # % ^ & * ( ) - + [ ] < > . / ? = | $ gets a backslash.
// Braces, commas, colons, quotes and the rest stay as they are, so a brace
// keeps its repeat meaning ("a{3}" matches "aaa").
std::string EscapeRegExp(std::string_view s);

// Every distinct cut from start to last (markers included, letter case
// ignored), in page order and in the spelling of its first occurrence,
// joined by "|||". Unless Condition, every exact-case occurrence of start
// and then of last is then removed from the joined text. "" when a marker
// is empty or nothing matches.
std::string FindMatch(std::string_view str, std::string_view start, std::string_view last,
                      bool Condition = false);

// The first cut from start to last, searched with letter case. With
// Condition the whole match trimmed of blanks; otherwise the text between
// the markers (never empty). "" when a marker is empty or nothing matches.
std::string CutFixed(std::string_view strHTML, std::string_view start, std::string_view last,
                     bool Condition = false);

// The text without backspace, tab, line feed and carriage return; with
// blnRemark also without HTML comments ("<!---->" included).
std::string ReplaceTrim(std::string_view strContent, bool blnRemark = false);

// The text without CR LF pairs and then without every block from start to
// the nearest following last (markers included, letter case ignored). ""
// for empty text; the text unchanged when a marker is empty.
std::string CheckMatch(std::string_view strContent, std::string_view start, std::string_view last);

// The text with every tag ("<", a character other than a line feed, then
// anything up to the next ">") removed.
std::string CheckHTML(std::string_view str);

// Cuts by exact marker positions in one of nine modes (see the .cpp); ""
// unless both start and last occur in str. The result holds text.
vb::Variant CutFixation(std::string_view str, std::string_view start, std::string_view last,
                        int16_t Condition);

}  // namespace ostrel::processing
