// One Flash entry (a movie, picture or media page of a remote site) as
// FlashCollection::ExtractFlashEntry reads it with the item's codes
// (FindInfoCode, "$$$"-packed). The gathering run and the editor's trial
// run read an entry the same way; the trial only shows it, the run also
// resolves the class and stores it.
#pragma once

#include <cstdint>
#include <string>

namespace ostrel::flash {

// Indexes of a Flash item's FindListCode. 7 to 9 (picture-name
// restriction, special setting, relocation text) are kept by the editor.
enum FlashListCode : int32_t {
  kListAreaBegin = 0,
  kListAreaEnd = 1,
  kLinkBegin = 2,
  kLinkEnd = 3,
  kListThumbSwitch = 4,
  kListThumbBegin = 5,
  kListThumbEnd = 6,
};

// Indexes of a Flash item's FindInfoCode: begin and end codes of each
// field, the fixed download path, two filter strings, a match filter.
enum FlashInfoCode : int32_t {
  kTitleBegin = 0,
  kIntroBegin = 2,
  kParentBegin = 4,
  kChildBegin = 6,
  kTimeBegin = 8,
  kSizeBegin = 10,
  kSourceBegin = 12,
  kAuthorBegin = 14,
  kDescribeBegin = 16,
  kThumbBegin = 18,
  kFixedDownPath = 20,
  kDownAreaBegin = 21,
  kDownLinkBegin = 23,
  kDownPageAreaBegin = 25,
  kDownPageLinkBegin = 27,
  kFilterString1 = 29,
  kFilterString2 = 30,
  kMatchFilterBegin = 31,
};

// Who reads the entry: a gathering run, which stores it, or the editor's
// trial run, which only shows it.
enum class EntryReading { kRun, kTrial };

struct FlashEntry {
  std::string url;        // the entry page's address, trimmed
  std::string page_text;  // its text, flattened (ReplaceTrim)
  std::string title;      // CheckNostr applied
  std::string intro;      // tag-filtered (Html2Ubb), filters and replacements applied
  // The class names as cut and stripped of tags (a run cuts them only with
  // AutoClass on), and, in a run, the names the class was looked up by
  // (CheckNostr and the item's RetuneClass rules).
  std::string parent;
  std::string child;
  std::string parentRuled;
  std::string childRuled;
  int32_t ClassID = 0;     // run: the item's class or the one the names led to
  std::string updateTime;  // text form of a date
  int32_t size = 0;        // kilobytes
  std::string source;      // ComeFrom
  std::string author;
  std::string describe;
  std::string thumbnail;    // absolute address, or ""
  std::string downAddress;  // the file's address, or "" (a run with no list code)
};

}  // namespace ostrel::flash
