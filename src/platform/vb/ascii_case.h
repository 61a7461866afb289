// Names compared without regard to letter case, as the hosting platform
// compares them: member names and ProgIDs, the keys of the ASP collections
// and of connection strings, column names, charset names, HTTP header
// names, INI sections and keys. Only ASCII letters fold: the names in use
// are ASCII, and Chinese text has no case. (Text that VB compares with
// vbTextCompare folds further: see FoldText in utf8.h.)
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrel::vb {

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

}  // namespace ostrel::vb
