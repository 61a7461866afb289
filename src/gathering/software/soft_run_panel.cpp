// SoftCollection.SaveSoftData, first half: one software page read by
// ExtractSoftEntry (fetched, cut, its class resolved, its thumbnail saved,
// its download links found, its texts cleaned), then the download
// addresses the run stores and the entry's progress panel. Every rejection
// writes one error table and stores nothing; the run goes on with the next
// link.
#include <string>
#include <vector>

#include "gathering/software/soft_collection.h"
#include "gathering/software/soft_run_types.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/url_fixing.h"
#include "processing/value_checks.h"

namespace ostrel::software {
namespace {

using processing::HtmlAttribute;
using processing::HtmlText;

}  // namespace

bool SoftCollection::ExtractSoft(const std::string& argument, GatheredSoft& soft) {
  processing::VBProcess& process = Process();
  asp::Request& request = host_.Request();
  ItemID_ = process.ChkNumeric(vb::CStr(request.Item("ItemID")));
  ReadEntryStep(false, soft.page, soft.D);
  if (ItemID_ == 0) return false;
  vb::Variant item_id(ItemID_);
  ReadSoftItem(item_id);
  const int32_t MaxAddress = process.ChkNumeric(std::to_string(item_.MaxAddress));

  entry_url_ = vb::Trim(argument);
  const std::string& url = entry_url_;
  if (vb::Len(url) < 10) return false;
  SoftSize = 0;
  const std::string error = ExtractSoftEntry(url, EntryReading::kRun, soft);
  if (!error.empty()) {
    processing::ShowErrorTable(error);
    return false;
  }
  SoftSize = soft.SoftSize;

  // The download addresses: the chosen link first; with a download server
  // the file's path on it, else every link with its caption.
  const std::vector<std::string>& links = soft.links;
  const int32_t last = static_cast<int32_t>(links.size()) - 1;
  const int32_t chosen = MaxAddress > last ? 0 : MaxAddress;
  soft.firstAddress =
      processing::FormatRemoteUrl(url, vb::Trim(links[static_cast<size_t>(chosen)]));
  if (item_.downid != 0) {
    soft.addressText = "|||";
    const int32_t slash = vb::InStr(10, soft.firstAddress, "/");
    soft.serverFile = slash > 0 ? vb::Mid(soft.firstAddress, slash + 1) : soft.firstAddress;
    DownSucceed_ = true;
  } else {
    const int32_t n = chosen == 0 ? last : chosen;
    std::vector<std::string> labels;
    std::vector<std::string> addresses;
    for (int32_t i = 0; i <= n; ++i) {
      const std::string& link = links[static_cast<size_t>(i)];
      if (vb::Len(link) <= 2) continue;
      addresses.push_back(processing::FormatRemoteUrl(url, vb::Trim(link)));
      labels.push_back(vb::Replace(DownName_, "*", std::to_string(labels.size() + 1)));
    }
    soft.addressText = vb::Join(labels, "|") + "|||" + vb::Join(addresses, "|");
  }
  if (settings_.UseDownload >= 1 && item_.IsDown >= 1) {
    soft.serverFile = "";
    DownSucceed_ = false;
  }

  soft.AllHits = item_.AllHits == 999 ? processing::GetRndHits() : item_.AllHits;

  WriteProgressPanel(soft);
  return true;
}

void SoftCollection::WriteProgressPanel(GatheredSoft& soft) {
  asp::Response& out = host_.Response();
  const bool downloading = settings_.UseDownload >= 1 && item_.IsDown >= 1;
  out.Write(
      "<p></p><br><table border=0 align=center cellpadding=3 cellspacing=0 class=TableBorder>"
      " <tr>   <th><span id=txt1>正在采集，请稍候....</span></th> </tr> <tr>"
      "   <td class=TableRow1 style=\"line-height: 20px;\">");
  if (downloading) WriteProgressRows(settings_.isProgress);
  // The name is escaped already (FormatStr); every other remote text is
  // encoded where it is shown.
  out.Write("<strong><font color=blue>目标软件：</font></strong><font color=red>" + soft.name +
            "</font> &nbsp;&nbsp;<span id=txt2 name=txt2 style=\"font-size:9pt\">正在采集，请稍候"
            "....</span><br>");
  std::string kind = HtmlText(vb::Variant(soft.type));
  if (item_.AutoClass > 0) {
    kind += " / " + HtmlText(vb::Variant(soft.parentRuled)) + " / " +
            HtmlText(vb::Variant(soft.childRuled));
  }
  out.Write("<strong><font color=blue>软件语言：</font></strong>" +
            HtmlText(vb::Variant(soft.language)) +
            "<br><strong><font color=blue>软件类型：</font></strong>" + kind);
  out.Write("<br><strong><font color=blue>授权方式：</font></strong>" +
            HtmlText(vb::Variant(soft.impower)) +
            "<br><strong><font color=blue>运行环境：</font></strong>" +
            HtmlText(vb::Variant(soft.runSystem)));
  out.Write(
      "<br><strong><font color=blue>软件大小：</font></strong><span id=txt3 "
      "style=\"font-size:9pt;color:red\">" +
      std::to_string(SoftSize) +
      " KB</span><br><strong><font color=blue>更新时间："
      "</font></strong>" +
      HtmlText(vb::Variant(soft.updateTime)));
  out.Write("<br><strong><font color=blue>采集页面：</font></strong><a href='" +
            HtmlAttribute(vb::Variant(entry_url_)) + "' target=_blank>" +
            HtmlText(vb::Variant(entry_url_)) + "</a>");
  out.Write("<br><strong><font color=blue>下载连接：</font></strong><a href='" +
            HtmlAttribute(vb::Variant(soft.firstAddress)) + "' target=_blank>" +
            HtmlText(vb::Variant(soft.firstAddress)) + "</a>");
  if (settings_.TrueAddress == 1) {
    std::string& real = soft.realAddress;
    if (item_.IsDown == 0) real = GetRealDownAddress(soft.firstAddress);
    out.Write(
        "<br><strong><font color=blue>下载地址：</font></strong><span  id='showaddre'>"
        "<a href='" +
        HtmlAttribute(vb::Variant(real)) + "' target=_blank><font color='red'>" +
        HtmlText(vb::Variant(real)) + "</font></a></span>");
  } else {
    // The download scripts fill this span whatever the settings say.
    out.Write("<br><span  id='showaddre'></span>");
  }
  WritePanelEnd(soft.page, soft.D);
}

}  // namespace ostrel::software
