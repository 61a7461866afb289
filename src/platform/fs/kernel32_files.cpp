#include "platform/fs/kernel32_files.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/fs/dir_listing.h"
#include "platform/fs/file_io.h"
#include "platform/fs/path_map.h"
#include "platform/vb/vb_error.h"

namespace ostrel::fs {
namespace {

// The native form of a path naming one entry (no trailing separator); false
// when it has no mapped drive or names a drive root.
bool MapEntry(std::string_view path, std::string* native) {
  if (path.empty() || path.back() == '\\' || path.back() == '/') return false;
  try {
    if (NormalizeWindows(path).size() == 3) return false;
    *native = ToNative(path);
  } catch (const vb::VbError&) {
    return false;
  }
  return true;
}

}  // namespace

bool CopyFileA(std::string_view existing, std::string_view new_file, bool fail_if_exists) {
  std::string source, target;
  if (!MapEntry(existing, &source) || !MapEntry(new_file, &target)) return false;
  DirEntry present;
  if (ReadEntry(target, false, &present)) {
    if (fail_if_exists || present.is_folder || present.read_only) return false;
  }
  return CopyFileAtomic(source, target, !fail_if_exists) == 0;
}

bool MoveFileExA(std::string_view existing, std::string_view new_file, uint32_t flags) {
  std::string source, target;
  if (!MapEntry(existing, &source) || !MapEntry(new_file, &target)) return false;
  DirEntry from, present;
  if (!ReadEntry(source, false, &from)) return false;
  bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
  if (ReadEntry(target, false, &present)) {
    if (!replace || present.is_folder || from.is_folder) return false;
  }
  int error = replace ? (rename(source.c_str(), target.c_str()) == 0 ? 0 : errno)
                      : RenameNoReplace(source, target);
  if (error == EXDEV && (flags & MOVEFILE_COPY_ALLOWED) && !from.is_folder && !from.is_link) {
    error = CopyFileAtomic(source, target, replace);
    if (error == 0 && unlink(source.c_str()) != 0) error = errno;
  }
  return error == 0;
}

bool DeleteFileA(std::string_view path) {
  std::string native;
  DirEntry entry;
  if (!MapEntry(path, &native) || !ReadEntry(native, false, &entry)) return false;
  if (entry.is_folder || entry.read_only) return false;
  return unlink(native.c_str()) == 0;
}

bool GetFileSize64(std::string_view path, uint64_t* size) {
  std::string native;
  DirEntry entry;
  if (!MapEntry(path, &native) || !ReadEntry(native, true, &entry) || entry.is_folder) {
    return false;
  }
  *size = entry.size;
  return true;
}

}  // namespace ostrel::fs
