// NewsCollection: the item editor's first page, the item's base settings
// (name, site, class, switches, list address, tag filters and the two rule
// lists). It posts action=step2; it writes nothing to any database.
#include <iterator>
#include <string>
#include <vector>

#include "gathering/articles/news_collection.h"
#include "gathering/common/page_markup.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::articles {
namespace {

using markup::Checked;
using markup::HiddenStyle;
using markup::NumberOf;
using markup::Selected;
using markup::ValueAttribute;
using processing::HtmlAttribute;
using processing::HtmlText;

constexpr const char* kPathForms[] = {"不使用日期目录", "2005-8", "2005_8",   "20058",
                                      "2005",           "2005/8", "2005/8/8", "200588"};
constexpr const char* kRemoveCodeLabels[] = {"SCRIPT", "IFARME", "OBJECT", "APPLET", "DIV",
                                             "FONT",   "SPAN",   "A",      "IMG",    "FORM",
                                             "HTML",   "TABLE",  "TR",     "TD",     "TH"};

// The item's row in edit mode; add mode has none and shows the defaults.
class Row {
 public:
  explicit Row(ado::Recordset* rs) : rs_(rs) {}
  bool edit() const { return rs_ != nullptr; }
  vb::Variant operator[](std::string_view column) const {
    return rs_ ? rs_->Fields(column).Value() : vb::Variant();
  }
  // Radio rule: "0" when the column is 0, "1" when above; add mode "0".
  bool Is(std::string_view column, int value) const {
    if (!rs_) return value == 0;
    std::optional<double> n = NumberOf((*this)[column]);
    if (!n) return false;
    return value == 0 ? *n == 0 : *n > 0;
  }
  bool Equals(std::string_view column, int value, int add_default) const {
    if (!rs_) return value == add_default;
    std::optional<double> n = NumberOf((*this)[column]);
    return n && *n == value;
  }

 private:
  ado::Recordset* rs_;
};

// A pair of radio buttons "0"/"1" with their labels; onclick0/onclick1
// are the scripts that show or hide dependent rows.
std::string RadioPair(const Row& row, std::string_view name, std::string_view label0,
                      std::string_view label1, std::string_view onclick0 = "",
                      std::string_view onclick1 = "") {
  auto one = [&](int value, std::string_view label, std::string_view onclick) {
    std::string s = "<input type=\"radio\" name=\"" + std::string(name) + "\" value=\"" +
                    std::to_string(value) + "\"";
    if (!onclick.empty()) s += " onclick=\"" + std::string(onclick) + "\"";
    s += Checked(row.Is(name, value));
    return s + "> " + std::string(label);
  };
  return one(0, label0, onclick0) + " " + one(1, label1, onclick1);
}

std::string Display(std::string_view id, bool show) {
  return "document.getElementById('" + std::string(id) + "').style.display='" +
         (show ? "" : "none") + "';";
}

// One form row: label cell and field cell, with the row's own attributes.
std::string FormRow(std::string_view label, const std::string& field, int n,
                    std::string_view row_attributes = "") {
  const std::string cls = n % 2 == 0 ? "TableRow1" : "TableRow2";
  return "<tr" + std::string(row_attributes) + "><td class=" + cls +
         " width=\"20%\" align=right><b>" + std::string(label) + "</b></td><td class=" + cls + ">" +
         field + "</td></tr>\r\n";
}

// The options of a stored rule list: each part longer than min_length,
// in stored order.
std::string RuleOptions(const vb::Variant& column, int32_t min_length) {
  std::string options;
  if (column.IsNull() || column.IsEmpty()) return options;
  for (const std::string& rule : vb::Split(vb::CStr(column), "$$$")) {
    if (vb::Len(rule) <= min_length) continue;
    options += "<option" + ValueAttribute(vb::Variant(rule)) + ">" + HtmlText(vb::Variant(rule)) +
               "</option>";
  }
  return options;
}

}  // namespace

void NewsCollection::EditItemStep1() {
  asp::Response& out = host_.Response();
  processing::VBProcess& process = Process();
  const std::string channel = std::to_string(ChannelID_);
  std::string title;
  std::shared_ptr<ado::Recordset> item;
  if (edit_mode_) {
    item = std::make_shared<ado::Recordset>(
        GatherConnection().Execute("SELECT * FROM QX_NewsItem WHERE ChannelID=" + channel +
                                   " And ItemID=" + std::to_string(ItemID_)));
    if (item->Bof() && item->Eof()) {
      processing::AlertBack("错误的系统参数!");
      return;
    }
    rs_ = item;
    title = "编辑采集项目 第一步";
  } else {
    ItemID_ = 0;
    title = "添加新的采集项目";
  }
  const Row row(item.get());

  out.Write("<script language=\"JavaScript\" src=\"include/Ostrel.js\"></script>\r\n");
  out.Write("<form name=\"myform\" method=\"post\" action=\"" +
            HtmlAttribute(vb::Variant(ScriptFileName_)) +
            "\" onsubmit=\"return CheckForm();\">\r\n");
  out.Write("<input type=\"hidden\" name=\"action\" value=\"step2\">\r\n");
  out.Write("<input type=\"hidden\" name=\"ChannelID\" value=\"" + channel + "\">\r\n");
  out.Write("<input type=\"hidden\" name=\"ItemID\" value=\"" + std::to_string(ItemID_) +
            "\">\r\n");
  out.Write("<input type=\"hidden\" name=\"change\" value=\"yes\">\r\n");
  out.Write(
      "<table border=\"0\" align=\"center\" cellpadding=\"3\" cellspacing=\"1\" "
      "class=\"TableBorder\">\r\n");
  out.Write("<tr><th colspan=2>" + title + "</th></tr>\r\n");
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  int n = 0;
  auto text = [&](std::string_view name, int size, const vb::Variant& value, bool has_value) {
    std::string s = "<input type=\"text\" name=\"" + std::string(name) + "\" size=\"" +
                    std::to_string(size) + "\"";
    if (has_value) s += ValueAttribute(value);
    return s + ">";
  };
  out.Write(FormRow("项目名称：", text("ItemName", 30, row["ItemName"], row.edit()), n++));
  out.Write(FormRow("目标站点URL：",
                    text("SiteUrl", 30, row.edit() ? row["SiteUrl"] : vb::Variant("http://"), true),
                    n++));

  // The class list marks every option with its number; the item's own
  // becomes "selected", the others keep their harmless marks.
  vb::Variant channel_id(ChannelID_);
  std::string classes = process.LoadSelectClass(channel_id);
  if (row.edit()) {
    classes =
        vb::Replace(classes, "{ClassID=" + processing::TextOf(row["ClassID"]) + "}", "selected");
  }
  out.Write(FormRow("所属分类：", "<select name=\"ClassID\">" + classes + "</select>", n++));

  std::string specials = "<option value=\"0\">不指定专题</option>";
  std::shared_ptr<ado::Recordset> rs = process.Execute(
      vb::Variant("SELECT SpecialID,SpecialName FROM QX_Special Where ChannelID = " + channel +
                  " ORDER BY orders"));
  if (!rs) vb::Raise(vb::kErrObjectNotSet);
  for (; !rs->Eof(); rs->MoveNext()) {
    const vb::Variant id = rs->Fields("SpecialID").Value();
    const bool chosen = row.edit() && vb::Equals(id, row["SpecialID"]);
    specials += "<option" + ValueAttribute(id) + Selected(chosen) + ">" +
                HtmlText(rs->Fields("SpecialName").Value()) + "</option>";
  }
  rs.reset();
  out.Write(FormRow("所属专题：", "<select name=\"SpecialID\">" + specials + "</select>", n++));

  out.Write(FormRow("关闭采集项目：", RadioPair(row, "StopItem", "打开", "关闭"), n++));
  out.Write(FormRow(
      "目标文档编码：",
      text("Encoding", 15, row.edit() ? row["Encoding"] : vb::Variant("GB2312"), true) +
          " 请选择编码→<select name=\"selEncoding\" "
          "onchange=\"if(this.value!='')document.myform.Encoding.value=this.value;\">"
          "<option value=\"\">请选择编码</option><option value=\"GB2312\">GB2312</option>"
          "<option value=\"UTF-8\">UTF-8</option><option value=\"BIG5\">BIG5</option></select>",
      n++));
  out.Write(FormRow("是否下载图片到本地：", RadioPair(row, "IsDown", "否", "是"), n++));
  out.Write(FormRow("是否自动归类：",
                    RadioPair(row, "AutoClass", "否", "是", Display("RetuneClassID", false),
                              Display("RetuneClassID", true)),
                    n++));
  out.Write(FormRow(
      "分类替换操作：",
      "<select name=\"RetuneClass\" size=\"2\" style=\"width:300px\" "
      "ondblclick=\"return ModifyCalss();\">" +
          RuleOptions(row["RetuneClass"], 2) +
          "</select> <input type=\"button\" name=\"addclass\" value=\"添加替换分类\" "
          "onclick=\"AddClass();\" class=\"button\"> <input type=\"button\" name=\"modifyclass\" "
          "value=\"修改当前分类\" onclick=\"ModifyClass();\" class=\"button\"> "
          "<input type=\"button\" name=\"delclass\" value=\"删除当前分类\" onclick=\"DelClass();\" "
          "class=\"button\"><input type=\"hidden\" name=\"ClassList\" value=\"\">",
      n++, std::string(" id=\"RetuneClassID\"") + HiddenStyle(!row.Is("AutoClass", 1))));

  std::string path_forms = "<select name=\"PathForm\">";
  for (int i = 0; i < static_cast<int>(std::size(kPathForms)); ++i) {
    path_forms += "<option value=\"" + std::to_string(i) + "\"" +
                  Selected(row.Equals("PathForm", i, 1)) + ">" + kPathForms[i] + "</option>";
  }
  out.Write(FormRow("日期路径格式：", path_forms + "</select>", n++));
  out.Write(FormRow("是否显示为最新时间：", RadioPair(row, "IsNowTime", "否", "是"), n++));
  out.Write(FormRow("初始点击数：",
                    text("AllHits", 10, row.edit() ? row["AllHits"] : vb::Variant("0"), true),
                    n++));
  std::string stars = "<select name=\"star\">";
  for (int i = 5; i >= 0; --i) {
    std::string label = "自动星级";
    if (i > 0) label.clear();
    for (int j = 0; j < i; ++j) label += "★";
    stars += "<option value=\"" + std::to_string(i) + "\"" + Selected(row.Equals("star", i, 3)) +
             ">" + label + "</option>";
  }
  out.Write(FormRow("文章星级：", stars + "</select>", n++));

  // The first 15 tag-filter flags; a short list ends the page where it ends.
  std::vector<std::string> flags;
  if (row.edit()) flags = vb::Split(vb::CStr(row["RemoveCode"]), "|");
  std::string boxes;
  for (size_t i = 0; i < 15; ++i) {
    const bool on = row.edit() ? process.ChkNumeric(markup::PartAt(flags, i)) == 1 : i < 2;
    if (i == 7) boxes += "<br>";
    boxes += "<input type=\"checkbox\" name=\"RemoveCode" + std::to_string(i) + "\" value=\"1\"" +
             Checked(on) + "> " + kRemoveCodeLabels[i] + " ";
  }
  out.Write(FormRow("内容过滤设置：", boxes, n++));

  out.Write(
      FormRow("远程列表URL：", text("RemoteListUrl", 70, row["RemoteListUrl"], row.edit()), n++));
  const bool paged = row.Is("IsPagination", 1);
  const std::string show_pages = Display("Pageinate1", true) + Display("Pageinate2", true);
  const std::string hide_pages = Display("Pageinate1", false) + Display("Pageinate2", false);
  out.Write(FormRow("是否列表分页采集：",
                    RadioPair(row, "IsPagination", "否", "是", hide_pages, show_pages), n++));
  out.Write(FormRow("远程列表分页URL：",
                    text("PaginalList", 70, row["PaginalList"], row.edit()) +
                        " <font color=red>* 分页代码 {$pageid}</font>",
                    n++, std::string(" id=\"Pageinate1\"") + HiddenStyle(!paged)));
  out.Write(FormRow(
      "远程列表起始页：",
      "开始页：" + text("startid", 6, row.edit() ? row["startid"] : vb::Variant("1"), true) +
          " 结束页：" + text("lastid", 6, row.edit() ? row["lastid"] : vb::Variant("2"), true) +
          " <font color=red>* 例如：1 - 9 或者 9 - 1</font>",
      n++, std::string(" id=\"Pageinate2\"") + HiddenStyle(!paged)));
  out.Write(FormRow(
      "内容字符替换操作：",
      "<select name=\"strReplace\" size=\"2\" style=\"width:300px\" "
      "ondblclick=\"return ModifyReplace();\">" +
          RuleOptions(row["strReplace"], 1) +
          "</select> <input type=\"button\" name=\"addreplace\" value=\"添加替换字符\" "
          "onclick=\"AddReplace();\" class=\"button\"> <input type=\"button\" "
          "name=\"modifyreplace\" value=\"修改当前字符\" onclick=\"ModifyReplace();\" "
          "class=\"button\"> <input type=\"button\" name=\"delreplace\" value=\"删除当前字符\" "
          "onclick=\"DelReplace();\" class=\"button\"><input type=\"hidden\" name=\"ReplaceList\" "
          "value=\"\">",
      n++));

  out.Write("<tr><td colspan=2 align=center class=TableRow2>");
  out.Write(markup::kBackButton);
  out.Write(
      " <input type=\"submit\" name=\"B22\" value=\" 下一步 \" class=\"button\"> "
      "<input type=\"checkbox\" name=\"ShowCode\" value=\"1\"> 显示源码</td></tr>\r\n");
  out.Write("</table>\r\n</form>\r\n");
  if (item) {
    item->Close();
    rs_.reset();
  }
}

}  // namespace ostrel::articles
