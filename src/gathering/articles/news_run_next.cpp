// NewsCollection.GatherNextLink: one savenew step of an article gathering
// run. It gathers the link on line `page` of the run's link-list file,
// shows the run's progress and loads the next step after the settings'
// interval; the step past the last line deletes the file and leads to the
// run's summary (action=yes).

#include "gathering/articles/news_collection.h"

namespace ostrel::articles {
namespace {

const gathering::ProgressTableMarkup kProgressMarkup = {
    .bar_before =
        "        <td style='border:1px solid #384780;background-color:#FFFFFF'><table width='",
    .bar_after =
        "' height='12' border='0' cellpadding='0' cellspacing='0' bgcolor='#36D91A'>"
        "<tr><td></td></tr></table></td>",
    .whole_bar = false,
    .stop_before =
        "  <tr>\r\n"
        "    <td height='30' align='center'><input type='button' name='stop' "
        "value=' 立即停止采集 ' class='button' onclick=\"window.location.href='",
    .stop_after = "'\"></td>\r\n  </tr>",
};

}  // namespace

void NewsCollection::GatherNextLink() {
  GatherListLine({.word = "News",
                  .list_error = "获取软件列表错误！",
                  .markup = kProgressMarkup,
                  .interval = settings_.setInterval,
                  .gather = [this](vb::Variant& url) { SaveNewsData(url); }});
}

}  // namespace ostrel::articles
