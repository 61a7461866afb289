// Where the checked-in fixture files live (tests/fixtures/ of the source
// tree), independent of the folder a test program runs in.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace ostrel::testing {

// tests/fixtures/ joined with a relative name ("pages/utf8.html").
std::filesystem::path FixturePath(std::string_view relative = "");

// The bytes of a fixture file; "" when it does not exist.
std::string ReadFixture(std::string_view relative);

}  // namespace ostrel::testing
