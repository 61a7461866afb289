// FlashCollection: one Flash entry fetched from its page and cut by the
// item's codes, in the order the fields depend on each other (a later code
// may name an earlier value through a template tag), then cleaned. The
// gathering run and the editor's trial run both read entries here; what
// differs between them is listed where it happens. Also the separate
// download page's link and the source text's addresses made links.
#include <string>
#include <vector>

#include "gathering/common/code_list.h"
#include "gathering/flash/flash_collection.h"
#include "gathering/flash/flash_entry.h"
#include "platform/text/regexp.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"
#include "processing/remote_fetch.h"
#include "processing/tag_filter.h"
#include "processing/text_cutting.h"
#include "processing/url_fixing.h"
#include "processing/value_checks.h"

namespace ostrel::flash {
namespace {

using gathering::CodeList;
using gathering::IsUnset;
using processing::CheckHTML;
using processing::CheckNostr;
using processing::CutFixed;

// The values template tags stand for, as far as they are known.
struct Tags {
  const std::string* FlashTitle = nullptr;
  const std::string* ParentName = nullptr;
  const std::string* ChildName = nullptr;
  const std::string* SoftType = nullptr;
};

std::string Substitute(std::string code, const Tags& tags) {
  if (tags.FlashTitle) code = vb::Replace(code, "{@FlashTitle}", *tags.FlashTitle);
  if (tags.ParentName) code = vb::Replace(code, "{@ParentName}", *tags.ParentName);
  if (tags.ChildName) code = vb::Replace(code, "{@ChildName}", *tags.ChildName);
  if (tags.SoftType) code = vb::Replace(code, "{@SoftType}", *tags.SoftType);
  return code;
}

// The first cut of the pair at begin, tags replaced in both codes.
std::string Cut(const CodeList& codes, int32_t begin, const std::string& page,
                const Tags& tags = {}) {
  return CutFixed(page, Substitute(codes[begin], tags), Substitute(codes[begin + 1], tags), false);
}

// A value whose end code stands for it when its begin code is unset: the
// end code trimmed, or "" when that is unset too.
std::string Literal(const CodeList& codes, int32_t begin) {
  const std::string& end = codes[begin + 1];
  return IsUnset(end) ? std::string() : vb::Trim(end);
}

std::string ClassName(const CodeList& codes, int32_t begin, const std::string& page,
                      const Tags& tags) {
  if (IsUnset(codes[begin])) return Literal(codes, begin);
  return CheckHTML(Cut(codes, begin, page, tags));
}

// Source, author and other description: cut, trimmed and stripped of
// tags, or literal; then CheckNostr.
std::string TextField(const CodeList& codes, int32_t begin, const std::string& page,
                      const Tags& tags) {
  if (IsUnset(codes[begin])) return CheckNostr(Literal(codes, begin));
  return CheckNostr(CheckHTML(vb::Trim(Cut(codes, begin, page, tags))));
}

}  // namespace

std::string FlashCollection::GetDownPageLink(std::string address, std::string listBegin,
                                             std::string listEnd, std::string linkBegin,
                                             std::string linkEnd, std::string charset) {
  const std::string html =
      processing::ReplaceTrim(processing::GetRemoteData(address, charset), false);
  if (html.empty() || listBegin.empty() || listEnd == "0") return "";
  const std::string area = processing::ReplaceTrim(CutFixed(html, listBegin, listEnd, false), true);
  if (area.empty() || linkBegin.empty() || linkEnd == "0") return "";
  const std::string link = CheckNostr(CutFixed(area, linkBegin, linkEnd, false));
  if (link.empty()) return "";
  if (vb::Len(FixedDownPath_) < 9) return processing::FormatRemoteUrl(address, link);
  return FixedDownPath_ + link;
}

std::string FlashCollection::ReadComeFrom(std::string strContent) {
  if (vb::Trim(strContent).empty()) return "";
  std::string s = " " + strContent + " ";
  auto replace = [&](const char* pattern, const char* replacement) {
    text::RegExp re;
    re.Pattern = pattern;
    re.IgnoreCase = true;
    re.Global = true;
    s = re.Replace(s, replacement);
  };
  replace(
      R"re(^((http|https|ftp|rtsp|mms):(\/\/|\\\\)[A-Za-z0-9\./=\?%\-&_~`@[\]:+!]+([^<>"|'])+))re",
      R"(<a target="_blank" href=$1>$1</a>)");
  replace(
      R"re(((http|https|ftp|rtsp|mms):(\/\/|\\\\)[A-Za-z0-9\./=\?%\-&_~`@[\]:+!]+([^<>"])+)$([^\[|']*))re",
      R"(<a target="_blank" href=$1>$1</a>)");
  replace(
      R"re(([^>="])((http|https|ftp|rtsp|mms):(\/\/|\\\\)[A-Za-z0-9\./=\?%\-&_~`@[\]:+!]+([^<>"|'])+))re",
      R"($1<a target="_blank" href=$2>$2</a>)");
  replace(
      R"re(([\s])((www|cn)[.](\w)+[.]{1,}(net|com|cn|org|cc)(((\/[\~]*|\\[\~]*)(\w)+)|[.](\w)+)*(((([?](\w)+){1}[=]*))*((\w)+){1}([\&](\w)+[\=](\w)+)*)*))re",
      R"(<a target="_blank" href="http://$2">$2</a>)");
  return vb::Trim(s);
}

std::string FlashCollection::ExtractFlashEntry(const std::string& link,
                                               const std::string& listThumb, EntryReading reading,
                                               FlashEntry& entry) {
  const bool run = reading == EntryReading::kRun;
  const CodeList codes(item_.FindInfoCode);
  const std::string charset = vb::Trim(item_.Encoding);
  entry.url = vb::Trim(link);
  entry.page_text = processing::ReplaceTrim(processing::GetRemoteData(entry.url, charset), false);
  const std::string& page = entry.page_text;
  if (page.empty()) return "获取远程信息出错！请确定你的远程连接代码输入无误。";

  std::string title = vb::Trim(CheckHTML(Cut(codes, kTitleBegin, page)));
  if (title.empty()) return "获取软件名称代码出错！请确定你的代码输入正确。";
  Tags tags{.FlashTitle = &title};

  entry.intro = Cut(codes, kIntroBegin, page);
  if (entry.intro.empty()) entry.intro = title;
  entry.intro = processing::Html2Ubb(entry.intro, item_.RemoveCode);

  // The class names: a run cuts them only to find the class by them; the
  // trial shows them as cut.
  const std::string none;
  tags.ParentName = &none;
  tags.ChildName = &none;
  if (!run || item_.AutoClass >= 1) {
    entry.parentRaw = ClassName(codes, kParentBegin, page, tags);
    tags.ParentName = &entry.parentRaw;
    entry.childRaw = ClassName(codes, kChildBegin, page, tags);
    if (run && vb::Len(entry.childRaw) > 22) entry.childRaw.clear();
    tags.ChildName = &entry.childRaw;
  }
  entry.parent = entry.parentRaw;
  entry.child = entry.childRaw;
  if (run) {
    const std::string error = ResolveFlashClass(entry);
    if (!error.empty()) return error;
  }

  // Without a begin code the time is the time of gathering, whatever the
  // end code holds.
  entry.updateTime = gathering::GatheredTimeText(
      codes[kTimeBegin], "", [&] { return Cut(codes, kTimeBegin, page); },
      run ? item_.IsNowTime : 0);
  if (!IsUnset(codes[kSizeBegin])) {
    const std::string size = vb::Trim(CheckNostr(CheckHTML(Cut(codes, kSizeBegin, page))));
    entry.size = vb::CLng(vb::Variant(processing::FormatSize(size)));
  }

  entry.source = TextField(codes, kSourceBegin, page, tags);
  entry.author = TextField(codes, kAuthorBegin, page, tags);
  tags.SoftType = &entry.author;
  entry.describe = TextField(codes, kDescribeBegin, page, tags);

  if (vb::Len(listThumb) >= 6) {
    entry.thumbnail = listThumb;
  } else if (!IsUnset(codes[kThumbBegin])) {
    entry.thumbnail = processing::FormatRemoteUrl(
        entry.url, CheckNostr(CheckHTML(vb::Trim(Cut(codes, kThumbBegin, page)))));
  }

  FixedDownPath_ = vb::Len(codes[kFixedDownPath]) >= 9 ? vb::Trim(codes[kFixedDownPath]) : "";

  // The download address. A run without a list code gathers none; the
  // trial asks for the codes.
  if (IsUnset(codes[kDownAreaBegin])) {
    if (!run) return "请输入获取下载地址列表代码！";
  } else {
    const std::string area = processing::ReplaceTrim(
        CutFixed(page, codes[kDownAreaBegin], codes[kDownAreaBegin + 1], false), true);
    if (area.empty()) return "获取下载地址列表错误！请确定你的代码输入正确。";
    if (!run || vb::Len(area) > 10) {
      if (IsUnset(codes[kDownLinkBegin])) return "请输入获取下载连接代码！";
      const std::string dl =
          CheckNostr(CutFixed(area, codes[kDownLinkBegin], codes[kDownLinkBegin + 1], false));
      if (dl.empty()) return "获取下载连接错误！请确定你的代码输入正确。";
      entry.downAddress = item_.downpage == 0 && !FixedDownPath_.empty()
                              ? FixedDownPath_ + dl
                              : processing::FormatRemoteUrl(entry.url, dl);
      if (item_.downpage >= 1 && (!run || vb::Len(entry.downAddress) >= 9)) {
        const std::string r = GetDownPageLink(
            entry.downAddress, codes[kDownPageAreaBegin], codes[kDownPageAreaBegin + 1],
            codes[kDownPageLinkBegin], codes[kDownPageLinkBegin + 1], charset);
        if (!r.empty()) entry.downAddress = r;
      }
    }
  }

  // Cleaning the introduction.
  for (int32_t filter : {kFilterString1, kFilterString2}) {
    if (!IsUnset(codes[filter])) entry.intro = vb::Replace(entry.intro, codes[filter], "");
  }
  if (!IsUnset(codes[kMatchFilterBegin]) && (!run || !IsUnset(codes[kMatchFilterBegin + 1]))) {
    entry.intro =
        processing::CheckMatch(entry.intro, codes[kMatchFilterBegin], codes[kMatchFilterBegin + 1]);
  }
  if (!item_.strReplace.empty()) {
    entry.intro = processing::ReplaceClass(entry.intro, item_.strReplace);
  }
  entry.title = CheckNostr(title);
  return "";
}

std::string FlashCollection::ResolveFlashClass(FlashEntry& entry) {
  if (item_.AutoClass < 1) {
    // The item's own class: a leaf of this channel that holds entries.
    std::shared_ptr<ado::Recordset> rs = Process().Execute(
        vb::Variant("SELECT ClassID,rootid,depth,HtmlFileDir FROM [QX_Classify] WHERE ChannelID=" +
                    std::to_string(ChannelID_) + " And ClassID=" + std::to_string(item_.ClassID) +
                    " And child=0 And TurnLink=0"));
    if (!rs) vb::Raise(vb::kErrObjectNotSet);
    if (rs->Eof()) {
      return "<li>分类ID错误！可能这个分类是外部连接。</li><li>请编辑采集项目重新选择分类。</li>";
    }
    entry.ClassID = item_.ClassID;
    return "";
  }
  entry.parent = CheckNostr(entry.parentRaw);
  entry.child = CheckNostr(entry.childRaw);
  if (!item_.RetuneClass.empty()) {
    entry.parent = processing::ReplaceClass(entry.parent, item_.RetuneClass);
    entry.child = processing::ReplaceClass(entry.child, item_.RetuneClass);
  }
  entry.ClassID = GetClassID(ChannelID_, vb::Trim(entry.parent), vb::Trim(entry.child));
  if (entry.ClassID != 0) return "";
  // The names came from a remote page: they reach the error table as text.
  auto text = [](const std::string& s) { return processing::HtmlText(vb::Variant(s)); };
  return "<li>自动获取分类错误！可能这个分类是外部连接。</li><li>目标类别：" +
         text(entry.parentRaw) + " / " + text(entry.childRaw) + " </li><li>当前类别：" +
         text(entry.parent) + " / " + text(entry.child) + " </li>";
}

}  // namespace ostrel::flash
