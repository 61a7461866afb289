#include "processing/tag_filter.h"

#include <cstdint>
#include <cstring>
#include <utility>
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
  const char* close;       // nullptr when the family has one pattern
  const char* open_lead;   // text every match of open starts with
  const char* close_lead;  // and of close
};

constexpr TagFamily kFamilies[15] = {
    {"(<s+cript(.+?)<\\/s+cript>)", nullptr, "<s", nullptr},     // 0 script blocks
    {"(<iframe(.+?)<\\/iframe>)", nullptr, "<iframe", nullptr},  // 1 inline frames
    {"(<object(.+?)<\\/object>)", nullptr, "<object", nullptr},  // 2 embedded objects
    {"(<applet(.+?)<\\/applet>)", nullptr, "<applet", nullptr},  // 3 applets
    {"(<DIV(.*?)>)", "(<\\/DIV>)", "<DIV", "</DIV>"},            // 4
    {"(<FONT(.*?)>)", "(<\\/FONT>)", "<FONT", "</FONT>"},        // 5
    {"(<SPAN(.*?)>)", "(<\\/SPAN>)", "<SPAN", "</SPAN>"},        // 6
    {"(<A(.*?)>)", "(<\\/A>)", "<A", "</A>"},                    // 7
    {"(<IMG(.*?)>)", nullptr, "<IMG", nullptr},                  // 8
    {"(<FORM(.*?)>)", "(<\\/FORM>)", "<FORM", "</FORM>"},        // 9
    {"<(.[^>]*)>", nullptr, "<", nullptr},                       // 10 every tag
    {"(<TABLE(.*?)>)", "(<\\/TABLE>)", "<TABLE", "</TABLE>"},    // 11
    {"(<TR(.*?)>)", "(<\\/TR>)", "<TR", "</TR>"},                // 12
    {"(<TD(.*?)>)", "(<\\/TD>)", "<TD", "</TD>"},                // 13
    {"(<TH(.*?)>)", "(<\\/TH>)", "<TH", "</TH>"},                // 14
};

bool AsciiSameAnyCase(char a, char b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return lower(a) == lower(b);
}

// False only when no match of a pattern starting with lead can be in text:
// lead (which starts with "<" or "%") is nowhere in it, in any ASCII case.
// Caseless matching also takes the long s for "s" (and the Kelvin sign for
// "k", which no lead holds), so a text with a long s is always searched.
bool MayHold(std::string_view text, std::string_view lead) {
  if (text.find("\xC5\xBF") != std::string_view::npos) return true;
  size_t from = 0;
  while (from < text.size()) {
    const void* hit = std::memchr(text.data() + from, lead[0], text.size() - from);
    if (hit == nullptr) return false;
    size_t at = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    if (text.size() - at < lead.size()) return false;
    size_t i = 1;
    while (i < lead.size() && AsciiSameAnyCase(text[at + i], lead[i])) ++i;
    if (i == lead.size()) return true;
    from = at + 1;
  }
  return false;
}

// Each pass copies the whole text, so a pass whose lead text is absent is
// skipped: it would give the text back unchanged. text changes only when the
// pass succeeds.
void ReplaceAll(std::string& text, const char* pattern, const char* lead,
                std::string_view replacement = "") {
  if (!MayHold(text, lead)) return;
  text::RegExp re;
  re.Pattern = pattern;
  re.IgnoreCase = true;
  re.Global = true;
  text = re.Replace(text, replacement);
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
    if (!vb::TryStep([&] { ReplaceAll(text, family.open, family.open_lead); })) return text;
    if (family.close != nullptr &&
        !vb::TryStep([&] { ReplaceAll(text, family.close, family.close_lead); })) {
      return text;
    }
  }

  vb::TryStep([&] {
    text = RemoveControlCharacters(text);
    text = RemoveComments(text);
    ReplaceAll(text, "(<TBODY>)", "<TBODY>");
    ReplaceAll(text, "(<\\/TBODY>)", "</TBODY>");
    // Server-script brackets would run as script if the article were ever
    // served by an ASP page.
    ReplaceAll(text, "(<%)", "<%", "&lt;%");
    ReplaceAll(text, "(%>)", "%>", "%&gt;");
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
