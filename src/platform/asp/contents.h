// Contents: the item store of Session and Application. Keys are matched
// without regard to case and keep the spelling and position of their first
// store; values are Variants. Each call is atomic, so request threads may
// share one store; the Application lock (application.h) is what serialises a
// page's read-modify-write sequences.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/vb/variant.h"

namespace ostrel::asp {

class Contents {
 public:
  // The value of a key; Empty when there is none.
  vb::Variant Item(std::string_view key) const;
  void SetItem(std::string_view key, vb::Variant value);
  bool Contains(std::string_view key) const;
  // Removes a key; an unknown key is ignored.
  void Remove(std::string_view key);
  void RemoveAll();
  int32_t Count() const;
  // The key at a 1-based position; 0 or past the end raises error 9.
  std::string Key(int32_t index) const;
  // The keys in order, as an enumeration sees them at this moment.
  std::vector<std::string> Keys() const;

 private:
  size_t Find(std::string_view key) const;  // items_.size() when missing

  mutable std::mutex mu_;
  std::vector<std::pair<std::string, vb::Variant>> items_;
};

}  // namespace ostrel::asp
