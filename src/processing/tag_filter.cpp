#include "processing/tag_filter.h"

#include <cstdint>
#include <vector>

#include "platform/text/regexp.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/page_cleaning.h"

namespace ostrel::processing {

namespace {

// The patterns of each flag, the opening one first. They are open-ended as
// the items were written against them: "(<A(.*?)>)" also takes AREA and
// ADDRESS tags, and a bare "<A>" is taken only together with the text up to
// a later ">".
struct TagFamily {
  const char* open;
  const char* close;  // nullptr when the family has one pattern
};

constexpr TagFamily kFamilies[15] = {
    {"(<s+cript(.+?)<\\/s+cript>)", nullptr},  // 0 script blocks
    {"(<iframe(.+?)<\\/iframe>)", nullptr},    // 1 inline frames
    {"(<object(.+?)<\\/object>)", nullptr},    // 2 embedded objects
    {"(<applet(.+?)<\\/applet>)", nullptr},    // 3 applets
    {"(<DIV(.*?)>)", "(<\\/DIV>)"},            // 4
    {"(<FONT(.*?)>)", "(<\\/FONT>)"},          // 5
    {"(<SPAN(.*?)>)", "(<\\/SPAN>)"},          // 6
    {"(<A(.*?)>)", "(<\\/A>)"},                // 7
    {"(<IMG(.*?)>)", nullptr},                 // 8
    {"(<FORM(.*?)>)", "(<\\/FORM>)"},          // 9
    {"<(.[^>]*)>", nullptr},                   // 10 every tag
    {"(<TABLE(.*?)>)", "(<\\/TABLE>)"},        // 11
    {"(<TR(.*?)>)", "(<\\/TR>)"},              // 12
    {"(<TD(.*?)>)", "(<\\/TD>)"},              // 13
    {"(<TH(.*?)>)", "(<\\/TH>)"},              // 14
};

std::string ReplaceAll(std::string_view text, const char* pattern,
                       std::string_view replacement = "") {
  text::RegExp re;
  re.Pattern = pattern;
  re.IgnoreCase = true;
  re.Global = true;
  return re.Replace(text, replacement);
}

}  // namespace

std::string Html2Ubb(std::string_view strContent, std::string_view sRemoveCode) {
  if (strContent.empty()) return "";
  std::string_view list = vb::Len(sRemoveCode) < 21 ? kDefaultRemoveCode : sRemoveCode;
  std::vector<std::string> flags = vb::Split(list, "|");
  std::string text(strContent);

  for (size_t i = 0; i < std::size(kFamilies); ++i) {
    int32_t flag = 0;
    bool read = i < flags.size() && vb::TryStep([&] { flag = vb::CLng(vb::Variant(flags[i])); });
    if (!read) return text;
    if (flag != 1) continue;
    const TagFamily& family = kFamilies[i];
    if (!vb::TryStep([&] { text = ReplaceAll(text, family.open); })) return text;
    if (family.close != nullptr && !vb::TryStep([&] { text = ReplaceAll(text, family.close); })) {
      return text;
    }
  }

  vb::TryStep([&] {
    text = RemoveControlCharacters(text);
    text = RemoveComments(text);
    text = ReplaceAll(text, "(<TBODY>)");
    text = ReplaceAll(text, "(<\\/TBODY>)");
    // Server-script brackets would run as script if the article were ever
    // served by an ASP page.
    text = ReplaceAll(text, "(<%)", "&lt;%");
    text = ReplaceAll(text, "(%>)", "%&gt;");
  });
  return text;
}

std::string ReplaceClass(std::string_view sClassName, std::string_view sClassList) {
  if (vb::Len(sClassList) < 3) return vb::Trim(sClassName);
  if (sClassName.empty()) return "";
  std::string text(sClassName);
  vb::TryStep([&] {
    for (const std::string& rule : vb::Split(sClassList, "$$$")) {
      if (vb::Len(rule) <= 2) continue;
      std::vector<std::string> parts = vb::Split(rule, "|");
      if (parts.size() >= 2) text = vb::Replace(text, parts[0], parts[1]);
    }
  });
  return text;
}

}  // namespace ostrel::processing
