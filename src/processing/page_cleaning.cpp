#include "processing/page_cleaning.h"

#include "platform/text/regexp.h"

namespace ostrel::processing {

namespace {

bool IsControl(char c) { return c == '\b' || c == '\t' || c == '\n' || c == '\r'; }

std::string ReplaceAll(std::string_view text, const char* pattern) {
  text::RegExp re;
  re.Pattern = pattern;
  re.IgnoreCase = true;
  re.Global = true;
  return re.Replace(text, "");
}

}  // namespace

std::string RemoveControlCharacters(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!IsControl(text[i])) continue;
    out.append(text, from, i - from);
    from = i + 1;
  }
  out.append(text, from, text.size() - from);
  return out;
}

// The empty inner part is allowed: with "(.+?)" an empty comment "<!---->"
// took its first "-" as content and ran on to the next "-->" further along,
// deleting the text between.
std::string RemoveComments(std::string_view text) { return ReplaceAll(text, "(<!--(.*?)-->)"); }

std::string RemoveTags(std::string_view text) { return ReplaceAll(text, "<(.[^>]*)>"); }

}  // namespace ostrel::processing
