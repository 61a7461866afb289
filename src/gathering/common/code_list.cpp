#include "gathering/common/code_list.h"

#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "platform/vb/variant.h"
#include "platform/vb/vb_error.h"
#include "processing/escaping.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"
#include "processing/text_cutting.h"
#include "processing/url_fixing.h"
#include "processing/value_checks.h"

namespace ostrel::gathering {

CodeList::CodeList(std::string_view column)
    : parts_(vb::Split(processing::ReplaceTrim(column), "$$$")) {}

const std::string& CodeList::operator[](int32_t index) const {
  if (!Has(index)) vb::Raise(vb::kErrSubscript);
  return parts_[static_cast<size_t>(index)];
}

bool IsUnset(std::string_view code) { return code.empty() || code == "0"; }

void TemplateTags::Set(std::string_view tag, const std::string* value) {
  for (auto& [name, known] : tags_) {
    if (name == tag) {
      known = value;
      return;
    }
  }
  tags_.emplace_back(std::string(tag), value);
}

std::string TemplateTags::Apply(std::string code) const {
  for (const auto& [name, value] : tags_) {
    if (value) code = vb::Replace(code, name, *value);
  }
  return code;
}

std::string CutPair(const std::string& page, const CodeList& codes, int32_t begin,
                    const TemplateTags& tags) {
  return processing::CutFixed(page, tags.Apply(codes[begin]), tags.Apply(codes[begin + 1]), false);
}

std::string PairLiteral(const CodeList& codes, int32_t begin, std::string_view fallback) {
  const std::string& end = codes[begin + 1];
  return IsUnset(end) ? std::string(fallback) : vb::Trim(end);
}

std::string ClassNameField(const std::string& page, const CodeList& codes, int32_t begin,
                           const TemplateTags& tags) {
  if (IsUnset(codes[begin])) return PairLiteral(codes, begin, "");
  return processing::CheckHTML(CutPair(page, codes, begin, tags));
}

std::string TextField(const std::string& page, const CodeList& codes, int32_t begin,
                      const TemplateTags& tags, std::string_view fallback) {
  const std::string value =
      IsUnset(codes[begin]) ? PairLiteral(codes, begin, fallback)
                            : processing::CheckHTML(vb::Trim(CutPair(page, codes, begin, tags)));
  return processing::CheckNostr(value);
}

std::string FilterByCodes(std::string text, const CodeList& codes, int32_t filter, int32_t match,
                          bool either_end) {
  for (int32_t at : {filter, filter + 1}) {
    if (!IsUnset(codes[at])) text = vb::Replace(text, codes[at], "");
  }
  if (!IsUnset(codes[match]) && (either_end || !IsUnset(codes[match + 1]))) {
    text = processing::CheckMatch(text, codes[match], codes[match + 1]);
  }
  return text;
}

std::string CutDownLinks(const std::string& page, const CodeList& codes, const DownLinkRule& rule,
                         std::string& links) {
  links.clear();
  const std::string area = processing::ReplaceTrim(
      processing::CutFixed(page, codes[rule.list], codes[rule.list + 1], false), true);
  if (area.empty()) return "获取下载地址列表错误！请确定你的代码输入正确。";
  if (vb::Len(area) < rule.least_list) return "";
  if (IsUnset(codes[rule.link])) return "请输入获取下载连接代码！";
  const std::string& begin = codes[rule.link];
  const std::string& end = codes[rule.link + 1];
  links = rule.one_link ? processing::CutFixed(area, begin, end, false)
                        : processing::FindMatch(area, begin, end, false);
  if (processing::CheckNostr(links).empty()) {
    links.clear();
    return "获取下载连接错误！请确定你的代码输入正确。";
  }
  return "";
}

std::string ReadEntryPage(const std::string& link, const std::string& charset,
                          const CodeList& codes, int32_t name_begin, std::string& url,
                          std::string& page, std::string& name) {
  url = vb::Trim(link);
  page = processing::ReplaceTrim(processing::GetRemoteData(url, charset), false);
  if (page.empty()) return "获取远程信息出错！请确定你的远程连接代码输入无误。";
  name = vb::Trim(processing::CheckHTML(CutPair(page, codes, name_begin)));
  if (name.empty()) return "获取软件名称代码出错！请确定你的代码输入正确。";
  return "";
}

void CutClassNames(const std::string& page, const CodeList& codes, const ClassNameRule& rule,
                   TemplateTags& tags, std::string& parent, std::string& child) {
  static const std::string none;
  if (!rule.cut) {
    tags.Set("{@ParentName}", &none);
    tags.Set("{@ChildName}", &none);
    return;
  }
  // The parent's codes know no class tag, the child's only "{@ParentName}":
  // a tag not yet known stays as written.
  parent = ClassNameField(page, codes, rule.parent_begin, tags);
  if (rule.drop_long_parent && vb::Len(parent) > 22) parent.clear();
  tags.Set("{@ParentName}", &parent);
  child = ClassNameField(page, codes, rule.child_begin, tags);
  if (rule.drop_long_child && vb::Len(child) > 22) child.clear();
  tags.Set("{@ChildName}", &child);
}

std::string FirstListLink(const std::string& list_url, const std::string& encoding,
                          const CodeList& list, std::string& page_text, std::string* area_text) {
  page_text = processing::ReplaceTrim(processing::GetRemoteData(list_url, encoding), false);
  if (page_text.empty()) {
    processing::AlertBack("获取远程信息出错！请确定你的远程列表URL输入无误。");
    return "";
  }
  const std::string area =
      processing::ReplaceTrim(processing::CutFixed(page_text, list[0], list[1], false), true);
  if (area.empty()) {
    processing::AlertBack("获取远程列表出错！请确定你的远程列表开始和结束代码输入无误。");
    return "";
  }
  if (area_text) *area_text = area;
  const std::string link =
      processing::FormatRemoteUrl(list_url, processing::CutFixed(area, list[2], list[3], false));
  if (link.empty()) {
    processing::AlertBack("获取远程连接出错！请确定你的连接开始和结束代码输入无误。");
    return "";
  }
  return link;
}

std::string GatheredTimeText(std::string_view begin_code, std::string_view end_code,
                             const std::function<std::string()>& cut, int32_t IsNowTime) {
  if (IsNowTime != 0) return vb::DateText(vb::Now());
  if (!IsUnset(begin_code)) {
    std::string text = vb::Trim(processing::CheckNostr(processing::CheckHTML(cut())));
    return vb::DateText(processing::Formatime(text));
  }
  // A literal date: that day, at the time of gathering.
  vb::DateTime time = vb::Now();
  std::string given = vb::Trim(end_code);
  vb::TryStep([&] {
    if (!vb::IsDate(vb::Variant(given))) return;
    std::string text =
        vb::ShortDateText(vb::CDate(vb::Variant(given))) + " " + vb::LongTimeText(vb::Now());
    time = vb::CDate(vb::Variant(text));
  });
  return vb::DateText(time);
}

}  // namespace ostrel::gathering
