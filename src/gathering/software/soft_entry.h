// One software entry as SoftCollection::ExtractSoftEntry reads it from its
// remote detail page with the item's codes (FindInfoCode, "$$$"-packed).
// The gathering run and the editor's trial run read an entry the same way;
// the trial shows what the codes give, while the run also applies its
// length limits and defaults, resolves the class and keeps the thumbnail.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gathering/common/gathering_object.h"

namespace ostrel::software {

// Indexes of a software item's FindListCode. 4 and 5 are kept by the
// editor only.
enum SoftListCode : int32_t {
  kListAreaBegin = 0,
  kListAreaEnd = 1,
  kLinkBegin = 2,
  kLinkEnd = 3,
};

// Indexes of a software item's FindInfoCode: begin and end codes of each
// field, two single filter strings, a match filter.
enum SoftInfoCode : int32_t {
  kNameBegin = 0,
  kNameEnd = 1,
  kIntroBegin = 2,
  kIntroEnd = 3,
  kParentBegin = 4,
  kParentEnd = 5,
  kChildBegin = 6,
  kChildEnd = 7,
  kTimeBegin = 8,
  kTimeEnd = 9,
  kSizeBegin = 10,
  kSizeEnd = 11,
  kLanguageBegin = 12,
  kLanguageEnd = 13,
  kTypeBegin = 14,
  kTypeEnd = 15,
  kImpowerBegin = 16,
  kImpowerEnd = 17,
  kSystemBegin = 18,
  kSystemEnd = 19,
  kContactBegin = 20,
  kContactEnd = 21,
  kHomepageBegin = 22,
  kHomepageEnd = 23,
  kThumbnailBegin = 24,
  kThumbnailEnd = 25,
  kDownAreaBegin = 26,
  kDownAreaEnd = 27,
  kDownLinkBegin = 28,
  kDownLinkEnd = 29,
  kDownPageAreaBegin = 30,
  kDownPageAreaEnd = 31,
  kDownPageLinkBegin = 32,
  kDownPageLinkEnd = 33,
  kFilterString1 = 34,
  kFilterString2 = 35,
  kMatchFilterBegin = 36,
  kMatchFilterEnd = 37,
  kVersionBegin = 38,
  kVersionEnd = 39,
};

// Who reads the entry: a gathering run, which stores it, or the editor's
// trial run, which only shows it.
enum class EntryReading { kRun, kTrial };

struct SoftEntry {
  std::string url;        // the detail page's address, trimmed
  std::string page_text;  // its text, flattened (ReplaceTrim)
  // Run: escaped for storing (FormatStr after CheckNostr); trial: CheckNostr.
  std::string name;
  std::string version;
  std::string
      content;  // the introduction: tag-filtered (Html2Ubb), filters and replacements applied
  // The class names as cut; the run cuts them only with AutoClass on.
  std::string parent;
  std::string child;
  // The names the class is looked up by: in a run CheckNostr and the
  // item's RetuneClass rules; in the trial the names as cut.
  std::string parentRuled;
  std::string childRuled;
  int32_t ClassID = 0;     // run: the item's class or the one the names led to
  std::string updateTime;  // the update time in text form
  int32_t SoftSize = 0;    // kilobytes
  std::string language;
  std::string type;
  std::string impower;  // the licence kind
  std::string runSystem;
  std::string contact;
  std::string homepage;
  std::string thumbnail;  // run: the saved picture, relative to the channel folder
  // run: the thumbnail as named on extraction; it is fetched together with
  // the introduction's pictures when the entry is stored.
  std::optional<gathering::GatheringObject::NamedThumbnail> namedThumbnail;
  // The download links in page order: as cut from the detail page, or the
  // absolute links of the separate download page.
  std::vector<std::string> links;
};

}  // namespace ostrel::software
