// FlashCollection: the editor's trial run. One entry page of the remote
// site is read with the item's codes exactly as a gathering run reads an
// entry (ExtractFlashEntry), and the result is shown with a link to the
// entry's file. Nothing is stored: no row, no picture, no file, no cache
// entry, no counter.
//
// Every value came from a remote page: texts are shown as text, only
// http(s) addresses become links, and what is markup (the linked source,
// the introduction) is shown inside sandboxed frames that read addresses
// against the entry page's, so nothing a remote page holds can act in the
// admin page.
#include <string>

#include "gathering/common/code_list.h"
#include "gathering/common/page_markup.h"
#include "gathering/flash/flash_collection.h"
#include "gathering/flash/flash_entry.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/text_cutting.h"
#include "processing/url_fixing.h"
#include "processing/value_checks.h"

namespace ostrel::flash {
namespace {

// The height of the frame that shows one line of linked text.
constexpr int kLineFrame = 28;

// Shown where a run's page plays the file: no player plays inside a
// sandboxed frame, so the trial offers the file itself.
constexpr std::string_view kPlayerCaption = "<b>动画文件：</b>演示中不能播放，请打开文件查看：";

}  // namespace

bool FlashCollection::RunTrial(const std::string& demo_url) {
  return WriteTrialResult(
      demo_url, {item_.RemoteListUrl, item_.Encoding, item_.FindListCode},
      [&](const std::string& link, const std::string& area, std::string& cell) {
        // The list's thumbnail, first of the list area, when the list cuts
        // thumbnails (not for a trial address).
        std::string list_thumb;
        const gathering::CodeList list(item_.FindListCode);
        if (!area.empty() && processing::ChkNumeric(list[kListThumbSwitch]) > 0 &&
            !gathering::IsUnset(list[kListThumbBegin])) {
          list_thumb = processing::FormatRemoteUrl(
              link, processing::CutFixed(area, list[kListThumbBegin], list[kListThumbEnd], false));
        }
        FlashEntry entry;
        const std::string error = ExtractFlashEntry(link, list_thumb, EntryReading::kTrial, entry);
        if (!error.empty()) return error;
        auto text = [](const std::string& s) { return processing::HtmlText(vb::Variant(s)); };
        cell = "<b>标题名称：</b><span class='style1'>" + text(entry.title);
        cell += "</span><br><b>更新时间：</b>" + text(entry.updateTime);
        cell += "<br><b>文件大小：</b>" + std::to_string(entry.size);
        cell += " <b>KB</b><br><b>作品来源：</b>" +
                markup::SandboxedView(ReadComeFrom(entry.source), kLineFrame, entry.url);
        cell += "<br><b>原 作 者：</b>" + text(entry.author);
        if (item_.AutoClass > 0)
          cell += "<br><b>作品类别：</b>" + text(entry.parent + " / " + entry.child);
        if (vb::Len(entry.describe) > 1) cell += "<br><b>其它描述：</b>" + text(entry.describe);
        cell += "<br><b>目标地址：</b>" + markup::RemoteLink(entry.url);
        cell +=
            "<hr style='height: 1;width: 65%;color: red;text-align:left;'><b><font "
            "color='blue'>下载连接：</font></b><br><li>" +
            markup::RemoteLink(entry.downAddress) + "</li><br>";
        // A player cannot play inside the sandboxed frame: the trial names
        // the file to open instead.
        cell += "<div class='style2'>" + std::string(kPlayerCaption) +
                markup::RemoteLink(entry.downAddress) + "</div>";
        std::string intro;
        if (vb::Len(entry.thumbnail) > 5) {
          intro = "<img src=\"" + processing::HtmlText(vb::Variant(entry.thumbnail)) +
                  "\" width=90 height=80 align=left vspace=5 hspace=5 border=0>";
        }
        cell +=
            "<br><b  class='style3'>作品简介：</b><hr style='height: 1;width: 65%;color: "
            "red;text-align:left;'><div class='style2'>" +
            markup::SandboxedView(intro + entry.intro, 480, entry.url) + "</div>";
        return std::string();
      });
}

}  // namespace ostrel::flash
