#include "processing/page_messages.h"

#include <string>

#include "component/host_access.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace ostrel::processing {

// Backslashes go first, so the escapes added after them stay single.
std::string ScriptString(std::string_view text) {
  std::string t = vb::Replace(text, "\\", "\\\\");
  t = vb::Replace(t, "\"", "\\\"");
  t = vb::Replace(t, "'", "\\'");
  t = vb::Replace(t, "\r", "\\r");
  t = vb::Replace(t, "\n", "\\n");
  t = vb::Replace(t, "\u2028", "\\u2028");
  t = vb::Replace(t, "\u2029", "\\u2029");
  // "</script>" in the text would end the element before the string ends.
  return vb::Replace(t, "</", "<\\/");
}

namespace {

asp::Response& PageResponse() { return component::HostObjects::Take().Response(); }

// The alert text: list items become the lines of the alert.
std::string AlertText(std::string_view msg) {
  std::string t = vb::Replace(msg, "<li>", "", 1, -1, vb::CompareMode::Text);
  t = vb::Replace(t, "</li>", "\n", 1, -1, vb::CompareMode::Text);
  return ScriptString(t);
}

void WriteAlert(asp::Response& out, std::string_view msg) {
  out.Write("<script language=\"javascript\">\r\n");
  out.Write("alert(\"" + AlertText(msg) + "\");");
}

// An http or https address whose host (and port) is this site's.
bool IsOwnAddress(std::string_view url, std::string_view host) {
  if (host.empty()) return false;
  std::string lower = vb::LCase(url);
  size_t start;
  if (lower.starts_with("http://")) {
    start = 7;
  } else if (lower.starts_with("https://")) {
    start = 8;
  } else {
    return false;
  }
  size_t end = lower.find_first_of("/?#\\", start);
  std::string_view authority = std::string_view(lower).substr(start, end - start);
  return authority == vb::LCase(host);
}

std::string ServerVariable(const asp::Request& request, std::string_view name) {
  vb::Variant value = request.ServerVariables().Item(name);
  return value.IsString() ? value.AsString() : std::string();
}

}  // namespace

void AlertBack(std::string_view msg) {
  asp::Response& out = PageResponse();
  WriteAlert(out, msg);
  out.Write("history.back();\r\n");
  out.Write("</script>\r\n");
  out.Flush();
}

std::string OwnReferer(const asp::Request& request) {
  std::string referer = ServerVariable(request, "HTTP_REFERER");
  return IsOwnAddress(referer, ServerVariable(request, "HTTP_HOST")) ? referer : std::string();
}

void AlertReturn(std::string_view msg) {
  component::HostObjects host = component::HostObjects::Take();
  asp::Response& out = host.Response();
  const std::string referer = OwnReferer(host.Request());
  WriteAlert(out, msg);
  if (!referer.empty()) {
    out.Write("location.replace(\"" + ScriptString(referer) + "\");\r\n");
  } else {
    out.Write("history.back();\r\n");
  }
  out.Write("</script>\r\n");
  out.Flush();
  out.End();
}

void ShowErrorTable(std::string_view msg) {
  asp::Response& out = PageResponse();
  out.Write(
      "<br><br><table cellpadding=5 cellspacing=1 border=0 align=center "
      "class=tableBorder1>\r\n");
  out.Write("  <tr><th colspan=2>错误提示信息!</th></tr>\r\n");
  out.Write("  <tr><td colspan=2 align=center height=50 class=TableRow1>" + std::string(msg) +
            "</td></tr>\r\n");
  out.Write("</table><br>\r\n");
  out.Flush();
}

void WriteListPager(int32_t page, int32_t pages, int32_t total, int32_t size, std::string_view s1,
                    std::string_view s2) {
  asp::Response& out = PageResponse();
  out.Write("<script>");
  out.Write("ShowListPage(");
  out.Write(std::to_string(page));
  out.Write(",");
  out.Write(std::to_string(pages));
  out.Write(",");
  out.Write(std::to_string(total));
  out.Write(",");
  out.Write(std::to_string(size));
  out.Write(",'");
  out.Write(s1);
  out.Write("','");
  out.Write(s2);
  out.Write("');");
  out.Write("</script>\r\n");
}

}  // namespace ostrel::processing
