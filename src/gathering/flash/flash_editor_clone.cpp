// FlashCollection: the item clone, a copy of one of the channel's Flash
// items under a key of its own.
#include <string_view>

#include "gathering/flash/flash_collection.h"

namespace ostrel::flash {
namespace {

// The columns a clone copies, in the order they are set; lastime is
// stamped between RemoveCode and RemoteListUrl.
constexpr std::string_view kCopiedBeforeStamp[] = {
    "ItemName",   "SiteUrl",   "ChannelID", "ClassID",   "SpecialID", "StopItem",
    "Encoding",   "IsDown",    "showmode",  "AutoClass", "PathForm",  "SaveFilePath",
    "AutoRename", "IsNowTime", "AllHits",   "star",      "RemoveCode"};
constexpr std::string_view kCopiedAfterStamp[] = {
    "RemoteListUrl", "PaginalList", "IsPagination", "startid",      "lastid",    "FindListCode",
    "FindInfoCode",  "downpage",    "RetuneClass",  "NamedDemourl", "strReplace"};

}  // namespace

void FlashCollection::CloneItem() {
  GatheringObject::CloneItem({"QX_FlashItem", kCopiedBeforeStamp, kCopiedAfterStamp});
}

}  // namespace ostrel::flash
