#include "gathering/common/page_markup.h"

#include <algorithm>
#include <iterator>

#include "gathering/common/code_list.h"
#include "platform/asp/server.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"

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
         " width=\"20%\" align=right><b>" + std::string(label) + "</b></td><td class=" + cls + ">" +
         field + "</td></tr>\r\n";
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

std::string ClassSelect(processing::VBProcess& process, int32_t ChannelID, const ItemRow& row) {
  // The class list marks every option with its number; the item's own
  // becomes "selected", the others keep their harmless marks.
  vb::Variant channel_id(ChannelID);
  std::string classes = process.LoadSelectClass(channel_id);
  if (row.edit()) {
    classes =
        vb::Replace(classes, "{ClassID=" + processing::TextOf(row["ClassID"]) + "}", "selected");
  }
  return "<select name=\"ClassID\">" + classes + "</select>";
}

std::string SpecialSelect(processing::VBProcess& process, int32_t ChannelID, const ItemRow& row) {
  std::string specials = "<option value=\"0\">不指定专题</option>";
  std::shared_ptr<ado::Recordset> rs = process.Execute(
      vb::Variant("SELECT SpecialID,SpecialName FROM QX_Special Where ChannelID = " +
                  std::to_string(ChannelID) + " ORDER BY orders"));
  if (!rs) vb::Raise(vb::kErrObjectNotSet);
  for (; !rs->Eof(); rs->MoveNext()) {
    const vb::Variant id = rs->Fields("SpecialID").Value();
    const bool chosen = row.edit() && vb::Equals(id, row["SpecialID"]);
    specials += "<option" + ValueAttribute(id) + Selected(chosen) + ">" +
                processing::HtmlText(rs->Fields("SpecialName").Value()) + "</option>";
  }
  return "<select name=\"SpecialID\">" + specials + "</select>";
}

std::string EncodingField(const ItemRow& row) {
  return TextInput("Encoding", 15, row.edit() ? row["Encoding"] : vb::Variant("GB2312"), true) +
         " 请选择编码→<select name=\"selEncoding\" "
         "onchange=\"if(this.value!='')document.myform.Encoding.value=this.value;\">"
         "<option value=\"\">请选择编码</option><option value=\"GB2312\">GB2312</option>"
         "<option value=\"UTF-8\">UTF-8</option><option value=\"BIG5\">BIG5</option></select>";
}

std::string NumberSelect(const ItemRow& row, std::string_view name,
                         std::span<const std::string_view> labels, int add_default) {
  std::string select = "<select name=\"" + std::string(name) + "\">";
  for (int i = 0; i < static_cast<int>(labels.size()); ++i) {
    select += "<option value=\"" + std::to_string(i) + "\"" +
              Selected(row.Equals(name, i, add_default)) + ">" + std::string(labels[i]) +
              "</option>";
  }
  return select + "</select>";
}

std::string StarSelect(const ItemRow& row) {
  std::string stars = "<select name=\"star\">";
  for (int i = 5; i >= 0; --i) {
    std::string label = i > 0 ? "" : "自动星级";
    for (int j = 0; j < i; ++j) label += "★";
    stars += "<option value=\"" + std::to_string(i) + "\"" + Selected(row.Equals("star", i, 3)) +
             ">" + label + "</option>";
  }
  return stars + "</select>";
}

std::string RemoveCodeBoxes(processing::VBProcess& process, const ItemRow& row, int count,
                            int break_at) {
  constexpr const char* kLabels[] = {"SCRIPT", "IFARME", "OBJECT", "APPLET", "DIV",
                                     "FONT",   "SPAN",   "A",      "IMG",    "FORM",
                                     "HTML",   "TABLE",  "TR",     "TD",     "TH"};
  std::vector<std::string> flags;
  if (row.edit()) flags = vb::Split(vb::CStr(row["RemoveCode"]), "|");
  std::string boxes;
  for (size_t i = 0; i < static_cast<size_t>(count) && i < std::size(kLabels); ++i) {
    const bool on = row.edit() ? process.ChkNumeric(PartAt(flags, i)) == 1 : i < 2;
    if (i == static_cast<size_t>(break_at)) boxes += "<br>";
    boxes += "<input type=\"checkbox\" name=\"RemoveCode" + std::to_string(i) + "\" value=\"1\"" +
             Checked(on) + "> " + kLabels[i] + " ";
  }
  return boxes;
}

std::string RuleListBox(const ItemRow& row, RuleKind kind, int32_t min_length, int width) {
  const bool classes = kind == RuleKind::kClass;
  const std::string column = classes ? "RetuneClass" : "strReplace";
  const std::string what = classes ? "Class" : "Replace";
  const std::string lower = classes ? "class" : "replace";
  const std::string word = classes ? "分类" : "字符";
  // The class list's double click keeps the page script's old name.
  const std::string on_double = classes ? "ModifyCalss" : "ModifyReplace";
  return "<select name=\"" + column + "\" size=\"2\" style=\"width:" + std::to_string(width) +
         "px\" ondblclick=\"return " + on_double + "();\">" + RuleOptions(row[column], min_length) +
         "</select> <input type=\"button\" name=\"add" + lower + "\" value=\"添加替换" + word +
         "\" onclick=\"Add" + what +
         "();\" class=\"button\"> <input type=\"button\" name=\"modify" + lower +
         "\" value=\"修改当前" + word + "\" onclick=\"Modify" + what +
         "();\" class=\"button\"> <input type=\"button\" name=\"del" + lower +
         "\" value=\"删除当前" + word + "\" onclick=\"Del" + what +
         "();\" class=\"button\"><input type=\"hidden\" name=\"" + what + "List\" value=\"\">";
}

std::string PaginationRows(const ItemRow& row, int n) {
  const bool paged = row.Is("IsPagination", 1);
  const std::string show = ShowElement("Pageinate1", true) + ShowElement("Pageinate2", true);
  const std::string hide = ShowElement("Pageinate1", false) + ShowElement("Pageinate2", false);
  return FormRow("是否列表分页采集：", RadioPair(row, "IsPagination", "否", "是", hide, show), n) +
         FormRow("远程列表分页URL：",
                 TextInput("PaginalList", 70, row["PaginalList"], row.edit()) +
                     " <font color=red>* 分页代码 {$pageid}</font>",
                 n + 1, std::string(" id=\"Pageinate1\"") + HiddenStyle(!paged)) +
         FormRow("远程列表起始页：",
                 "开始页：" +
                     TextInput("startid", 6, row.edit() ? row["startid"] : vb::Variant("1"), true) +
                     " 结束页：" +
                     TextInput("lastid", 6, row.edit() ? row["lastid"] : vb::Variant("2"), true) +
                     " <font color=red>* 例如：1 - 9 或者 9 - 1</font>",
                 n + 2, std::string(" id=\"Pageinate2\"") + HiddenStyle(!paged));
}

void WriteStepOneRows(asp::Response& out, processing::VBProcess& process, int32_t ChannelID,
                      const ItemRow& row, const StepOneForm& form) {
  auto value_or = [&](std::string_view column, std::string_view add_default) {
    return row.edit() ? row[column] : vb::Variant(std::string(add_default));
  };
  int n = 0;
  out.Write(FormRow("项目名称：", TextInput("ItemName", 30, row["ItemName"], row.edit()), n++));
  out.Write(FormRow("目标站点URL：", TextInput("SiteUrl", 30, value_or("SiteUrl", "http://"), true),
                    n++));
  out.Write(FormRow("所属分类：", ClassSelect(process, ChannelID, row), n++));
  out.Write(FormRow("所属专题：", SpecialSelect(process, ChannelID, row), n++));
  out.Write(FormRow("关闭采集项目：", RadioPair(row, "StopItem", "打开", "关闭"), n++));
  out.Write(FormRow("目标文档编码：", EncodingField(row), n++));
  out.Write(FormRow(form.is_down_label, RadioPair(row, "IsDown", "否", "是"), n++));
  if (form.after_is_down) form.after_is_down(n);
  out.Write(FormRow("是否自动归类：",
                    RadioPair(row, "AutoClass", "否", "是", ShowElement("RetuneClassID", false),
                              ShowElement("RetuneClassID", true)),
                    n++));
  // Rules of any length are listed, so a save keeps every stored rule.
  out.Write(FormRow("分类替换操作：", RuleListBox(row, RuleKind::kClass, 0, 300), n++,
                    std::string(" id=\"RetuneClassID\"") + HiddenStyle(!row.Is("AutoClass", 1))));
  constexpr std::string_view kPathForms[] = {"不使用日期目录", "2005-8", "2005_8",
                                             "20058",          "2005",   "2005/8",
                                             "2005/8/8",       "200588", "分类目录名称+200508",
                                             "分类目录名称"};
  out.Write(FormRow("日期路径格式：", NumberSelect(row, "PathForm", kPathForms, 1), n++));
  out.Write(FormRow(form.save_path_label,
                    TextInput("SaveFilePath", form.save_path_size,
                              value_or("SaveFilePath", form.save_path_default), true) +
                        std::string(form.save_path_note),
                    n++));
  out.Write(FormRow("是否自动更改文件名称：", RadioPair(row, "AutoRename", "否", "是"), n++));
  out.Write(FormRow("是否显示为最新时间：", RadioPair(row, "IsNowTime", "否", "是"), n++));
  out.Write(FormRow("初始点击数：", TextInput("AllHits", 10, value_or("AllHits", "0"), true), n++));
  out.Write(FormRow("软件星级：", StarSelect(row), n++));
  out.Write(FormRow("简介过滤设置：",
                    RemoveCodeBoxes(process, row, form.tag_filters, form.tag_break), n++));
  out.Write(FormRow("远程列表URL：",
                    TextInput("RemoteListUrl", 70, row["RemoteListUrl"], row.edit()), n++));
  out.Write(PaginationRows(row, n));
  n += 3;
  if (form.before_text_rules) form.before_text_rules(n);
  out.Write(FormRow("简介字符替换操作：", RuleListBox(row, RuleKind::kText, 0, 380), n++));
  out.Write(StepButtonRow());
  out.Write("</table>\r\n</form>\r\n");
}

int32_t FormNumbers::Long(std::string_view key) {
  int32_t value = 0;
  if (!vb::TryStep([&] { value = process_.ChkNumeric(FormText(request_, key)); })) {
    all_fit_ = false;
  }
  return value;
}

int16_t FormNumbers::Small(std::string_view key) {
  const int32_t value = Long(key);
  if (value > INT16_MAX) {
    all_fit_ = false;
    return 0;
  }
  return static_cast<int16_t>(value);
}

std::string FormNumbers::RemoveCode(int count) {
  std::string flags;
  for (int i = 0; i < count; ++i)
    flags += std::to_string(Long("RemoveCode" + std::to_string(i))) + "|";
  return vb::Trim(flags + "0|0|0|0|0|0|0|0|0");
}

std::string StepOneProblem(const asp::Request& request, int32_t AutoClass, int32_t ClassID,
                           int32_t IsPagination, int32_t least_encoding) {
  if (vb::Trim(FormText(request, "ItemName")).empty()) return "请填写项目名称！";
  const std::string site = FormText(request, "SiteUrl");
  if (vb::Trim(site).empty()) return "请填写目标站点URL！";
  if (vb::LCase(vb::Left(site, 4)) != "http") {
    return "目标站点URL输入错误，请在URL前面加上“http://”！";
  }
  if (vb::Len(vb::Trim(FormText(request, "Encoding"))) < least_encoding) {
    return "请选择目标站点的文件编码！";
  }
  if (AutoClass == 0 && ClassID == 0) {
    return "该一级分类已经有下属分类，不能采集；请重新选择分类！";
  }
  if (vb::Trim(FormText(request, "RemoteListUrl")).empty()) return "请填写远程列表URL！";
  if (IsPagination >= 1 && vb::Trim(FormText(request, "PaginalList")).empty()) {
    return "请填写远程分页列表URL！";
  }
  return "";
}

std::string StepFormHead(std::string_view script, std::string_view next_action, int32_t ChannelID,
                         int32_t ItemID, std::string_view title, std::string_view on_submit) {
  std::string head = "<form name=\"myform\" method=\"post\" action=\"" +
                     processing::HtmlAttribute(vb::Variant(std::string(script))) + "\"";
  if (!on_submit.empty()) head += " onsubmit=\"" + std::string(on_submit) + "\"";
  head += ">\r\n<input type=\"hidden\" name=\"action\" value=\"" + std::string(next_action) +
          "\">\r\n<input type=\"hidden\" name=\"ChannelID\" value=\"" + std::to_string(ChannelID) +
          "\">\r\n<input type=\"hidden\" name=\"ItemID\" value=\"" + std::to_string(ItemID) +
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

void WriteListCodeRows(asp::Response& out, processing::VBProcess& process,
                       const std::vector<std::string>& codes, size_t special,
                       const std::string& extra_rows) {
  out.Write("<tr><td colspan=2 class=TableTitle>项 目 编 辑 -- 列表连接设置</td></tr>\r\n");
  constexpr const char* kLabels[] = {"获取列表开始代码：", "获取列表结束代码：",
                                     "获取连接开始代码：", "获取连接结束代码："};
  for (int i = 0; i < 4; ++i) {
    out.Write(FormRow(kLabels[i],
                      TextArea("FindListCode" + std::to_string(i), PartAt(codes, i), 5, 80), i));
  }
  out.Write(extra_rows);
  const bool relocate = process.ChkNumeric(PartAt(codes, special)) > 0;
  const std::string radio = "FindListCode" + std::to_string(special);
  out.Write(
      "<tr><td class=TableRow1 align=right><b>特殊设置：</b></td><td class=TableRow1>"
      "<input type=\"radio\" name=\"" +
      radio + "\" value=\"0\"" + std::string(Checked(!relocate)) + " onclick=\"" +
      ShowElement("especial", false) + "\"> 不作处理 <input type=\"radio\" name=\"" + radio +
      "\" value=\"1\"" + Checked(relocate) + " disabled onclick=\"" +
      ShowElement("especial", true) +
      "\"> 重新定位<span id=\"especial\" style=\"display:none\"> <input type=\"text\" "
      "name=\"FindListCode" +
      std::to_string(special + 1) + "\" size=\"60\"" +
      ValueAttribute(vb::Variant(PartAt(codes, special + 1))) + "></span></td></tr>\r\n");
}

int WriteInfoCodeRows(asp::Response& out, const InfoCodeForm& form,
                      const std::vector<std::string>& info) {
  out.Write("<tr><td colspan=2 class=TableTitle>" + form.title + "</td></tr>\r\n");
  int n = 0;
  auto code_row = [&](int i, std::string_view attributes) {
    std::string label = form.labels[static_cast<size_t>(i)];
    const std::string& note = form.notes[static_cast<size_t>(i)];
    if (!note.empty()) label += "</b><br><font color=blue>" + note + "</font><b>";
    const std::string name = "FindInfoCode" + std::to_string(i);
    std::string field;
    for (const LineCode& line : form.line_codes) {
      if (line.index != i) continue;
      const std::string bare =
          vb::Trim(vb::Replace(vb::Replace(PartAt(info, i), "'", ""), "\"", ""));
      field = TextInput(name, line.size, vb::Variant(bare), true) + line.after;
    }
    if (field.empty()) field = TextArea(name, PartAt(info, i), 5, 80);
    out.Write(FormRow(label, field, n++, attributes));
  };
  for (int i = 0; i <= 3; ++i) code_row(i, "");
  for (const CodeGroup& group : form.groups) {
    if (group.name.empty()) {
      for (int i = group.first; i <= group.last; ++i) code_row(i, "");
      continue;
    }
    const int last_value = std::stoi(group.options.back().first);
    const int marked = group.stored < 0 ? 0 : std::min(group.stored, last_value);
    std::string radios;
    for (const auto& [value, label] : group.options) {
      const std::string show = "for(var i=" + std::to_string(group.first) +
                               ";i<=" + std::to_string(group.last) +
                               ";i++)document.getElementById('InfoCode'+i).style.display='" +
                               (value != "0" ? "" : "none") + "';";
      radios += "<input type=\"radio\" name=\"" + group.name + "\" value=\"" + value +
                "\" onclick=\"" + show + "\"" + Checked(std::stoi(value) == marked) + "> " + label +
                " ";
    }
    radios += "<font color=red>" + group.note + "</font>";
    out.Write(FormRow(group.label, radios, n++));
    const bool hidden = group.stored < 0 || group.stored == 0;
    for (int i = group.first; i <= group.last; ++i) {
      code_row(i, " id=\"InfoCode" + std::to_string(i) + "\"" + HiddenStyle(hidden));
    }
  }
  return n;
}

std::string DemoUrlRow(const std::string& stored, int n) {
  const std::string shown = vb::Trim(vb::Replace(vb::Replace(stored, "'", ""), "\"", ""));
  return FormRow("指定演示URL：", TextInput("NamedDemourl", 80, vb::Variant(shown), true), n);
}

std::string PostedCodes(const asp::Request& request, std::string_view prefix, int count,
                        std::string_view padding) {
  std::string codes;
  for (int i = 0; i < count; ++i) {
    codes += FormText(request, std::string(prefix) + std::to_string(i)) + "$$$";
  }
  return codes + std::string(padding);
}

bool WriteListSource(asp::Response& out, const asp::Request& request, int32_t ChannelID,
                     int32_t ItemID, std::string& page_text) {
  const std::string list_url = vb::Trim(FormText(request, "RemoteListUrl"));
  page_text = processing::GetRemoteData(list_url, vb::Trim(FormText(request, "Encoding")));
  if (page_text.empty()) {
    out.Write("<script language=\"javascript\">");
    out.Write("alert('获取远程信息出错！请确定你的远程列表URL输入无误。');");
    out.Write("location.replace('?action=edit&ChannelID=" + std::to_string(ChannelID) +
              "&ItemID=" + std::to_string(ItemID) + "');</script>\r\n");
    return false;
  }
  WriteSourceView(out, page_text, list_url);
  return true;
}

bool WriteEntrySource(asp::Response& out, const std::string& list_url, const std::string& encoding,
                      const std::string& list_codes) {
  std::string list_page;
  const std::string link = FirstListLink(list_url, encoding, CodeList(list_codes), list_page);
  if (link.empty()) return false;
  const std::string page = processing::GetRemoteData(link, encoding);
  if (page.empty()) {
    processing::AlertBack("获取远程信息出错！请确定你的远程连接代码输入无误。");
    return false;
  }
  WriteSourceView(out, page, link);
  return true;
}

std::string StepButtonRow() {
  return "<tr><td colspan=2 align=center class=TableRow2>" + std::string(kBackButton) +
         " <input type=\"submit\" name=\"B22\" value=\" 下一步 \" class=\"button\"> "
         "<input type=\"checkbox\" name=\"ShowCode\" value=\"1\"> 显示源码</td></tr>\r\n";
}

std::string FinishRow(int32_t ChannelID, int32_t ItemID) {
  return "<tr><td colspan=2 class=TableRow1><li>恭喜您！采集项目设置全部完成。</li>"
         "<li>如果要查看项目设置是否正确，请点击<a href='?action=demo&ChannelID=" +
         std::to_string(ChannelID) + "&ItemID=" + std::to_string(ItemID) +
         "' class=showmenu>项目演示</a> </li></td></tr>\r\n";
}

std::string FinishButtonRow(int32_t ChannelID, int32_t ItemID) {
  const std::string channel = std::to_string(ChannelID);
  return "<tr><td colspan=2 align=center class=TableRow2>" + std::string(kBackButton) +
         " <input type=\"button\" name=\"B22\" value=\"全部设置完成\" "
         "onclick=\"location.href='?ChannelID=" +
         channel +
         "'\" class=\"button\"> <input type=\"button\" name=\"B32\" value=\"开始采集\" "
         "onclick=\"location.href='?action=begin&ChannelID=" +
         channel + "&ItemID=" + std::to_string(ItemID) + "'\" class=\"button\"></td></tr>\r\n";
}

std::string SandboxedView(const std::string& html, int height) {
  return "<iframe sandbox=\"\" srcdoc=\"" + processing::HtmlText(vb::Variant(html)) +
         "\" style=\"width:100%;height:" + std::to_string(height) +
         "px;border:0;background:#fff\"></iframe>";
}

std::string RemoteLink(const std::string& address) {
  const std::string text = processing::HtmlText(vb::Variant(address));
  const std::string scheme = vb::LCase(vb::Left(vb::Trim(address), 8));
  if (!scheme.starts_with("http://") && !scheme.starts_with("https://")) return text;
  return "<a href='" + processing::HtmlAttribute(vb::Variant(address)) + "' target='_blank'>" +
         text + "</a>";
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

std::vector<std::string> FileEntryLabels(const std::string& m) {
  return {"获取" + m + "名称开始代码：",
          "获取" + m + "名称结束代码：",
          "获取" + m + "简介开始代码：",
          "获取" + m + "简介结束代码：",
          "获取父分类名称开始代码：",
          "获取父分类名称结束代码：",
          "获取子分类名称开始代码：",
          "获取子分类名称结束代码：",
          "获取更新时间开始代码：",
          "获取更新时间结束代码：",
          "<font color=blue>获取" + m + "大小开始代码：</font>",
          "<font color=blue>获取" + m + "大小结束代码：</font>"};
}

std::vector<CodeGroup> FileEntryGroups(const std::string& m, const std::string& size_note) {
  return {{m + "分类设置(可选项)：",
           "selClass",
           {{"0", "隐藏分类设置窗口"}, {"1", "打开分类设置窗口"}},
           4,
           7,
           "* 如果第一步设置了自动归类，请设置此项"},
          {m + "更新时间设置：",
           "seltime",
           {{"0", "隐藏时间设置窗口"}, {"1", "打开时间设置窗口"}},
           8,
           9,
           "* 如果第一步设置显示为最新时间，此设置无效"},
          {m + "大小设置：",
           "selsize",
           {{"0", "隐藏大小设置窗口"}, {"1", "打开大小设置窗口"}},
           10,
           11,
           size_note}};
}

std::vector<std::string> DownloadLabels() {
  return {"下载地址列表开始代码：", "下载地址列表结束代码：", "获取下载连接开始代码：",
          "获取下载连接结束代码：", "下载地址列表开始代码：", "下载地址列表结束代码：",
          "获取下载连接开始代码：", "获取下载连接结束代码："};
}

std::vector<CodeGroup> DownloadGroups(const std::string& label, int first, int32_t downpage) {
  return {{label,
           "seldown",
           {{"0", "隐藏下载地址窗口"}, {"1", "打开设置下载地址"}},
           first,
           first + 3,
           ""},
          {"是否新窗口打开下载连接：",
           "downpage",
           {{"0", "不作设置"}, {"1", "设置下载地址"}},
           first + 4,
           first + 7,
           "* 如果要在新页面打开下载，请设置此项",
           downpage}};
}

std::vector<std::string> FileEntryNotes(size_t count, int download_first) {
  std::vector<std::string> notes(count);
  notes[4] = notes[6] = "不获取分类请输入“0”";
  notes[5] = notes[7] = "手动设置，请直接输入分类名称";
  notes[8] = notes[9] = "不设置请输入“0”";
  for (int i = download_first + 4; i <= download_first + 7; ++i) {
    notes[static_cast<size_t>(i)] = "新页面";
  }
  return notes;
}

std::vector<std::pair<std::string, std::string>> ShownOptions() {
  return {{"0", "隐藏设置窗口"}, {"1", "打开设置窗口"}};
}

}  // namespace ostrel::gathering::markup
