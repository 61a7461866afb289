// SoftCollection: the item clone, a copy of one of the channel's software
// items under a key of its own.
#include <string_view>

#include "gathering/software/soft_collection.h"

namespace ostrel::software {
namespace {

// The columns a clone copies, in the order they are set; lastime is
// stamped between RemoveCode and RemoteListUrl.
constexpr std::string_view kCopiedBeforeStamp[] = {
    "ItemName",     "SiteUrl",    "ChannelID", "ClassID",    "SpecialID", "StopItem",
    "Encoding",     "IsDown",     "downid",    "MaxAddress", "AutoClass", "PathForm",
    "SaveFilePath", "AutoRename", "IsNowTime", "AllHits",    "star",      "RemoveCode"};
constexpr std::string_view kCopiedAfterStamp[] = {
    "RemoteListUrl", "PaginalList",  "IsPagination", "startid",     "lastid",
    "FindListCode",  "FindInfoCode", "downpage",     "RetuneClass", "RemoveFile",
    "strLeachName",  "NamedDemourl", "strReplace"};

}  // namespace

void SoftCollection::CloneItem() {
  GatheringObject::CloneItem({"QX_SoftItem", kCopiedBeforeStamp, kCopiedAfterStamp});
}

}  // namespace ostrel::software
