// SoftCollection.BeginGather and GatherNextLink: the start of a software
// gathering run (action=begin), which cuts the links of the item's list
// pages into the run's link-list file, and each savenew step, which gathers
// one line of it. The stepper and the file are every channel's
// (gathering/common); the texts and the list's layout are the channel's.
#include <string>

#include "gathering/software/soft_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/page_messages.h"
#include "processing/url_fixing.h"

namespace ostrel::software {
namespace {

// A link text this short is no entry address.
constexpr int32_t kShortestLink = 6;

const gathering::ProgressTableMarkup kProgressMarkup = {
    .bar_before =
        "        <td style=\"border: 1px #384780 solid ;background-color: #FFFFFF;\">"
        "<table width='",
    .bar_after =
        "' height='12' border='0' cellpadding='0' cellspacing='0' bgcolor=#36D91A>"
        "<tr><td></td></tr></table></td>",
    .whole_bar = true,
    .stop_before =
        "   <tr><td height='30' align='center'><input type='button' name='stop' "
        "value=' 立即停止采集 ' onclick=\"window.location.href='",
    .stop_after = "';\" class=button></td></tr>",
};

}  // namespace

void SoftCollection::BeginGather() {
  asp::Response& out = host_.Response();
  if (!ReadRunItemID()) return;
  vb::Variant item_id(ItemID_);
  ReadSoftItem(item_id);
  if (item_.StopItem >= 1) {
    processing::AlertBack("此项目已经关闭，不能采集！");
    return;
  }
  host_.Session().SetItem("tmpDirCount", vb::Variant(int32_t{0}));
  out.Write(WaitBanner_);
  out.Flush();

  gathering::ListLinks found;
  if (!gathering::CollectListLinks(gathering::ListSourceOf(item_), out, found)) return;
  if (vb::Len(found.Joined()) < 5) {
    processing::AlertBack("获取分类列表出错，请重新设置分类列表代码！");
    return;
  }
  host_.Session().SetItem("SucceedCount", vb::Variant(int32_t{0}));

  // Every link is made absolute against the last list page fetched; the
  // lines are joined by CRLF, so the file never ends in a line break.
  const std::string& base = found.pages.back();
  std::string text;
  for (const gathering::ListLinks::Piece& piece : found.pieces) {
    if (vb::Len(piece.link) < kShortestLink) continue;
    if (!out.IsClientConnected()) out.End();
    if (!text.empty()) text += "\r\n";
    text += processing::FormatRemoteUrl(base, piece.link);
  }
  gathering::SaveLinkList(LinkListPath("Soft"), text);
  StartFirstStep("QX_SoftItem");
}

void SoftCollection::GatherNextLink() {
  GatherListLine({.word = "Soft",
                  .list_error = "获取软件列表错误！",
                  .markup = kProgressMarkup,
                  .interval = settings_.setInterval,
                  .gather = [this](vb::Variant& url) { SaveSoftData(url); }});
}

}  // namespace ostrel::software
