// Reading and writing picture files at the operating-system boundary.
// Paths here are native; the components map the Windows form first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel::image {

// The whole file, at most `limit` bytes. Raises VbError 53 (missing), 76
// (folder missing), 70 (not permitted), 75 (not a regular file or read
// error) or 481 (larger than the limit).
std::string ReadPictureFile(const std::string& native_path, uint64_t limit);

// Writes bytes to a new file in the target's folder and renames it over the
// target, so a reader sees the old file or the whole new one, never a part.
// An existing target keeps its permission bits. On failure the temporary
// file is removed, the target is untouched, and VbError 76, 70, 61 (disk
// full) or 75 is raised.
void WriteFileAtomically(const std::string& native_path, std::string_view bytes);

// True when both names lead to the same existing file.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace ostrel::image
