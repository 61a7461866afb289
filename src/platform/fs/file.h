// A file as FileSystemObject shows it (Folder.Files, GetFile): what the
// listing read at that moment, with the Windows path of the file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/fs/dir_listing.h"
#include "platform/vb/variant.h"

namespace ostrel::fs {

class File {
 public:
  // entry as read in the folder whose Windows path is folder_path.
  File(const std::string& folder_path, const DirEntry& entry);

  const std::string& Name() const { return name_; }
  const std::string& Path() const { return path_; }
  uint64_t Size() const { return size_; }
  vb::DateTime DateLastModified() const { return modified_; }
  vb::DateTime DateCreated() const { return created_; }
  // FILE_ATTRIBUTE_* bits of find_file.h.
  uint32_t Attributes() const { return attributes_; }

 private:
  std::string name_;
  std::string path_;
  uint64_t size_;
  vb::DateTime modified_;
  vb::DateTime created_;
  uint32_t attributes_;
};

// folder_path (a Windows folder path) joined with name by one "\".
std::string JoinWindows(std::string_view folder_path, std::string_view name);

}  // namespace ostrel::fs
