#include "gathering/common/run_steps.h"

#include <algorithm>
#include <climits>

#include "gathering/common/link_list_index.h"
#include "platform/ado/stream.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"
#include "processing/text_cutting.h"
#include "processing/url_fixing.h"
#include "processing/value_checks.h"

namespace ostrel::gathering {
namespace {

// The page text of a list address: fetched in the item's charset and
// flattened to one line.
std::string FetchListPage(const std::string& address, const std::string& charset) {
  return processing::ReplaceTrim(processing::GetRemoteData(address, charset));
}

// The list area of one list page, without comments.
std::string CutListArea(const CodeList& codes, const std::string& page) {
  return processing::ReplaceTrim(processing::CutFixed(page, codes[0], codes[1]), true);
}

// The address of page n of a paged list: "*" exactly, "{$pageid}" in any
// letter case.
std::string PagedAddress(const std::string& pattern, int32_t n) {
  const std::string number = std::to_string(n);
  std::string address = vb::Replace(pattern, "*", number);
  return vb::Replace(address, "{$pageid}", number, 1, -1, vb::CompareMode::Text);
}

}  // namespace

const ProgressTableMarkup kFileRunMarkup = {
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

std::string ListLinks::Joined() const {
  std::string joined;
  for (size_t i = 0; i < pieces.size(); ++i) joined += (i ? "|||" : "") + pieces[i].link;
  return joined;
}

bool CollectListLinks(const ListSource& source, asp::Response& out, ListLinks& found) {
  const std::string listUrl = vb::Trim(source.RemoteListUrl);
  const std::string& charset = source.Encoding;
  const CodeList codes(source.FindListCode);

  // Adds one fetched page and the pieces of its "|||"-joined links. On a
  // paged list (join) a page without links still adds its one empty piece,
  // unless the channel drops pages too short to hold a list.
  auto add_page = [&](const std::string& address, const std::string& page, bool join) {
    if (join && vb::Len(page) < source.least_page) return;
    std::string area;
    std::vector<std::string> parts;
    auto cut = [&] {
      area = CutListArea(codes, page);
      parts = vb::Split(processing::FindMatch(area, codes[2], codes[3]), "|||");
    };
    if (source.pass_failures) {
      if (!vb::TryStep(cut)) return;
    } else {
      cut();
    }
    found.pages.push_back(address);
    found.areas.push_back(std::move(area));
    if (parts.empty() && join) parts.emplace_back();
    for (std::string& part : parts) {
      found.pieces.push_back({std::move(part), found.pages.size() - 1});
    }
  };

  if (source.IsPagination == 0) {
    std::string page = FetchListPage(listUrl, charset);
    if (page.empty()) {
      processing::AlertBack(std::string(kListPageEmpty));
      return false;
    }
    found.built = listUrl;
    add_page(listUrl, page, false);
    return true;
  }

  // Pages 0 and 1 of many sites are the plain list address: they are
  // fetched at their numbered address only when it answers.
  const int32_t first = processing::ChkNumeric(std::to_string(source.startid));
  const int32_t last = processing::ChkNumeric(std::to_string(source.lastid));
  auto address_of = [&](int32_t n, bool numbered_always) {
    std::string address = PagedAddress(source.PaginalList, n);
    found.built = address;
    if (numbered_always || processing::CheckHTTP(address)) return address;
    return listUrl;
  };

  if (first == last) {
    std::string address = address_of(first, false);
    std::string page = FetchListPage(address, charset);
    if (page.empty()) {
      processing::AlertBack(std::string(kListPageEmpty));
      return false;
    }
    add_page(address, page, false);
    return true;
  }

  // Many pages, in ascending order whichever bound is the larger. Each page
  // joins the list as "|||" and its links, so the list begins with an empty
  // piece.
  found.pieces.push_back({"", 0});
  for (int32_t n = std::min(first, last); n <= std::max(first, last); ++n) {
    if (!out.IsClientConnected()) out.End();
    std::string address = address_of(n, n >= 2);
    add_page(address, FetchListPage(address, charset), true);
    if (n == INT32_MAX) break;
  }
  return true;
}

void RunStepper::WriteFirstStep() const {
  out_.Write("<script language='JavaScript'>\r\n");
  out_.Write("function reFresh(){window.location.href='" + script_ + "?action=savenew&ChannelID=" +
             std::to_string(channel_) + "&ItemID=" + std::to_string(item_) + "';}\r\n");
  out_.Write("setTimeout('reFresh()',1000);\r\n");
  out_.Write("</script>\r\n");
}

void RunStepper::WriteProgressTable(const RunPosition& at, const ProgressTableMarkup& markup,
                                    const std::string& succeeded) const {
  // A list always has a line, so count is never 0 here.
  const double share = static_cast<double>(at.page) / at.count;
  const std::string bar = markup.whole_bar ? std::to_string(static_cast<int64_t>(share * 400))
                                           : vb::CStr(vb::Variant(share * 400));
  const std::string percent = vb::FormatNumber(vb::Variant(share * 100), 2, true);
  for (const std::string& line : {
           std::string("<br><br>"),
           std::string("<table width='400' border='0' align='center' cellpadding='0' "
                       "cellspacing='0'>"),
           std::string("  <tr>"),
           "    <td height='50'>总共需要采集 <font color='blue'><b>" + std::to_string(at.count) +
               "</b></font> 个页面，正在采集第 <font color='red'><b>" + std::to_string(at.page) +
               "</b></font>  个页面…… 成功采集：<font color='blue'><b>" + succeeded +
               "</b></font></td>",
           std::string("  </tr>"),
           std::string("  <tr>"),
           std::string("    <td><table width='100%' border='0' cellpadding='1' cellspacing='1'>"),
           std::string("      <tr>"),
           std::string(markup.bar_before) + bar + std::string(markup.bar_after),
           std::string("      </tr>"),
           std::string("    </table></td>"),
           std::string("  </tr>"),
           std::string("  <tr>"),
           "    <td align='center'>" + percent + " %</td>",
           std::string("  </tr>"),
           std::string("</table>"),
           std::string("<table width='400' border='0' align='center' cellpadding='0' "
                       "cellspacing='0'>"),
           std::string(markup.stop_before) + script_ +
               "?action=yes&ChannelID=" + std::to_string(channel_) + "&D=" + at.D +
               "&page=" + std::to_string(at.page) + std::string(markup.stop_after),
           std::string("</table>"),
       }) {
    out_.Write(line + "\r\n");
  }
  out_.Flush();
}

void RunStepper::WriteNextStep(const RunPosition& at, int32_t interval) const {
  out_.Write("<script language='JavaScript'>\r\n");
  out_.Write("function buildRefresh(){window.location.href='" + script_ +
             "?action=savenew&ChannelID=" + std::to_string(channel_) +
             "&page=" + std::to_string(int64_t{at.page} + 1) + "&ItemID=" + std::to_string(item_) +
             "&D=" + at.D + "';}\r\n");
  out_.Write("setTimeout('buildRefresh()'," + std::to_string(interval) + ");\r\n");
  out_.Write("</script>\r\n");
  out_.Flush();
}

void RunStepper::WriteRunEnd(const RunPosition& at) const {
  out_.Write("<meta http-equiv=\"refresh\" content=\"1;url='" + script_ +
             "?action=yes&ChannelID=" + std::to_string(channel_) +
             "&page=" + std::to_string(int64_t{at.page} + 1) + "&D=" + at.D + "'\">");
  out_.Flush();
}

std::string LinkListName(std::string_view word, int32_t ItemID) {
  return "tmp" + std::string(word) + "list" + std::to_string(ItemID) + ".dat";
}

void SaveLinkList(const std::string& path, const std::string& text) {
  ado::Stream stream;
  stream.SetMode(3);
  stream.SetType(ado::adTypeText);
  stream.SetCharset("GB2312");
  stream.Open();
  stream.WriteText(text);
  stream.SaveToFile(path, ado::adSaveCreateOverWrite);
  stream.Close();
  LinkListIndex::Forget(path);
}

void WriteStatusScript(asp::Response& out, std::string_view status, std::string_view reason) {
  out.Write("<script>");
  out.Write("txt1.innerHTML='" + std::string(status) + "';");
  out.Write("txt2.innerHTML='" + std::string(reason) + "';");
  out.Write("</script>\r\n");
  out.Flush();
}

bool IsPictureExtension(std::string_view ext) {
  for (std::string_view allowed : {"jpg", "jpeg", "gif", "png", "bmp"}) {
    if (ext == allowed) return true;
  }
  return false;
}

}  // namespace ostrel::gathering
