// FlashCollection.ShowCollection: the Flash admin page's one entry,
// through the protocol the channels share.
#include "gathering/flash/flash_collection.h"

namespace ostrel::flash {

void FlashCollection::ShowCollection() {
  DispatchPageAction(markup::kWaitBanner,
                     {.table = "QX_FlashItem", .empty_line = "还没有找到任何采集项目！"}, "FlashItem");
}

}  // namespace ostrel::flash
