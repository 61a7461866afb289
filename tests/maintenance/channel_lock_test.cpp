// One clean-up per channel folder: a second one is turned away while the
// first holds the folder, other folders are free, and the folder is free
// again once the first is done.
#include <gtest/gtest.h>

#include <optional>

#include "maintenance/channel_lock.h"

namespace ostrel::maintenance {
namespace {

TEST(ChannelLockTest, OneHolderPerFolder) {
  std::optional<ChannelLock> first(std::in_place, "C:\\site\\article");
  EXPECT_TRUE(first->held());
  EXPECT_FALSE(ChannelLock("C:\\site\\article").held());
  EXPECT_TRUE(ChannelLock("C:\\site\\soft").held());
  first.reset();
  EXPECT_TRUE(ChannelLock("C:\\site\\article").held());
}

}  // namespace
}  // namespace ostrel::maintenance
