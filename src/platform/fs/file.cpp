#include "platform/fs/file.h"

#include "platform/fs/find_file.h"

namespace ostrel::fs {

std::string JoinWindows(std::string_view folder_path, std::string_view name) {
  std::string joined(folder_path);
  if (joined.empty() || joined.back() != '\\') joined += '\\';
  joined += name;
  return joined;
}

File::File(const std::string& folder_path, const DirEntry& entry)
    : name_(entry.name),
      path_(JoinWindows(folder_path, entry.name)),
      size_(entry.size),
      modified_(FileTimeToLocalDate(entry.written)),
      created_(FileTimeToLocalDate(entry.created)),
      attributes_(ToFindData(entry).file_attributes) {}

}  // namespace ostrel::fs
