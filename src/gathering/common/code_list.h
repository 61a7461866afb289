// A packed code column of a gathering item (FindListCode, FindInfoCode):
// begin and end codes joined with "$$$". Each channel fixes what every
// index means; reading the column is the same for all of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::gathering {

// The column is flattened first (ReplaceTrim without comment removal), so a
// code never holds a tab or a line break.
class CodeList {
 public:
  CodeList() = default;
  explicit CodeList(std::string_view column);

  // The code at index (from 0); "0", the unset code, past the end of the
  // stored parts.
  const std::string& operator[](int32_t index) const;
  int32_t Count() const { return static_cast<int32_t>(parts_.size()); }

 private:
  std::vector<std::string> parts_;
};

// "0" and "" are the two unset values of a code.
bool IsUnset(std::string_view code);

}  // namespace ostrel::gathering
