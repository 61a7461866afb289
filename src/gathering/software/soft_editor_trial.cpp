// SoftCollection: the editor's trial run. One detail page of the remote
// site is read with the item's codes exactly as a gathering run reads an
// entry (ExtractSoftEntry), and the result is shown. Nothing is stored: no
// row, no picture, no file, no cache entry, no counter.
//
// Every value came from a remote page: texts are shown as text, only
// http(s) addresses become links, and the introduction's markup is shown
// inside a sandboxed frame, so nothing a remote page holds can act in the
// admin page.
#include <string>

#include "gathering/common/page_markup.h"
#include "gathering/software/soft_collection.h"
#include "gathering/software/soft_entry.h"
#include "processing/markup_text.h"
#include "processing/url_fixing.h"

namespace ostrel::software {

bool SoftCollection::RunTrial(const std::string& demo_url) {
  return WriteTrialResult(
      demo_url, {item_.RemoteListUrl, item_.Encoding, item_.FindListCode},
      [&](const std::string& address, const std::string&, std::string& cell) {
        SoftEntry entry;
        const std::string error = ExtractSoftEntry(address, EntryReading::kTrial, entry);
        if (!error.empty()) return error;
        auto text = [](const std::string& s) { return processing::HtmlText(vb::Variant(s)); };
        cell = "<b>软件名称：</b><span class='style1'>" + text(entry.name + " " + entry.version);
        cell += "</span><br><b>更新时间：</b>" + text(entry.updateTime);
        cell += "<br><b>软件大小：</b>" + std::to_string(entry.SoftSize);
        cell += " <b>KB</b><br><b>软件语言：</b>" + text(entry.language);
        cell += "<br><b>软件类别：</b>" + text(entry.type);
        if (item_.AutoClass > 0) cell += text(" / " + entry.parent + " / " + entry.child);
        cell += "<br><b>授权方式：</b>" + text(entry.impower);
        cell += "<br><b>运行环境：</b>" + text(entry.runSystem);
        cell += "<br><b>联系方式：</b>" + text(entry.contact);
        cell += "<br><b>程序主页：</b>" + markup::RemoteLink(entry.homepage);
        cell += "<br><b>目标地址：</b>" + markup::RemoteLink(entry.url);
        cell +=
            "<hr style='height: 1;width: 65%;color: red;text-align:left;'><b><font "
            "color='blue'>下载连接：</font></b><br>";
        for (size_t i = 0; i < entry.links.size(); ++i) {
          cell += "<span style='font-family:tahoma;color:red;font-weight:bold;'>" +
                  std::to_string(i) + "、</span>" +
                  markup::RemoteLink(processing::FormatRemoteUrl(entry.url, entry.links[i])) +
                  "<br>";
        }
        cell +=
            "<br><b  class='style3'>软件简介：</b><hr style='height: 1;width: 65%;color: "
            "red;text-align:left;'><div class='style2'>" +
            markup::SandboxedView(entry.content, 480, entry.url) + "</div>";
        return std::string();
      });
}

}  // namespace ostrel::software
