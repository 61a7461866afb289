// SoftCollection: the base settings and the gathering items, read through
// the toolbox's Application cache by column position.
#include <string>

#include "gathering/common/record_columns.h"
#include "gathering/software/soft_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::software {
namespace {

using gathering::Column;

constexpr Column<SoftSettings> kSettingsColumns[] = {
    {1, &SoftSettings::UseDownload},   {2, &SoftSettings::RepeatDeal},
    {3, &SoftSettings::isProgress},    {4, &SoftSettings::TrueAddress},
    {5, &SoftSettings::setInterval},   {6, &SoftSettings::MaxDownSize},
    {7, &SoftSettings::AllowDownExt},  {8, &SoftSettings::FilePrefix},
    {9, &SoftSettings::FileSuffix},    {10, &SoftSettings::isZipFile},
    {11, &SoftSettings::ZipMode},      {12, &SoftSettings::ZipTimeout},
    {13, &SoftSettings::MaxZipsize},   {14, &SoftSettings::AllowFileExt},
    {15, &SoftSettings::WinRarPath},   {16, &SoftSettings::DownFilePath},
    {17, &SoftSettings::ReadmePath},   {18, &SoftSettings::ReadmeFile},
    {19, &SoftSettings::RarNoteFile},
};

// Columns 0 to 3 (key, name, site, channel), 19 (last run) and 31 (trial
// address) are read by name where they are needed.
constexpr Column<SoftItemFields> kItemColumns[] = {
    {4, &SoftItemFields::ClassID},
    {5, &SoftItemFields::SpecialID},
    {6, &SoftItemFields::StopItem},
    {7, &SoftItemFields::Encoding},
    {8, &SoftItemFields::IsDown},
    {9, &SoftItemFields::downid},
    {10, &SoftItemFields::MaxAddress},
    {11, &SoftItemFields::AutoClass},
    {12, &SoftItemFields::PathForm},
    {13, &SoftItemFields::SaveFilePath},
    {14, &SoftItemFields::AutoRename},
    {15, &SoftItemFields::IsNowTime},
    {16, &SoftItemFields::AllHits},
    {17, &SoftItemFields::star},
    {18, &SoftItemFields::RemoveCode},
    {20, &SoftItemFields::RemoteListUrl},
    {21, &SoftItemFields::PaginalList},
    {22, &SoftItemFields::IsPagination},
    {23, &SoftItemFields::startid},
    {24, &SoftItemFields::lastid},
    {25, &SoftItemFields::FindListCode},
    {26, &SoftItemFields::FindInfoCode},
    {27, &SoftItemFields::downpage},
    {28, &SoftItemFields::RetuneClass, true},
    {29, &SoftItemFields::RemoveFile, true},
    {30, &SoftItemFields::strLeachName, true},
    {32, &SoftItemFields::strReplace, true},
};

}  // namespace

void SoftCollection::ReloadSoftItem(vb::Variant& ItemID) {
  ReloadRows("SELECT * FROM [QX_SoftItem] WHERE ItemID=" + std::to_string(ItemNumber(ItemID)));
}

void SoftCollection::ReloadSoftConfig() { ReloadRows("SELECT * FROM [QX_SoftConfig] "); }

void SoftCollection::ReadSoftConfig() {
  settings_rows_ = ReadSettingsRows("SoftConfig", [&] { ReloadSoftConfig(); });
  gathering::CopyColumns<SoftSettings>(settings_rows_, kSettingsColumns, settings_);
  // Without archive support nothing is re-packed, whatever the row says.
  if (!ZipSwitch_) settings_.isZipFile = 0;
}

void SoftCollection::ReadSoftItem(vb::Variant& ItemID) {
  item_rows_ = ReadItemRows("SoftItem", ItemNumber(ItemID), [&] { ReloadSoftItem(ItemID); });
  gathering::CopyColumns<SoftItemFields>(item_rows_, kItemColumns, item_);
  if (!ZipSwitch_) item_.strLeachName.clear();
  FixStar(item_.star);
}

}  // namespace ostrel::software
