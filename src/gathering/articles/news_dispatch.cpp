// NewsCollection.ShowCollection: the article admin page's one entry. It
// reads the request and runs exactly one action of the page protocol; any
// other action (none, "yes" included) shows the item list.
#include <string>

#include "gathering/articles/news_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"
#include "processing/page_messages.h"

namespace ostrel::articles {
namespace {

// Shown while a run collects its links.
constexpr const char* kWaitBanner =
    "<p align=center><div style=\"width:200px;height:30px;position:absolute;\">"
    "<table width=200 height=30 border=0 cellspacing=1 cellpadding=0 bgcolor=#000000>"
    "<tr><td bgcolor=#0650D2><marquee behavior=alternate scrollamount=5 "
    "style=\"font-size:9pt;color:#FFFFFF\">...正在收集数据...请稍候...</marquee></td></tr>"
    "</table></div></p>";

}  // namespace

void NewsCollection::ShowCollection() {
  const std::string action = ReadRequest(kWaitBanner);
  RunAction([&] {
    if (action == "copy") {
      CloneItem();
    } else if (action == "del") {
      DeleteItems("QX_NewsItem", "NewsItem");
    } else if (action == "config") {
      ShowGatherConfig();
    } else if (action == "save") {
      SaveGatherConfig();
    } else if (action == "edit") {
      if (TakeEditItem()) EditItemStep1();
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
      ShowItemList({.table = "QX_NewsItem", .empty_line = "还没有添加任何采集项目！"});
    }
  });
}

}  // namespace ostrel::articles
