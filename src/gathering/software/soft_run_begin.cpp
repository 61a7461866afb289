// SoftCollection.BeginGather and GatherNextLink: the start of a software
// gathering run (action=begin), which cuts the links of the item's list
// pages into the run's link-list file, and each savenew step, which gathers
// one line of it. The stepper and the file are every channel's
// (gathering/common); the texts and the list's layout are the channel's.
#include <string>

#include "gathering/software/soft_collection.h"
#include "processing/page_messages.h"
#include "processing/url_fixing.h"

namespace ostrel::software {

void SoftCollection::BeginGather() {
  if (!ReadOpenRunItem([this](vb::Variant& item_id) {
        ReadSoftItem(item_id);
        return item_.StopItem;
      })) {
    return;
  }
  host_.Session().SetItem("tmpDirCount", vb::Variant(int32_t{0}));
  // Every link is made absolute against the list address last built. A
  // missing list code ends the start silently.
  gathering::ListSource source = gathering::ListSourceOf(item_);
  source.least_page = gathering::kFileRunLeastPage;
  StartListRun(source, "Soft", "QX_SoftItem", [](const gathering::ListLinks& found, size_t k) {
    return processing::FormatRemoteUrl(found.built, found.pieces[k].link);
  });
}

void SoftCollection::GatherNextLink() {
  GatherListLine({.word = "Soft",
                  .list_error = "获取软件列表错误！",
                  .markup = gathering::kFileRunMarkup,
                  .interval = settings_.setInterval,
                  .gather = [this](vb::Variant& url) { SaveSoftData(url); }});
}

}  // namespace ostrel::software
