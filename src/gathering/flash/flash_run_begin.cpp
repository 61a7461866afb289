// FlashCollection.BeginGather and GatherNextLink: the start of a Flash
// gathering run (action=begin), which cuts the links of the item's list
// pages, each with the list thumbnail that stands beside it when the item
// asks for them, into the run's link-list file; and each savenew step,
// which gathers one line of it. The walk, the file and the stepper are
// every channel's (gathering/common).
#include <string>
#include <unordered_map>
#include <vector>

#include "gathering/common/code_list.h"
#include "gathering/flash/flash_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/marker_pattern.h"
#include "processing/page_messages.h"
#include "processing/url_fixing.h"

namespace ostrel::flash {
namespace {

using gathering::CodeList;
using gathering::ListLinks;

// Thumbnails are cut when list code 4 is a number of 1 or more and the
// thumbnail's begin code is given.
// A thumbnail code that is missing (4 to 6) leaves them off.
bool ThumbnailsOn(const CodeList& codes) {
  if (!codes.Has(6)) return false;
  int32_t on = 0;
  vb::TryStep([&] { on = vb::CInt(vb::Variant(codes[4])); });
  return on >= 1 && !gathering::IsUnset(codes[5]);
}

// The marker cuts of area for a code pair, as FindMatch finds them: where
// each lies, and its text without the codes.
struct Cut {
  size_t begin;
  size_t end;
  std::string text;
};
std::vector<Cut> Cuts(const std::string& area, const std::string& start, const std::string& last) {
  std::vector<Cut> cuts;
  if (start.empty() || last.empty()) return cuts;
  vb::TryStep([&] {
    const processing::MarkerPattern marker(start, last, /*ignore_case=*/true);
    for (const processing::MarkerPattern::Span& span : marker.Find(area, /*global=*/true)) {
      std::string text = area.substr(span.begin, span.end - span.begin);
      cuts.push_back({span.begin, span.end, std::move(text)});
    }
  });
  return cuts;
}

// The thumbnail of each distinct link of one list page, in the order the
// links are cut ("" for a link with none). A thumbnail belongs to the link
// it stands beside: the page shows its pictures either each before its
// link or each after it, which the first picture and the first link tell;
// a picture then goes to the nearest link on that side, and a link keeps
// the first picture it gets. A link with no picture of its own gets none.
std::vector<std::string> PairedThumbnails(const std::string& area, const CodeList& codes) {
  const std::vector<Cut> links = Cuts(area, codes[2], codes[3]);
  const std::vector<Cut> thumbs = Cuts(area, codes[5], codes[6]);
  // Each cut's link, numbered as FindMatch keeps them: first spelling,
  // letter case ignored.
  std::unordered_map<std::string, size_t> index;
  std::vector<size_t> link_of;
  for (const Cut& link : links) {
    auto [at, added] = index.emplace(vb::UCase(link.text), index.size());
    link_of.push_back(at->second);
  }
  std::vector<std::string> paired(index.size());
  std::vector<bool> taken(index.size(), false);
  if (links.empty() || thumbs.empty()) return paired;
  const bool before = thumbs.front().begin < links.front().begin;
  for (const Cut& thumb : thumbs) {
    size_t owner = links.size();
    if (before) {
      for (size_t i = 0; i < links.size(); ++i) {
        if (links[i].begin >= thumb.end) {
          owner = i;
          break;
        }
      }
    } else {
      for (size_t i = links.size(); i-- > 0;) {
        if (links[i].end <= thumb.begin) {
          owner = i;
          break;
        }
      }
    }
    if (owner == links.size() || taken[link_of[owner]]) continue;
    taken[link_of[owner]] = true;
    paired[link_of[owner]] = vb::Replace(vb::Replace(thumb.text, codes[5], ""), codes[6], "");
  }
  return paired;
}

// The list thumbnail of every piece of found ("" for none), each page's
// pictures paired with that page's links only.
std::vector<std::string> PicturesOfPieces(const ListLinks& found, const CodeList& codes) {
  std::vector<std::vector<std::string>> pages;
  for (const std::string& area : found.areas) pages.push_back(PairedThumbnails(area, codes));
  std::vector<size_t> place(pages.size(), 0);
  std::vector<std::string> pictures(found.pieces.size());
  for (size_t k = 0; k < found.pieces.size(); ++k) {
    const ListLinks::Piece& piece = found.pieces[k];
    if (piece.link.empty() || piece.page >= pages.size()) continue;
    const size_t at = place[piece.page]++;
    if (at < pages[piece.page].size()) pictures[k] = pages[piece.page][at];
  }
  return pictures;
}

}  // namespace

void FlashCollection::BeginGather() {
  if (!ReadOpenRunItem([this](vb::Variant& item_id) {
        ReadFlashItem(item_id);
        return item_.StopItem;
      })) {
    return;
  }
  const CodeList codes(item_.FindListCode);
  const bool thumbnails = ThumbnailsOn(codes);
  // The picture of each piece, found when the first line is made: the
  // pieces of a page are its distinct links in the order they were cut.
  std::vector<std::string> picture_of;
  // A failing cut is passed over, as every failing statement of the start:
  // a list code that is missing gives no link, and so the alert.
  gathering::ListSource source = gathering::ListSourceOf(item_);
  source.least_page = gathering::kFileRunLeastPage;
  source.pass_failures = true;
  StartListRun(source, "Flash", "QX_FlashItem", [&](const ListLinks& found, size_t k) {
    // Every address is made absolute against the list address
    // last built.
    const std::string& base = found.built;
    std::string line = processing::FormatRemoteUrl(base, found.pieces[k].link);
    if (!thumbnails) return line;
    if (picture_of.empty()) picture_of = PicturesOfPieces(found, codes);
    if (!picture_of[k].empty()) {
      const std::string thumb = processing::FormatRemoteUrl(base, picture_of[k]);
      if (!thumb.empty()) line += "|" + thumb;
    }
    return line;
  });
}

void FlashCollection::GatherNextLink() {
  GatherListLine({.word = "Flash",
                  .list_error = "获取软件列表错误！",
                  .markup = gathering::kFileRunMarkup,
                  .interval = settings_.setInterval,
                  .gather = [this](vb::Variant& line) { SaveFlashData(line); },
                  .pass_failures = true});
}

}  // namespace ostrel::flash
