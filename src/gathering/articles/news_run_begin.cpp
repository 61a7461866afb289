// NewsCollection.BeginGather: the first request of an article gathering run
// (action=begin). It fetches the item's list page or pages, cuts the
// article links out of them into the run's link-list file, stamps the
// item's last run and sends the browser on to the first savenew step.
#include <algorithm>
#include <string>

#include "gathering/articles/code_lists.h"
#include "gathering/articles/news_collection.h"
#include "gathering/articles/news_run_types.h"
#include "platform/ado/stream.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"
#include "processing/text_cutting.h"
#include "processing/url_fixing.h"

namespace ostrel::articles {
namespace {

// The second line points at the page where the administrator opens
// gathering again: this host's own base settings page.
constexpr const char* kGatheringClosed =
    "采集功能已经关闭，如果要进行采集，请在采集基本设置中打采集功能。\n"
    "如需帮助，请联系网站管理员，或打开采集基本设置：";
constexpr const char* kListPageEmpty = "获取远程信息出错！请确定你的远程列表URL输入无误。";

// A link text this short is no article address.
constexpr int32_t kShortestLink = 6;

// The page text of a list address: fetched in the item's charset and
// flattened to one line.
std::string FetchListPage(const std::string& address, const std::string& charset) {
  return processing::ReplaceTrim(processing::GetRemoteData(address, charset));
}

// The distinct links of one list page, "|||"-joined.
std::string CutListPage(const CodeList& codes, const std::string& page) {
  std::string area = processing::ReplaceTrim(ReadListArea(codes, page), true);
  return ReadListLinks(codes, area);
}

// The address of page n of a paged list: "*" exactly, "{$pageid}" in any
// letter case.
std::string PagedAddress(const std::string& pattern, int32_t n) {
  const std::string number = std::to_string(n);
  std::string address = vb::Replace(pattern, "*", number);
  return vb::Replace(address, "{$pageid}", number, 1, -1, vb::CompareMode::Text);
}

}  // namespace

void NewsCollection::BeginGather() {
  processing::VBProcess& process = Process();
  asp::Response& out = host_.Response();

  // A number beyond 32 bits is no item number either.
  ItemID_ = 0;
  vb::TryStep([&] { ItemID_ = process.ChkNumeric(vb::CStr(host_.Request().Item("ItemID"))); });
  if (ItemID_ == 0) {
    processing::AlertBack("错误的系统参数，请输入项目ID！");
    return;
  }
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

  ListLinks found;
  if (!CollectListLinks(found)) return;

  host_.Session().SetItem("SucceedCount", vb::Variant(int32_t{0}));

  // One absolute link per line, CRLF after every piece but the list's last:
  // when that one is too short to be written, the file ends with the line
  // break before it.
  ado::Stream stream;
  stream.SetMode(3);
  stream.SetType(ado::adTypeText);
  stream.SetCharset("GB2312");
  stream.Open();
  for (size_t i = 0; i < found.pieces.size(); ++i) {
    const ListLinks::Piece& piece = found.pieces[i];
    if (vb::Len(piece.link) < kShortestLink) continue;
    if (!out.IsClientConnected()) out.End();
    std::string line = processing::FormatRemoteUrl(found.pages[piece.page], piece.link);
    if (i + 1 < found.pieces.size()) line += "\r\n";
    stream.WriteText(line);
  }
  const std::string path = host_.Server().MapPath("tmpNewslist" + std::to_string(ItemID_) + ".dat");
  stream.SaveToFile(path, ado::adSaveCreateOverWrite);
  stream.Close();

  ado::Recordset item;
  item.Open("SELECT * FROM QX_NewsItem WHERE ItemID= " + std::to_string(ItemID_),
            GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
  item.Fields("lastime").SetValue(vb::Variant(vb::Now()));
  item.Update();
  item.Close();

  out.Write("<script language='JavaScript'>\r\n");
  out.Write("function reFresh(){window.location.href='" + ScriptFileName_ +
            "?action=savenew&ChannelID=" + std::to_string(ChannelID_) +
            "&ItemID=" + std::to_string(ItemID_) + "';}\r\n");
  out.Write("setTimeout('reFresh()',1000);\r\n");
  out.Write("</script>\r\n");
}

bool NewsCollection::CollectListLinks(ListLinks& found) {
  asp::Response& out = host_.Response();
  const std::string listUrl = vb::Trim(item_.RemoteListUrl);
  const std::string& charset = item_.Encoding;
  const CodeList codes(item_.FindListCode);

  // Adds one fetched page and the pieces of its "|||"-joined links. On a
  // paged list (join) a page without links still adds its one empty piece.
  auto add_page = [&](const std::string& address, const std::string& page, bool join) {
    found.pages.push_back(address);
    std::vector<std::string> parts = vb::Split(CutListPage(codes, page), "|||");
    if (parts.empty() && join) parts.emplace_back();
    for (std::string& part : parts) {
      found.pieces.push_back({std::move(part), found.pages.size() - 1});
    }
  };

  if (item_.IsPagination == 0) {
    std::string page = FetchListPage(listUrl, charset);
    if (page.empty()) {
      processing::AlertBack(kListPageEmpty);
      return false;
    }
    add_page(listUrl, page, false);
    return true;
  }

  // Pages 0 and 1 of many sites are the plain list address: they are
  // fetched at their numbered address only when it answers.
  const int32_t first = processing::ChkNumeric(std::to_string(item_.startid));
  const int32_t last = processing::ChkNumeric(std::to_string(item_.lastid));
  auto address_of = [&](int32_t n, bool numbered_always) {
    std::string address = PagedAddress(item_.PaginalList, n);
    if (numbered_always || processing::CheckHTTP(address)) return address;
    return listUrl;
  };

  if (first == last) {
    std::string address = address_of(first, false);
    std::string page = FetchListPage(address, charset);
    if (page.empty()) {
      processing::AlertBack(kListPageEmpty);
      return false;
    }
    add_page(address, page, false);
    return true;
  }

  // Many pages, in ascending order whichever bound is the larger. Each page
  // joins the list as "|||" and its links, so the list begins with an empty
  // piece. An empty page is no error here: it gives no links.
  found.pieces.push_back({"", 0});
  for (int32_t n = std::min(first, last); n <= std::max(first, last); ++n) {
    if (!out.IsClientConnected()) out.End();
    std::string address = address_of(n, n >= 2);
    add_page(address, FetchListPage(address, charset), true);
    if (n == INT32_MAX) break;
  }
  return true;
}

}  // namespace ostrel::articles
