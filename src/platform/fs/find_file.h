// The platform's file search (FindFirstFileA, FindNextFileA, FindClose) and
// the find record it fills. Patterns are Windows paths whose last part may
// hold DOS wildcards ("C:\up\*.txt"); without wildcards the last part names
// one entry exactly. Entries come sorted by name without regard to case;
// "." and ".." come first where the platform reports them (a wildcard
// search in a folder that is not a drive root, when the pattern matches
// them), so callers skip them as they did. Links are reported as entries of
// their own (FILE_ATTRIBUTE_REPARSE_POINT, never FILE_ATTRIBUTE_DIRECTORY):
// a walk never goes through one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/dir_listing.h"
#include "platform/fs/file_time.h"

namespace ostrel::fs {

constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x1;
constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr uint32_t FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

// The find record (the platform's WIN32_FIND_DATA, names as text). A record
// of a search that found nothing is all zero.
struct FindData {
  uint32_t file_attributes = 0;
  FileTime creation_time;
  FileTime last_access_time;
  FileTime last_write_time;
  uint32_t file_size_high = 0;
  uint32_t file_size_low = 0;
  uint32_t reserved0 = 0;
  uint32_t reserved1 = 0;
  std::string file_name;            // UTF-8; at most 255 bytes on this system
  std::string alternate_file_name;  // always "": there are no short names

  uint64_t size() const { return (uint64_t{file_size_high} << 32) | file_size_low; }
};

// One open search. The folder is read when the search starts, so entries
// removed by the caller while it walks do not disturb the order.
class FindSearch {
 public:
  explicit FindSearch(std::vector<FindData> records) : records_(std::move(records)) {}
  bool Next(FindData* out);

 private:
  std::vector<FindData> records_;
  size_t next_ = 0;
};

// Starts a search and fills the first record. Returns nothing (the
// platform's invalid handle) when no entry matches, the folder is missing,
// or the path has no mapped drive; it never raises.
std::unique_ptr<FindSearch> FindFirstFileA(std::string_view pattern, FindData* out);
// Fills the next record; false when the search is exhausted.
bool FindNextFileA(FindSearch* search, FindData* out);
// Ends the search.
bool FindClose(std::unique_ptr<FindSearch>& search);

// The record of the first entry matching path, all zero when none does.
FindData GetFileInfo(std::string_view path);

// The record of one listed entry.
FindData ToFindData(const DirEntry& entry);

}  // namespace ostrel::fs
