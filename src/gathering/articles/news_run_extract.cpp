// NewsCollection.SaveNewsData, first half: one article page fetched and cut
// by the item's codes, its class resolved, its continuation pages joined
// and its content cleaned. Every rejection writes one error table and
// stores nothing; the run goes on with the next link.
#include <string>
#include <vector>

#include "gathering/articles/code_lists.h"
#include "gathering/articles/news_collection.h"
#include "gathering/articles/news_run_types.h"
#include "platform/vb/convert.h"
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

using processing::HtmlText;

// The short title key: four characters from each end of the title without
// the characters that would break the list it is kept in.
std::string TitleKey(const std::string& title) {
  std::string t = title;
  for (const char* c : {"|", "[", "]", "<", ">", "'", "\"", "$"}) t = vb::Replace(t, c, "");
  return vb::Left(t, 4) + "|" + vb::Right(t, 4);
}

}  // namespace

bool NewsCollection::ExtractArticle(const std::string& argument, GatheredArticle& article) {
  processing::VBProcess& process = Process();
  ItemID_ = process.ChkNumeric(vb::CStr(host_.Request().Item("ItemID")));
  if (ItemID_ == 0) return false;
  vb::Variant item_id(ItemID_);
  ReadNewsItem(item_id);
  if (settings_.stopGather == 1) {
    processing::ShowErrorTable("采集功能已经关闭，如果要进行采集，请在采集基本设置中打采集功能");
    return false;
  }

  const CodeList codes(item_.FindInfoCode);
  const std::string charset = vb::Trim(item_.Encoding);
  article.link = argument;
  const std::string& url = article.url = vb::Trim(argument);
  if (vb::Len(url) < 10) return false;

  const std::string page = processing::ReplaceTrim(processing::GetRemoteData(url, charset));
  if (page.empty()) {
    processing::ShowErrorTable("获取远程信息出错！请确定你的远程连接代码输入无误。");
    return false;
  }
  std::string title = ReadTitle(codes, page);
  if (title.empty()) {
    processing::ShowErrorTable("获取标题代码出错！请确定你的代码输入正确。");
    return false;
  }
  std::string content = ReadContent(codes, page);
  if (content.empty()) {
    processing::ShowErrorTable("获取文章内容代码出错！请确定你的代码输入正确。");
    return false;
  }

  // The class: the item's own, which must be a leaf of this channel that
  // holds entries, or the one the page names.
  TemplateValues tags;
  tags.NewsTitle = title;
  article.ClassID = item_.ClassID;
  if (item_.AutoClass < 1) {
    std::shared_ptr<ado::Recordset> rs = process.Execute(vb::Variant(
        "SELECT ClassID FROM [QX_Classify] WHERE ChannelID=" + std::to_string(ChannelID_) +
        " And ClassID=" + std::to_string(item_.ClassID) + " And child=0 And TurnLink=0"));
    if (!rs) vb::Raise(vb::kErrObjectNotSet);
    if (rs->Eof() || item_.ClassID == 0) {
      processing::ShowErrorTable(
          "<li>分类ID错误！可能这个分类是外部连接。</li><li>请编辑采集项目重新选择分类。</li>");
      return false;
    }
  } else {
    article.parent = ReadClassName(codes, kParentClassBegin, page, tags);
    tags.ParentName = article.parent;
    article.child = ReadClassName(codes, kChildClassBegin, page, tags);
    tags.ChildName = article.child;
    article.parentRuled = processing::CheckNostr(article.parent);
    article.childRuled = processing::CheckNostr(article.child);
    if (!item_.RetuneClass.empty()) {
      article.parentRuled = processing::ReplaceClass(article.parentRuled, item_.RetuneClass);
      article.childRuled = processing::ReplaceClass(article.childRuled, item_.RetuneClass);
    }
    article.ClassID =
        GetClassID(ChannelID_, vb::Trim(article.parentRuled), vb::Trim(article.childRuled));
    if (article.ClassID == 0) {
      processing::ShowErrorTable(
          "<li>自动获取分类错误！可能这个分类是外部连接。</li><li>目标类别：" +
          HtmlText(article.parent) + " / " + HtmlText(article.child) + " </li><li>当前类别：" +
          HtmlText(article.parentRuled) + " / " + HtmlText(article.childRuled) + " </li>");
      return false;
    }
  }

  article.author = ReadAuthor(codes, page, tags);
  tags.NewsAuthor = article.author;
  article.source = ReadSource(codes, page, tags);
  tags.NewsComeFrom = article.source;
  article.writeTime = ReadWriteTime(codes, page, tags, item_.IsNowTime);

  if (PagingOn(codes, item_.IsNextPage)) {
    bool found_area = false;
    const std::string& searched = item_.IsNextPage == 1 ? content : page;
    std::string extra = ContinuationPages(codes, url, charset, searched, &found_area);
    if (found_area) {
      content += extra;
      content = processing::CheckMatch(content, codes[kPagingAreaBegin], codes[kPagingAreaEnd]);
    }
  }

  std::string cleaned = processing::Html2Ubb(content, item_.RemoveCode);
  cleaned = ApplyFilters(std::move(cleaned), codes);
  if (!item_.strReplace.empty()) {
    cleaned = processing::ReplaceClass(cleaned, item_.strReplace);
    article.source = processing::ReplaceClass(article.source, item_.strReplace);
  }
  article.content = std::move(cleaned);

  article.title = processing::FormatStr(processing::CheckNostr(title));
  article.AllHits = item_.AllHits == 999 ? processing::GetRndHits() : item_.AllHits;
  article.key = TitleKey(article.title);
  return true;
}

}  // namespace ostrel::articles
