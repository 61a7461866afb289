// The one-pass search of many names: overlapping names, names inside
// names, any letter case, and a name that spans two parts of the text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maintenance/name_matcher.h"

namespace ostrel::maintenance {
namespace {

TEST(NameMatcherTest, FindsEveryNameThatOccurs) {
  const std::vector<std::string> names = {"he",        "she", "hers", "his",
                                          "ÄRGER.jpg", "a|b", "",     "ushe"};
  NameMatcher matcher(names);
  matcher.Feed("USHERS| ärger.JPG |a");
  matcher.Feed("|b");
  EXPECT_EQ(matcher.found(), (std::vector<bool>{true, true, true, false, true, true, false, true}));
}

}  // namespace
}  // namespace ostrel::maintenance
