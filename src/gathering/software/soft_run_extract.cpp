// SoftCollection.SaveSoftData, first half: one software page fetched and
// cut into the entry's fields by the item's codes, its class resolved, its
// thumbnail saved, its download addresses collected (through a separate
// download page when the item asks) and its texts cleaned; then the
// entry's progress panel. Every rejection writes one error table and
// stores nothing; the run goes on with the next link.
#include <string>
#include <vector>

#include "gathering/common/code_list.h"
#include "gathering/software/soft_collection.h"
#include "gathering/software/soft_run_types.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"
#include "processing/remote_saving.h"
#include "processing/tag_filter.h"
#include "processing/text_cutting.h"
#include "processing/url_fixing.h"
#include "processing/value_checks.h"

namespace ostrel::software {
namespace {

using gathering::CodeList;
using gathering::IsUnset;
using processing::HtmlAttribute;
using processing::HtmlText;

constexpr const char* kDefaultLanguage = "简体中文";
constexpr const char* kDefaultType = "国产软件";
constexpr const char* kDefaultImpower = "免费软件";
constexpr const char* kDefaultRunSystem = "Win9X/Win2000/WinXP/Win2003";

// The values that template tags in later codes stand for.
struct Tags {
  std::string SoftName;
  std::string ParentName;
  std::string ChildName;
  std::string SoftType;
};

enum TagSet { kNoTags = 0, kName = 1, kParent = 2, kChild = 4, kType = 8 };

std::string WithTags(std::string code, const Tags& tags, int which) {
  if (which & kName) code = vb::Replace(code, "{@SoftName}", tags.SoftName);
  if (which & kParent) code = vb::Replace(code, "{@ParentName}", tags.ParentName);
  if (which & kChild) code = vb::Replace(code, "{@ChildName}", tags.ChildName);
  if (which & kType) code = vb::Replace(code, "{@SoftType}", tags.SoftType);
  return code;
}

// The text between the pair of codes at begin (tags replaced).
std::string Cut(const std::string& page, const CodeList& codes, int32_t begin, const Tags& tags,
                int which) {
  return processing::CutFixed(page, WithTags(codes[begin], tags, which),
                              WithTags(codes[begin + 1], tags, which));
}

// A short text field: cut and stripped of tags when its begin code is set,
// else the end code as a literal value, else the default; then CheckNostr,
// and a value outside [2, longest] characters gives the default.
std::string ShortField(const std::string& page, const CodeList& codes, int32_t begin,
                       const Tags& tags, int which, const std::string& fallback, int32_t longest) {
  std::string value;
  if (!IsUnset(codes[begin])) {
    value = processing::CheckHTML(vb::Trim(Cut(page, codes, begin, tags, which)));
  } else if (!IsUnset(codes[begin + 1])) {
    value = vb::Trim(codes[begin + 1]);
  } else {
    value = fallback;
  }
  value = processing::CheckNostr(value);
  const int32_t length = vb::Len(value);
  if (length < 2 || length > longest) value = fallback;
  return value;
}

// A class name: cut when its begin code is set, else the end code
// trimmed; longer than 22 characters is no class name.
std::string ClassName(const std::string& page, const CodeList& codes, int32_t begin,
                      const Tags& tags, int which) {
  std::string value;
  if (!IsUnset(codes[begin])) {
    value = processing::CheckHTML(Cut(page, codes, begin, tags, which));
  } else if (!IsUnset(codes[begin + 1])) {
    value = vb::Trim(codes[begin + 1]);
  }
  return vb::Len(value) > 22 ? "" : value;
}

}  // namespace

std::string SoftCollection::ReplaceSoftType(std::string strType, std::string ReplaceList) {
  if (vb::Len(ReplaceList) < 3) return vb::Trim(strType);
  if (strType.empty()) return "";
  for (const std::string& rule : vb::Split(ReplaceList, "$$$")) {
    if (vb::Len(rule) <= 2) continue;
    const std::vector<std::string> pieces = vb::Split(rule, "|");
    if (pieces.size() < 2) continue;
    strType = vb::Replace(strType, pieces[0], pieces[1]);
  }
  return vb::Trim(strType);
}

std::string SoftCollection::GetDownPageLinks(std::string url, std::string areaBegin,
                                             std::string areaEnd, std::string linkBegin,
                                             std::string linkEnd, std::string charset) {
  const std::string page = processing::ReplaceTrim(processing::GetRemoteData(url, charset));
  if (page.empty()) return "";
  if (areaBegin.empty() || areaEnd == "0") return "";
  if (processing::ReplaceTrim(processing::CutFixed(page, areaBegin, areaEnd), true).empty()) {
    return "";
  }
  if (linkBegin.empty() || linkEnd == "0") return "";
  // The links are searched in the whole page: the area only has to be there.
  const std::string links = processing::FindMatch(page, linkBegin, linkEnd);
  if (links.empty()) return "";
  std::vector<std::string> absolute;
  for (const std::string& link : vb::Split(links, "|||")) {
    if (!link.empty()) absolute.push_back(processing::FormatRemoteUrl(url, link));
  }
  return vb::Join(absolute, "|||");
}

bool SoftCollection::ExtractSoft(const std::string& argument, GatheredSoft& soft) {
  processing::VBProcess& process = Process();
  asp::Request& request = host_.Request();
  ItemID_ = process.ChkNumeric(vb::CStr(request.Item("ItemID")));
  soft.page = process.ChkNumeric(vb::CStr(request.Item("page")));
  soft.D = vb::CStr(vb::Variant(
      vb::CCur(request.Item("d").IsEmpty() ? vb::Variant(int32_t{0}) : request.Item("d"))));
  if (ItemID_ == 0) return false;
  vb::Variant item_id(ItemID_);
  ReadSoftItem(item_id);
  const std::string charset = vb::Trim(item_.Encoding);
  const int32_t MaxAddress = process.ChkNumeric(std::to_string(item_.MaxAddress));
  const CodeList codes(item_.FindInfoCode);

  entry_url_ = vb::Trim(argument);
  const std::string& url = entry_url_;
  if (vb::Len(url) < 10) return false;
  const std::string page = gathering::FetchEntryPage(url, charset);
  if (page.empty()) return false;
  Tags tags;
  std::string name = gathering::CutEntryName(page, codes);
  if (name.empty()) return false;
  tags.SoftName = name;

  if (!IsUnset(codes[38])) {
    soft.version =
        processing::CheckNostr(processing::CheckHTML(vb::Trim(Cut(page, codes, 38, tags, kName))));
  }
  if (vb::Len(soft.version) > 40) soft.version = "";

  std::string content = processing::CutFixed(page, codes[2], codes[3]);
  if (vb::Len(content) < 5) content = name;
  content = processing::Html2Ubb(content, item_.RemoveCode);

  if (item_.AutoClass > 0) {
    soft.parent = ClassName(page, codes, 4, tags, kName);
    tags.ParentName = soft.parent;
    soft.child = ClassName(page, codes, 6, tags, kName | kParent);
    tags.ChildName = soft.child;
  }

  soft.ClassID = EntryClass(item_.AutoClass > 0, item_.ClassID, soft.parent, soft.child,
                            item_.RetuneClass, soft.parentRuled, soft.childRuled);
  if (soft.ClassID == 0) return false;

  if (item_.IsNowTime != 0) {
    soft.updateTime = vb::DateText(vb::Now());
  } else if (!IsUnset(codes[8])) {
    soft.updateTime = vb::DateText(processing::Formatime(vb::Trim(
        processing::CheckNostr(processing::CheckHTML(Cut(page, codes, 8, tags, kNoTags))))));
  } else {
    const std::string day = vb::Trim(codes[9]);
    soft.updateTime = vb::DateText(vb::Now());
    if (vb::IsDate(vb::Variant(day))) {
      soft.updateTime = vb::DateText(vb::CDate(vb::Variant(
          vb::ShortDateText(vb::CDate(vb::Variant(day))) + " " + vb::LongTimeText(vb::Now()))));
    }
  }

  SoftSize = 0;
  if (!IsUnset(codes[10])) {
    const vb::Currency size = processing::FormatSize(vb::Trim(
        processing::CheckNostr(processing::CheckHTML(Cut(page, codes, 10, tags, kNoTags)))));
    SoftSize = vb::CLng(vb::Variant(size));
  }

  const int all = kName | kParent | kChild;
  soft.language = ShortField(page, codes, 12, tags, all, kDefaultLanguage, 20);
  soft.type = ShortField(page, codes, 14, tags, all, kDefaultType, 20);
  if (vb::Len(ReplaceType_) >= 4) {
    if (!ClassNameType_) {
      soft.type = ReplaceSoftType(soft.type, ReplaceType_);
    } else if (!soft.parentRuled.empty()) {
      soft.type = ReplaceSoftType(soft.parentRuled, ReplaceType_);
    } else if (!soft.childRuled.empty()) {
      soft.type = ReplaceSoftType(soft.childRuled, ReplaceType_);
    }
  }
  tags.SoftType = soft.type;
  soft.impower = ShortField(page, codes, 16, tags, all | kType, kDefaultImpower, 20);
  soft.runSystem = ShortField(page, codes, 18, tags, kNoTags, kDefaultRunSystem, 48);

  if (!IsUnset(codes[20])) {
    soft.contact = processing::CheckHTML(vb::Trim(Cut(page, codes, 20, tags, kNoTags)));
  } else {
    soft.contact = IsUnset(codes[21]) ? " " : vb::Trim(codes[21]);
  }
  soft.contact = processing::CheckNostr(soft.contact);
  if (vb::Len(soft.contact) > 100) soft.contact = " ";

  if (!IsUnset(codes[22])) {
    soft.homepage =
        processing::FormatUrl(processing::CheckHTML(vb::Trim(Cut(page, codes, 22, tags, kNoTags))));
  } else {
    soft.homepage = IsUnset(codes[23]) ? "http://" : processing::FormatUrl(vb::Trim(codes[23]));
  }
  if (vb::Len(soft.homepage) > 100) soft.homepage = "http://";

  if (!IsUnset(codes[24])) {
    const std::string picture = processing::FormatRemoteUrl(
        url, processing::CheckNostr(
                 processing::CheckHTML(vb::Trim(Cut(page, codes, 24, tags, kNoTags)))));
    const std::string ext = picture.empty() ? "" : vb::LCase(processing::GetFileExtName(picture));
    if (gathering::IsPictureExtension(ext)) {
      const std::string file = process.GetRndFileName(ext);
      const std::string folder = "UploadPic/" + process.BuildDatePath(item_.PathForm);
      const std::string physical = process.CheckMapPath(ChannelPath_ + folder, true);
      process.CreatedPathEx(physical);
      if (process.SaveRemoteFile(physical + file, picture)) {
        soft.thumbnail = folder + file;
        entry_files_.push_back(physical + file);
      }
    }
  }

  if (IsUnset(codes[26])) {
    processing::ShowErrorTable("请输入获取下载地址列表代码！");
    return false;
  }
  const std::string list =
      processing::ReplaceTrim(processing::CutFixed(page, codes[26], codes[27]), true);
  if (list.empty()) {
    processing::ShowErrorTable("获取下载地址列表错误！请确定你的代码输入正确。");
    return false;
  }
  if (IsUnset(codes[28])) {
    processing::ShowErrorTable("请输入获取下载连接代码！");
    return false;
  }
  // The links are kept as found: a percent-encoded link stays valid for the
  // download. What is stored passes through CheckNostr (StoreSoft).
  const std::string found = processing::FindMatch(list, codes[28], codes[29]);
  if (processing::CheckNostr(found).empty()) {
    processing::ShowErrorTable("获取下载连接错误！请确定你的代码输入正确。");
    return false;
  }
  std::vector<std::string> links = vb::Split(found, "|||");
  if (item_.downpage > 0) {
    const std::string d = GetDownPageLinks(processing::FormatRemoteUrl(url, links[0]), codes[30],
                                           codes[31], codes[32], codes[33], charset);
    if (vb::Len(d) > 1) links = vb::Split(d, "|||");
  }
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

  if (!IsUnset(codes[34])) content = vb::Replace(content, codes[34], "");
  if (!IsUnset(codes[35])) content = vb::Replace(content, codes[35], "");
  if (!IsUnset(codes[36]) && !IsUnset(codes[37])) {
    content = processing::CheckMatch(content, codes[36], codes[37]);
  }
  if (!item_.strReplace.empty()) {
    content = processing::ReplaceClass(content, item_.strReplace);
    if (!soft.homepage.empty()) {
      soft.homepage = processing::ReplaceClass(soft.homepage, item_.strReplace);
    }
    if (!soft.contact.empty()) {
      soft.contact = processing::ReplaceClass(soft.contact, item_.strReplace);
    }
  }
  soft.content = std::move(content);
  soft.type = vb::Replace(soft.type, "注册/破解补丁", "破解注册");
  soft.name = processing::FormatStr(processing::CheckNostr(name));
  soft.AllHits = item_.AllHits == 999 ? processing::GetRndHits() : item_.AllHits;

  WriteProgressPanel(soft);
  return true;
}

void SoftCollection::WriteProgressPanel(GatheredSoft& soft) {
  asp::Response& out = host_.Response();
  const bool downloading = settings_.UseDownload >= 1 && item_.IsDown >= 1;
  const std::string row = "   </td> </tr><tr><td class=TableRow1 style=\"line-height: 20px;\">";
  out.Write(
      "<p></p><br><table border=0 align=center cellpadding=3 cellspacing=0 class=TableBorder>"
      " <tr>   <th><span id=txt1>正在采集，请稍候....</span></th> </tr> <tr>"
      "   <td class=TableRow1 style=\"line-height: 20px;\">");
  if (settings_.isProgress != 0 && downloading) {
    if (settings_.isProgress == 2 || settings_.isProgress == 3) {
      ShowProgressBar();
      out.Write(row);
    }
    if (settings_.isProgress == 1 || settings_.isProgress == 3) {
      out.Write("<span id=Proess1 style=\"color: " + HtmlAttribute(vb::Variant(SpeedColor_)) +
                ";\"></span>  <span id=Proess2 style=\"color: blue;\"></span>" + row);
    }
  }
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
  out.Write(
      "<br><span id=txt5 name=txt5 style=\"font-size:9pt;color:red\"></span><br><div "
      "align=center>");
  out.Write("[<a href='?ChannelID=" + std::to_string(ChannelID_) +
            "'><font color=blue>停止采集</font></a>]&nbsp;&nbsp;&nbsp;&nbsp;");
  out.Write("[<a href='?action=savenew&ChannelID=" + std::to_string(ChannelID_) +
            "&page=" + std::to_string(int64_t{soft.page} + 1) +
            "&ItemID=" + std::to_string(ItemID_) + "&D=" + HtmlAttribute(vb::Variant(soft.D)) +
            "'><font color=red>跳过采集</font></a>]</div>");
  out.Write("   </td> </tr></table>");
  out.Flush();
}

}  // namespace ostrel::software
