#include "platform/fs/find_file.h"

#include "platform/fs/path_map.h"
#include "platform/fs/wildcard.h"
#include "platform/vb/vb_error.h"

namespace ostrel::fs {
namespace {

// The native folder and the last part of a pattern; false when the pattern
// has no mapped drive (the platform's "path not found").
bool MapPattern(std::string_view pattern, std::string* native_folder, std::string* last,
                bool* drive_root) {
  std::string_view folder, name;
  SplitLast(pattern, &folder, &name);
  if (folder.empty()) return false;
  try {
    *native_folder = ToNative(folder);
    *drive_root = NormalizeWindows(folder).size() == 3;  // "X:\"
  } catch (const vb::VbError&) {
    return false;
  }
  *last = std::string(name);
  return true;
}

std::vector<FindData> Search(std::string_view pattern) {
  std::vector<FindData> records;
  std::string folder, last;
  bool drive_root = false;
  if (!MapPattern(pattern, &folder, &last, &drive_root) || last.empty()) return records;

  if (!HasWildcards(last)) {
    // One entry, named exactly; "." and ".." resolve like any other part.
    std::string native;
    try {
      native = ToNative(pattern);
      if (NormalizeWindows(pattern).size() == 3) return records;  // a drive root is no entry
    } catch (const vb::VbError&) {
      return records;
    }
    DirEntry entry;
    if (ReadEntry(native, false, &entry) && !entry.name.empty()) {
      records.push_back(ToFindData(entry));
    }
    return records;
  }

  std::optional<std::vector<DirEntry>> entries = ReadFolder(folder);
  if (!entries) return records;
  if (!drive_root) {
    for (const char* dots : {".", ".."}) {
      DirEntry entry;
      if (MatchesPattern(last, dots) && ReadEntry(JoinNative(folder, dots), true, &entry)) {
        entry.name = dots;
        records.push_back(ToFindData(entry));
      }
    }
  }
  for (const DirEntry& entry : *entries) {
    if (MatchesPattern(last, entry.name)) records.push_back(ToFindData(entry));
  }
  return records;
}

}  // namespace

FindData ToFindData(const DirEntry& entry) {
  FindData data;
  if (entry.is_folder) {
    data.file_attributes = FILE_ATTRIBUTE_DIRECTORY;
  } else {
    data.file_attributes = FILE_ATTRIBUTE_ARCHIVE;
    if (entry.is_link) data.file_attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  }
  if (entry.read_only) data.file_attributes |= FILE_ATTRIBUTE_READONLY;
  data.creation_time = entry.created;
  data.last_access_time = entry.accessed;
  data.last_write_time = entry.written;
  data.file_size_high = static_cast<uint32_t>(entry.size >> 32);
  data.file_size_low = static_cast<uint32_t>(entry.size);
  data.file_name = entry.name;
  return data;
}

bool FindSearch::Next(FindData* out) {
  if (next_ >= records_.size()) return false;
  *out = std::move(records_[next_++]);
  return true;
}

std::unique_ptr<FindSearch> FindFirstFileA(std::string_view pattern, FindData* out) {
  auto search = std::make_unique<FindSearch>(Search(pattern));
  if (!search->Next(out)) return nullptr;
  return search;
}

bool FindNextFileA(FindSearch* search, FindData* out) {
  return search != nullptr && search->Next(out);
}

bool FindClose(std::unique_ptr<FindSearch>& search) {
  bool was_open = search != nullptr;
  search.reset();
  return was_open;
}

FindData GetFileInfo(std::string_view path) {
  FindData data;
  std::unique_ptr<FindSearch> search = FindFirstFileA(path, &data);
  if (!search) return FindData{};
  FindClose(search);
  return data;
}

}  // namespace ostrel::fs
