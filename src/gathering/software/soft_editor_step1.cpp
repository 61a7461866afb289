// SoftCollection: the item editor's first page, the item's base settings
// (name, site, class, switches, download server and addresses, folders,
// tag filters, list address and paging, archive clean-up, the two rule
// lists), and the navigation row every step shows for an existing item.
// It posts action=step2; it writes nothing.
#include <string>

#include "gathering/common/page_markup.h"
#include "gathering/software/soft_collection.h"
#include "platform/asp/server.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::software {
namespace {

using markup::FormRow;
using markup::HiddenStyle;
using markup::RadioPair;
using markup::TextInput;

constexpr std::string_view kPathForms[] = {
    "不使用日期目录",      "2005-8",      "2005_8", "20058", "2005", "2005/8", "2005/8/8", "200588",
    "分类目录名称+200508", "分类目录名称"};

}  // namespace

void SoftCollection::ShowItemMenu(int32_t ItemID) {
  markup::WriteItemMenu(host_.Response(), ChannelID_, ItemID);
}

void SoftCollection::EditItemStep1() {
  asp::Response& out = host_.Response();
  processing::VBProcess& process = Process();
  const std::string channel = std::to_string(ChannelID_);
  std::string title;
  std::shared_ptr<ado::Recordset> item;
  if (edit_mode_) {
    item = EditedItem("QX_SoftItem");
    if (!item) return;
    rs_ = item;
    title = "编辑采集项目 第一步";
    item_.downid = 0;
    vb::TryStep([&] { item_.downid = vb::CLng(item->Fields("downid").Value()); });
  } else {
    ItemID_ = 0;
    item_.downid = 0;
    title = "添加新的采集项目";
  }
  const markup::ItemRow row(item.get());
  auto value_or = [&](std::string_view column, const char* add_default) {
    return row.edit() ? row[column] : vb::Variant(add_default);
  };

  out.Write("<script language=\"javascript\" src=\"include/Ostrel.js\"></script>\r\n");
  out.Write(markup::StepFormHead(ScriptFileName_, "step2", ChannelID_, ItemID_, title,
                                 "return CheckForm();"));
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  int n = 0;
  out.Write(FormRow("项目名称：", TextInput("ItemName", 30, row["ItemName"], row.edit()), n++));
  out.Write(FormRow("目标站点URL：", TextInput("SiteUrl", 30, value_or("SiteUrl", "http://"), true),
                    n++));
  out.Write(FormRow("所属分类：", markup::ClassSelect(process, ChannelID_, row), n++));
  out.Write(FormRow("所属专题：", markup::SpecialSelect(process, ChannelID_, row), n++));
  out.Write(FormRow("关闭采集项目：", RadioPair(row, "StopItem", "打开", "关闭"), n++));
  out.Write(FormRow("目标文档编码：", markup::EncodingField(row), n++));
  out.Write(FormRow("是否下载软件到本地：", RadioPair(row, "IsDown", "否", "是"), n++));

  // The server list is written by its own member, straight into the page.
  const std::string cls = n++ % 2 == 0 ? "TableRow1" : "TableRow2";
  out.Write("<tr><td class=" + cls +
            " width=\"20%\" align=right><b>选择下载服务器：</b></td><td class=" + cls + ">");
  SelDownServer(item_.downid);
  out.Write(
      "    <font color='blue'>* 如果软件下载到本地，建议选择或<a "
      "href='admin_Servered.asp?action=add&ChannelID=" +
      channel + "'><font color='red'>添加下载服务器</font></a></font></td></tr>\r\n");

  out.Write(FormRow("获取最多下载地址数：",
                    "<input type=\"text\" name=\"MaxAddress\" size=\"10\" maxlength=\"5\"" +
                        markup::ValueAttribute(value_or("MaxAddress", "1")) +
                        ">&nbsp;&nbsp;<font color='blue'>* "
                        "如果文件下载到本地，这里是下载地址序号，0-9。</font>",
                    n++));
  out.Write(
      FormRow("是否自动归类：",
              RadioPair(row, "AutoClass", "否", "是", markup::ShowElement("RetuneClassID", false),
                        markup::ShowElement("RetuneClassID", true)),
              n++));
  // Rules of any length are listed, so a save keeps every stored rule.
  out.Write(FormRow("分类替换操作：", markup::RuleListBox(row, markup::RuleKind::kClass, 0, 300),
                    n++,
                    std::string(" id=\"RetuneClassID\"") + HiddenStyle(!row.Is("AutoClass", 1))));
  out.Write(FormRow("日期路径格式：", markup::NumberSelect(row, "PathForm", kPathForms, 1), n++));
  out.Write(
      FormRow("保存软件的路径：",
              TextInput("SaveFilePath", 45, value_or("SaveFilePath", "/soft/UploadFile/"), true) +
                  "      <font color=\"blue\">* 可以使用相对路径或者绝对路径</font>",
              n++));
  out.Write(FormRow("是否自动更改文件名称：", RadioPair(row, "AutoRename", "否", "是"), n++));
  out.Write(FormRow("是否显示为最新时间：", RadioPair(row, "IsNowTime", "否", "是"), n++));
  out.Write(FormRow("初始点击数：", TextInput("AllHits", 10, value_or("AllHits", "0"), true), n++));
  out.Write(FormRow("软件星级：", markup::StarSelect(row), n++));
  out.Write(FormRow("简介过滤设置：", markup::RemoveCodeBoxes(process, row), n++));
  out.Write(FormRow("远程列表URL：",
                    TextInput("RemoteListUrl", 70, row["RemoteListUrl"], row.edit()), n++));
  out.Write(markup::PaginationRows(row, n));
  n += 3;

  if (ZipSwitch_) {
    // One file name per line in the box; "|" between them in the column.
    std::string files;
    if (row.edit() && !row["RemoveFile"].IsNull()) {
      files = vb::Replace(vb::Trim(vb::CStr(row["RemoveFile"])), "|", "\r\n");
    }
    out.Write(FormRow("说明文件名称：",
                      "<textarea name=\"RemoveFile\" id=\"RemoveFile\" cols=\"50\" rows=\"5\" "
                      "wrap=\"VIRTUAL\">\r\n" +
                          asp::Server::HTMLEncode(files) +
                          "</textarea> <font color=red>* "
                          "移除压缩内的垃圾文件，多个文件请用回车（Enter ←）分开</font>",
                      n++));
    out.Write(FormRow("过滤文件名中的字符：",
                      TextInput("strLeachName", 50, row["strLeachName"], row.edit()), n++));
  }
  out.Write(FormRow("简介字符替换操作：", markup::RuleListBox(row, markup::RuleKind::kText, 0, 380),
                    n++));

  out.Write(markup::StepButtonRow());
  out.Write("</table>\r\n</form>\r\n");
  if (item) {
    item->Close();
    rs_.reset();
  }
}

}  // namespace ostrel::software
