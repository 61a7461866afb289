#include "gathering/common/page_markup.h"

#include "platform/asp/server.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"

namespace ostrel::gathering::markup {

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

void WriteSourceView(asp::Response& out, const std::string& page_text, const std::string& address) {
  out.Write(
      "<tr><td colspan=2 class=TableTitle>项 目 编 辑 -- 采集目标网站源代码 "
      "<input type=\"radio\" name=\"soucode\" value=\"0\" "
      "onclick=\"document.getElementById('soucodeid').style.display='none';\"> 关闭源代码窗口 "
      "<input type=\"radio\" name=\"soucode\" value=\"1\" checked "
      "onclick=\"document.getElementById('soucodeid').style.display='';\"> 查看源代码"
      "</td></tr>\r\n");
  out.Write(
      "<tr><td colspan=2 class=TableRow1 id=\"soucodeid\">"
      "<textarea name=\"content\" id=\"content\" rows=\"20\" wrap=\"off\" "
      "style=\"width:100%\">\r\n" +
      asp::Server::HTMLEncode(page_text) +
      "</textarea><br><a href=\"javascript:admin_Size(-20,'content')\">"
      "<img src=\"images/minus.gif\" border=\"0\"></a> "
      "<a href=\"javascript:admin_Size(20,'content')\"><img src=\"images/plus.gif\" "
      "border=\"0\"></a></td></tr>\r\n");
  const std::string href = processing::HtmlAttribute(vb::Variant(address));
  out.Write("<tr><td colspan=2 class=TableRow2>采集的目标地址 → <a href='" + href +
            "' target=_blank><font color=red>" + processing::HtmlText(vb::Variant(address)) +
            "</font></a> <a href='view-source:" + href +
            "' target=_blank><font color=blue>点击查看目标源代码</font></a></td></tr>\r\n");
}

}  // namespace ostrel::gathering::markup
