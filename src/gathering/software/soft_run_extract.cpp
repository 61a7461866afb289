// SoftCollection: one software entry fetched from its detail page and cut
// by the item's codes, in the order the fields depend on each other (a
// later code may name an earlier value through a template tag), then
// cleaned. The gathering run and the editor's trial run both read entries
// here; what differs between them is listed where it happens.
#include <string>
#include <vector>

#include "gathering/common/code_list.h"
#include "gathering/software/soft_collection.h"
#include "gathering/software/soft_entry.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/escaping.h"
#include "processing/files_folders.h"
#include "processing/markup_text.h"
#include "processing/remote_fetch.h"
#include "processing/tag_filter.h"
#include "processing/text_cutting.h"
#include "processing/url_fixing.h"
#include "processing/value_checks.h"

namespace ostrel::software {
namespace {

using gathering::CodeList;
using gathering::CutPair;
using gathering::IsUnset;
using gathering::TemplateTags;
using gathering::TextField;
using processing::CheckHTML;
using processing::CheckNostr;
using processing::CutFixed;

constexpr std::string_view kDefaultLanguage = "简体中文";
constexpr std::string_view kDefaultType = "国产软件";
constexpr std::string_view kDefaultImpower = "免费软件";
constexpr std::string_view kDefaultSystem = "Win9X/Win2000/WinXP/Win2003";

// The run's length rule: outside [least, most] characters the default.
std::string Limited(std::string value, int32_t least, int32_t most, std::string_view fallback) {
  const int32_t n = vb::Len(value);
  if (n < least || n > most) return std::string(fallback);
  return value;
}

}  // namespace

// The class rules' loop, the result trimmed.
std::string SoftCollection::ReplaceSoftType(std::string strType, std::string ReplaceList) {
  return vb::Trim(processing::ReplaceClass(strType, ReplaceList));
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

std::string SoftCollection::ExtractSoftEntry(const std::string& url, EntryReading reading,
                                             SoftEntry& entry) {
  const bool run = reading == EntryReading::kRun;
  const CodeList codes(item_.FindInfoCode);
  // The name is always cut, whatever its codes hold.
  const std::string encoding = vb::Trim(item_.Encoding);
  std::string name;
  const std::string unread =
      gathering::ReadEntryPage(url, encoding, codes, kNameBegin, entry.url, entry.page_text, name);
  if (!unread.empty()) return unread;
  const std::string& page = entry.page_text;
  TemplateTags tags;
  tags.Set("{@SoftName}", &name);

  if (!IsUnset(codes[kVersionBegin])) {
    entry.version = CheckNostr(CheckHTML(vb::Trim(CutPair(page, codes, kVersionBegin, tags))));
    if (run && vb::Len(entry.version) > 40) entry.version.clear();
  }

  entry.content = CutPair(page, codes, kIntroBegin);
  if (run ? vb::Len(entry.content) < 5 : entry.content.empty()) entry.content = name;
  entry.content = processing::Html2Ubb(entry.content, item_.RemoveCode);

  // The class names. A run reads them only to find the class by them and
  // drops a name too long to be one; the trial shows them as cut.
  gathering::CutClassNames(page, codes,
                           {kParentBegin, kChildBegin, !run || item_.AutoClass > 0, run, run}, tags,
                           entry.parent, entry.child);
  entry.parentRuled = entry.parent;
  entry.childRuled = entry.child;
  if (run) {
    const std::string error = ResolveEntryClass(entry);
    if (!error.empty()) return error;
  }

  entry.updateTime = gathering::GatheredTimeText(
      codes[kTimeBegin], codes[kTimeEnd], [&] { return CutPair(page, codes, kTimeBegin); },
      run ? item_.IsNowTime : 0);
  if (!IsUnset(codes[kSizeBegin])) {
    const std::string size = vb::Trim(CheckNostr(CheckHTML(CutPair(page, codes, kSizeBegin))));
    entry.SoftSize = vb::CLng(vb::Variant(processing::FormatSize(size)));
  }

  entry.language = TextField(page, codes, kLanguageBegin, tags, kDefaultLanguage);
  if (run) entry.language = Limited(entry.language, 2, 20, kDefaultLanguage);
  entry.type = TextField(page, codes, kTypeBegin, tags, kDefaultType);
  if (run) entry.type = Limited(entry.type, 2, 20, kDefaultType);
  if (vb::Len(ReplaceType_) >= 4) {
    if (!ClassNameType_) {
      entry.type = ReplaceSoftType(entry.type, ReplaceType_);
    } else if (!entry.parentRuled.empty()) {
      entry.type = ReplaceSoftType(entry.parentRuled, ReplaceType_);
    } else if (!entry.childRuled.empty()) {
      entry.type = ReplaceSoftType(entry.childRuled, ReplaceType_);
    }
  }
  tags.Set("{@SoftType}", &entry.type);
  entry.impower = TextField(page, codes, kImpowerBegin, tags, kDefaultImpower);
  if (run) entry.impower = Limited(entry.impower, 2, 20, kDefaultImpower);
  entry.runSystem = TextField(page, codes, kSystemBegin, {}, kDefaultSystem);
  if (run) entry.runSystem = Limited(entry.runSystem, 2, 48, kDefaultSystem);
  entry.contact = TextField(page, codes, kContactBegin, {}, run ? " " : "");
  if (run) entry.contact = Limited(entry.contact, 0, 100, " ");
  if (!IsUnset(codes[kHomepageBegin])) {
    entry.homepage =
        processing::FormatUrl(CheckHTML(vb::Trim(CutPair(page, codes, kHomepageBegin))));
  } else if (!IsUnset(codes[kHomepageEnd])) {
    entry.homepage = processing::FormatUrl(vb::Trim(codes[kHomepageEnd]));
  } else if (run) {
    entry.homepage = "http://";
  }
  if (run) entry.homepage = Limited(entry.homepage, 0, 100, "http://");

  if (run && !IsUnset(codes[kThumbnailBegin])) {
    const std::string picture = processing::FormatRemoteUrl(
        entry.url, CheckNostr(CheckHTML(vb::Trim(CutPair(page, codes, kThumbnailBegin)))));
    if (!picture.empty()) entry.namedThumbnail = NameThumbnail(picture, item_.PathForm);
  }

  // The download links. They are kept as found: a percent-encoded link
  // stays valid for the download. What a run stores passes through
  // CheckNostr (StoreSoft).
  if (IsUnset(codes[kDownAreaBegin])) return std::string(gathering::kNoDownListCode);
  std::string links;
  const std::string missing = gathering::CutDownLinks(
      page, codes, {kDownAreaBegin, kDownLinkBegin, /*one_link=*/false, 0}, links);
  if (!missing.empty()) return missing;
  entry.links = vb::Split(links, "|||");
  if (item_.downpage > 0) {
    const std::string found = GetDownPageLinks(
        processing::FormatRemoteUrl(entry.url, entry.links[0]), codes[kDownPageAreaBegin],
        codes[kDownPageAreaEnd], codes[kDownPageLinkBegin], codes[kDownPageLinkEnd], encoding);
    if (vb::Len(found) > 1) entry.links = vb::Split(found, "|||");
  }

  // Cleaning.
  entry.content = gathering::FilterByCodes(entry.content, codes, kFilterString1, kMatchFilterBegin);
  if (!item_.strReplace.empty()) {
    entry.content = processing::ReplaceClass(entry.content, item_.strReplace);
    if (!entry.homepage.empty()) {
      entry.homepage = processing::ReplaceClass(entry.homepage, item_.strReplace);
    }
    if (!entry.contact.empty()) {
      entry.contact = processing::ReplaceClass(entry.contact, item_.strReplace);
    }
  }
  if (run) {
    entry.type = vb::Replace(entry.type, "注册/破解补丁", "破解注册");
    entry.name = processing::FormatStr(CheckNostr(name));
  } else {
    entry.name = CheckNostr(name);
  }
  return "";
}

std::string SoftCollection::ResolveEntryClass(SoftEntry& entry) {
  return EntryClass(item_.AutoClass > 0, item_.ClassID, entry.parent, entry.child,
                    item_.RetuneClass, entry.parentRuled, entry.childRuled, entry.ClassID);
}

}  // namespace ostrel::software
