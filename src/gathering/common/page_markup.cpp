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
  const int row = n % 2 == 0 ? 1 : 2;
  return LookRow(kArticleLook, label, field, {row, row, row_attributes});
}

std::string LookRow(const EditorLook& look, std::string_view label, const std::string& field,
                    const RowCells& cells) {
  const std::string tag(look.label_tag);
  std::string label_cell = "<td class=TableRow" + std::to_string(cells.label_row);
  std::string field_cell = "<td class=TableRow" + std::to_string(cells.field_row);
  if (!look.label_width.empty()) label_cell += " width=\"" + std::string(look.label_width) + "\"";
  if (look.first_row_widths && cells.widths) {
    label_cell += " width=\"" + std::string(cells.widths->label) + "\"";
    if (cells.widths->nowrap) label_cell += " nowrap";
    field_cell += " width=\"" + std::string(cells.widths->field) + "\"";
  }
  std::string shown = "<" + tag + ">" + std::string(label) + "</" + tag + ">";
  if (!cells.note.empty()) {
    const std::string note = "<br><font color=blue>" + std::string(cells.note) + "</font>";
    shown = look.notes_in_label ? "<" + tag + ">" + std::string(label) + "</" + tag + ">" + note +
                                      "<" + tag + "></" + tag + ">"
                                : shown + note;
  }
  return "<tr" + std::string(cells.row_attributes) + ">" + label_cell + " align=right>" + shown +
         "</td>" + field_cell + ">" + field + "</td></tr>\r\n";
}

std::string TitleRow(const EditorLook& look, std::string_view title) {
  return std::string("<tr><td colspan=2 class=TableTitle") +
         (look.centred_titles ? " align=center>" : ">") + std::string(title) + "</td></tr>\r\n";
}

std::string TextInput(std::string_view name, int size, const vb::Variant& value, bool has_value,
                      bool with_id) {
  std::string s = "<input type=\"text\" name=\"" + std::string(name) + "\" size=\"" +
                  std::to_string(size) + "\"";
  if (with_id) s += " id=\"" + std::string(name) + "\"";
  if (has_value) s += ValueAttribute(value);
  return s + ">";
}

namespace {
// The opening tag of a select, with its name as id (and size 1) when asked.
std::string SelectTag(std::string_view name, bool with_id, std::string_view more = "") {
  std::string tag = "<select name=\"" + std::string(name) + "\"";
  if (with_id) tag += " size=\"1\" id=\"" + std::string(name) + "\"";
  return tag + std::string(more) + ">";
}
}  // namespace

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

std::string ClassSelect(processing::VBProcess& process, int32_t ChannelID, const ItemRow& row,
                        bool with_id) {
  // The class list marks every option with its number; the item's own
  // becomes "selected", the others keep their harmless marks.
  vb::Variant channel_id(ChannelID);
  std::string classes = process.LoadSelectClass(channel_id);
  if (row.edit()) {
    classes =
        vb::Replace(classes, "{ClassID=" + processing::TextOf(row["ClassID"]) + "}", "selected");
  }
  return SelectTag("ClassID", with_id) + classes + "</select>";
}

std::string SpecialSelect(processing::VBProcess& process, int32_t ChannelID, const ItemRow& row,
                          bool with_id) {
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
  return SelectTag("SpecialID", with_id) + specials + "</select>";
}

std::string EncodingField(const ItemRow& row, bool with_id) {
  return TextInput("Encoding", 15, row.edit() ? row["Encoding"] : vb::Variant("GB2312"), true,
                   with_id) +
         " 请选择编码→<select name=\"selEncoding\" "
         "onchange=\"if(this.value!='')document.myform.Encoding.value=this.value;\">"
         "<option value=\"\">请选择编码</option><option value=\"GB2312\">GB2312</option>"
         "<option value=\"UTF-8\">UTF-8</option><option value=\"BIG5\">BIG5</option></select>";
}

std::string NumberSelect(const ItemRow& row, std::string_view name,
                         std::span<const std::string_view> labels, int add_default, bool with_id) {
  std::string select = SelectTag(name, with_id);
  for (int i = 0; i < static_cast<int>(labels.size()); ++i) {
    select += "<option value=\"" + std::to_string(i) + "\"" +
              Selected(row.Equals(name, i, add_default)) + ">" + std::string(labels[i]) +
              "</option>";
  }
  return select + "</select>";
}

std::string StarSelect(const ItemRow& row, bool with_id) {
  std::string stars = SelectTag("star", with_id);
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

std::string RuleListBox(const ItemRow& row, RuleKind kind, int32_t min_length, int width,
                        const EditorLook& look) {
  const bool classes = kind == RuleKind::kClass;
  const bool file = look.file_rule_lists;
  const std::string column = classes ? "RetuneClass" : "strReplace";
  const std::string what = classes ? "Class" : "Replace";
  const std::string lower = classes || !file ? vb::LCase(what) : what;
  const std::string word = classes ? "分类" : "字符";
  // The class list's double click keeps the page script's old name.
  const std::string on_double = classes ? "ModifyCalss" : "ModifyReplace";
  const std::string id = look.field_ids ? " id=\"" + column + "\"" : "";
  const std::string size = "width:" + std::to_string(width) + (file ? ";height:100" : "px");
  const std::string button = "\" class=\"" + std::string(look.button_class) + "\">";
  return "<select name=\"" + column + "\"" + id + " size=\"2\" style=\"" + size +
         "\" ondblclick=\"return " + on_double + "();\">" + RuleOptions(row[column], min_length) +
         "</select> <input type=\"button\" name=\"add" + lower + "\" value=\"添加替换" + word +
         "\" onclick=\"Add" + what + "();" + button + " <input type=\"button\" name=\"modify" +
         lower + "\" value=\"修改当前" + word + "\" onclick=\"" + (file ? "return " : "") +
         "Modify" + what + "();" + button + " <input type=\"button\" name=\"del" + lower +
         "\" value=\"删除当前" + word + "\" onclick=\"Del" + what + "();" + button +
         "<input type=\"hidden\" name=\"" + what + "List\" value=\"\">";
}

std::string PaginationRows(const ItemRow& row, int n) { return PagingRows(row, n, nullptr); }

std::string PagingRows(const ItemRow& row, int n, const StepOneForm* form) {
  const bool paged = row.Is("IsPagination", 1);
  const std::string show = ShowElement("Pageinate1", true) + ShowElement("Pageinate2", true);
  const std::string hide = ShowElement("Pageinate1", false) + ShowElement("Pageinate2", false);
  auto line = [&](std::string_view label, const std::string& field, int i,
                  std::string_view attributes) {
    return form ? StepOneRow(*form, label, field, i, attributes)
                : FormRow(label, field, i, attributes);
  };
  // The software and Flash forms mark only the page number's tag in red and
  // join the two page boxes with a dash.
  const bool ids = form && form->look.field_ids;
  const std::string paging_note =
      form ? "      <span class=\"style2\">      * 分页代码 <font color=\"red\">{$pageid}</font>"
             "</span>"
           : " <font color=red>* 分页代码 {$pageid}</font>";
  const std::string between = form ? "&nbsp;-结束页：" : " 结束页：";
  const std::string pages_note =
      form ? "&nbsp;&nbsp;<span class=\"style2\">* 例如：1 - 9 或者 9 - 1</span>"
           : " <font color=red>* 例如：1 - 9 或者 9 - 1</font>";
  return line("是否列表分页采集：", RadioPair(row, "IsPagination", "否", "是", hide, show), n, "") +
         line("远程列表分页URL：",
              TextInput("PaginalList", 70, row["PaginalList"], row.edit(), ids) + paging_note,
              n + 1, std::string(" id=\"Pageinate1\"") + HiddenStyle(!paged)) +
         line("远程列表起始页：",
              "开始页：" +
                  TextInput("startid", 6, row.edit() ? row["startid"] : vb::Variant("1"), true,
                            ids) +
                  between +
                  TextInput("lastid", 6, row.edit() ? row["lastid"] : vb::Variant("2"), true, ids) +
                  pages_note,
              n + 2, std::string(" id=\"Pageinate2\"") + HiddenStyle(!paged));
}

std::string StepOneRow(const StepOneForm& form, std::string_view label, const std::string& field,
                       int n, std::string_view row_attributes) {
  const char c =
      static_cast<size_t>(n) < form.rows.size() ? form.rows[static_cast<size_t>(n)] : '1';
  return LookRow(form.look, label, field,
                 {.label_row = c == '2' ? 2 : 1,
                  .field_row = c == '1' ? 1 : 2,
                  .row_attributes = row_attributes,
                  .widths = n == 0 ? &kStepOneWidths : nullptr});
}

void WriteStepOneRows(asp::Response& out, processing::VBProcess& process, int32_t ChannelID,
                      const ItemRow& row, const StepOneForm& form) {
  auto value_or = [&](std::string_view column, std::string_view add_default) {
    return row.edit() ? row[column] : vb::Variant(std::string(add_default));
  };
  const EditorLook& look = form.look;
  const bool ids = look.field_ids;
  int n = 0;
  auto write = [&](std::string_view label, const std::string& field,
                   std::string_view attributes = "") {
    out.Write(StepOneRow(form, label, field, n++, attributes));
  };
  write("项目名称：", TextInput("ItemName", 30, row["ItemName"], row.edit(), ids));
  write("目标站点URL：", TextInput("SiteUrl", 30, value_or("SiteUrl", "http://"), true, ids));
  write("所属分类：", ClassSelect(process, ChannelID, row, ids));
  write("所属专题：", SpecialSelect(process, ChannelID, row, ids));
  write("关闭采集项目：", RadioPair(row, "StopItem", "打开", "关闭"));
  write("目标文档编码：", EncodingField(row, ids));
  write(form.is_down_label, RadioPair(row, "IsDown", "否", "是"));
  if (form.after_is_down) form.after_is_down(n);
  write("是否自动归类：",
        RadioPair(row, "AutoClass", "否", "是", ShowElement("RetuneClassID", false),
                  ShowElement("RetuneClassID", true)));
  // Rules of any length are listed, so a save keeps every stored rule.
  write("分类替换操作：", RuleListBox(row, RuleKind::kClass, 0, 300, look),
        std::string(" id=\"RetuneClassID\"") + HiddenStyle(!row.Is("AutoClass", 1)));
  constexpr std::string_view kPathForms[] = {"不使用日期目录", "2005-8", "2005_8",
                                             "20058",          "2005",   "2005/8",
                                             "2005/8/8",       "200588", "分类目录名称+200508",
                                             "分类目录名称"};
  write("日期路径格式：", NumberSelect(row, "PathForm", kPathForms, 1, ids));
  write(form.save_path_label,
        TextInput("SaveFilePath", form.save_path_size,
                  value_or("SaveFilePath", form.save_path_default), true, ids) +
            std::string(form.save_path_note));
  write("是否自动更改文件名称：", RadioPair(row, "AutoRename", "否", "是"));
  write("是否显示为最新时间：", RadioPair(row, "IsNowTime", "否", "是"));
  write("初始点击数：", TextInput("AllHits", 10, value_or("AllHits", "0"), true, ids));
  write("软件星级：", StarSelect(row, ids));
  write("简介过滤设置：", RemoveCodeBoxes(process, row, form.tag_filters, form.tag_break));
  write("远程列表URL：", TextInput("RemoteListUrl", 70, row["RemoteListUrl"], row.edit(), ids));
  out.Write(PagingRows(row, n, &form));
  n += 3;
  if (form.before_text_rules) form.before_text_rules(n);
  write("简介字符替换操作：", RuleListBox(row, RuleKind::kText, 0, 380, look));
  const char last =
      static_cast<size_t>(n) < form.rows.size() ? form.rows[static_cast<size_t>(n)] : '1';
  out.Write(StepButtonRow(look, last == '2' ? 2 : 1, "&nbsp;"));
  out.Write(StepFormEnd(look));
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
                         int32_t ItemID, std::string_view title, std::string_view on_submit,
                         const EditorLook& look) {
  std::string form = "<form name=\"myform\" method=\"post\" action=\"" +
                     processing::HtmlAttribute(vb::Variant(std::string(script))) + "\"";
  if (!on_submit.empty()) form += " onsubmit=\"" + std::string(on_submit) + "\"";
  form += ">\r\n<input type=\"hidden\" name=\"action\" value=\"" + std::string(next_action) +
          "\">\r\n<input type=\"hidden\" name=\"ChannelID\" value=\"" + std::to_string(ChannelID) +
          "\">\r\n<input type=\"hidden\" name=\"ItemID\" value=\"" + std::to_string(ItemID) +
          "\">\r\n<input type=\"hidden\" name=\"change\" value=\"yes\">\r\n";
  const std::string table =
      std::string(kTableHead) + "<tr><th colspan=2>" + std::string(title) + "</th></tr>\r\n";
  return look.table_first ? table + form : form + table;
}

std::string StepFormEnd(const EditorLook& look) {
  return look.table_first ? "</form>\r\n</table>\r\n" : "</table>\r\n</form>\r\n";
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
                       const std::string& extra_rows, const EditorLook& look) {
  out.Write(TitleRow(look, "项 目 编 辑 -- 列表连接设置"));
  constexpr const char* kLabels[] = {"获取列表开始代码：", "获取列表结束代码：",
                                     "获取连接开始代码：", "获取连接结束代码："};
  for (int i = 0; i < 4; ++i) {
    const int row = i % 2 + 1;
    out.Write(LookRow(
        look, kLabels[i], TextArea("FindListCode" + std::to_string(i), PartAt(codes, i), 5, 80),
        {.label_row = row, .field_row = row, .widths = i == 0 ? &kCodeWidths : nullptr}));
  }
  out.Write(extra_rows);
  const bool relocate = process.ChkNumeric(PartAt(codes, special)) > 0;
  const std::string radio = "FindListCode" + std::to_string(special);
  std::string radios = "<input type=\"radio\" name=\"" + radio + "\" value=\"0\"" +
                       Checked(!relocate) + " onclick=\"" + ShowElement("especial", false) +
                       "\"> 不作处理" + std::string(look.gap) + "<input type=\"radio\" name=\"" +
                       radio + "\" value=\"1\"" + Checked(relocate) + " disabled onclick=\"" +
                       ShowElement("especial", true) + "\"> 重新定位";
  std::string text = "<input type=\"text\" name=\"FindListCode" + std::to_string(special + 1) +
                     "\" size=\"60\"" + ValueAttribute(vb::Variant(PartAt(codes, special + 1))) +
                     ">";
  // The relocation box starts hidden: relocation is offered, not enabled.
  const std::string box(look.relocation_box);
  const bool blocks = box == "div";
  if (blocks) radios = "<div>" + radios + "</div>";
  std::string field = radios + "<" + box + " id=\"especial\" style=\"display:none\">" +
                      (blocks ? "" : " ") + text + "</" + box + ">";
  if (blocks) field += "<div></div>";
  out.Write(LookRow(look, "特殊设置：", field, {.label_row = 1, .field_row = 1}));
}

int WriteInfoCodeRows(asp::Response& out, const InfoCodeForm& form,
                      const std::vector<std::string>& info, const EditorLook& look) {
  out.Write(TitleRow(look, form.title));
  int n = 0;
  // The row class by turns, or by the code: a group's codes are begin and
  // end codes in turn from its first, and a group's own row is TableRow2.
  auto row_class = [&](int place_in_group) {
    return look.begin_end_rows ? place_in_group % 2 + 1 : n % 2 + 1;
  };
  auto code_row = [&](int i, int first, std::string_view attributes) {
    const std::string& label = form.labels[static_cast<size_t>(i)];
    const std::string& note = form.notes[static_cast<size_t>(i)];
    const std::string name = "FindInfoCode" + std::to_string(i);
    std::string field;
    for (const LineCode& line : form.line_codes) {
      if (line.index != i) continue;
      const std::string bare =
          vb::Trim(vb::Replace(vb::Replace(PartAt(info, i), "'", ""), "\"", ""));
      field = TextInput(name, line.size, vb::Variant(bare), true) + line.after;
    }
    if (field.empty()) field = TextArea(name, PartAt(info, i), 5, 80);
    const int row = row_class(i - first);
    out.Write(LookRow(look, label, field,
                      {.label_row = row,
                       .field_row = row,
                       .row_attributes = attributes,
                       .note = note,
                       .widths = i == 0 ? &kCodeWidths : nullptr}));
    ++n;
  };
  for (int i = 0; i <= 3; ++i) code_row(i, 0, "");
  for (const CodeGroup& group : form.groups) {
    if (group.name.empty()) {
      for (int i = group.first; i <= group.last; ++i) code_row(i, group.first, "");
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
    const int row = look.begin_end_rows ? 2 : n % 2 + 1;
    out.Write(LookRow(look, group.label, radios, {.label_row = row, .field_row = row}));
    ++n;
    const bool hidden = group.stored < 0 || group.stored == 0;
    for (int i = group.first; i <= group.last; ++i) {
      code_row(i, group.first, " id=\"InfoCode" + std::to_string(i) + "\"" + HiddenStyle(hidden));
    }
  }
  return n;
}

std::string DemoUrlRow(const std::string& stored, int n, const EditorLook& look) {
  const std::string shown = vb::Trim(vb::Replace(vb::Replace(stored, "'", ""), "\"", ""));
  const int row = n % 2 + 1;
  return LookRow(look, "指定演示URL：", TextInput("NamedDemourl", 80, vb::Variant(shown), true),
                 {.label_row = row, .field_row = row});
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
                     int32_t ItemID, std::string& page_text, const EditorLook& look) {
  const std::string list_url = vb::Trim(FormText(request, "RemoteListUrl"));
  page_text = processing::GetRemoteData(list_url, vb::Trim(FormText(request, "Encoding")));
  if (page_text.empty()) {
    out.Write("<script language=\"javascript\">");
    out.Write("alert('获取远程信息出错！请确定你的远程列表URL输入无误。');");
    out.Write("location.replace('?action=edit&ChannelID=" + std::to_string(ChannelID) +
              "&ItemID=" + std::to_string(ItemID) + "');</script>\r\n");
    return false;
  }
  WriteSourceView(out, page_text, list_url, look);
  return true;
}

bool WriteEntrySource(asp::Response& out, const std::string& list_url, const std::string& encoding,
                      const std::string& list_codes, const EditorLook& look) {
  std::string list_page;
  const std::string link = FirstListLink(list_url, encoding, CodeList(list_codes), list_page);
  if (link.empty()) return false;
  const std::string page = processing::GetRemoteData(link, encoding);
  if (page.empty()) {
    processing::AlertBack("获取远程信息出错！请确定你的远程连接代码输入无误。");
    return false;
  }
  WriteSourceView(out, page, link, look);
  return true;
}

namespace {
// A button of the look's class; the back button goes one page back.
std::string Button(const EditorLook& look, std::string_view name, std::string_view value,
                   std::string_view onclick, std::string_view type = "button") {
  return "<input type=\"" + std::string(type) + "\" name=\"" + std::string(name) + "\" value=\"" +
         std::string(value) + "\"" +
         (onclick.empty() ? std::string() : " onclick=\"" + std::string(onclick) + "\"") +
         " class=\"" + std::string(look.button_class) + "\">";
}
std::string BackButton(const EditorLook& look) {
  return Button(look, "B12", "返回上一页", "history.go(-1)");
}
}  // namespace

std::string StepButtonRow(const EditorLook& look, int row, std::string_view label) {
  const std::string cls = "TableRow" + std::to_string(look.label_cell_buttons ? row : 2);
  const std::string cells = look.label_cell_buttons
                                ? "<td align=right class=" + cls + ">" + std::string(label) +
                                      "</td><td class=" + cls + " align=center>"
                                : "<td colspan=2 align=center class=" + cls + ">";
  return "<tr>" + cells + BackButton(look) + " " + Button(look, "B22", " 下一步 ", "", "submit") +
         " <input type=\"checkbox\" name=\"ShowCode\" value=\"1\"> 显示源码</td></tr>\r\n";
}

std::string FinishRow(int32_t ChannelID, int32_t ItemID, const EditorLook& look) {
  return ResultRow(
      "<li>恭喜您！采集项目设置全部完成。</li>"
      "<li>如果要查看项目设置是否正确，请点击<a href='?action=demo&ChannelID=" +
          std::to_string(ChannelID) + "&ItemID=" + std::to_string(ItemID) +
          "' class=showmenu>项目演示</a> </li>",
      look);
}

std::string FinishButtonRow(int32_t ChannelID, int32_t ItemID, const EditorLook& look) {
  const std::string channel = std::to_string(ChannelID);
  auto go = [&](const std::string& address) {
    return std::string(look.go_before) + address + std::string(look.go_after);
  };
  return "<tr><td" + std::string(look.finish_span) + " align=center class=TableRow2>" +
         BackButton(look) + std::string(look.finish_gaps[0]) +
         Button(look, "B22", "全部设置完成", go("?ChannelID=" + channel)) +
         std::string(look.finish_gaps[1]) +
         Button(look, "B32", "开始采集",
                go("?action=begin&ChannelID=" + channel + "&ItemID=" + std::to_string(ItemID))) +
         std::string(look.finish_gaps[2]) + "</td></tr>\r\n";
}

std::string ResultRow(const std::string& content, const EditorLook& look) {
  return "<tr><td" + std::string(look.finish_span) + " class=TableRow1>" + content +
         "</td></tr>\r\n";
}

namespace {
// An http(s) address: one a link or a frame's base may name.
bool IsWebAddress(const std::string& address) {
  const std::string scheme = vb::LCase(vb::Left(vb::Trim(address), 8));
  return scheme.starts_with("http://") || scheme.starts_with("https://");
}
}  // namespace

std::string SandboxedView(const std::string& html, int height, const std::string& base) {
  std::string shown = html;
  if (IsWebAddress(base)) {
    shown = "<base href=\"" + processing::HtmlAttribute(vb::Variant(base)) + "\">" + shown;
  }
  return "<iframe sandbox=\"\" srcdoc=\"" + processing::HtmlText(vb::Variant(shown)) +
         "\" style=\"width:100%;height:" + std::to_string(height) +
         "px;border:0;background:#fff\"></iframe>";
}

std::string RemoteLink(const std::string& address) {
  const std::string text = processing::HtmlText(vb::Variant(address));
  if (!IsWebAddress(address)) return text;
  return "<a href='" + processing::HtmlAttribute(vb::Variant(address)) + "' target='_blank'>" +
         text + "</a>";
}

void WriteSourceView(asp::Response& out, const std::string& page_text, const std::string& address,
                     const EditorLook& look) {
  const std::string title_gap(look.title_gap);
  out.Write(
      TitleRow(look, "项 目 编 辑 -- 采集目标网站源代码" + title_gap +
                         "<input type=\"radio\" name=\"soucode\" value=\"0\" "
                         "onclick=\"document.getElementById('soucodeid').style.display='none';"
                         "\"> 关闭源代码窗口" +
                         std::string(look.gap) +
                         "<input type=\"radio\" name=\"soucode\" value=\"1\" checked "
                         "onclick=\"document.getElementById('soucodeid').style.display='';\"> "
                         "查看源代码"));
  out.Write(
      "<tr><td colspan=2 class=TableRow1 id=\"soucodeid\">"
      "<textarea name=\"content\" id=\"content\" " +
      std::string(look.source_area) + ">\r\n" + asp::Server::HTMLEncode(page_text) + "</textarea>" +
      std::string(look.resize_links) + "</td></tr>\r\n");
  const std::string href = processing::HtmlAttribute(vb::Variant(address));
  out.Write("<tr><td colspan=2 class=TableRow2>采集的目标地址 → <a href='" + href +
            "' target=_blank><font color=red>" + processing::HtmlText(vb::Variant(address)) +
            "</font></a>" + title_gap + "<a href='view-source:" + href +
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
