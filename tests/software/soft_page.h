// A page request for the software channel: a SoftCollection set up as
// admin_SoftGather.asp sets it, with the archive switch on unless a test
// turns it off.
#pragma once

#include "gathering/software/soft_collection.h"
#include "support/channel_page.h"

namespace ostrel::software {

// The page harness and the form helpers (support/page_form.h).
using namespace ostrel::testing;  // NOLINT(google-build-using-namespace)

class SoftPageTest : public testing::ChannelPageTest<SoftCollection> {
 protected:
  SoftPageTest() : ChannelPageTest({.word = "Soft", .leaf_class = 6}) {}
  void ReadConfig(SoftCollection& soft) override {
    soft.SetZipSwitch(zip_switch_ ? "True" : "False");
    soft.ReadSoftConfig();
  }
  void ReadItem(SoftCollection& soft, vb::Variant& id) override { soft.ReadSoftItem(id); }

  // The software channel's class tree: 软件 (5) with 工具软件 (6) and
  // 游戏娱乐 (7).
  void AddClasses() {
    RunSql(
        "INSERT INTO QX_Classify (ClassID, ChannelID, ClassName, depth, TurnLink, child, rootid, "
        "orders, parentid, Parentstr, ClassDir, HtmlFileDir) VALUES "
        "(5, 2, '软件', 0, 0, 2, 3, 0, 0, '0', 'soft', 'soft'), "
        "(6, 2, '工具软件', 1, 0, 0, 3, 1, 5, '5', 'tools', 'soft/tools'), "
        "(7, 2, '游戏娱乐', 1, 0, 0, 3, 2, 5, '5', 'games', 'soft/games')");
  }

  bool zip_switch_ = true;  // the archive switch the next request sets
};

}  // namespace ostrel::software
