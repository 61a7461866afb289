#include "platform/fs/wildcard.h"

#include <cstdint>
#include <vector>

namespace ostrel::fs {
namespace {

// Code points, so that "?" stands for one character and not one byte.
std::vector<uint32_t> CodePoints(std::string_view text) {
  std::vector<uint32_t> out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 0;
    uint32_t cp = extra == 0 ? c : (c & (0x3f >> extra));
    size_t j = 1;
    for (; j <= static_cast<size_t>(extra) && i + j < text.size(); ++j) {
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + j]) & 0x3f);
    }
    out.push_back(cp);
    i += j;
  }
  return out;
}

uint32_t Fold(uint32_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

// "*" and "?" with backtracking to the last star.
bool Glob(const std::vector<uint32_t>& p, const std::vector<uint32_t>& n) {
  size_t pi = 0, ni = 0, star = SIZE_MAX, mark = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == '?' && n[ni] == '.') {
      // At a dot a run of "?" matches nothing, as the platform's DOS_QM.
      while (pi < p.size() && p[pi] == '?') ++pi;
    } else if (pi < p.size() && (p[pi] == '?' || (p[pi] != '*' && Fold(p[pi]) == Fold(n[ni])))) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      mark = ni;
    } else if (star != SIZE_MAX) {
      pi = star + 1;
      ni = ++mark;
    } else {
      return false;
    }
  }
  // So does a run of "?" or "*" at the end of the name.
  while (pi < p.size() && (p[pi] == '*' || p[pi] == '?')) ++pi;
  return pi == p.size();
}

}  // namespace

bool HasWildcards(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

bool MatchesPattern(std::string_view pattern, std::string_view name) {
  if (pattern == "*" || pattern == "*.*") return true;
  if (name == "." || name == "..") return pattern == name || pattern == "*.";
  if (!pattern.empty() && pattern.back() == '.') {
    while (!pattern.empty() && pattern.back() == '.') pattern.remove_suffix(1);
    if (name.find('.') != std::string_view::npos) return false;
  }
  std::vector<uint32_t> n = CodePoints(name);
  if (Glob(CodePoints(pattern), n)) return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos) {
    return Glob(CodePoints(pattern.substr(0, pattern.size() - 2)), n);
  }
  return false;
}

}  // namespace ostrel::fs
