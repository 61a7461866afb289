// The clean-up steps that text cutting and tag filtering share. Each is one
// pass over the text.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::processing {

// The text without backspace, tab, line feed and carriage return (codes 8,
// 9, 10, 13). None of these bytes occurs inside a UTF-8 sequence, so they
// are dropped byte by byte.
std::string RemoveControlCharacters(std::string_view text);

// The text without HTML comments: each "<!--" up to the nearest "-->" with
// any text, none included, between them ("<!---->" is a comment of its
// own). Runs on text without line feeds. An unclosed "<!--" stays.
std::string RemoveComments(std::string_view text);

// The text without tags: each "<" followed by a character other than a line
// feed, up to the next ">" (which may be that character).
std::string RemoveTags(std::string_view text);

}  // namespace ostrel::processing
