// Names compared without regard to letter case, as the hosting platform
// compares member names, ProgIDs and the keys of the ASP collections. Only
// ASCII letters fold: the names in use are ASCII, and Chinese text has no case.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrel::com {

inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

inline std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = FoldAscii(c);
  return out;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace ostrel::com
