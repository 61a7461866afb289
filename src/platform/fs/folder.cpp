#include "platform/fs/folder.h"

#include "platform/fs/path_map.h"
#include "platform/vb/vb_error.h"

namespace ostrel::fs {
namespace {

std::vector<DirEntry> ListOrRaise(const std::string& windows_path) {
  std::optional<std::vector<DirEntry>> entries = ReadFolder(ToNative(windows_path));
  if (!entries) vb::Raise(vb::kErrPathNotFound);
  return std::move(*entries);
}

DirEntry SelfOrRaise(const std::string& windows_path) {
  DirEntry entry;
  if (!ReadEntry(ToNative(windows_path), true, &entry) || !entry.is_folder) {
    vb::Raise(vb::kErrPathNotFound);
  }
  return entry;
}

uint64_t SizeBelow(const std::string& native_folder) {
  uint64_t total = 0;
  std::optional<std::vector<DirEntry>> entries = ReadFolder(native_folder);
  if (!entries) return 0;
  for (const DirEntry& entry : *entries) {
    total += entry.is_folder ? SizeBelow(JoinNative(native_folder, entry.name)) : entry.size;
  }
  return total;
}

}  // namespace

Folder::Folder(std::string windows_path) : path_(std::move(windows_path)) {
  while (path_.size() > 3 && path_.back() == '\\') path_.pop_back();
  size_t cut = path_.find_last_of('\\');
  name_ = path_.size() <= 3 || cut == std::string::npos ? "" : path_.substr(cut + 1);
}

vb::DateTime Folder::DateLastModified() const {
  return FileTimeToLocalDate(SelfOrRaise(path_).written);
}

vb::DateTime Folder::DateCreated() const { return FileTimeToLocalDate(SelfOrRaise(path_).created); }

uint64_t Folder::Size() const {
  SelfOrRaise(path_);
  return SizeBelow(ToNative(path_));
}

std::vector<File> Folder::Files() const {
  std::vector<File> files;
  for (const DirEntry& entry : ListOrRaise(path_)) {
    if (!entry.is_folder) files.emplace_back(path_, entry);
  }
  return files;
}

std::vector<Folder> Folder::SubFolders() const {
  std::vector<Folder> folders;
  for (const DirEntry& entry : ListOrRaise(path_)) {
    if (entry.is_folder) folders.emplace_back(JoinWindows(path_, entry.name));
  }
  return folders;
}

}  // namespace ostrel::fs
