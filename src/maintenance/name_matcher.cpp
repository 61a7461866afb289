#include "maintenance/name_matcher.h"

#include <algorithm>
#include <deque>

#include "platform/vb/utf8.h"

namespace ostrel::maintenance {

NameMatcher::NameMatcher(const std::vector<std::string>& names)
    : nodes_(1), found_(names.size(), false) {
  // The trie of the folded names. Folding keeps every character's UTF-8
  // length, so folded text and folded names compare byte for byte.
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string folded = vb::FoldText(names[i]);
    if (folded.empty()) continue;
    int32_t node = 0;
    for (unsigned char byte : folded) {
      int32_t next = Child(node, byte);
      if (next < 0) {
        next = static_cast<int32_t>(nodes_.size());
        auto& edges = nodes_[node].next;
        edges.insert(std::lower_bound(edges.begin(), edges.end(), std::make_pair(byte, int32_t{0})),
                     {byte, next});
        nodes_.emplace_back();
      }
      node = next;
    }
    nodes_[node].names.push_back(static_cast<int32_t>(i));
  }
  // Fail links, breadth first: the longest proper suffix that is a prefix.
  std::deque<int32_t> queue;
  for (const auto& [byte, child] : nodes_[0].next) queue.push_back(child);
  while (!queue.empty()) {
    const int32_t node = queue.front();
    queue.pop_front();
    Node& self = nodes_[node];
    self.output = self.names.empty() ? nodes_[self.fail].output : node;
    for (const auto& [byte, child] : self.next) {
      int32_t fail = self.fail;
      while (fail != 0 && Child(fail, byte) < 0) fail = nodes_[fail].fail;
      const int32_t target = Child(fail, byte);
      nodes_[child].fail = target >= 0 && target != child ? target : 0;
      queue.push_back(child);
    }
  }
}

int32_t NameMatcher::Child(int32_t node, unsigned char byte) const {
  const auto& edges = nodes_[node].next;
  auto it = std::lower_bound(edges.begin(), edges.end(), std::make_pair(byte, int32_t{0}));
  return it != edges.end() && it->first == byte ? it->second : -1;
}

void NameMatcher::Report(int32_t node) {
  // Each node's chain is walked once: after that its names are all marked.
  for (int32_t at = nodes_[node].output; at > 0 && !nodes_[at].reported;
       at = nodes_[nodes_[at].fail].output) {
    nodes_[at].reported = true;
    for (int32_t name : nodes_[at].names) found_[name] = true;
  }
}

void NameMatcher::Feed(std::string_view text) {
  if (nodes_.size() == 1) return;
  const std::string folded = vb::FoldText(text);
  int32_t state = state_;
  for (unsigned char byte : folded) {
    int32_t next = Child(state, byte);
    while (next < 0 && state != 0) {
      state = nodes_[state].fail;
      next = Child(state, byte);
    }
    state = next < 0 ? 0 : next;
    if (nodes_[state].output > 0) Report(state);
  }
  state_ = state;
}

}  // namespace ostrel::maintenance
