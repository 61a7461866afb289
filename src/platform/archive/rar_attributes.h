// The Windows attribute values a RAR archive stores with its entries.
// libarchive reads RAR 4 attributes into a Unix mode and RAR 5 ones into
// a few flags, losing values such as a hidden or an archive-marked folder;
// the extraction passes entries on by the stored value, so the headers are
// walked here on their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::archive {

// Reads up to length bytes at offset of the open file fd into *out (fewer
// at its end or on an error); the number read.
size_t ReadFileAt(int fd, uint64_t offset, size_t length, std::string* out);

// One value per file or folder header, in archive order, for the archive
// that starts at offset in the open file fd (rar5: a RAR 5 archive). An
// entry made on a system without Windows attributes holds nothing. The
// walk stops early (leaving the list short) at encrypted headers or at
// anything it can not follow.
std::vector<std::optional<uint32_t>> ReadRarAttributes(int fd, uint64_t offset, uint64_t file_size,
                                                       bool rar5, uint64_t max_entries);

}  // namespace ostrel::archive
