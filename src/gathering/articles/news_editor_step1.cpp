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
using markup::FormRow;
using markup::HiddenStyle;
using markup::RadioPair;
using markup::RuleOptions;
using markup::Selected;
using markup::ValueAttribute;
using Row = markup::ItemRow;
using processing::HtmlAttribute;
using processing::HtmlText;

constexpr const char* kPathForms[] = {"不使用日期目录", "2005-8", "2005_8",   "20058",
                                      "2005",           "2005/8", "2005/8/8", "200588"};
constexpr const char* kRemoveCodeLabels[] = {"SCRIPT", "IFARME", "OBJECT", "APPLET", "DIV",
                                             "FONT",   "SPAN",   "A",      "IMG",    "FORM",
                                             "HTML",   "TABLE",  "TR",     "TD",     "TH"};

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
  out.Write(markup::StepFormHead(ScriptFileName_, "step2", ChannelID_, ItemID_, title,
                                 "return CheckForm();"));
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  int n = 0;
  auto text = markup::TextInput;
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
                    RadioPair(row, "AutoClass", "否", "是", markup::ShowElement("RetuneClassID", false),
                              markup::ShowElement("RetuneClassID", true)),
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
  const std::string show_pages = markup::ShowElement("Pageinate1", true) + markup::ShowElement("Pageinate2", true);
  const std::string hide_pages = markup::ShowElement("Pageinate1", false) + markup::ShowElement("Pageinate2", false);
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

  out.Write(markup::StepButtonRow());
  out.Write("</table>\r\n</form>\r\n");
  if (item) {
    item->Close();
    rs_.reset();
  }
}

}  // namespace ostrel::articles
