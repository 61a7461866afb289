#include "gathering/articles/code_lists.h"

#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "platform/vb/variant.h"
#include "platform/vb/vb_error.h"
#include "processing/escaping.h"
#include "processing/remote_fetch.h"
#include "processing/text_cutting.h"
#include "processing/url_fixing.h"
#include "processing/value_checks.h"

namespace ostrel::articles {

namespace {

struct Tag {
  std::string_view text;
  int32_t first_index;  // the first begin code that may hold it
  std::string TemplateValues::*value;
};

// In the order they are replaced; every tag holds up to info 13.
constexpr int32_t kLastTaggedIndex = kTimeEnd;
const Tag kTags[] = {
    {"{@NewsTitle}", kParentClassBegin, &TemplateValues::NewsTitle},
    {"{@ParentName}", kChildClassBegin, &TemplateValues::ParentName},
    {"{@ChildName}", kAuthorBegin, &TemplateValues::ChildName},
    {"{@NewsAuthor}", kSourceBegin, &TemplateValues::NewsAuthor},
    {"{@NewsComeFrom}", kTimeBegin, &TemplateValues::NewsComeFrom},
};

std::string CutPair(const CodeList& info, int32_t begin_index, std::string_view page,
                    const TemplateValues& values) {
  std::string begin = SubstituteTags(info[begin_index], begin_index, values);
  std::string end = SubstituteTags(info[begin_index + 1], begin_index, values);
  return processing::CutFixed(page, begin, end);
}

// The literal rule: with the begin code unset the value is the end code
// trimmed (or the fallback when that is unset too) and *literal is set;
// otherwise the value is cut from the page as it stands.
std::string LiteralOrCut(const CodeList& info, int32_t begin_index, std::string_view page,
                         const TemplateValues& values, std::string_view fallback, bool* literal) {
  *literal = IsUnset(info[begin_index]);
  if (!*literal) return CutPair(info, begin_index, page, values);
  const std::string& end = info[begin_index + 1];
  return IsUnset(end) ? std::string(fallback) : vb::Trim(end);
}

std::string ReadNamedValue(const CodeList& info, int32_t begin_index, std::string_view page,
                           const TemplateValues& values, std::string_view fallback) {
  bool literal = false;
  std::string value = LiteralOrCut(info, begin_index, page, values, fallback, &literal);
  if (!literal) value = processing::CheckHTML(vb::Trim(value));
  value = processing::CheckNostr(value);
  return value.empty() ? std::string(fallback) : value;
}

}  // namespace

std::string SubstituteTags(std::string_view code, int32_t begin_index,
                           const TemplateValues& values) {
  std::string out(code);
  if (begin_index > kLastTaggedIndex) return out;
  for (const Tag& tag : kTags) {
    if (begin_index < tag.first_index) continue;
    out = vb::Replace(out, tag.text, values.*tag.value);
  }
  return out;
}

std::string ReadListArea(const CodeList& list, std::string_view page) {
  return processing::CutFixed(page, list[kListAreaBegin], list[kListAreaEnd]);
}

std::string ReadListLinks(const CodeList& list, std::string_view area) {
  return processing::FindMatch(area, list[kLinkBegin], list[kLinkEnd]);
}

std::string ReadTitle(const CodeList& info, std::string_view page) {
  std::string cut = processing::CutFixed(page, info[kTitleBegin], info[kTitleEnd]);
  return vb::Trim(processing::CheckHTML(cut));
}

std::string ReadContent(const CodeList& info, std::string_view page) {
  return processing::CutFixed(page, info[kContentBegin], info[kContentEnd]);
}

std::string ReadClassName(const CodeList& info, int32_t begin_index, std::string_view page,
                          const TemplateValues& values) {
  bool literal = false;
  std::string name = LiteralOrCut(info, begin_index, page, values, "", &literal);
  if (!literal) name = processing::CheckHTML(name);
  if (vb::Len(name) > kMaxClassNameLength) return "";
  return name;
}

std::string ReadAuthor(const CodeList& info, std::string_view page, const TemplateValues& values) {
  return ReadNamedValue(info, kAuthorBegin, page, values, kUnknownAuthor);
}

std::string ReadSource(const CodeList& info, std::string_view page, const TemplateValues& values) {
  return ReadNamedValue(info, kSourceBegin, page, values, kUnknownSource);
}

std::string ReadWriteTime(const CodeList& info, std::string_view page, const TemplateValues& values,
                          int32_t IsNowTime) {
  return gathering::GatheredTimeText(
      info[kTimeBegin], info[kTimeEnd], [&] { return CutPair(info, kTimeBegin, page, values); },
      IsNowTime);
}

bool PagingOn(const CodeList& info, int32_t IsNextPage) {
  if (IsNextPage < 1) return false;
  for (int32_t i = kPagingAreaBegin; i <= kPagingLinkEnd; ++i) {
    if (IsUnset(info[i])) return false;
  }
  return true;
}

std::string ApplyFilters(std::string cleaned, const CodeList& info) {
  for (int32_t i = kFilterString1; i <= kFilterString4; ++i) {
    if (!IsUnset(info[i])) cleaned = vb::Replace(cleaned, info[i], "");
  }
  for (int32_t begin : {kMatchFilter1Begin, kMatchFilter2Begin}) {
    if (IsUnset(info[begin]) || IsUnset(info[begin + 1])) continue;
    cleaned = processing::CheckMatch(cleaned, info[begin], info[begin + 1]);
  }
  return cleaned;
}

std::string ContinuationPages(const CodeList& info, const std::string& url,
                              const std::string& charset, const std::string& searched,
                              bool* found_area) {
  *found_area = false;
  std::string area = processing::ReplaceTrim(
      processing::CutFixed(searched, info[kPagingAreaBegin], info[kPagingAreaEnd], true));
  if (area.empty()) return "";
  std::string links = processing::FindMatch(area, info[kPagingLinkBegin], info[kPagingLinkEnd]);
  if (links.empty()) return "";
  *found_area = true;

  // The article's own address is not fetched again, whatever its letter case.
  const std::string own = vb::LCase(url);
  std::string extra;
  for (const std::string& link : vb::Split(links, "|||")) {
    std::string address = processing::FormatRemoteUrl(url, link);
    if (vb::Len(address) <= 8 || vb::LCase(address) == own) continue;
    std::string next = processing::ReplaceTrim(processing::GetRemoteData(address, charset));
    if (vb::Len(next) <= 10) continue;
    std::string part = ReadContent(info, next);
    if (!part.empty()) extra += "[page_break]" + part;
  }
  return extra;
}

}  // namespace ostrel::articles
