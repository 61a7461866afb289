// NewsCollection.BeginGather: the first request of an article gathering run
// (action=begin). It fetches the item's list page or pages, cuts the
// article links out of them into the run's link-list file, stamps the
// item's last run and sends the browser on to the first savenew step.
#include <string>

#include "gathering/articles/news_collection.h"
#include "gathering/articles/news_run_types.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/page_messages.h"
#include "processing/url_fixing.h"

namespace ostrel::articles {
namespace {

// The second line points at the page where the administrator opens
// gathering again: this host's own base settings page.
constexpr const char* kGatheringClosed =
    "采集功能已经关闭，如果要进行采集，请在采集基本设置中打采集功能。\n"
    "如需帮助，请联系网站管理员，或打开采集基本设置：";

// A link text this short is no article address.
constexpr int32_t kShortestLink = 6;

}  // namespace

void NewsCollection::BeginGather() {
  asp::Response& out = host_.Response();
  if (!ReadRunItemID()) return;
  vb::Variant item_id(ItemID_);
  ReadNewsItem(item_id);
  if (settings_.stopGather == 1) {
    processing::AlertBack(std::string(kGatheringClosed) + ScriptFileName_ +
                          "?action=config&ChannelID=" + std::to_string(ChannelID_));
    return;
  }
  if (item_.StopItem >= 1) {
    processing::AlertBack("此项目已经关闭，不能采集！");
    return;
  }
  out.Write(WaitBanner_);
  out.Flush();

  gathering::ListLinks found;
  if (!gathering::CollectListLinks(gathering::ListSourceOf(item_), out, found)) return;

  host_.Session().SetItem("SucceedCount", vb::Variant(int32_t{0}));

  // One absolute link per line, each made absolute against its own list
  // page, CRLF after every piece but the list's last: when that one is too
  // short to be written, the file ends with the line break before it.
  std::string text;
  for (size_t i = 0; i < found.pieces.size(); ++i) {
    const gathering::ListLinks::Piece& piece = found.pieces[i];
    if (vb::Len(piece.link) < kShortestLink) continue;
    if (!out.IsClientConnected()) out.End();
    text += processing::FormatRemoteUrl(found.pages[piece.page], piece.link);
    if (i + 1 < found.pieces.size()) text += "\r\n";
  }
  gathering::SaveLinkList(LinkListPath("News"), text);
  StartFirstStep("QX_NewsItem");
}

}  // namespace ostrel::articles
