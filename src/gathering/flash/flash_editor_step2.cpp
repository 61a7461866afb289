// FlashCollection: the item editor's second page. With change=yes it checks
// the first page's form and stores it (a new row when the item is new);
// then it shows the list-page codes with the list thumbnail codes,
// optionally after the remote list page's source. It posts action=step3.
#include <string>
#include <vector>

#include "gathering/common/page_markup.h"
#include "gathering/flash/flash_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/page_messages.h"

namespace ostrel::flash {
namespace {

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
std::string ListThumbnailRows(processing::VBProcess& process, const markup::EditorLook& look,
                              const std::vector<std::string>& codes) {
  const bool cut = process.ChkNumeric(markup::PartAt(codes, 4)) > 0;
  const std::string show =
      markup::ShowElement("ListCode5", true) + markup::ShowElement("ListCode6", true);
  const std::string hide =
      markup::ShowElement("ListCode5", false) + markup::ShowElement("ListCode6", false);
  const std::string radios =
      "<div><input type=\"radio\" value=\"0\" name=\"FindListCode4\" onclick=\"" + hide + "\"" +
      markup::Checked(!cut) + "> 没有图片截取" + std::string(look.gap) +
      "<input type=\"radio\" value=\"1\" name=\"FindListCode4\" onclick=\"" + show + "\"" +
      markup::Checked(cut) + "> 截取缩略图</div>";
  const std::string hidden(markup::HiddenStyle(!cut));
  const std::string id5 = " id=\"ListCode5\"" + hidden, id6 = " id=\"ListCode6\"" + hidden;
  constexpr std::string_view kNote = "不设置请输入“0”";
  return markup::LookRow(look, "分类列表处截取缩略图：", radios, {.label_row = 1, .field_row = 1}) +
         markup::LookRow(look, "截取缩略图开始代码：",
                         markup::TextArea("FindListCode5", markup::PartAt(codes, 5), 5, 80),
                         {.label_row = 1, .field_row = 1, .row_attributes = id5, .note = kNote}) +
         markup::LookRow(look, "截取缩略图结束代码：",
                         markup::TextArea("FindListCode6", markup::PartAt(codes, 6), 5, 80),
                         {.label_row = 2, .field_row = 2, .row_attributes = id6, .note = kNote}) +
         markup::LookRow(look, "限制要采集的图片名称：",
                         "<div><input type=\"text\" name=\"FindListCode7\" size=\"60\"" +
                             markup::ValueAttribute(vb::Variant(markup::PartAt(codes, 7))) +
                             "></div>",
                         {.label_row = 1, .field_row = 1});
}

}  // namespace

void FlashCollection::EditItemStep2() {
  // Eleven tag filters, a charset of three characters or more, and a new
  // item's 18 list and 44 info codes; the special setting is code 8, after
  // the list thumbnail's codes.
  processing::VBProcess& process = Process();
  EditListCodeStep({.table = "QX_FlashItem",
                    .cache_prefix = "FlashItem",
                    .columns = kStepOneColumns,
                    .tag_filters = 11,
                    .least_encoding = 3,
                    .list_parts = 18,
                    .info_parts = 44,
                    .extra = nullptr},
                   8, [&](const std::vector<std::string>& codes) {
                     return ListThumbnailRows(process, look_, codes);
                   });
}

}  // namespace ostrel::flash
