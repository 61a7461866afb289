#include "platform/fs/dir_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

namespace ostrel::fs {
namespace {

FileTime ToFileTime(const struct statx_timestamp& ts) {
  return FileTimeFromUnix(ts.tv_sec, ts.tv_nsec);
}

bool StatAt(int dir_fd, const char* path, bool follow_link, DirEntry* out) {
  struct statx st {};
  int flags = follow_link ? 0 : AT_SYMLINK_NOFOLLOW;
  if (statx(dir_fd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) return false;
  mode_t type = st.stx_mode & S_IFMT;
  out->is_folder = type == S_IFDIR;
  out->is_link = type == S_IFLNK;
  out->read_only = (st.stx_mode & S_IWUSR) == 0 && !out->is_link;
  out->size = type == S_IFREG ? st.stx_size : 0;
  out->written = ToFileTime(st.stx_mtime);
  out->accessed = ToFileTime(st.stx_atime);
  // Without a birth time the last write is the best stand-in for creation.
  out->created = (st.stx_mask & STATX_BTIME) ? ToFileTime(st.stx_btime) : out->written;
  return true;
}

std::string UpperAscii(const std::string& s) {
  std::string upper = s;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return upper;
}

}  // namespace

void SplitLast(std::string_view path, std::string_view* folder, std::string_view* name) {
  size_t cut = path.find_last_of("\\/");
  if (cut == std::string_view::npos) {
    // "C:name" keeps the drive as its folder.
    cut = path.size() >= 2 && path[1] == ':' ? 1 : std::string_view::npos;
  }
  *folder = cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
  *name = cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string JoinNative(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  if (joined.empty() || joined.back() != '/') joined += '/';
  joined += name;
  return joined;
}

bool ReadEntry(const std::string& native_path, bool follow_link, DirEntry* out) {
  if (!StatAt(AT_FDCWD, native_path.c_str(), follow_link, out)) return false;
  std::string_view folder, name;
  std::string_view trimmed = native_path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.remove_suffix(1);
  SplitLast(trimmed, &folder, &name);
  out->name = std::string(name);
  return true;
}

std::optional<std::vector<DirEntry>> ReadFolder(const std::string& native_folder) {
  DIR* dir = opendir(native_folder.c_str());
  if (dir == nullptr) return std::nullopt;
  std::vector<DirEntry> entries;
  while (struct dirent* item = readdir(dir)) {
    std::string_view name = item->d_name;
    if (name == "." || name == "..") continue;
    DirEntry entry;
    // An entry removed since readdir saw it is simply not listed.
    if (!StatAt(dirfd(dir), item->d_name, false, &entry)) continue;
    entry.name = std::string(name);
    entries.push_back(std::move(entry));
  }
  closedir(dir);
  std::vector<std::pair<std::string, size_t>> keys;
  keys.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) keys.emplace_back(UpperAscii(entries[i].name), i);
  std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return entries[a.second].name < entries[b.second].name;
  });
  std::vector<DirEntry> sorted;
  sorted.reserve(entries.size());
  for (const auto& key : keys) sorted.push_back(std::move(entries[key.second]));
  return sorted;
}

}  // namespace ostrel::fs
