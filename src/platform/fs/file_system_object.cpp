#include "platform/fs/file_system_object.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/fs/file_io.h"
#include "platform/fs/fs_error.h"
#include "platform/fs/path_map.h"
#include "platform/fs/run_leftovers.h"
#include "platform/fs/wildcard.h"
#include "platform/vb/vb_error.h"

namespace ostrel::fs {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A Windows path naming one entry, in canonical form and split.
struct Named {
  std::string path;           // "C:\a\b"
  std::string folder;         // "C:\a\"
  std::string name;           // "b"; "" for a drive root
  std::string native;         // "/a/b"
  std::string native_folder;  // "/a/"
  bool drive_root = false;
};

Named Resolve(std::string_view path) {
  Named n;
  n.path = NormalizeWindows(path);
  while (n.path.size() > 3 && n.path.back() == '\\') n.path.pop_back();
  n.drive_root = n.path.size() == 3;
  std::string_view folder, name;
  SplitLast(n.path, &folder, &name);
  n.folder = std::string(folder);
  n.name = n.drive_root ? "" : std::string(name);
  n.native = ToNative(n.path);
  n.native_folder = ToNative(n.folder);
  return n;
}

// The entry at a native path, read through a final link (follow) or not.
bool Lookup(const std::string& native, bool follow, DirEntry* entry) {
  return ReadEntry(native, follow, entry);
}

bool FolderAt(const std::string& native) {
  DirEntry entry;
  return Lookup(native, true, &entry) && entry.is_folder;
}

// The entries of the folder that the last part names: every match of a
// wildcard pattern, or the one entry of that exact name. Only folders when
// want_folders, only other entries otherwise. Nothing when the folder of
// the path is missing (missing_folder then tells). A pattern never matches
// the working entry of a run still going on (run_leftovers.h): emptying a
// folder must not pull the files from under another page's re-pack.
std::vector<DirEntry> Matches(const Named& n, bool want_folders, bool* missing_folder) {
  std::vector<DirEntry> found;
  *missing_folder = false;
  if (!HasWildcards(n.name)) {
    DirEntry entry;
    if (!FolderAt(n.native_folder)) {
      *missing_folder = true;
    } else if (Lookup(n.native, false, &entry) && entry.is_folder == want_folders) {
      entry.name = n.name;
      found.push_back(std::move(entry));
    }
    return found;
  }
  std::optional<std::vector<DirEntry>> entries = ReadFolder(n.native_folder);
  if (!entries) {
    *missing_folder = true;
    return found;
  }
  for (DirEntry& entry : *entries) {
    if (entry.is_folder == want_folders && MatchesPattern(n.name, entry.name) &&
        !IsLiveWork(JoinNative(n.native_folder, entry.name))) {
      found.push_back(std::move(entry));
    }
  }
  return found;
}

[[noreturn]] void RaiseErrno(int error) { RaiseFileError(ErrorFromErrno(error)); }

// Removes a folder and everything in it, never following a link.
void RemoveTree(const std::string& native, bool force) {
  DirEntry self;
  if (!Lookup(native, false, &self)) return;
  if (self.read_only) {
    if (!force) vb::Raise(vb::kErrPermission);
    chmod(native.c_str(), 0700);
  }
  std::optional<std::vector<DirEntry>> entries = ReadFolder(native);
  if (!entries) RaiseErrno(errno);
  for (const DirEntry& entry : *entries) {
    std::string child = JoinNative(native, entry.name);
    if (entry.is_folder) {
      RemoveTree(child, force);
      continue;
    }
    if (entry.read_only && !force) vb::Raise(vb::kErrPermission);
    if (unlink(child.c_str()) != 0 && errno != ENOENT) RaiseErrno(errno);
  }
  if (rmdir(native.c_str()) != 0 && errno != ENOENT) RaiseErrno(errno);
}

// Re-creates a link at a new place (moves across file systems).
int CopyLink(const std::string& from, const std::string& to) {
  std::string target(4096, '\0');
  ssize_t n = readlink(from.c_str(), target.data(), target.size());
  if (n < 0) return errno;
  target.resize(static_cast<size_t>(n));
  return symlink(target.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Copies a folder tree for a move across file systems; links are copied as
// links, other special entries are left out.
int CopyTree(const std::string& from, const std::string& to) {
  if (mkdir(to.c_str(), 0755) != 0) return errno;
  std::optional<std::vector<DirEntry>> entries = ReadFolder(from);
  if (!entries) return errno != 0 ? errno : EIO;
  for (const DirEntry& entry : *entries) {
    std::string a = JoinNative(from, entry.name), b = JoinNative(to, entry.name);
    int error = entry.is_folder ? CopyTree(a, b)
                : entry.is_link ? CopyLink(a, b)
                                : CopyFileAtomic(a, b, false);
    // A fifo or socket can not be copied; it is not content to keep.
    if (error != 0 && error != EINVAL) return error;
  }
  return 0;
}

// The destination of a move or copy: a path ending in "\" names the folder
// to put the source into, under its own name.
Named Destination(std::string_view destination, const std::string& source_name) {
  if (!destination.empty() && IsSeparator(destination.back())) {
    std::string inside(destination);
    inside += source_name;
    return Resolve(inside);
  }
  return Resolve(destination);
}

void CheckDestination(const Named& to) {
  if (to.drive_root) vb::Raise(vb::kErrFileExists);
  if (!FolderAt(to.native_folder)) vb::Raise(vb::kErrPathNotFound);
  DirEntry present;
  if (Lookup(to.native, false, &present)) vb::Raise(vb::kErrFileExists);
}

int MoveEntry(const Named& from, const Named& to, const DirEntry& entry) {
  int error = RenameNoReplace(from.native, to.native);
  if (error != EXDEV) return error;
  if (entry.is_folder) {
    error = CopyTree(from.native, to.native);
    if (error != 0) {
      // Leave no half copy behind that could pass for the moved folder.
      vb::TryStep([&] { RemoveTree(to.native, true); });
      return error;
    }
    RemoveTree(from.native, true);
    return 0;
  }
  error = entry.is_link ? CopyLink(from.native, to.native)
                        : CopyFileAtomic(from.native, to.native, false);
  if (error == 0 && unlink(from.native.c_str()) != 0) error = errno;
  return error;
}

std::string_view StripTrailing(std::string_view path) {
  while (path.size() > 1 && IsSeparator(path.back()) && path[path.size() - 2] != ':') {
    path.remove_suffix(1);
  }
  return path;
}

}  // namespace

bool FileSystemObject::FileExists(std::string_view path) const {
  DirEntry entry;
  try {
    if (HasWildcards(path)) return false;
    return Lookup(ToNative(path), true, &entry) && !entry.is_folder;
  } catch (const vb::VbError&) {
    return false;
  }
}

bool FileSystemObject::FolderExists(std::string_view path) const {
  try {
    if (HasWildcards(path)) return false;
    return FolderAt(ToNative(path));
  } catch (const vb::VbError&) {
    return false;
  }
}

Folder FileSystemObject::CreateFolder(std::string_view path) const {
  Named n = Resolve(path);
  DirEntry present;
  if (n.drive_root || Lookup(n.native, false, &present)) vb::Raise(vb::kErrFileExists);
  if (!FolderAt(n.native_folder)) vb::Raise(vb::kErrPathNotFound);
  if (!IsValidFileName(n.name)) RaiseFileError(kErrBadFileName);
  if (mkdir(n.native.c_str(), 0755) != 0) {
    if (errno == EEXIST) vb::Raise(vb::kErrFileExists);
    RaiseErrno(errno);
  }
  return Folder(n.path);
}

void FileSystemObject::DeleteFile(std::string_view path, bool force) const {
  Named n = Resolve(path);
  if (n.drive_root || (!path.empty() && IsSeparator(path.back()))) {
    vb::Raise(vb::kErrFileNotFound);
  }
  // A pattern over a whole drive is refused: it can only be a slip.
  if (HasWildcards(n.name) && n.folder.size() == 3) vb::Raise(vb::kErrPermission);
  bool missing_folder = false;
  std::vector<DirEntry> found = Matches(n, false, &missing_folder);
  if (missing_folder) vb::Raise(vb::kErrPathNotFound);
  if (found.empty()) vb::Raise(vb::kErrFileNotFound);
  for (const DirEntry& entry : found) {
    if (entry.read_only && !force) vb::Raise(vb::kErrPermission);
    if (unlink(JoinNative(n.native_folder, entry.name).c_str()) != 0 && errno != ENOENT) {
      RaiseErrno(errno);
    }
  }
}

void FileSystemObject::DeleteFolder(std::string_view path, bool force) const {
  Named n = Resolve(path);
  if (n.drive_root) vb::Raise(vb::kErrPermission);
  if (HasWildcards(n.name) && n.folder.size() == 3) vb::Raise(vb::kErrPermission);
  bool missing_folder = false;
  std::vector<DirEntry> found = Matches(n, true, &missing_folder);
  if (found.empty()) vb::Raise(vb::kErrPathNotFound);
  for (const DirEntry& entry : found) RemoveTree(JoinNative(n.native_folder, entry.name), force);
}

void FileSystemObject::MoveFile(std::string_view source, std::string_view destination) const {
  Named from = Resolve(source);
  DirEntry entry;
  if (from.drive_root || !Lookup(from.native, false, &entry) || entry.is_folder) {
    vb::Raise(vb::kErrFileNotFound);
  }
  Named to = Destination(destination, from.name);
  CheckDestination(to);
  if (!IsValidFileName(to.name)) RaiseFileError(kErrBadFileName);
  int error = MoveEntry(from, to, entry);
  if (error != 0) RaiseErrno(error);
}

void FileSystemObject::MoveFolder(std::string_view source, std::string_view destination) const {
  Named from = Resolve(source);
  DirEntry entry;
  if (from.drive_root || !Lookup(from.native, false, &entry) || !entry.is_folder) {
    vb::Raise(vb::kErrPathNotFound);
  }
  Named to = Destination(destination, from.name);
  CheckDestination(to);
  if (!IsValidFileName(to.name)) RaiseFileError(kErrBadFileName);
  int error = MoveEntry(from, to, entry);
  if (error != 0) RaiseErrno(error);
}

void FileSystemObject::CopyFile(std::string_view source, std::string_view destination,
                                bool overwrite) const {
  Named from = Resolve(source);
  DirEntry entry;
  if (from.drive_root || !Lookup(from.native, true, &entry) || entry.is_folder) {
    vb::Raise(vb::kErrFileNotFound);
  }
  Named to = Destination(destination, from.name);
  if (to.drive_root) vb::Raise(vb::kErrFileExists);
  if (!FolderAt(to.native_folder)) vb::Raise(vb::kErrPathNotFound);
  if (!IsValidFileName(to.name)) RaiseFileError(kErrBadFileName);
  DirEntry present;
  if (Lookup(to.native, false, &present)) {
    if (present.is_folder || !overwrite) vb::Raise(vb::kErrFileExists);
    if (present.read_only) vb::Raise(vb::kErrPermission);
  }
  int error = CopyFileAtomic(from.native, to.native, overwrite);
  if (error == EEXIST) vb::Raise(vb::kErrFileExists);
  if (error != 0) RaiseErrno(error);
}

Folder FileSystemObject::GetFolder(std::string_view path) const {
  Named n = Resolve(path);
  if (!FolderAt(n.native)) vb::Raise(vb::kErrPathNotFound);
  return Folder(n.path);
}

File FileSystemObject::GetFile(std::string_view path) const {
  Named n = Resolve(path);
  DirEntry entry;
  if (n.drive_root || !Lookup(n.native, true, &entry) || entry.is_folder) {
    vb::Raise(vb::kErrFileNotFound);
  }
  entry.name = n.name;
  return File(n.folder, entry);
}

std::string FileSystemObject::GetExtensionName(std::string_view path) const {
  std::string name = GetFileName(path);
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? "" : name.substr(dot + 1);
}

std::string FileSystemObject::GetFileName(std::string_view path) const {
  std::string_view folder, name;
  path = StripTrailing(path);
  if (path.size() >= 1 && IsSeparator(path.back())) return "";
  SplitLast(path, &folder, &name);
  return std::string(name);
}

std::string FileSystemObject::GetParentFolderName(std::string_view path) const {
  std::string_view folder, name;
  path = StripTrailing(path);
  if (path.size() >= 1 && IsSeparator(path.back())) return "";
  SplitLast(path, &folder, &name);
  std::string parent(StripTrailing(folder));
  if (parent.size() == 2 && parent[1] == ':') parent += '\\';
  return parent;
}

std::string FileSystemObject::BuildPath(std::string_view path, std::string_view name) const {
  std::string built(path);
  if (!built.empty() && !IsSeparator(built.back()) && built.back() != ':' && !name.empty() &&
      !IsSeparator(name.front())) {
    built += '\\';
  }
  built += name;
  return built;
}

}  // namespace ostrel::fs
