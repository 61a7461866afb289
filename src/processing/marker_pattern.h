// MarkerPattern: the search for a marker pair, the heart of gathering. It
// finds what the regular expression
//     "(" & EscapeRegExp(start) & ")(.+?)(" & EscapeRegExp(last) & ")"
// finds in the RegExp dialect: the begin code, then the shortest run of at
// least one character that holds no line feed, then the end code.
//
// Almost every marker is plain HTML, and then the search is a literal scan:
// linear in the page whatever it holds (a page full of begin codes and no
// end code costs one pass, not one pass per begin code). Markers whose text
// keeps a pattern meaning (a brace, which stays a repeat count) go through
// RegExp, as do caseless searches where Unicode case rules reach beyond
// ASCII (a marker letter outside ASCII; or "k"/"s" on a page holding the
// Kelvin sign or the long s, which match them without regard to case).
//
// Texts are UTF-8, as everywhere inside the component.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::processing {

class MarkerPattern {
 public:
  // start and last must not be empty (the callers answer that case first).
  MarkerPattern(std::string_view start, std::string_view last, bool ignore_case);

  // A match as byte offsets [begin, end) into the searched text.
  struct Span {
    size_t begin;
    size_t end;
  };

  // The matches left to right, each search starting where the previous
  // match ended; only the first unless global. An invalid pattern (a marker
  // whose braces do not form a valid repeat) raises VbError 5017; a search
  // that hits the RegExp work limits ends as if nothing more matched.
  std::vector<Span> Find(std::string_view text, bool global) const;

  // The pattern text RegExp runs when the literal scan cannot be used.
  const std::string& Pattern() const { return pattern_; }

  // True when a search of text runs as a literal scan (for tests).
  bool IsLiteralFor(std::string_view text) const;

 private:
  std::vector<Span> FindLiteral(std::string_view text, bool global) const;
  std::vector<Span> FindRegExp(std::string_view text, bool global) const;

  std::string start_;  // ASCII-lower-cased when ignoring case
  std::string last_;
  bool ignore_case_;
  bool literal_;        // the markers hold nothing a pattern would read
  bool folds_outside_;  // caseless and the markers hold "k" or "s"
  std::string pattern_;
};

}  // namespace ostrel::processing
