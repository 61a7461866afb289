#include "support/fixtures.h"

#include <fstream>
#include <iterator>

namespace ostrel::testing {

std::filesystem::path FixturePath(std::string_view relative) {
  static const std::filesystem::path root = OSTREL_FIXTURE_DIR;
  return relative.empty() ? root : root / std::filesystem::path(relative);
}

std::string ReadFixture(std::string_view relative) {
  std::ifstream in(FixturePath(relative), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace ostrel::testing
