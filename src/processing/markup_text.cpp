#include "processing/markup_text.h"

#include "platform/asp/server.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace ostrel::processing {

std::string TextOf(const vb::Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return "";
  return vb::CStr(value);
}

std::string HtmlText(const vb::Variant& value) { return asp::Server::HTMLEncode(TextOf(value)); }

std::string HtmlAttribute(const vb::Variant& value) {
  return vb::Replace(HtmlText(value), "'", "&#39;");
}

}  // namespace ostrel::processing
