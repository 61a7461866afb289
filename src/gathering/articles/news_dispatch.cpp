// NewsCollection.ShowCollection: the article admin page's one entry, through
// the protocol the channels share, with the article channel's own banner.
#include "gathering/articles/news_collection.h"

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
  DispatchPageAction(kWaitBanner, {.table = "QX_NewsItem", .empty_line = "还没有添加任何采集项目！"},
                     "NewsItem");
}

}  // namespace ostrel::articles
