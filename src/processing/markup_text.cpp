#include "processing/markup_text.h"

#include "platform/asp/server.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace ostrel::processing {

std::string TextOf(const vb::Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return "";
  return vb::CStr(value);
}

// A text value is encoded where it stands, without a copy first.
std::string HtmlText(const vb::Variant& value) {
  if (value.IsString()) return asp::Server::HTMLEncode(value.AsString());
  return asp::Server::HTMLEncode(TextOf(value));
}

std::string HtmlAttribute(const vb::Variant& value) {
  std::string text = HtmlText(value);
  // Most values hold no "'": they are kept as they are.
  if (text.find('\'') == std::string::npos) return text;
  return vb::Replace(text, "'", "&#39;");
}

}  // namespace ostrel::processing
