// What the file layer knows of one native folder entry, and the sorted
// listing of a folder. Entries are read without following links: a link is
// never a folder here, so nothing that walks a tree can leave it through one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/fs/file_time.h"

namespace ostrel::fs {

struct DirEntry {
  std::string name;
  bool is_folder = false;  // a real folder, never a link to one
  bool is_link = false;
  bool read_only = false;  // no write permission for the owner
  uint64_t size = 0;       // 0 for folders and links
  FileTime created;        // birth time where the file system keeps one
  FileTime accessed;
  FileTime written;
};

// Reads the entry at a native path. follow_link decides whether a link at
// the end of the path is read as what it points to. False when missing.
bool ReadEntry(const std::string& native_path, bool follow_link, DirEntry* out);

// The entries of a native folder, "." and ".." left out, sorted by name
// without regard to case (ties by bytes), as the platform lists a folder.
// Nothing when the path is not a readable folder.
std::optional<std::vector<DirEntry>> ReadFolder(const std::string& native_folder);

// Splits a native or Windows path at its last separator: the folder part
// keeps its trailing separator, the name is what follows.
void SplitLast(std::string_view path, std::string_view* folder, std::string_view* name);

// folder + "/" + name, without doubling a separator already there.
std::string JoinNative(std::string_view folder, std::string_view name);

}  // namespace ostrel::fs
