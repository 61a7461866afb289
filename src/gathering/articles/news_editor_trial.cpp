// NewsCollection: the editor's trial run. One article page of the remote
// site is fetched and cut with the item's codes by the same readers the
// gathering run uses (code_lists.h), its continuation pages followed and its
// content cleaned, and the result is shown. Nothing is stored: no row, no
// picture, no cache entry, no counter.
//
// The remote content is shown inside a sandboxed frame (no scripts, its own
// origin), so nothing a remote page holds can act in the admin page.
#include <string>

#include "gathering/articles/code_lists.h"
#include "gathering/articles/news_collection.h"
#include "gathering/common/page_markup.h"
#include "platform/vb/strings.h"
#include "processing/escaping.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"
#include "processing/tag_filter.h"
#include "processing/text_cutting.h"
#include "processing/url_fixing.h"
#include "processing/value_checks.h"

namespace ostrel::articles {
namespace {

using processing::HtmlAttribute;
using processing::HtmlText;

// What the page-break tag looks like in the trial: visible, in red.
constexpr std::string_view kPageBreakMarker =
    "<br/><span style=\"color:red;font-size:12px;font-family:tahoma;font-weight:bold;\">"
    "此处是内容分页标签：[page_break]</span><br/>";

// A class name as the trial shows it: literal when its begin code is unset,
// else cut (tags substituted) and stripped of tags; unlike a run, with no
// length limit and no replacement rules.
std::string TrialClassName(const CodeList& codes, int32_t begin, const std::string& page,
                           const TemplateValues& tags) {
  if (IsUnset(codes[begin])) {
    return IsUnset(codes[begin + 1]) ? std::string() : vb::Trim(codes[begin + 1]);
  }
  return processing::CheckHTML(processing::CutFixed(page, SubstituteTags(codes[begin], begin, tags),
                                                    SubstituteTags(codes[begin + 1], begin, tags)));
}

}  // namespace

bool NewsCollection::RunTrial(const std::string& encoding, const std::string& demo_url) {
  std::string address;
  if (vb::Len(demo_url) >= 10) {
    address = vb::Trim(vb::Replace(demo_url, "\"", ""));
  } else {
    address = FirstArticleAddress(encoding, item_.FindListCode);
    if (address.empty()) return false;
  }
  page_text_ = processing::ReplaceTrim(processing::GetRemoteData(address, encoding), false);
  const std::string& page = page_text_;
  if (page.empty()) {
    processing::AlertBack("获取远程信息出错！请确定你的远程连接代码输入无误。");
    return false;
  }
  const CodeList codes(item_.FindInfoCode);
  std::string title = ReadTitle(codes, page);
  if (title.empty()) {
    processing::AlertBack("获取标题代码出错！请确定你的代码输入正确。");
    return false;
  }
  std::string content = ReadContent(codes, page);
  if (content.empty()) {
    processing::AlertBack("获取文章内容代码出错！请确定你的代码输入正确。");
    return false;
  }

  TemplateValues tags;
  tags.NewsTitle = title;
  const std::string parent = TrialClassName(codes, kParentClassBegin, page, tags);
  tags.ParentName = parent;
  const std::string child = TrialClassName(codes, kChildClassBegin, page, tags);
  tags.ChildName = child;
  const std::string author = ReadAuthor(codes, page, tags);
  tags.NewsAuthor = author;
  std::string source = ReadSource(codes, page, tags);
  tags.NewsComeFrom = source;
  // The item's "newest time" switch is not consulted: the trial shows what
  // the codes give.
  const std::string time = ReadWriteTime(codes, page, tags, 0);

  if (PagingOn(codes, item_.IsNextPage)) {
    bool found = false;
    const std::string further =
        ContinuationPages(codes, address, encoding, item_.IsNextPage == 1 ? content : page, &found);
    if (found) {
      content =
          processing::CheckMatch(content + further, codes[kPagingAreaBegin], codes[kPagingAreaEnd]);
      content = vb::Replace(content, "[page_break]", kPageBreakMarker);
    }
  }

  std::string shown = processing::Html2Ubb(content, RemoveCodeText_);
  shown = ApplyFilters(std::move(shown), codes);
  bool pictures = false;
  shown = processing::FormatContentUrl(shown, address, Process().allow_ext(), pictures);
  if (!item_.strReplace.empty()) {
    shown = processing::ReplaceClass(shown, item_.strReplace);
    source = processing::ReplaceClass(source, item_.strReplace);
  }
  title = processing::CheckNostr(title);

  const std::string& m = ModuleName_;
  asp::Response& out = host_.Response();
  std::string cell = "<tr><td colspan=2 class=TableRow1>";
  cell += "<b>" + m + "标题：</b><span class=\"style1\">" + HtmlText(vb::Variant(title)) +
          "</span><br>\r\n";
  cell += "<b>更新时间：</b>" + HtmlText(vb::Variant(time)) + "<br>\r\n";
  cell += "<b>" + m + "作者：</b>" + HtmlText(vb::Variant(author)) + "<br>\r\n";
  cell += "<b>" + m + "来源：</b>" + HtmlText(vb::Variant(source)) + "<br>\r\n";
  if (item_.AutoClass > 0) {
    cell += "<b>" + m + "类别：</b>" + HtmlText(vb::Variant(parent + " / " + child)) + "<br>\r\n";
  }
  cell += "<b>目标地址：</b><a href='" + HtmlAttribute(vb::Variant(address)) + "' target=_blank>" +
          HtmlText(vb::Variant(address)) + "</a>\r\n";
  cell += "<hr size=1 color=red><b>" + m + "内容：</b><hr size=1 color=red>\r\n";
  cell += "<div class=\"style2\">" + markup::SandboxedView(shown, 480, address) + "</div>";
  cell += "</td></tr>\r\n";
  out.Write(cell);
  return true;
}

}  // namespace ostrel::articles
