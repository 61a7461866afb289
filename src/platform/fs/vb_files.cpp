#include "platform/fs/vb_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs/dir_listing.h"
#include "platform/fs/find_file.h"
#include "platform/fs/fs_error.h"
#include "platform/fs/path_map.h"
#include "platform/fs/wildcard.h"
#include "platform/vb/vb_error.h"

namespace ostrel::fs {

std::string Dir(std::string_view path, int attributes) {
  if (path.size() < 2 || path[1] != ':') return "";
  if (!HasDrive(path[0])) RaiseFileError(kErrBadFileName);
  std::string pattern(path);
  if (pattern.back() == '\\' || pattern.back() == '/') pattern += '*';
  FindData data;
  std::unique_ptr<FindSearch> search = FindFirstFileA(pattern, &data);
  bool more = search != nullptr;
  std::string found;
  while (more) {
    bool folder = (data.file_attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!folder || (attributes & kVbDirectory) != 0) {
      found = data.file_name;
      break;
    }
    more = FindNextFileA(search.get(), &data);
  }
  FindClose(search);
  return found;
}

void MkDir(std::string_view path) {
  std::string_view folder, name;
  std::string_view trimmed = path;
  while (!trimmed.empty() && (trimmed.back() == '\\' || trimmed.back() == '/')) {
    trimmed.remove_suffix(1);
  }
  SplitLast(trimmed, &folder, &name);
  std::string native = ToNative(trimmed);
  if (!IsValidFileName(name)) RaiseFileError(kErrBadFileName);
  if (mkdir(native.c_str(), 0755) == 0) return;
  int error = errno;
  if (error == EEXIST) RaiseFileError(kErrPathFileAccess);
  RaiseFileError(ErrorFromErrno(error));
}

void Kill(std::string_view path) {
  std::string_view folder, name;
  SplitLast(path, &folder, &name);
  std::string native_folder = ToNative(folder.empty() ? path : folder);
  std::optional<std::vector<DirEntry>> entries = ReadFolder(native_folder);
  if (!entries) vb::Raise(vb::kErrPathNotFound);
  bool any = false;
  for (const DirEntry& entry : *entries) {
    if (entry.is_folder) continue;
    bool match = HasWildcards(name) ? MatchesPattern(name, entry.name) : entry.name == name;
    if (!match) continue;
    any = true;
    if (entry.read_only) RaiseFileError(kErrPathFileAccess);
    if (unlink(JoinNative(native_folder, entry.name).c_str()) != 0) {
      RaiseFileError(ErrorFromErrno(errno));
    }
  }
  if (!any) vb::Raise(vb::kErrFileNotFound);
}

}  // namespace ostrel::fs
