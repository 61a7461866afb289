// FlashCollection: the item editor's first page, the item's base settings
// (name, site, class, special, switches, show mode, folders, hits, stars,
// tag filters, list address and paging, the two rule lists), and the
// navigation row every step shows for an existing item. It posts
// action=step2; it writes nothing.
#include <string>

#include "gathering/common/page_markup.h"
#include "gathering/flash/flash_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::flash {
namespace {

using markup::FormRow;
using markup::HiddenStyle;
using markup::RadioPair;
using markup::TextInput;

constexpr std::string_view kPathForms[] = {
    "不使用日期目录",      "2005-8",      "2005_8", "20058", "2005", "2005/8", "2005/8/8", "200588",
    "分类目录名称+200508", "分类目录名称"};

// Flash items filter eleven kinds of tags (SCRIPT to HTML), the line
// breaking after DIV.
constexpr int kTagFilters = 11;
constexpr int kTagFilterBreak = 5;

}  // namespace

void FlashCollection::ShowItemMenu(int32_t ItemID) {
  markup::WriteItemMenu(host_.Response(), ChannelID_, ItemID);
}

void FlashCollection::EditItemStep1() {
  asp::Response& out = host_.Response();
  processing::VBProcess& process = Process();
  std::string title;
  int16_t mode = 1;
  std::shared_ptr<ado::Recordset> item;
  if (edit_mode_) {
    item = EditedItem("QX_FlashItem");
    if (!item) return;
    rs_ = item;
    title = "编辑采集项目 第一步";
    vb::TryStep([&] { mode = vb::CInt(item->Fields("showmode").Value()); });
  } else {
    ItemID_ = 0;
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
  out.Write(FormRow("是否下载文件到本地：", RadioPair(row, "IsDown", "否", "是"), n++));
  out.Write(FormRow("采集的文件类型：",
                    ShowFlashMode(mode) + "    <font color='blue'>* 用于页面直接播放的类型</font>",
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
  out.Write(FormRow("保存文件的目录：",
                    TextInput("SaveFilePath", 30, value_or("SaveFilePath", "UploadFile/"), true) +
                        "      <font color=\"blue\">* 相对于频道目录下面，目录后面请加上“/”</font>",
                    n++));
  out.Write(FormRow("是否自动更改文件名称：", RadioPair(row, "AutoRename", "否", "是"), n++));
  out.Write(FormRow("是否显示为最新时间：", RadioPair(row, "IsNowTime", "否", "是"), n++));
  out.Write(FormRow("初始点击数：", TextInput("AllHits", 10, value_or("AllHits", "0"), true), n++));
  out.Write(FormRow("软件星级：", markup::StarSelect(row), n++));
  out.Write(FormRow("简介过滤设置：",
                    markup::RemoveCodeBoxes(process, row, kTagFilters, kTagFilterBreak), n++));
  out.Write(FormRow("远程列表URL：",
                    TextInput("RemoteListUrl", 70, row["RemoteListUrl"], row.edit()), n++));
  out.Write(markup::PaginationRows(row, n));
  n += 3;
  out.Write(FormRow("简介字符替换操作：", markup::RuleListBox(row, markup::RuleKind::kText, 0, 380),
                    n++));

  out.Write(markup::StepButtonRow());
  out.Write("</table>\r\n</form>\r\n");
  if (item) {
    item->Close();
    rs_.reset();
  }
}

}  // namespace ostrel::flash
