// NewsCollection: the base settings and the gathering items, read through
// the toolbox's Application cache by column position.
#include <string>

#include "gathering/articles/news_collection.h"
#include "gathering/common/record_columns.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::articles {
namespace {

using gathering::Column;

// QX_NewsConfig, columns 1 to 5.
constexpr Column<NewsSettings> kSettingsColumns[] = {
    {1, &NewsSettings::stopGather}, {2, &NewsSettings::RepeatDeal},
    {3, &NewsSettings::MaxPicSize}, {4, &NewsSettings::AllowPicExt},
    {5, &NewsSettings::setInterval},
};

// QX_NewsItem, columns 4 to 14, 16 to 24 and 26; the rule columns may be
// Null.
constexpr Column<NewsItemFields> kItemColumns[] = {
    {4, &NewsItemFields::ClassID},
    {5, &NewsItemFields::SpecialID},
    {6, &NewsItemFields::StopItem},
    {7, &NewsItemFields::Encoding},
    {8, &NewsItemFields::IsDown},
    {9, &NewsItemFields::AutoClass},
    {10, &NewsItemFields::PathForm},
    {11, &NewsItemFields::IsNowTime},
    {12, &NewsItemFields::AllHits},
    {13, &NewsItemFields::star},
    {14, &NewsItemFields::RemoveCode},
    {16, &NewsItemFields::RemoteListUrl},
    {17, &NewsItemFields::PaginalList},
    {18, &NewsItemFields::IsPagination},
    {19, &NewsItemFields::startid},
    {20, &NewsItemFields::lastid},
    {21, &NewsItemFields::FindListCode},
    {22, &NewsItemFields::FindInfoCode},
    {23, &NewsItemFields::RetuneClass, true},
    {24, &NewsItemFields::IsNextPage},
    {26, &NewsItemFields::strReplace, true},
};

}  // namespace

void NewsCollection::ReloadNewsItem(vb::Variant& ItemID) {
  ReloadRows("SELECT * FROM [QX_NewsItem] WHERE ItemID=" + std::to_string(ItemNumber(ItemID)));
}

void NewsCollection::ReloadNewsConfig() { ReloadRows("SELECT * FROM [QX_NewsConfig] "); }

void NewsCollection::ReadNewsConfig() {
  settings_rows_ = ReadSettingsRows("NewsConfig", [&] { ReloadNewsConfig(); });
  gathering::CopyColumns<NewsSettings>(settings_rows_, kSettingsColumns, settings_);
}

void NewsCollection::ReadNewsItem(vb::Variant& ItemID) {
  item_rows_ = ReadItemRows("NewsItem", ItemNumber(ItemID), [&] { ReloadNewsItem(ItemID); });
  gathering::CopyColumns<NewsItemFields>(item_rows_, kItemColumns, item_);
  // 0 means "automatic"; a rating above 5 is no rating. A negative one stays.
  FixStar(item_.star);
}

}  // namespace ostrel::articles
