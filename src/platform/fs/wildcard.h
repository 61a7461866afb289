// DOS wildcard patterns, as the file finder and FileSystemObject match them:
// "*" any run of characters, "?" one character (or none at a dot or at the
// end of the name: "a??.txt" matches "a.txt"), letters compared without
// regard to case. The platform's old rules hold too: "*.*" is everything
// (names without a dot included), a pattern ending in ".*" also matches the
// name without extension, and a trailing "." asks for names without one.
#pragma once

#include <string_view>

namespace ostrel::fs {

// True when the text holds "*" or "?".
bool HasWildcards(std::string_view text);

// True when name (UTF-8) matches the pattern.
bool MatchesPattern(std::string_view pattern, std::string_view name);

}  // namespace ostrel::fs
