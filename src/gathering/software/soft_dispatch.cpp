// SoftCollection.ShowCollection: the software admin page's one entry,
// through the protocol the channels share.
#include "gathering/software/soft_collection.h"

namespace ostrel::software {

void SoftCollection::ShowCollection() {
  DispatchPageAction(markup::kWaitBanner,
                     {.table = "QX_SoftItem", .empty_line = "还没有找到任何采集项目！"}, "SoftItem");
}

}  // namespace ostrel::software
