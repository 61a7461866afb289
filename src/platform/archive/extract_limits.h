// Limits every extraction obeys, and the reason the last extraction of the
// calling thread was refused. An archive is untrusted input: its names may
// try to leave the destination folder, its entries may be links, and its
// sizes may be lies meant to fill the disk. The extraction stops at the
// first such entry; the caller learns why through LastRefusal() and is
// expected to discard the destination folder. Two kinds of entry are only
// skipped, as they endanger nothing once left out: links, and zip entries
// whose password is missing or wrong.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrel::archive {

struct ExtractLimits {
  uint64_t max_entries = 10'000;
  uint64_t max_bytes = uint64_t{1} << 30;  // unpacked bytes of one archive
  uint64_t max_ratio = 1000;               // unpacked bytes per byte of archive file
  // The ratio is a sign of a bomb only for a large output: repetitive logs
  // and data files pack a thousand to one too. It applies past this total.
  uint64_t ratio_floor = uint64_t{64} << 20;
};

ExtractLimits GetExtractLimits();
void SetExtractLimits(const ExtractLimits& limits);

enum class Refusal {
  kNone,
  kUnsafeName,      // "..", an absolute name, a drive letter, a device name
  kLink,            // a symbolic or hard link, a device or a pipe: the entry is
                    // skipped, never created, and the others go on
  kTooManyEntries,  // more entries than max_entries
  kTooLarge,        // more unpacked bytes than max_bytes or max_ratio allows
  kEncrypted,       // encrypted content that could not be decrypted (a zip
                    // entry is skipped and the others go on)
  kDamaged,         // the archive ended early or its data is corrupt
};

// What stopped the last extraction on this thread (kNone when it ran to
// its end); reset when an extraction starts.
Refusal LastRefusal();
void SetLastRefusal(Refusal refusal);
std::string_view RefusalText(Refusal refusal);

}  // namespace ostrel::archive
