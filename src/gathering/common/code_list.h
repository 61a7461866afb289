// A packed code column of a gathering item (FindListCode, FindInfoCode):
// begin and end codes joined with "$$$". Each channel fixes what every
// index means; reading the column is the same for all of them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel::gathering {

// The column is flattened first (ReplaceTrim without comment removal), so a
// code never holds a tab or a line break.
class CodeList {
 public:
  CodeList() = default;
  explicit CodeList(std::string_view column);

  // The code at index (from 0). A column with fewer parts than the step
  // reads is a failure of that step (error 9, subscript out of range), never
  // a list of unset codes: each channel's rule decides what the failure
  // does.
  const std::string& operator[](int32_t index) const;
  int32_t Count() const { return static_cast<int32_t>(parts_.size()); }
  bool Has(int32_t index) const { return index >= 0 && index < Count(); }

 private:
  std::vector<std::string> parts_;
};

// "0" and "" are the two unset values of a code.
bool IsUnset(std::string_view code);

// The template tags a code may hold ("{@SoftName}", "{@ParentName}" ...),
// each with the value it stands for, replaced in the order they were first
// set. A tag set again keeps its place and takes the new value.
class TemplateTags {
 public:
  void Set(std::string_view tag, const std::string* value);
  std::string Apply(std::string code) const;

 private:
  std::vector<std::pair<std::string, const std::string*>> tags_;
};

// The ways an entry's field is read from its page by the pair of codes at
// begin (the end code at begin + 1), tags replaced in both codes:
//   CutPair: the first cut between them.
//   PairLiteral: the end code trimmed, the field's value while the begin
//     code is unset; fallback when the end code is unset too.
//   ClassNameField: a class name, cut and stripped of tags, or literal.
//   TextField: a short text, cut, trimmed and stripped of tags, or
//     literal; then CheckNostr.
std::string CutPair(const std::string& page, const CodeList& codes, int32_t begin,
                    const TemplateTags& tags = {});
std::string PairLiteral(const CodeList& codes, int32_t begin, std::string_view fallback);
std::string ClassNameField(const std::string& page, const CodeList& codes, int32_t begin,
                           const TemplateTags& tags);
std::string TextField(const std::string& page, const CodeList& codes, int32_t begin,
                      const TemplateTags& tags, std::string_view fallback);

// An entry's text cleaned by its codes: every occurrence of the filter
// strings at filter and filter + 1 (those set) removed, then, when the
// match filter's begin code at match is set and its end code too (or
// either_end), every block from the one to the other.
std::string FilterByCodes(std::string text, const CodeList& codes, int32_t filter, int32_t match,
                          bool either_end = false);

// The message of an entry's download list whose begin code is unset.
inline constexpr std::string_view kNoDownListCode = "请输入获取下载地址列表代码！";

// The download links of an entry's page: the list between the codes at
// list and list + 1 (comments removed), then in it, by the link codes at
// link, every match ("|||"-joined) or with one_link the first cut. "" when
// found; else the message of the step that failed: the list not found, the
// link code unset, no link. A list shorter than least_list characters
// gives no link and no message (links stays "").
struct DownLinkRule {
  int32_t list;
  int32_t link;
  bool one_link;
  int32_t least_list;
};
std::string CutDownLinks(const std::string& page, const CodeList& codes, const DownLinkRule& rule,
                         std::string& links);

// An entry's page and name, the start every channel's entry reading shares:
// the page at link (trimmed) fetched in charset and kept trimmed of spaces
// and line breaks, and the name cut by the code pair at name_begin,
// trimmed and stripped of tags. The error text when the page or the name
// is missing, else "".
std::string ReadEntryPage(const std::string& link, const std::string& charset,
                          const CodeList& codes, int32_t name_begin, std::string& url,
                          std::string& page, std::string& name);

// An entry's two class names, by ClassNameField from the code pairs at
// parent_begin and child_begin: the parent's codes take the tags set
// before, the child's also "{@ParentName}", and "{@ChildName}" stands for
// the child's name in the codes after. Without cut both names stay "" and
// both tags stand for "". A name dropped as too long (over 22 characters, too
// long to be a class) is "" as well.
struct ClassNameRule {
  int32_t parent_begin;
  int32_t child_begin;
  bool cut;
  bool drop_long_parent;
  bool drop_long_child;
};
void CutClassNames(const std::string& page, const CodeList& codes, const ClassNameRule& rule,
                   TemplateTags& tags, std::string& parent, std::string& child);

// The address of the first detail page the list page at list_url leads to,
// through the list codes every channel keeps first (0/1 the list area, 2/3
// one link): the editor's source view and trial run follow it. The list
// page is left in page_text, and its list area in *area when given. "" after the alert (AlertBack)
// that names the step that failed: the list page, its area or its first link.
std::string FirstListLink(const std::string& list_url, const std::string& encoding,
                          const CodeList& list, std::string& page_text,
                          std::string* area = nullptr);

// The time of a gathered entry in text form, from its pair of time codes:
// the current time with IsNowTime on (not 0); else, when the begin code is
// set, cut() stripped of tags, CheckNostr, trimmed and read by Formatime;
// else the day the end code names, at the current time of day (the current
// time when it names no date).
std::string GatheredTimeText(std::string_view begin_code, std::string_view end_code,
                             const std::function<std::string()>& cut, int32_t IsNowTime);

}  // namespace ostrel::gathering
