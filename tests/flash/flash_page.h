// A page request for the Flash channel: a FlashCollection set up as
// Admin_FlashGather.asp sets it.
#pragma once

#include "gathering/flash/flash_collection.h"
#include "support/channel_page.h"

namespace ostrel::flash {

// The page harness and the form helpers (support/page_form.h).
using namespace ostrel::testing;  // NOLINT(google-build-using-namespace)

class FlashPageTest : public testing::ChannelPageTest<FlashCollection> {
 protected:
  FlashPageTest() : ChannelPageTest({.word = "Flash", .leaf_class = 1}) {}
  void ReadConfig(FlashCollection& flash) override { flash.ReadFlashConfig(); }
  void ReadItem(FlashCollection& flash, vb::Variant& id) override { flash.ReadFlashItem(id); }
};

}  // namespace ostrel::flash
