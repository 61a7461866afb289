#include "processing/tag_filter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
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

// For each lead from the first on, false only when no match of a pattern
// starting with it can be in text: the lead (which starts with "<" or "%")
// is nowhere in it, in any ASCII case. Caseless matching also takes the
// long s for "s" (and the Kelvin sign for "k", which no lead holds), so a
// text with a long s may hold every lead. One walk serves every lead.
std::vector<char> MayHold(std::string_view text, const std::vector<std::string_view>& leads,
                          size_t first) {
  std::vector<char> held(leads.size(), 0);
  if (text.find("\xC5\xBF") != std::string_view::npos) {
    std::fill(held.begin() + static_cast<std::ptrdiff_t>(first), held.end(), 1);
    return held;
  }
  for (char start : {'<', '%'}) {
    size_t open = 0;  // leads with this start not yet found
    for (size_t k = first; k < leads.size(); ++k) open += leads[k][0] == start;
    for (size_t from = 0; open > 0 && from < text.size();) {
      const void* hit = std::memchr(text.data() + from, start, text.size() - from);
      if (hit == nullptr) break;
      const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
      for (size_t k = first; k < leads.size(); ++k) {
        const std::string_view lead = leads[k];
        if (held[k] || lead[0] != start || text.size() - at < lead.size()) continue;
        size_t i = 1;
        while (i < lead.size() && AsciiSameAnyCase(text[at + i], lead[i])) ++i;
        if (i == lead.size()) {
          held[k] = 1;
          --open;
        }
      }
      from = at + 1;
    }
  }
  return held;
}

// One replacement of every match of a pattern (caseless) whose matches all
// start with lead.
struct Pass {
  const char* pattern;
  std::string_view lead;
  std::string_view replacement = "";
};

// Runs the passes in order; false when one fails, the text then left as
// the passes before it made it. Each pass copies the whole text, so a pass
// whose lead text is absent is skipped: it would give the text back
// unchanged. After a pass that ran, the text is looked at again.
bool RunPasses(std::string& text, const std::vector<Pass>& passes) {
  std::vector<std::string_view> leads;
  for (const Pass& pass : passes) leads.push_back(pass.lead);
  std::vector<char> held = MayHold(text, leads, 0);
  for (size_t k = 0; k < passes.size(); ++k) {
    if (!held[k]) continue;
    const bool done = vb::TryStep([&] {
      text::RegExp re;
      re.Pattern = passes[k].pattern;
      re.IgnoreCase = true;
      re.Global = true;
      text = re.Replace(text, passes[k].replacement);
    });
    if (!done) return false;
    held = MayHold(text, leads, k + 1);
  }
  return true;
}

}  // namespace

std::string Html2Ubb(std::string_view strContent, std::string_view sRemoveCode) {
  if (strContent.empty()) return "";
  std::string_view list = vb::Len(sRemoveCode) < 21 ? kDefaultRemoveCode : sRemoveCode;
  std::vector<std::string> flags = vb::Split(list, "|");
  std::string text(strContent);

  // The passes of the flags that are 1, up to a flag that cannot be read,
  // which ends the filter after the passes before it.
  std::vector<Pass> passes;
  bool all_read = true;
  for (size_t i = 0; i < std::size(kFamilies) && all_read; ++i) {
    int32_t flag = 0;
    all_read = i < flags.size() && vb::TryStep([&] { flag = vb::CLng(vb::Variant(flags[i])); });
    if (!all_read || flag != 1) continue;
    const TagFamily& family = kFamilies[i];
    passes.push_back({family.open, family.open_lead});
    if (family.close != nullptr) passes.push_back({family.close, family.close_lead});
  }
  if (!RunPasses(text, passes) || !all_read) return text;

  vb::TryStep([&] {
    text = RemoveControlCharacters(text);
    text = RemoveComments(text);
    // Server-script brackets would run as script if the article were ever
    // served by an ASP page.
    RunPasses(text, {{"(<TBODY>)", "<TBODY>"},
                     {"(<\\/TBODY>)", "</TBODY>"},
                     {"(<%)", "<%", "&lt;%"},
                     {"(%>)", "%>", "%&gt;"}});
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
