// RequestCollection: one of Request's collections (QueryString, Form,
// Cookies, ServerVariables). Keys are matched without regard to case and kept
// in the order they first came; a key sent several times reads as its values
// joined with ", ".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/vb/variant.h"

namespace ostrel::asp {

class RequestCollection {
 public:
  RequestCollection() = default;
  explicit RequestCollection(const std::vector<std::pair<std::string, std::string>>& pairs);

  void Add(std::string_view key, std::string value);

  // The key's values joined with ", "; Empty when the key is missing.
  vb::Variant Item(std::string_view key) const;
  bool Contains(std::string_view key) const;
  // The separate values of a key (none when missing).
  const std::vector<std::string>& Values(std::string_view key) const;
  // The number of distinct keys.
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // The key at a 1-based position; out of range raises error 9.
  const std::string& Key(int32_t index) const;

 private:
  struct Entry {
    std::string key;
    std::vector<std::string> values;
  };
  const Entry* Find(std::string_view key) const;

  std::vector<Entry> entries_;
};

}  // namespace ostrel::asp
