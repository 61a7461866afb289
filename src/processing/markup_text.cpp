#include "processing/markup_text.h"

#include "platform/asp/server.h"
#include "platform/vb/convert.h"

namespace ostrel::processing {

std::string TextOf(const vb::Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return "";
  return vb::CStr(value);
}

namespace {

// A text value is encoded where it stands, without a copy first. The
// entities hold no "'", so encoding it with the others is the same as
// replacing it afterwards.
void AppendEncoded(std::string& out, const vb::Variant& value, bool apostrophe) {
  if (value.IsString()) {
    asp::Server::AppendHTMLEncoded(out, value.AsString(), apostrophe);
  } else {
    asp::Server::AppendHTMLEncoded(out, TextOf(value), apostrophe);
  }
}

}  // namespace

std::string HtmlText(const vb::Variant& value) {
  std::string out;
  AppendEncoded(out, value, false);
  return out;
}

std::string HtmlAttribute(const vb::Variant& value) {
  std::string out;
  AppendEncoded(out, value, true);
  return out;
}

void AppendHtmlText(std::string& out, const vb::Variant& value) {
  AppendEncoded(out, value, false);
}

void AppendHtmlAttribute(std::string& out, const vb::Variant& value) {
  AppendEncoded(out, value, true);
}

}  // namespace ostrel::processing
