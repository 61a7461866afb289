// One software entry of a gathering run between its extraction and its row
// (SoftCollection::SaveSoftData).
#pragma once

#include <cstdint>
#include <string>

#include "gathering/software/soft_collection.h"
#include "gathering/software/soft_entry.h"

namespace ostrel::software {

// The fields as ExtractSoftEntry read them (soft_entry.h), then what the
// run adds.
struct SoftCollection::GatheredSoft : SoftEntry {
  std::string firstAddress;  // the download link as found, absolute
  std::string addressText;   // captions "|||" addresses
  std::string serverFile;    // the file's path on the download server
  std::string realAddress;   // where the link led (TrueAddress)
  int32_t AllHits = 0;
  int32_t page = 0;  // the run's line, for the skip link
  std::string D;     // the run's start time as the request carried it
};

}  // namespace ostrel::software
