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

// One replacement of every match of a pattern (caseless) whose matches all
// start with lead.
struct Pass {
  const char* pattern;
  std::string_view lead;
  std::string_view replacement = "";
};

// Runs passes in order. Each pass copies the whole text, so a pass is
// skipped when no match of it can be in the text: its lead (which starts
// with "<" or "%") is nowhere in it, in any ASCII case. Caseless matching
// also takes the long s for "s" (and the Kelvin sign for "k", which no lead
// holds), so a text with a long s may hold every lead. One walk over the
// text looks for the leads of every pass to come, and what it finds holds
// until the text changes.
class PassRunner {
 public:
  explicit PassRunner(std::vector<Pass> passes)
      : passes_(std::move(passes)), held_(passes_.size(), 0) {}

  // Runs passes [from, to); false when one fails, the text then left as
  // the passes before it made it.
  bool Run(std::string& text, size_t from, size_t to) {
    for (size_t k = from; k < to; ++k) {
      if (!known_) known_ = Scan(text, k);
      if (!held_[k]) continue;
      known_ = false;
      const bool done = vb::TryStep([&] {
        text::RegExp re;
        re.Pattern = passes_[k].pattern;
        re.IgnoreCase = true;
        re.Global = true;
        text = re.Replace(text, passes_[k].replacement);
      });
      if (!done) return false;
    }
    return true;
  }

  // Takes changed as the text from now on.
  void Change(std::string& text, std::string changed) {
    if (changed == text) return;
    text = std::move(changed);
    known_ = false;
  }

 private:
  // Looks for the leads of passes [first, end); true when it looked
  // through the whole text. The walk ends once the lead of first is found:
  // that pass then runs and changes the text.
  bool Scan(std::string_view text, size_t first) {
    std::fill(held_.begin() + static_cast<std::ptrdiff_t>(first), held_.end(), 0);
    if (text.find("\xC5\xBF") != std::string_view::npos) {
      std::fill(held_.begin() + static_cast<std::ptrdiff_t>(first), held_.end(), 1);
      return true;
    }
    for (char start : {'<', '%'}) {
      for (size_t from = 0; from < text.size();) {
        const void* hit = std::memchr(text.data() + from, start, text.size() - from);
        if (hit == nullptr) break;
        const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
        for (size_t k = first; k < passes_.size(); ++k) {
          const std::string_view lead = passes_[k].lead;
          if (held_[k] || lead[0] != start || text.size() - at < lead.size()) continue;
          size_t i = 1;
          while (i < lead.size() && AsciiSameAnyCase(text[at + i], lead[i])) ++i;
          held_[k] = i == lead.size();
        }
        if (held_[first]) return false;
        from = at + 1;
      }
    }
    return true;
  }

  std::vector<Pass> passes_;
  std::vector<char> held_;
  bool known_ = false;  // held_ tells of every pass from the next on
};

}  // namespace

std::string Html2Ubb(std::string_view strContent, std::string_view sRemoveCode) {
  if (strContent.empty()) return "";
  std::string_view list = vb::Len(sRemoveCode) < 21 ? kDefaultRemoveCode : sRemoveCode;
  std::vector<std::string> flags = vb::Split(list, "|");
  std::string text(strContent);

  // The passes of the flags that are 1, up to a flag that cannot be read,
  // which ends the filter after the passes before it; then the fixed ones.
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
  const size_t tag_passes = passes.size();
  // Server-script brackets would run as script if the article were ever
  // served by an ASP page.
  passes.insert(passes.end(), {{"(<TBODY>)", "<TBODY>"},
                               {"(<\\/TBODY>)", "</TBODY>"},
                               {"(<%)", "<%", "&lt;%"},
                               {"(%>)", "%>", "%&gt;"}});
  PassRunner runner(std::move(passes));
  if (!runner.Run(text, 0, tag_passes) || !all_read) return text;

  vb::TryStep([&] {
    runner.Change(text, RemoveControlCharacters(text));
    runner.Change(text, RemoveComments(text));
    runner.Run(text, tag_passes, tag_passes + 4);
  });
  return text;
}

namespace {

// The length text would have once every occurrence of from became to, as
// the exact-case replacement finds them (left to right, not overlapping).
size_t ReplacedSize(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return text.size();
  size_t size = text.size();
  for (size_t at = text.find(from); at != std::string_view::npos;
       at = text.find(from, at + from.size())) {
    size = size - from.size() + to.size();
  }
  return size;
}

}  // namespace

std::string ReplaceClass(std::string_view sClassName, std::string_view sClassList) {
  if (vb::Len(sClassList) < 3) return vb::Trim(sClassName);
  if (sClassName.empty()) return "";
  std::string text(sClassName);
  // Rules that feed on each other's output ("a|aa" again and again) can
  // double the text with every rule, and a short list then makes a name of
  // many megabytes and a page that never ends. A rule that would take the
  // text past this bound ends the routine like a failing step.
  const size_t bound = std::max(kReplaceClassGrowth * text.size(), kReplaceClassFloor);
  vb::TryStep([&] {
    for (const std::string& rule : vb::Split(sClassList, "$$$")) {
      if (vb::Len(rule) <= 2) continue;
      std::vector<std::string> parts = vb::Split(rule, "|");
      if (parts.size() < 2) continue;
      if (ReplacedSize(text, parts[0], parts[1]) > bound) return;
      text = vb::Replace(text, parts[0], parts[1]);
    }
  });
  return text;
}

}  // namespace ostrel::processing
