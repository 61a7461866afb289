#include "support/fixtures.h"

#include <fstream>
#include <iterator>

namespace ostrel::testing {

std::filesystem::path FixturePath(std::string_view relative) {
  // This file is tests/support/fixtures.cpp; the build names it by its full path.
  static const std::filesystem::path root =
      std::filesystem::path(__FILE__).parent_path().parent_path() / "fixtures";
  return relative.empty() ? root : root / std::filesystem::path(relative);
}

std::string ReadFixture(std::string_view relative) {
  std::ifstream in(FixturePath(relative), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace ostrel::testing
