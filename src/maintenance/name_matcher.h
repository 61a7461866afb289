// NameMatcher: which of many file names occur in a long reference text.
// The clean-up keeps a file when its bare name occurs anywhere in the text
// of a module's references, also inside a longer reference and in any
// letter case. A channel holds thousands of files and its references
// (content columns included) run to megabytes, so the names are searched
// all at once in one pass over the text (an Aho-Corasick automaton) rather
// than one search of the whole text per name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::maintenance {

class NameMatcher {
 public:
  // The names are compared as VB's text comparison compares them (folded
  // case); an empty name never occurs.
  explicit NameMatcher(const std::vector<std::string>& names);

  // Reads the next part of the text. A name may span two parts: the text
  // is one, however it is handed in.
  void Feed(std::string_view text);

  // found()[i] is true once names[i] has occurred.
  const std::vector<bool>& found() const { return found_; }

 private:
  struct Node {
    std::vector<std::pair<unsigned char, int32_t>> next;  // sorted by byte
    int32_t fail = 0;
    int32_t output = -1;  // nearest node on the fail chain (itself included) that ends a name
    std::vector<int32_t> names;  // names ending here
    bool reported = false;       // names of this node and its output chain are marked
  };
  int32_t Child(int32_t node, unsigned char byte) const;
  void Report(int32_t node);

  std::vector<Node> nodes_;
  std::vector<bool> found_;
  int32_t state_ = 0;
};

}  // namespace ostrel::maintenance
