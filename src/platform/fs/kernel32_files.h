// The platform's file calls the re-packer uses (CopyFileA, MoveFileExA) and
// their companions. Paths are Windows paths; like the platform, the calls
// report failure through their result and never raise.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrel::fs {

constexpr uint32_t MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr uint32_t MOVEFILE_COPY_ALLOWED = 0x2;

// Copies a file (a link is copied as the file it points to). With
// fail_if_exists an existing target makes the call fail; otherwise it is
// replaced, unless it is read-only or a folder. The target appears whole or
// not at all. The last-write time goes along.
bool CopyFileA(std::string_view existing, std::string_view new_file, bool fail_if_exists);

// Moves a file or folder. Without MOVEFILE_REPLACE_EXISTING an existing
// target makes it fail (no window between check and move); with it a file
// target is replaced, a folder target never. MOVEFILE_COPY_ALLOWED lets a
// file cross file systems as a copy and a delete. Links move as links.
bool MoveFileExA(std::string_view existing, std::string_view new_file, uint32_t flags);

// Deletes one file (a link itself, never what it points to). Folders and
// read-only files make it fail.
bool DeleteFileA(std::string_view path);

// The size in bytes of the file (a link is measured as the file it points
// to); false when it is missing or a folder.
bool GetFileSize64(std::string_view path, uint64_t* size);

}  // namespace ostrel::fs
