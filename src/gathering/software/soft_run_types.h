// One software entry of a gathering run between its extraction and its row
// (SoftCollection::SaveSoftData).
#pragma once

#include <cstdint>
#include <string>

#include "gathering/software/soft_collection.h"

namespace ostrel::software {

struct SoftCollection::GatheredSoft {
  std::string name;  // escaped (FormatStr): shown, looked up and stored
  std::string version;
  std::string content;  // the introduction
  std::string parent;   // the class names as cut (AutoClass on)
  std::string child;
  std::string parentRuled;  // and after CheckNostr and RetuneClass
  std::string childRuled;
  std::string updateTime;  // SoftTime in text form
  std::string language;
  std::string type;
  std::string impower;
  std::string runSystem;
  std::string contact;
  std::string homepage;
  std::string thumbnail;     // relative to the channel folder, or ""
  std::string firstAddress;  // the download link as found, absolute
  std::string addressText;   // captions "|||" addresses
  std::string serverFile;    // the file's path on the download server
  std::string realAddress;   // where the link led (TrueAddress)
  int32_t ClassID = 0;
  int32_t AllHits = 0;
  int32_t page = 0;  // the run's line, for the skip link
  std::string D;     // the run's start time as the request carried it
};

}  // namespace ostrel::software
