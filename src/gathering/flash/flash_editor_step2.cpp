// FlashCollection: the item editor's second page. With change=yes it checks
// the first page's form and stores it (a new row when the item is new);
// then it shows the list-page codes with the list thumbnail codes,
// optionally after the remote list page's source. It posts action=step3.
#include <string>
#include <vector>

#include "gathering/common/page_markup.h"
#include "gathering/flash/flash_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/page_messages.h"

namespace ostrel::flash {
namespace {

using markup::FormRow;

using gathering::StepOneColumn;

// The first step's columns in the order they are saved.
constexpr StepOneColumn kStepOneColumns[] = {
    {"ItemName", StepOneColumn::kText},         {"SiteUrl", StepOneColumn::kText},
    {"ChannelID", StepOneColumn::kChannel},     {"ClassID", StepOneColumn::kLong},
    {"SpecialID", StepOneColumn::kLong},        {"StopItem", StepOneColumn::kSmall},
    {"Encoding", StepOneColumn::kText},         {"IsDown", StepOneColumn::kSmall},
    {"showmode", StepOneColumn::kSmall},        {"AutoClass", StepOneColumn::kSmall},
    {"PathForm", StepOneColumn::kSmall},        {"SaveFilePath", StepOneColumn::kPath},
    {"AutoRename", StepOneColumn::kSmall},      {"IsNowTime", StepOneColumn::kSmall},
    {"AllHits", StepOneColumn::kLong},          {"star", StepOneColumn::kSmall},
    {"RemoveCode", StepOneColumn::kRemoveCode}, {"RemoteListUrl", StepOneColumn::kText},
    {"PaginalList", StepOneColumn::kText},      {"IsPagination", StepOneColumn::kSmall},
    {"startid", StepOneColumn::kLong},          {"lastid", StepOneColumn::kLong}};

// The list thumbnail switch (code 4), its begin and end codes (5, 6),
// hidden while the switch is off, and the picture-name restriction (7).
std::string ListThumbnailRows(processing::VBProcess& process,
                              const std::vector<std::string>& codes) {
  const bool cut = process.ChkNumeric(markup::PartAt(codes, 4)) > 0;
  const std::string show =
      markup::ShowElement("ListCode5", true) + markup::ShowElement("ListCode6", true);
  const std::string hide =
      markup::ShowElement("ListCode5", false) + markup::ShowElement("ListCode6", false);
  const std::string radios =
      "<input type=\"radio\" value=\"0\" name=\"FindListCode4\" onclick=\"" + hide + "\"" +
      markup::Checked(!cut) +
      "> 没有图片截取&nbsp;&nbsp;<input type=\"radio\" value=\"1\" name=\"FindListCode4\" "
      "onclick=\"" +
      show + "\"" + markup::Checked(cut) + "> 截取缩略图";
  const std::string note = "</b><br><font color='blue'>不设置请输入“0”</font><b>";
  return FormRow("分类列表处截取缩略图：", radios, 0) +
         FormRow("截取缩略图开始代码：" + note,
                 markup::TextArea("FindListCode5", markup::PartAt(codes, 5), 5, 80), 0,
                 std::string(" id=\"ListCode5\"") + markup::HiddenStyle(!cut)) +
         FormRow("截取缩略图结束代码：" + note,
                 markup::TextArea("FindListCode6", markup::PartAt(codes, 6), 5, 80), 1,
                 std::string(" id=\"ListCode6\"") + markup::HiddenStyle(!cut)) +
         FormRow(
             "限制要采集的图片名称：",
             markup::TextInput("FindListCode7", 60, vb::Variant(markup::PartAt(codes, 7)), true),
             0);
}

}  // namespace

void FlashCollection::EditItemStep2() {
  asp::Response& out = host_.Response();
  const EditorStep step = ReadEditorStep();
  int32_t item_id = ItemID_;
  if (step.change) {
    // Eleven tag filters, a charset of three characters or more, and a new
    // item's 18 list and 44 info codes.
    item_id = SaveStepOneForm({.table = "QX_FlashItem",
                               .cache_prefix = "FlashItem",
                               .columns = kStepOneColumns,
                               .tag_filters = 11,
                               .least_encoding = 3,
                               .list_parts = 18,
                               .info_parts = 44,
                               .extra = nullptr});
    if (item_id < 0) return;
  }

  std::vector<std::string> codes;
  {
    std::optional<ado::Recordset> rs = ItemColumns("QX_FlashItem", "FindListCode", item_id);
    if (!rs) return;
    item_id = vb::CLng(rs->Fields("ItemID").Value());
    codes = vb::Split(vb::CStr(rs->Fields("FindListCode").Value()), "$$$");
  }

  out.Write(markup::StepFormHead(ScriptFileName_, "step3", ChannelID_, item_id, "采集项目第二步"));
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  std::string list_page;
  if (step.showcode >= 1 &&
      !markup::WriteListSource(out, host_.Request(), ChannelID_, item_id, list_page)) {
    return;
  }
  processing::VBProcess& process = Process();
  markup::WriteListCodeRows(out, process, codes, 8, ListThumbnailRows(process, codes));
  out.Write(markup::StepButtonRow());
  out.Write("</table>\r\n</form>\r\n");
}

}  // namespace ostrel::flash
