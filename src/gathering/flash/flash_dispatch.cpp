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
      // The item clone (CloneItem).
    } else if (action == "del") {
      DeleteItems("QX_FlashItem", "FlashItem");
    } else if (action == "config") {
      ShowGatherConfig();
    } else if (action == "save") {
      SaveGatherConfig();
    } else if (action == "edit") {
      if (!TakeEditItem()) return;
      // The editor's first step on the item (EditItemStep1).
    } else if (action == "add") {
      edit_mode_ = false;
      // The editor's first step on a new item (EditItemStep1).
    } else if (action == "step2" || action == "step3" || action == "step4" || action == "demo") {
      // The editor's later steps and its trial run (EditItemStep2 to 4).
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
