// SoftCollection: the item editor's last page. With change=yes it stores
// the detail-page codes, the download-page switch and the trial address of
// the third page; then it either says the item is complete or, for
// action=demo or a ticked ShowCode, runs the trial run (soft_editor_trial.cpp).
#include <optional>
#include <string>

#include "gathering/common/page_markup.h"
#include "gathering/software/soft_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::software {

void SoftCollection::EditItemStep4() {
  EditFinishStep({.table = "QX_SoftItem",
                  .cache_prefix = "SoftItem",
                  .info_codes = 40,
                  .info_padding = "0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0",
                  .trial_columns = gathering::kTrialColumns,
                  .read = [&](ado::Recordset& rs) { gathering::ReadTrialColumns(rs, item_); },
                  .trial = [&](const std::string& demo) { return RunTrial(demo); }});
}

}  // namespace ostrel::software
