// SoftCollection.ShowCollection: the software admin page's one entry. It
// reads the request and runs exactly one action of the page protocol; any
// other action (none, "yes" included) shows the item list.
#include <string>

#include "gathering/software/soft_collection.h"

namespace ostrel::software {
void SoftCollection::ShowCollection() {
  const std::string action = ReadRequest(markup::kWaitBanner);
  RunAction([&] {
    if (action == "del") {
      DeleteItems("QX_SoftItem", "SoftItem");
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
