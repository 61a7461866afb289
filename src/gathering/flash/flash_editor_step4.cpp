// FlashCollection: the item editor's last page. With change=yes it stores
// the entry-page codes, the download-page switch and the trial address of
// the third page; then it either says the item is complete or, for
// action=demo or a ticked ShowCode, runs the trial run
// (flash_editor_trial.cpp).
#include <optional>
#include <string>

#include "gathering/common/page_markup.h"
#include "gathering/flash/flash_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::flash {
namespace {

// The 33 codes of step 3, then ten "0".
constexpr int kInfoCodes = 33;
constexpr std::string_view kInfoPadding = "0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0";

}  // namespace

void FlashCollection::EditItemStep4() {
  EditFinishStep({.table = "QX_FlashItem",
                  .cache_prefix = "FlashItem",
                  .info_codes = kInfoCodes,
                  .info_padding = kInfoPadding,
                  .trial_columns = gathering::kTrialColumns,
                  .read = [&](ado::Recordset& rs) { gathering::ReadTrialColumns(rs, item_); },
                  .trial = [&](const std::string& demo) { return RunTrial(demo); }});
}

}  // namespace ostrel::flash
