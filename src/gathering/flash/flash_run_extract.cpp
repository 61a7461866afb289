// FlashCollection: one Flash entry fetched from its page and cut by the
// item's codes, in the order the fields depend on each other (a later code
// may name an earlier value through a template tag), then cleaned. The
// gathering run (SaveFlashData's first half, with its progress panel) and
// the editor's trial run both read entries here; what differs between them
// is listed where it happens. Also the separate download page's link and
// ReadComeFrom, which links the addresses of a text.
#include <string>
#include <vector>

#include "gathering/common/code_list.h"
#include "gathering/flash/flash_collection.h"
#include "gathering/flash/flash_entry.h"
#include "gathering/flash/flash_run_types.h"
#include "platform/text/regexp.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
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
using gathering::CutPair;
using gathering::IsUnset;
using gathering::TemplateTags;
using gathering::TextField;
using processing::CheckHTML;
using processing::CheckNostr;
using processing::CutFixed;
using processing::HtmlAttribute;
using processing::HtmlText;

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

std::string FlashCollection::ExtractFlashEntry(const std::string& link,
                                               const std::string& listThumb, EntryReading reading,
                                               FlashEntry& entry) {
  const bool run = reading == EntryReading::kRun;
  const CodeList codes(item_.FindInfoCode);
  const std::string charset = vb::Trim(item_.Encoding);
  std::string title;
  const std::string unread = gathering::ReadEntryPage(link, charset, codes, kTitleBegin, entry.url,
                                                      entry.page_text, title);
  if (!unread.empty()) return unread;
  const std::string& page = entry.page_text;
  TemplateTags tags;
  tags.Set("{@FlashTitle}", &title);

  entry.intro = CutPair(page, codes, kIntroBegin);
  if (entry.intro.empty()) entry.intro = title;
  entry.intro = processing::Html2Ubb(entry.intro, item_.RemoveCode);

  // The class names: a run cuts them only to find the class by them; the
  // trial shows them as cut.
  gathering::CutClassNames(page, codes,
                           {kParentBegin, kChildBegin, !run || item_.AutoClass >= 1, false, run},
                           tags, entry.parent, entry.child);
  entry.parentRuled = entry.parent;
  entry.childRuled = entry.child;
  if (run) {
    const std::string error = ResolveFlashClass(entry);
    if (!error.empty()) return error;
  }

  // Without a begin code the time is the time of gathering, whatever the
  // end code holds.
  entry.updateTime = gathering::GatheredTimeText(
      codes[kTimeBegin], "", [&] { return CutPair(page, codes, kTimeBegin); },
      run ? item_.IsNowTime : 0);
  if (!IsUnset(codes[kSizeBegin])) {
    const std::string size = vb::Trim(CheckNostr(CheckHTML(CutPair(page, codes, kSizeBegin))));
    // A size too large for a whole number is no size.
    vb::TryStep([&] { entry.size = vb::CLng(vb::Variant(processing::FormatSize(size))); });
    // A run keeps no negative size: it is 0.
    if (run) entry.size = processing::ChkNumeric(std::to_string(entry.size));
  }

  entry.source = TextField(page, codes, kSourceBegin, tags, "");
  entry.author = TextField(page, codes, kAuthorBegin, tags, "");
  tags.Set("{@SoftType}", &entry.author);
  entry.describe = TextField(page, codes, kDescribeBegin, tags, "");

  if (vb::Len(listThumb) >= 6) {
    entry.thumbnail = listThumb;
  } else if (!IsUnset(codes[kThumbBegin])) {
    entry.thumbnail = processing::FormatRemoteUrl(
        entry.url, CheckNostr(CheckHTML(vb::Trim(CutPair(page, codes, kThumbBegin)))));
  }

  fixed_path_ = vb::Len(codes[kFixedDownPath]) >= 9 ? vb::Trim(codes[kFixedDownPath]) : "";

  // The download address. A run without a list code gathers none, nor
  // from a list of 10 characters or fewer; the trial asks for the codes.
  std::string dl;
  if (IsUnset(codes[kDownAreaBegin])) {
    if (!run) return std::string(gathering::kNoDownListCode);
  } else {
    const std::string missing = gathering::CutDownLinks(
        page, codes, {kDownAreaBegin, kDownLinkBegin, /*one_link=*/true, run ? 11 : 0}, dl);
    if (!missing.empty()) return missing;
  }
  if (!dl.empty()) {
    dl = CheckNostr(dl);
    entry.downAddress = item_.downpage == 0 && !fixed_path_.empty()
                            ? fixed_path_ + dl
                            : processing::FormatRemoteUrl(entry.url, dl);
    if (item_.downpage >= 1 && (!run || vb::Len(entry.downAddress) >= 9)) {
      const std::string r = GetDownPageLink(
          entry.downAddress, codes[kDownPageAreaBegin], codes[kDownPageAreaBegin + 1],
          codes[kDownPageLinkBegin], codes[kDownPageLinkBegin + 1], charset);
      if (!r.empty()) entry.downAddress = r;
    }
  }

  // Cleaning the introduction.
  entry.intro =
      gathering::FilterByCodes(entry.intro, codes, kFilterString1, kMatchFilterBegin, !run);
  if (!item_.strReplace.empty()) {
    entry.intro = processing::ReplaceClass(entry.intro, item_.strReplace);
  }
  entry.title = CheckNostr(title);
  return "";
}

std::string FlashCollection::ResolveFlashClass(FlashEntry& entry) {
  return EntryClass(item_.AutoClass >= 1, item_.ClassID, entry.parent, entry.child,
                    item_.RetuneClass, entry.parentRuled, entry.childRuled, entry.ClassID);
}

bool FlashCollection::ExtractFlash(const std::string& line, GatheredFlash& flash) {
  processing::VBProcess& process = Process();
  asp::Request& request = host_.Request();
  if (vb::Len(line) < 10) return false;
  ItemID_ = process.ChkNumeric(vb::CStr(request.Item("ItemID")));
  if (ItemID_ == 0) return false;
  ReadEntryStep(true, flash.page, flash.D);
  vb::Variant item_id(ItemID_);
  ReadFlashItem(item_id);

  const std::vector<std::string> parts = vb::Split(line, "|");
  std::string listThumb;
  if (parts.size() > 1) {
    entry_url_ = parts[0];
    listThumb = parts[1];
  } else {
    entry_url_ = vb::Trim(line);
  }
  if (vb::Len(entry_url_) < 10) return false;
  const std::string error = ExtractFlashEntry(entry_url_, listThumb, EntryReading::kRun, flash);
  if (!error.empty()) {
    processing::ShowErrorTable(error);
    return false;
  }
  entry_size_ = flash.size;
  flash.AllHits = item_.AllHits == 999 ? processing::GetRndHits() : item_.AllHits;
  WriteProgressPanel(flash);
  return true;
}

void FlashCollection::WriteProgressPanel(const GatheredFlash& flash) {
  asp::Response& out = host_.Response();
  out.Write(
      "<p></p><br><table border=0 align=center cellpadding=3 cellspacing=1 class=TableBorder>"
      " <tr>   <th><span id=txt1>正在采集，请稍候....</span></th> </tr> <tr>   "
      "<td class=TableRow1 style=\"line-height: 20px;\">");
  if (settings_.UseDownload >= 1 && item_.IsDown > 0) WriteProgressRows(settings_.isProgress);
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
