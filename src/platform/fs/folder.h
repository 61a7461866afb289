// A folder as FileSystemObject shows it (GetFolder, SubFolders). Its Files
// and SubFolders are read when asked for, sorted by name. A link inside is
// listed among the Files, never among the SubFolders, so a walk through
// SubFolders stays inside the tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fs/file.h"
#include "platform/vb/variant.h"

namespace ostrel::fs {

class Folder {
 public:
  // windows_path must be a normalised path (NormalizeWindows) of a folder.
  explicit Folder(std::string windows_path);

  // The last part of the path; "" for a drive root.
  const std::string& Name() const { return name_; }
  const std::string& Path() const { return path_; }
  bool IsRootFolder() const { return path_.size() == 3; }

  // The folder's own time stamps; VbError 76 when it has gone.
  vb::DateTime DateLastModified() const;
  vb::DateTime DateCreated() const;
  // Bytes of every file below, links not followed; VbError 76 when gone.
  uint64_t Size() const;

  // The entries directly inside; VbError 76 when the folder has gone.
  std::vector<File> Files() const;
  std::vector<Folder> SubFolders() const;

 private:
  std::string path_;
  std::string name_;
};

}  // namespace ostrel::fs
