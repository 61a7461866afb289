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

using markup::FormRow;
using markup::HiddenStyle;
using markup::RadioPair;
using markup::RuleOptions;
using markup::TextInput;
using Row = markup::ItemRow;

constexpr std::string_view kPathForms[] = {"不使用日期目录", "2005-8", "2005_8",   "20058",
                                           "2005",           "2005/8", "2005/8/8", "200588"};

}  // namespace

void NewsCollection::EditItemStep1() {
  asp::Response& out = host_.Response();
  processing::VBProcess& process = Process();
  const std::string channel = std::to_string(ChannelID_);
  std::string title;
  std::shared_ptr<ado::Recordset> item;
  if (!OpenStepOneItem("QX_NewsItem", item, title)) return;
  const Row row(item.get());

  out.Write("<script language=\"JavaScript\" src=\"include/Ostrel.js\"></script>\r\n");
  out.Write(markup::StepFormHead(ScriptFileName_, "step2", ChannelID_, ItemID_, title,
                                 "return CheckForm();"));
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  int n = 0;
  out.Write(FormRow("项目名称：", TextInput("ItemName", 30, row["ItemName"], row.edit()), n++));
  out.Write(FormRow(
      "目标站点URL：",
      TextInput("SiteUrl", 30, row.edit() ? row["SiteUrl"] : vb::Variant("http://"), true), n++));

  out.Write(FormRow("所属分类：", markup::ClassSelect(process, ChannelID_, row), n++));
  out.Write(FormRow("所属专题：", markup::SpecialSelect(process, ChannelID_, row), n++));
  out.Write(FormRow("关闭采集项目：", RadioPair(row, "StopItem", "打开", "关闭"), n++));
  out.Write(FormRow("目标文档编码：", markup::EncodingField(row), n++));
  out.Write(FormRow("是否下载图片到本地：", RadioPair(row, "IsDown", "否", "是"), n++));
  out.Write(
      FormRow("是否自动归类：",
              RadioPair(row, "AutoClass", "否", "是", markup::ShowElement("RetuneClassID", false),
                        markup::ShowElement("RetuneClassID", true)),
              n++));
  out.Write(FormRow("分类替换操作：", markup::RuleListBox(row, markup::RuleKind::kClass, 2, 300),
                    n++,
                    std::string(" id=\"RetuneClassID\"") + HiddenStyle(!row.Is("AutoClass", 1))));
  out.Write(FormRow("日期路径格式：", markup::NumberSelect(row, "PathForm", kPathForms, 1), n++));
  out.Write(FormRow("是否显示为最新时间：", RadioPair(row, "IsNowTime", "否", "是"), n++));
  out.Write(FormRow("初始点击数：",
                    TextInput("AllHits", 10, row.edit() ? row["AllHits"] : vb::Variant("0"), true),
                    n++));
  out.Write(FormRow("文章星级：", markup::StarSelect(row), n++));
  out.Write(FormRow("内容过滤设置：", markup::RemoveCodeBoxes(process, row), n++));
  out.Write(FormRow("远程列表URL：",
                    TextInput("RemoteListUrl", 70, row["RemoteListUrl"], row.edit()), n++));
  out.Write(markup::PaginationRows(row, n));
  n += 3;
  out.Write(FormRow("内容字符替换操作：", markup::RuleListBox(row, markup::RuleKind::kText, 1, 300),
                    n++));

  out.Write(markup::StepButtonRow());
  out.Write("</table>\r\n</form>\r\n");
  if (item) {
    item->Close();
    rs_.reset();
  }
}

}  // namespace ostrel::articles
