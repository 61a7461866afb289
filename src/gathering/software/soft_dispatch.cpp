// SoftCollection.ShowCollection: the software admin page's one entry. It
// reads the request and runs exactly one action of the page protocol; any
// other action (none, "yes" included) shows the item list.
#include <string>

#include "gathering/software/soft_collection.h"
#include "processing/page_messages.h"

namespace ostrel::software {
namespace {

// Shown while a run collects its links; its colours are fixed.
constexpr const char* kWaitBanner =
    "<p align=center><div style=\"width:200px;height:30px;position:absolute;\">"
    "<table align=center border=0 cellpadding=0 cellspacing=1 bgcolor=#000000 width='200' "
    "height='30'><tr><td bgcolor=#0650D2><marquee align=middle behavior=alternate "
    "scrollamount=5 style=\"font-size:9pt\"><font color=#FFFFFF>...正在收集数据...请稍候..."
    "</font></marquee></td></tr></table>"
    "</div></p>";

}  // namespace

void SoftCollection::ShowCollection() {
  const std::string action = ReadRequest(kWaitBanner);
  RunAction([&] {
    if (action == "del") {
      DeleteItems("QX_SoftItem", "SoftItem");
    } else if (action == "config") {
      ShowGatherConfig();
    } else if (action == "save") {
      SaveGatherConfig();
    } else if (action == "edit") {
      vb::TryStep(
          [&] { ItemID_ = Process().ChkNumeric(markup::RequestText(host_.Request(), "ItemID")); });
      if (ItemID_ == 0) {
        processing::AlertBack("请选择正确的项目ID!");
        return;
      }
      edit_mode_ = true;
      EditItemStep1();
    } else if (action == "add") {
      edit_mode_ = false;
      EditItemStep1();
    } else if (action == "step2") {
      EditItemStep2();
    } else if (action == "step3") {
      EditItemStep3();
    } else if (action == "step4" || action == "demo") {
      EditItemStep4();
    } else if (action == "copy") {
      CloneItem();
    } else if (action == "remove") {
      RemoveAllCache();
    } else if (action == "begin") {
      BeginGather();
    } else if (action == "savenew") {
      GatherNextLink();
    } else {
      ShowItemList({.table = "QX_SoftItem", .empty_line = "还没有找到任何采集项目！"});
    }
  });
}

}  // namespace ostrel::software
