// SoftCollection: the item editor's second page. With change=yes it checks
// the first page's form and stores it (a new row when the item is new);
// then it shows the list-page codes, optionally after the remote list
// page's source. It posts action=step3.
#include <string>
#include <vector>

#include "gathering/common/page_markup.h"
#include "gathering/software/soft_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace ostrel::software {

namespace {

using gathering::StepOneColumn;

// The first step's columns in the order they are saved.
constexpr StepOneColumn kStepOneColumns[] = {
    {"ItemName", StepOneColumn::kText},      {"SiteUrl", StepOneColumn::kText},
    {"ChannelID", StepOneColumn::kChannel},  {"ClassID", StepOneColumn::kLong},
    {"SpecialID", StepOneColumn::kLong},     {"StopItem", StepOneColumn::kSmall},
    {"Encoding", StepOneColumn::kText},      {"IsDown", StepOneColumn::kSmall},
    {"downid", StepOneColumn::kLong},        {"MaxAddress", StepOneColumn::kSmall},
    {"AutoClass", StepOneColumn::kSmall},    {"PathForm", StepOneColumn::kSmall},
    {"SaveFilePath", StepOneColumn::kText},  {"AutoRename", StepOneColumn::kSmall},
    {"IsNowTime", StepOneColumn::kSmall},    {"AllHits", StepOneColumn::kLong},
    {"star", StepOneColumn::kSmall},         {"RemoveCode", StepOneColumn::kRemoveCode},
    {"RemoteListUrl", StepOneColumn::kText}, {"PaginalList", StepOneColumn::kText},
    {"IsPagination", StepOneColumn::kSmall}, {"startid", StepOneColumn::kLong},
    {"lastid", StepOneColumn::kLong}};

}  // namespace

void SoftCollection::EditItemStep2() {
  // Fifteen tag filters, any charset, a new item's 20 list and 52 info
  // codes, and with archive support the archive clean-up fields.
  const asp::Request& request = host_.Request();
  EditListCodeStep(
      {.table = "QX_SoftItem",
       .cache_prefix = "SoftItem",
       .columns = kStepOneColumns,
       .tag_filters = 15,
       .least_encoding = 1,
       .list_parts = 20,
       .info_parts = 52,
       .extra =
           [&](ado::Recordset& rs) {
             if (!ZipSwitch_) return;
             rs.Fields("RemoveFile")
                 .SetValue(vb::Variant(
                     vb::Trim(vb::Replace(markup::FormText(request, "RemoveFile"), "\r\n", "|"))));
             rs.Fields("strLeachName")
                 .SetValue(vb::Variant(vb::Trim(markup::FormText(request, "strLeachName"))));
           }},
      4, nullptr);
}

}  // namespace ostrel::software
