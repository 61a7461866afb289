// RegExp: the regular-expression object the component's cutting, filtering
// and URL-fixing code runs on, over PCRE2 (8-bit, UTF, JIT).
//
// The dialect is the one the component's patterns were written for:
//   - "." matches any character except a line feed (a carriage return is
//     matched); there is no "dot matches all" mode.
//   - "^" matches only at the start of the text and "$" only at its very end
//     (not before a final line feed), unless Multiline is set.
//   - IgnoreCase is caseless over all of Unicode (Latin, Greek, fullwidth
//     letters ...); Chinese text, which has no case, matches as it stands.
//   - "\w", "\d", "\s" and "\b" are ASCII classes: \s is [ \t\n\v\f\r], \w is
//     [A-Za-z0-9_]. "\xhh" and "\uhhhh" are character escapes.
//   - Braces keep their quantifier meaning ("x{2,3}"); a brace that does not
//     form a quantifier ("{abc}", "a{") is a literal character.
//   - A back reference to a group that has not taken part matches "".
// Matching walks the text left to right; after an empty match the next search
// starts one character further on, so every position is tried once.
//
// Replacement texts are literal except:
//   "$n" / "$nn"  the text of group n (1..99); "" when the group did not take
//                 part; when nn names no group but n does, "$n" is followed
//                 by the literal digit; a number naming no group stays as is.
//   "$&"          the whole match.
//   "$$"          a single "$".
// Every other "$" (including "$0", "$`" and "$'") is literal.
//
// Positions and lengths (FirstIndex, Length) count UTF-16 units from 0, as
// the component reports them; Value and SubMatches are UTF-8 text.
//
// Work is bounded: each search runs under a match limit, a depth limit and a
// memory limit (see Limits). A search that hits one ends matching as if no
// further match existed: Test gives False, Execute returns the matches found
// before it, Replace leaves the rest of the text unchanged. Never a hang
// without end, never a crash.
//
// An invalid pattern raises VbError 5017 ("Syntax error in regular
// expression") from Test, Execute or Replace (not from setting Pattern).
//
// Compiled patterns are kept in a process-wide cache keyed by the pattern and
// the flags, so a fresh RegExp per call (as the component uses them) costs a
// lookup, not a compilation. A RegExp object is for one thread at a time;
// different objects may run on different threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::text {

// "Syntax error in regular expression".
constexpr int32_t kErrRegExpSyntax = 5017;

// One match of Execute.
class Match {
 public:
  Match(int32_t first_index, int32_t length, size_t byte_offset, std::string value,
        std::vector<std::string> groups)
      : first_index_(first_index),
        length_(length),
        byte_offset_(byte_offset),
        value_(std::move(value)),
        groups_(std::move(groups)) {}

  // 0-based position of the match in UTF-16 units.
  int32_t FirstIndex() const { return first_index_; }
  // Length of the match in UTF-16 units.
  int32_t Length() const { return length_; }
  const std::string& Value() const { return value_; }

  // The text of group i + 1 (i from 0); "" for a group that did not take
  // part. An index outside 0..SubMatchCount()-1 raises VbError 5.
  const std::string& SubMatches(int32_t i) const;
  int32_t SubMatchCount() const { return static_cast<int32_t>(groups_.size()); }

  // Byte offset of the match in the UTF-8 subject, for code that cuts the
  // subject itself.
  size_t ByteOffset() const { return byte_offset_; }

 private:
  int32_t first_index_;
  int32_t length_;
  size_t byte_offset_;
  std::string value_;
  std::vector<std::string> groups_;
};

// The result of Execute: the matches in text order.
class MatchCollection {
 public:
  MatchCollection() = default;
  explicit MatchCollection(std::vector<Match> matches) : matches_(std::move(matches)) {}

  int32_t Count() const { return static_cast<int32_t>(matches_.size()); }
  // Item(i), i from 0; an index outside 0..Count()-1 raises VbError 5.
  const Match& Item(int32_t i) const;

  std::vector<Match>::const_iterator begin() const { return matches_.begin(); }
  std::vector<Match>::const_iterator end() const { return matches_.end(); }

 private:
  std::vector<Match> matches_;
};

class RegExp {
 public:
  // Work limits of one search (one call into the matcher from one starting
  // point of the walk). The match limit bounds backtracking steps; the depth
  // limit bounds nested backtracking; the heap limit bounds the memory the
  // matcher may take. The defaults let a lazy "(.+?)" run across a whole
  // page at the largest size a fetch accepts, and stop a runaway pattern
  // such as "(a+)+$" within a fraction of a second.
  struct Limits {
    uint32_t match_limit = 20'000'000;
    uint32_t depth_limit = 20'000'000;
    uint32_t heap_limit_kib = 256 * 1024;
  };
  static void SetLimits(const Limits& limits);  // process-wide
  static Limits GetLimits();

  std::string Pattern;
  bool IgnoreCase = false;
  bool Global = false;
  bool Multiline = false;

  // True when the pattern matches somewhere in s.
  bool Test(std::string_view s) const;
  // Every match (Global) or the first one.
  MatchCollection Execute(std::string_view s) const;
  // s with every match (Global) or the first one replaced.
  std::string Replace(std::string_view s, std::string_view replacement) const;
};

}  // namespace ostrel::text
