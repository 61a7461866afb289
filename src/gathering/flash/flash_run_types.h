// One Flash entry of a gathering run between its extraction and its row
// (FlashCollection::SaveFlashData).
#pragma once

#include <cstdint>
#include <string>

#include "gathering/flash/flash_collection.h"

namespace ostrel::flash {

struct FlashCollection::GatheredFlash {
  std::string title;  // CheckNostr'd: shown, looked up and stored
  std::string intro;
  std::string parent;  // the class names as cut (AutoClass on)
  std::string child;
  std::string parentRuled;  // and after CheckNostr and RetuneClass
  std::string childRuled;
  std::string updateTime;  // addTime in text form
  std::string source;
  std::string author;
  std::string describe;
  std::string thumbnail;    // absolute address, or ""
  std::string downAddress;  // absolute address (or the fixed path's), or ""
  int32_t ClassID = 0;
  int32_t AllHits = 0;
  int32_t page = 0;  // the run's line, for the skip link
  std::string D;     // the run's start time as the request carried it
};

}  // namespace ostrel::flash
