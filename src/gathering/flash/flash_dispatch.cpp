// FlashCollection.ShowCollection: the Flash admin page's one entry. It
// reads the request and runs exactly one action of the page protocol; any
// other action (none, "yes" included) shows the item list.
#include <string>

#include "gathering/flash/flash_collection.h"

namespace ostrel::flash {

void FlashCollection::ShowCollection() {
  const std::string action = ReadRequest(markup::kWaitBanner);
  RunAction([&] {
    if (action == "copy") {
      CloneItem();
    } else if (action == "del") {
      DeleteItems("QX_FlashItem", "FlashItem");
    } else if (action == "config") {
      ShowGatherConfig();
    } else if (action == "save") {
      SaveGatherConfig();
    } else if (action == "edit") {
      if (!TakeEditItem()) return;
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
    } else if (action == "begin") {
      BeginGather();
    } else if (action == "savenew") {
      GatherNextLink();
    } else if (action == "remove") {
      RemoveAllCache();
    } else {
      ShowItemList({.table = "QX_FlashItem", .empty_line = "还没有找到任何采集项目！"});
    }
  });
}

}  // namespace ostrel::flash
