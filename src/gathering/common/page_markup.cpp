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

bool ItemRow::Is(std::string_view column, int value) const {
  if (!rs_) return value == 0;
  std::optional<double> n = NumberOf((*this)[column]);
  if (!n) return false;
  return value == 0 ? *n == 0 : *n > 0;
}

bool ItemRow::Equals(std::string_view column, int value, int add_default) const {
  if (!rs_) return value == add_default;
  std::optional<double> n = NumberOf((*this)[column]);
  return n && *n == value;
}

std::string RadioPair(const ItemRow& row, std::string_view name, std::string_view label0,
                      std::string_view label1, std::string_view onclick0,
                      std::string_view onclick1) {
  auto one = [&](int value, std::string_view label, std::string_view onclick) {
    std::string s = "<input type=\"radio\" name=\"" + std::string(name) + "\" value=\"" +
                    std::to_string(value) + "\"";
    if (!onclick.empty()) s += " onclick=\"" + std::string(onclick) + "\"";
    s += Checked(row.Is(name, value));
    return s + "> " + std::string(label);
  };
  return one(0, label0, onclick0) + " " + one(1, label1, onclick1);
}

std::string ShowElement(std::string_view id, bool show) {
  return "document.getElementById('" + std::string(id) + "').style.display='" +
         (show ? "" : "none") + "';";
}

std::string FormRow(std::string_view label, const std::string& field, int n,
                    std::string_view row_attributes) {
  const std::string cls = n % 2 == 0 ? "TableRow1" : "TableRow2";
  return "<tr" + std::string(row_attributes) + "><td class=" + cls +
         " width=\"20%\" align=right><b>" + std::string(label) + "</b></td><td class=" + cls +
         ">" + field + "</td></tr>\r\n";
}

std::string TextInput(std::string_view name, int size, const vb::Variant& value, bool has_value) {
  std::string s = "<input type=\"text\" name=\"" + std::string(name) + "\" size=\"" +
                  std::to_string(size) + "\"";
  if (has_value) s += ValueAttribute(value);
  return s + ">";
}

std::string RuleOptions(const vb::Variant& column, int32_t min_length) {
  std::string options;
  if (column.IsNull() || column.IsEmpty()) return options;
  for (const std::string& rule : vb::Split(vb::CStr(column), "$$$")) {
    if (vb::Len(rule) <= min_length) continue;
    options += "<option" + ValueAttribute(vb::Variant(rule)) + ">" +
               processing::HtmlText(vb::Variant(rule)) + "</option>";
  }
  return options;
}

std::string StepFormHead(std::string_view script, std::string_view next_action,
                         int32_t ChannelID, int32_t ItemID, std::string_view title,
                         std::string_view on_submit) {
  std::string head = "<form name=\"myform\" method=\"post\" action=\"" +
                     processing::HtmlAttribute(vb::Variant(std::string(script))) + "\"";
  if (!on_submit.empty()) head += " onsubmit=\"" + std::string(on_submit) + "\"";
  head += ">\r\n<input type=\"hidden\" name=\"action\" value=\"" + std::string(next_action) +
          "\">\r\n<input type=\"hidden\" name=\"ChannelID\" value=\"" +
          std::to_string(ChannelID) + "\">\r\n<input type=\"hidden\" name=\"ItemID\" value=\"" +
          std::to_string(ItemID) +
          "\">\r\n<input type=\"hidden\" name=\"change\" value=\"yes\">\r\n"
          "<table border=\"0\" align=\"center\" cellpadding=\"3\" cellspacing=\"1\" "
          "class=\"TableBorder\">\r\n<tr><th colspan=2>" +
          std::string(title) + "</th></tr>\r\n";
  return head;
}

void WriteItemMenu(asp::Response& out, int32_t ChannelID, int32_t ItemID) {
  const std::string c = std::to_string(ChannelID);
  const std::string tail = "&ChannelID=" + c + "&ItemID=" + std::to_string(ItemID) + "'";
  out.Write("<tr>\r\n");
  out.Write(" <td colspan=2 align=center class=tablerow2>");
  out.Write("<a href='?ChannelID=" + c + "' style=\"color: green;\">管理首页</a> | ");
  out.Write("<a href='?action=edit" + tail + " class=showmenu>设置第一步</a> | ");
  out.Write("<a href='?action=step2" + tail + " class=showmenu>设置第二步</a> | ");
  out.Write("<a href='?action=step3" + tail + " class=showmenu>设置第三步</a> | ");
  out.Write("<a href='?action=demo" + tail + " class=showmenu>项目演示</a> | ");
  out.Write("<a href='?action=begin" + tail + " style=\"color: red;\">开始采集</a>");
  out.Write("</td>\r\n");
  out.Write("</tr>\r\n");
}

std::string StepButtonRow() {
  return "<tr><td colspan=2 align=center class=TableRow2>" + std::string(kBackButton) +
         " <input type=\"submit\" name=\"B22\" value=\" 下一步 \" class=\"button\"> "
         "<input type=\"checkbox\" name=\"ShowCode\" value=\"1\"> 显示源码</td></tr>\r\n";
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
