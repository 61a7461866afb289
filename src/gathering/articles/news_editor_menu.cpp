// NewsCollection: the editor's navigation row and the item clone.
#include <string>
#include <vector>

#include "gathering/articles/news_collection.h"
#include "gathering/common/page_markup.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::articles {
namespace {

// The columns a clone copies, in the order they are set; lastime is
// stamped between RemoveCode and RemoteListUrl.
constexpr std::string_view kCopiedBeforeStamp[] = {
    "ItemName", "SiteUrl",   "ChannelID", "ClassID",   "SpecialID", "StopItem", "Encoding",
    "IsDown",   "AutoClass", "PathForm",  "IsNowTime", "AllHits",   "star",     "RemoveCode"};
constexpr std::string_view kCopiedAfterStamp[] = {
    "RemoteListUrl", "PaginalList", "IsPagination", "startid",      "lastid",    "FindListCode",
    "FindInfoCode",  "RetuneClass", "IsNextPage",   "NamedDemourl", "strReplace"};

}  // namespace

void NewsCollection::CloneItem() {
  GatheringObject::CloneItem({"QX_NewsItem", kCopiedBeforeStamp, kCopiedAfterStamp});
}

}  // namespace ostrel::articles
