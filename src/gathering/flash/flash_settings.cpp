// FlashCollection: the base settings and the gathering items, read through
// the toolbox's Application cache by column position.
#include <string>

#include "gathering/common/record_columns.h"
#include "gathering/flash/flash_collection.h"

namespace ostrel::flash {
namespace {

using gathering::Column;

constexpr Column<FlashSettings> kSettingsColumns[] = {
    {1, &FlashSettings::UseDownload}, {2, &FlashSettings::RepeatDeal},
    {3, &FlashSettings::isProgress},  {4, &FlashSettings::setInterval},
    {5, &FlashSettings::MaxDownSize}, {6, &FlashSettings::AllowDownExt},
    {7, &FlashSettings::FilePrefix},  {8, &FlashSettings::FileSuffix},
};

// Columns 0 to 3 (key, name, site, channel), 18 (last run) and 28 (trial
// address) are read by name where they are needed.
constexpr Column<FlashItemFields> kItemColumns[] = {
    {4, &FlashItemFields::ClassID},
    {5, &FlashItemFields::SpecialID},
    {6, &FlashItemFields::StopItem},
    {7, &FlashItemFields::Encoding},
    {8, &FlashItemFields::IsDown},
    {9, &FlashItemFields::showmode},
    {10, &FlashItemFields::AutoClass},
    {11, &FlashItemFields::PathForm},
    {12, &FlashItemFields::SaveFilePath},
    {13, &FlashItemFields::AutoRename},
    {14, &FlashItemFields::IsNowTime},
    {15, &FlashItemFields::AllHits},
    {16, &FlashItemFields::star},
    {17, &FlashItemFields::RemoveCode},
    {19, &FlashItemFields::RemoteListUrl},
    {20, &FlashItemFields::PaginalList},
    {21, &FlashItemFields::IsPagination},
    {22, &FlashItemFields::startid},
    {23, &FlashItemFields::lastid},
    {24, &FlashItemFields::FindListCode},
    {25, &FlashItemFields::FindInfoCode},
    {26, &FlashItemFields::downpage},
    {27, &FlashItemFields::RetuneClass, true},
    {29, &FlashItemFields::strReplace, true},
};

}  // namespace

void FlashCollection::ReloadFlashItem(vb::Variant& ItemID) {
  ReloadRows("SELECT * FROM [QX_FlashItem] WHERE ItemID=" + std::to_string(ItemNumber(ItemID)));
}

void FlashCollection::ReloadFlashConfig() { ReloadRows("SELECT * FROM [QX_FlashConfig] "); }

void FlashCollection::ReadFlashConfig() {
  settings_rows_ = ReadSettingsRows("FlashConfig", [&] { ReloadFlashConfig(); });
  gathering::CopyColumns<FlashSettings>(settings_rows_, kSettingsColumns, settings_);
}

void FlashCollection::ReadFlashItem(vb::Variant& ItemID) {
  item_rows_ = ReadItemRows("FlashItem", ItemNumber(ItemID), [&] { ReloadFlashItem(ItemID); });
  gathering::CopyColumns<FlashItemFields>(item_rows_, kItemColumns, item_);
  FixStar(item_.star);
}

}  // namespace ostrel::flash
