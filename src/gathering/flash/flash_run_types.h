// One Flash entry of a gathering run between its extraction and its row
// (FlashCollection::SaveFlashData).
#pragma once

#include <cstdint>
#include <string>

#include "gathering/flash/flash_collection.h"
#include "gathering/flash/flash_entry.h"

namespace ostrel::flash {

// The entry as read (ExtractFlashEntry), with what the run adds.
struct FlashCollection::GatheredFlash : FlashEntry {
  int32_t AllHits = 0;
  int32_t page = 0;  // the run's line, for the skip link
  std::string D;     // the run's start time as the request carried it
};

}  // namespace ostrel::flash
