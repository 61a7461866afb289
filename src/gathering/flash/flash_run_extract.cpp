// FlashCollection.SaveFlashData, first half: one Flash entry page fetched
// and cut into the entry's fields by the item's codes, its class resolved,
// its thumbnail and file address found (through a separate download page
// when the item asks) and its texts cleaned; then the entry's progress
// panel. Every rejection writes one error table and stores nothing; the run
// goes on with the next line. Also ReadComeFrom, which the trial run uses.
#include <string>
#include <vector>

#include "gathering/common/code_list.h"
#include "gathering/flash/flash_collection.h"
#include "gathering/flash/flash_run_types.h"
#include "platform/text/regexp.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/escaping.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"
#include "processing/tag_filter.h"
#include "processing/text_cutting.h"
#include "processing/url_fixing.h"
#include "processing/value_checks.h"

namespace ostrel::flash {
namespace {

using gathering::CodeList;
using gathering::IsUnset;
using processing::HtmlAttribute;
using processing::HtmlText;

// The values that template tags in later codes stand for.
struct Tags {
  std::string FlashTitle;
  std::string ParentName;
  std::string ChildName;
  std::string SoftType;  // the author
};

enum TagSet { kTitle = 1, kParent = 2, kChild = 4, kAuthor = 8 };

std::string WithTags(std::string code, const Tags& tags, int which) {
  if (which & kTitle) code = vb::Replace(code, "{@FlashTitle}", tags.FlashTitle);
  if (which & kParent) code = vb::Replace(code, "{@ParentName}", tags.ParentName);
  if (which & kChild) code = vb::Replace(code, "{@ChildName}", tags.ChildName);
  if (which & kAuthor) code = vb::Replace(code, "{@SoftType}", tags.SoftType);
  return code;
}

// The text between the pair of codes at begin, tags replaced.
std::string Cut(const std::string& page, const CodeList& codes, int32_t begin, const Tags& tags,
                int which) {
  return processing::CutFixed(page, WithTags(codes[begin], tags, which),
                              WithTags(codes[begin + 1], tags, which));
}

// A field whose begin code may be unset: then the end code, trimmed, is the
// value itself. A cut value is stripped of tags.
std::string Field(const std::string& page, const CodeList& codes, int32_t begin, const Tags& tags,
                  int which) {
  if (IsUnset(codes[begin])) return IsUnset(codes[begin + 1]) ? "" : vb::Trim(codes[begin + 1]);
  return processing::CheckHTML(vb::Trim(Cut(page, codes, begin, tags, which)));
}

// A link element for address: the address quoted and encoded, so that no
// address text can end the attribute or add one.
std::string LinkTo(const std::string& href, const std::string& shown) {
  return "<a target=\"_blank\" href=\"" + HtmlAttribute(vb::Variant(href)) + "\">" +
         HtmlText(vb::Variant(shown)) + "</a>";
}

// Each match of pattern in text replaced by what make gives for it.
template <class Make>
std::string ReplaceMatches(const std::string& text, const char* pattern, Make make) {
  text::RegExp re;
  re.Pattern = pattern;
  re.IgnoreCase = true;
  re.Global = true;
  std::string out;
  size_t from = 0;
  for (const text::Match& m : re.Execute(text)) {
    out.append(text, from, m.ByteOffset() - from);
    out += make(m);
    from = m.ByteOffset() + m.Value().size();
  }
  out.append(text, from, std::string::npos);
  return out;
}

}  // namespace

std::string FlashCollection::ReadComeFrom(std::string strContent) {
  if (vb::Trim(strContent).empty()) return "";
  std::string text = " " + strContent + " ";
  // A full address not already inside a tag or an attribute, quoted or not
  // (the character before it is no ">", "=" or quote); it ends at a blank.
  text = ReplaceMatches(text,
                        "([^>=\"'])((http|https|ftp|rtsp|mms):(\\/\\/|\\\\\\\\)"
                        "[A-Za-z0-9\\./=\\?%\\-&_~`@[\\]:+!]+[^<>\"|'\\s]*)",
                        [](const text::Match& m) {
                          return m.SubMatches(0) + LinkTo(m.SubMatches(1), m.SubMatches(1));
                        });
  // A bare domain of the web after a blank, which the link takes the place of.
  text = ReplaceMatches(
      text,
      "([\\s])((www|cn)[.](\\w)+[.]{1,}(net|com|cn|org|cc)(((\\/"
      "[\\~]*|\\\\[\\~]*)(\\w)+)|[.](\\w)+)*"
      "(((([?](\\w)+){1}[=]*))*((\\w)+){1}([\\&](\\w)+[\\=](\\w)+)*)*)",
      [](const text::Match& m) { return LinkTo("http://" + m.SubMatches(1), m.SubMatches(1)); });
  return vb::Trim(text);
}

std::string FlashCollection::GetDownPageLink(
    const std::string& address, const std::string& listBegin, const std::string& listEnd,
    const std::string& linkBegin, const std::string& linkEnd, const std::string& charset) {
  const std::string html = processing::ReplaceTrim(processing::GetRemoteData(address, charset));
  if (html.empty() || listBegin.empty() || listEnd == "0") return "";
  const std::string area =
      processing::ReplaceTrim(processing::CutFixed(html, listBegin, listEnd), true);
  if (area.empty() || linkBegin.empty() || linkEnd == "0") return "";
  const std::string link = processing::CheckNostr(processing::CutFixed(area, linkBegin, linkEnd));
  if (link.empty()) return "";
  return vb::Len(fixed_path_) < 9 ? processing::FormatRemoteUrl(address, link) : fixed_path_ + link;
}

bool FlashCollection::ExtractFlash(const std::string& line, GatheredFlash& flash) {
  processing::VBProcess& process = Process();
  asp::Request& request = host_.Request();
  if (vb::Len(line) < 10) return false;
  ItemID_ = process.ChkNumeric(vb::CStr(request.Item("ItemID")));
  if (ItemID_ == 0) return false;
  vb::TryStep([&] { flash.page = process.ChkNumeric(vb::CStr(request.Item("page"))); });
  flash.D = "0";
  vb::TryStep([&] {
    if (!request.Item("d").IsEmpty()) flash.D = vb::CStr(vb::Variant(vb::CCur(request.Item("d"))));
  });
  vb::Variant item_id(ItemID_);
  ReadFlashItem(item_id);
  const std::string charset = vb::Trim(item_.Encoding);
  const CodeList codes(item_.FindInfoCode);

  const std::vector<std::string> parts = vb::Split(line, "|");
  std::string listThumb;
  if (parts.size() > 1) {
    entry_url_ = parts[0];
    listThumb = parts[1];
  } else {
    entry_url_ = vb::Trim(line);
  }
  const std::string& link = entry_url_;
  if (vb::Len(link) < 10) return false;
  const std::string html = processing::ReplaceTrim(processing::GetRemoteData(link, charset));
  if (html.empty()) {
    processing::ShowErrorTable("获取远程信息出错！请确定你的远程连接代码输入无误。");
    return false;
  }
  Tags tags;
  std::string title =
      vb::Trim(processing::CheckHTML(processing::CutFixed(html, codes[0], codes[1])));
  if (title.empty()) {
    processing::ShowErrorTable("获取软件名称代码出错！请确定你的代码输入正确。");
    return false;
  }
  tags.FlashTitle = title;

  std::string intro = processing::CutFixed(html, codes[2], codes[3]);
  if (intro.empty()) intro = title;
  intro = processing::Html2Ubb(intro, item_.RemoveCode);

  if (item_.AutoClass >= 1) {
    flash.parent = Field(html, codes, 4, tags, kTitle);
    tags.ParentName = flash.parent;
    flash.child = Field(html, codes, 6, tags, kTitle | kParent);
    if (vb::Len(flash.child) > 22) flash.child = "";
    tags.ChildName = flash.child;
  }
  const std::string wrong_class =
      EntryClass(item_.AutoClass >= 1, item_.ClassID, flash.parent, flash.child, item_.RetuneClass,
                 flash.parentRuled, flash.childRuled, flash.ClassID);
  if (!wrong_class.empty()) {
    processing::ShowErrorTable(wrong_class);
    return false;
  }

  flash.updateTime = vb::DateText(vb::Now());
  if (item_.IsNowTime == 0 && !IsUnset(codes[8])) {
    vb::TryStep([&] {
      flash.updateTime = vb::DateText(processing::Formatime(
          vb::Trim(processing::CheckNostr(processing::CheckHTML(Cut(html, codes, 8, tags, 0))))));
    });
  }

  entry_size_ = 0;
  if (!IsUnset(codes[10])) {
    vb::TryStep([&] {
      const vb::Currency size = processing::FormatSize(
          vb::Trim(processing::CheckNostr(processing::CheckHTML(Cut(html, codes, 10, tags, 0)))));
      entry_size_ = process.ChkNumeric(std::to_string(vb::CLng(vb::Variant(size))));
    });
  }

  const int named = kTitle | kParent | kChild;
  flash.source = processing::CheckNostr(Field(html, codes, 12, tags, named));
  flash.author = processing::CheckNostr(Field(html, codes, 14, tags, named));
  tags.SoftType = flash.author;
  flash.describe = processing::CheckNostr(Field(html, codes, 16, tags, named | kAuthor));

  if (vb::Len(listThumb) >= 6) {
    flash.thumbnail = listThumb;
  } else if (!IsUnset(codes[18])) {
    flash.thumbnail = processing::FormatRemoteUrl(
        link,
        processing::CheckNostr(processing::CheckHTML(vb::Trim(Cut(html, codes, 18, tags, 0)))));
  }

  fixed_path_ = vb::Len(codes[20]) >= 9 ? vb::Trim(codes[20]) : "";
  if (!IsUnset(codes[21])) {
    const std::string list =
        processing::ReplaceTrim(processing::CutFixed(html, codes[21], codes[22]), true);
    if (list.empty()) {
      processing::ShowErrorTable("获取下载地址列表错误！请确定你的代码输入正确。");
      return false;
    }
    if (vb::Len(list) > 10) {
      if (IsUnset(codes[23])) {
        processing::ShowErrorTable("请输入获取下载连接代码！");
        return false;
      }
      const std::string dl =
          processing::CheckNostr(processing::CutFixed(list, codes[23], codes[24]));
      if (dl.empty()) {
        processing::ShowErrorTable("获取下载连接错误！请确定你的代码输入正确。");
        return false;
      }
      flash.downAddress = item_.downpage == 0 && !fixed_path_.empty()
                              ? fixed_path_ + dl
                              : processing::FormatRemoteUrl(link, dl);
    }
    if (item_.downpage >= 1 && vb::Len(flash.downAddress) >= 9) {
      const std::string found =
          GetDownPageLink(flash.downAddress, codes[25], codes[26], codes[27], codes[28], charset);
      if (!found.empty()) flash.downAddress = found;
    }
  }

  if (!IsUnset(codes[29])) intro = vb::Replace(intro, codes[29], "");
  if (!IsUnset(codes[30])) intro = vb::Replace(intro, codes[30], "");
  if (!IsUnset(codes[31]) && !IsUnset(codes[32])) {
    intro = processing::CheckMatch(intro, codes[31], codes[32]);
  }
  if (!item_.strReplace.empty()) intro = processing::ReplaceClass(intro, item_.strReplace);
  flash.intro = std::move(intro);
  flash.title = processing::CheckNostr(title);
  flash.AllHits = item_.AllHits == 999 ? processing::GetRndHits() : item_.AllHits;

  WriteProgressPanel(flash);
  return true;
}

void FlashCollection::WriteProgressPanel(const GatheredFlash& flash) {
  asp::Response& out = host_.Response();
  const std::string cell = "<td class=TableRow1 style=\"line-height: 20px;\">";
  out.Write(
      "<p></p><br><table border=0 align=center cellpadding=3 cellspacing=1 class=TableBorder>"
      " <tr>   <th><span id=txt1>正在采集，请稍候....</span></th> </tr> <tr>   " +
      cell);
  if (settings_.isProgress != 0 && settings_.UseDownload >= 1 && item_.IsDown > 0) {
    if (settings_.isProgress == 2 || settings_.isProgress == 3) {
      ShowProgressBar();
      out.Write("   </td> </tr><tr>" + cell);
    }
    if (settings_.isProgress == 1 || settings_.isProgress == 3) {
      out.Write("<span id=Proess1 style=\"color: " + HtmlAttribute(vb::Variant(SpeedColor_)) +
                ";\"></span>  <span id=Proess2 style=\"color: blue;\"></span>   </td> </tr><tr>" +
                cell);
    }
  }
  // Every remote text is encoded where it is shown.
  auto text = [](const std::string& s) { return HtmlText(vb::Variant(s)); };
  auto link = [&](const std::string& s) {
    return "<a href='" + HtmlAttribute(vb::Variant(s)) + "' target=_blank>" + text(s) + "</a>";
  };
  out.Write("<strong><font color=blue>标题名称：</font></strong><font color=red>" +
            text(flash.title) +
            "</font> &nbsp;&nbsp;<span id=txt2 name=txt2 style=\"font-size:9pt\">正在采集，请稍候"
            "....</span><br>");
  out.Write("<strong><font color=blue>作品来源：</font></strong>" + text(flash.source));
  out.Write("<br><strong><font color=blue>原 作 者：</font></strong>" + text(flash.author));
  if (item_.AutoClass > 0) {
    out.Write("<br><strong><font color=blue>作品类别：</font></strong>" + text(flash.parentRuled) +
              " / " + text(flash.childRuled));
  }
  out.Write(
      "<br><strong><font color=blue>文件大小：</font></strong><span id=txt3 "
      "style=\"font-size:9pt\">" +
      std::to_string(entry_size_) +
      " <b>KB</b></span><br><strong><font color=blue>更新时间：</font></strong>" +
      text(flash.updateTime));
  out.Write("<br><strong><font color=blue>采集页面：</font></strong>" + link(entry_url_));
  out.Write("<br><strong><font color=blue>下载连接：</font></strong>" + link(flash.downAddress));
  // The download scripts fill this span whatever the settings say.
  out.Write("<br><span  id='showaddre'></span>");
  WritePanelEnd(flash.page, flash.D);
  panel_written_ = true;
}

}  // namespace ostrel::flash
