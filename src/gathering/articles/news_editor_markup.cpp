#include "gathering/articles/news_editor_markup.h"

#include "platform/asp/server.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"

namespace ostrel::articles::editor {

std::string ValueAttribute(const vb::Variant& value) {
  return " value=\"" + processing::HtmlAttribute(value) + "\"";
}

std::string TextArea(std::string_view name, const std::string& text, int rows, int cols) {
  return "<textarea name=\"" + std::string(name) + "\" rows=\"" + std::to_string(rows) +
         "\" cols=\"" + std::to_string(cols) + "\">\r\n" + asp::Server::HTMLEncode(text) +
         "</textarea>";
}

std::optional<double> NumberOf(const vb::Variant& value) {
  if (value.IsNull() || value.IsEmpty() || !vb::IsNumeric(value)) return std::nullopt;
  std::optional<double> number;
  vb::TryStep([&] { number = vb::CDbl(value); });
  return number;
}

std::string RequestText(const asp::Request& request, std::string_view key) {
  return processing::TextOf(request.Item(key));
}

std::string FormText(const asp::Request& request, std::string_view key) {
  return processing::TextOf(request.Form().Item(key));
}

const std::string& PartAt(const std::vector<std::string>& parts, size_t index) {
  if (index >= parts.size()) vb::Raise(vb::kErrSubscript);
  return parts[index];
}

std::string ScriptString(std::string_view text) {
  std::string t = vb::Replace(text, "\\", "\\\\");
  t = vb::Replace(t, "\"", "\\\"");
  t = vb::Replace(t, "'", "\\'");
  t = vb::Replace(t, "\r", "\\r");
  t = vb::Replace(t, "\n", "\\n");
  return vb::Replace(t, "</", "<\\/");
}

std::string OwnReferer(const asp::Request& request) {
  const std::string referer = processing::TextOf(request.ServerVariables().Item("HTTP_REFERER"));
  const std::string host =
      vb::LCase(processing::TextOf(request.ServerVariables().Item("HTTP_HOST")));
  if (host.empty()) return "";
  const std::string lower = vb::LCase(referer);
  size_t start;
  if (lower.starts_with("http://")) {
    start = 7;
  } else if (lower.starts_with("https://")) {
    start = 8;
  } else {
    return "";
  }
  const size_t end = lower.find_first_of("/?#\\", start);
  if (lower.substr(start, end == std::string::npos ? std::string::npos : end - start) != host) {
    return "";
  }
  return referer;
}

}  // namespace ostrel::articles::editor
