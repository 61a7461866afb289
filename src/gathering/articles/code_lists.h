// The code lists of an article gathering item: where the interesting parts
// of a remote list page (FindListCode) and of a remote article page
// (FindInfoCode) lie, as pairs of begin and end codes packed into one column
// with "$$$". This file fixes what every index means and how the gathering
// run reads it: which codes may be unset ("0" or ""), which are literal
// values when their begin code is unset, and which template tags a code may
// hold. The engine calls the readers in the order of its steps.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gathering/common/code_list.h"

namespace ostrel::articles {

// Indexes of FindListCode. 4 and 5 are kept by the editor only.
enum ListCodeIndex : int32_t {
  kListAreaBegin = 0,
  kListAreaEnd = 1,
  kLinkBegin = 2,
  kLinkEnd = 3,
  kSpecialSetting = 4,
  kRelocation = 5,
};

// Indexes of FindInfoCode.
enum InfoCodeIndex : int32_t {
  kTitleBegin = 0,
  kTitleEnd = 1,
  kContentBegin = 2,
  kContentEnd = 3,
  kParentClassBegin = 4,
  kParentClassEnd = 5,
  kChildClassBegin = 6,
  kChildClassEnd = 7,
  kAuthorBegin = 8,
  kAuthorEnd = 9,
  kSourceBegin = 10,
  kSourceEnd = 11,
  kTimeBegin = 12,
  kTimeEnd = 13,
  kPagingAreaBegin = 14,
  kPagingAreaEnd = 15,
  kPagingLinkBegin = 16,
  kPagingLinkEnd = 17,
  kFilterString1 = 18,  // 18 to 21: four filter strings
  kFilterString4 = 21,
  kMatchFilter1Begin = 22,
  kMatchFilter1End = 23,
  kMatchFilter2Begin = 24,
  kMatchFilter2End = 25,
};

// The author and the source when the page gives none.
inline constexpr std::string_view kUnknownAuthor = "佚名";
inline constexpr std::string_view kUnknownSource = "不详";

// A class name longer than this (in characters) is no class name.
inline constexpr int32_t kMaxClassNameLength = 22;

// The packed code columns are read as every channel reads them.
using gathering::CodeList;
using gathering::IsUnset;

// The values already found that template tags in later codes stand for.
struct TemplateValues {
  std::string NewsTitle;     // the title after CheckHTML and trimming
  std::string ParentName;    // the parent class name as read ("" without AutoClass)
  std::string ChildName;     // the child class name as read
  std::string NewsAuthor;    // the author after CheckNostr and its default
  std::string NewsComeFrom;  // the source after CheckNostr and its default
};

// code with the tags replaced that the pair beginning at begin_index may
// hold: "{@NewsTitle}" in info 4 to 13, "{@ParentName}" in 6 to 13,
// "{@ChildName}" in 8 to 13, "{@NewsAuthor}" in 10 to 13, "{@NewsComeFrom}"
// in 12 and 13. Elsewhere a tag stays and is searched for literally.
std::string SubstituteTags(std::string_view code, int32_t begin_index,
                           const TemplateValues& values);

// The list area of a list page (list codes 0 and 1, as they stand).
std::string ReadListArea(const CodeList& list, std::string_view page);
// The distinct links of a list area (list codes 2 and 3), "|||"-joined,
// markers stripped.
std::string ReadListLinks(const CodeList& list, std::string_view area);

// The title (info 0, 1): tags removed, trimmed. "" stops the article.
std::string ReadTitle(const CodeList& info, std::string_view page);
// The content (info 2, 3) with its markup. "" stops the article. The same
// pair cuts every continuation page.
std::string ReadContent(const CodeList& info, std::string_view page);

// The parent (begin_index 4) or child (6) class name: literal when its
// begin code is unset (the end code trimmed, "" when that is unset too),
// else cut with the tags substituted and stripped of tags; a name longer
// than 22 characters becomes "".
std::string ReadClassName(const CodeList& info, int32_t begin_index, std::string_view page,
                          const TemplateValues& values);

// The author (info 8, 9) and the source (info 10, 11): literal or cut as
// the class names (a cut value trimmed, then stripped of tags), then
// CheckNostr; empty gives "佚名" and "不详".
std::string ReadAuthor(const CodeList& info, std::string_view page, const TemplateValues& values);
std::string ReadSource(const CodeList& info, std::string_view page, const TemplateValues& values);

// The publication time in text form. With IsNowTime on (not 0) the current
// time. Otherwise, when code 12 is unset, the date of code 13 with the
// current time of day (the current time when code 13 is no date); else the
// cut value stripped of tags, CheckNostr, trimmed and read by Formatime.
std::string ReadWriteTime(const CodeList& info, std::string_view page, const TemplateValues& values,
                          int32_t IsNowTime);

// Content paging runs only with IsNextPage at least 1 and info 14 to 17 all
// set.
bool PagingOn(const CodeList& info, int32_t IsNextPage);

// The continuation pages of a paged article, fetched from the links of the
// paging area found in searched, each as "[page_break]" and its content; ""
// when the area or its links are not found (*found_area says which). The
// article's own address is not fetched again, whatever its letter case.
std::string ContinuationPages(const CodeList& info, const std::string& url,
                              const std::string& charset, const std::string& searched,
                              bool* found_area);

// The cleaned content with each set filter string (info 18 to 21) removed
// wherever it occurs, then the blocks of each set match filter (info 22/23,
// 24/25) removed.
std::string ApplyFilters(std::string cleaned, const CodeList& info);

}  // namespace ostrel::articles
