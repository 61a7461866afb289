// A page request for the Flash channel: a FlashCollection set up as
// Admin_FlashGather.asp sets it.
#pragma once

#include "gathering/flash/flash_collection.h"
#include "support/channel_page.h"

namespace ostrel::flash {

using testing::CountOf;
using testing::EncodeForm;
using testing::FieldOf;
using testing::Fields;
using testing::HasField;
using testing::ReadForm;
using testing::WithField;

class FlashPageTest : public testing::ChannelPageTest<FlashCollection> {
 protected:
  FlashPageTest() : ChannelPageTest({.word = "Flash", .leaf_class = 1}) {}
  void ReadConfig(FlashCollection& flash) override { flash.ReadFlashConfig(); }
};

}  // namespace ostrel::flash
