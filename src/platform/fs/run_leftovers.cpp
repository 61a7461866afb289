#include "platform/fs/run_leftovers.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

namespace ostrel::fs {

namespace {

constexpr std::string_view kPrefix = ".ostrel-";
constexpr std::string_view kLockSuffix = ".lock";
// As mkstemp: enough fresh names to outlast any run of bad luck.
constexpr int kNameTries = 100;

// The process id in a working name, or 0 when name is none.
pid_t OwnerOf(std::string_view name) {
  if (!name.starts_with(kPrefix)) return 0;
  name.remove_prefix(kPrefix.size());
  size_t dash = name.find('-');
  if (dash == std::string_view::npos) return 0;
  name.remove_prefix(dash + 1);
  pid_t pid = 0;
  auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (error != std::errc() || pid <= 0 || end == name.data() + name.size() || *end != '-') {
    return 0;
  }
  return pid;
}

std::string_view BareName(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The working folder a lock file stands for (the name itself otherwise).
std::string_view HeldName(std::string_view name) {
  if (name.ends_with(kLockSuffix)) name.remove_suffix(kLockSuffix.size());
  return name;
}

// An exclusive flock on fd; wait: block until it is free. False when it is
// held elsewhere (without wait) or the file system has no such locks.
bool Lock(int fd, bool wait) {
  while (flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// True while path still names the file open in fd.
bool Names(const std::string& path, int fd) {
  struct stat opened {};
  struct stat named {};
  return fstat(fd, &opened) == 0 && lstat(path.c_str(), &named) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Opens the working file at path as it is (no link followed, no wait on a
// pipe), for a lock. -1 when it cannot.
int OpenForLock(const std::string& path) {
  return open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

// What this process holds: a working entry's bare name, the descriptor
// that carries its lock, and for a folder its lock file. Making an entry
// and listing it happen under one mutex: a name of this process seen on
// disk is either listed already or no longer (or never) in use.
struct Hold {
  int fd = -1;
  std::string lock_file;
};
std::mutex& HoldsLock() {
  static std::mutex lock;
  return lock;
}
std::map<std::string, Hold, std::less<>>& Holds() {
  static std::map<std::string, Hold, std::less<>> holds;
  return holds;
}

std::string TemplateIn(const std::string& native_folder, std::string_view kind,
                       std::string_view suffix) {
  std::string path = native_folder.empty() ? "." : native_folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path != "/") path += '/';
  return path + std::string(kPrefix) + std::string(kind) + "-" + std::to_string(getpid()) +
         "-XXXXXX" + std::string(suffix);
}

// Creates a file from the template (mkostemps, with suffix after the
// XXXXXX) and locks it. Until the lock is taken, another process's start
// may take the new file for an abandoned one and remove it; the name must
// still lead to the file once it is locked, or another name is tried. The
// descriptor (its path in *path), or -1 with errno set.
int CreateLocked(std::string_view suffix, std::string* path) {
  const std::string pattern = *path;
  for (int i = 0; i < kNameTries; ++i) {
    *path = pattern;
    const int fd = mkostemps(path->data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) return -1;
    // A file system without flock keeps the entry unlocked: no other
    // process can then lock it either, so nobody takes it for abandoned.
    Lock(fd, true);
    if (Names(*path, fd)) return fd;
    close(fd);
  }
  errno = EEXIST;
  return -1;
}

void Keep(const std::string& path, int fd, std::string lock_file) {
  Holds().emplace(std::string(BareName(path)), Hold{fd, std::move(lock_file)});
}

// Removes the working file at path when no process holds it, and with a
// lock file the folder it stands for. True when removed.
bool RemoveIfUnheld(const std::string& path) {
  const int fd = OpenForLock(path);
  if (fd < 0) return false;
  // An owner that finished renamed or removed its file before it let go.
  const bool unheld = Lock(fd, false) && Names(path, fd);
  if (unheld) {
    if (path.ends_with(kLockSuffix)) {
      std::error_code ec;
      std::filesystem::remove_all(path.substr(0, path.size() - kLockSuffix.size()), ec);
    }
    unlink(path.c_str());
  }
  close(fd);
  return unheld;
}

}  // namespace

std::string MakeWorkFile(const std::string& native_folder, int* fd) {
  std::string path = TemplateIn(native_folder, "part", "");
  std::lock_guard<std::mutex> hold(HoldsLock());
  *fd = CreateLocked("", &path);
  if (*fd < 0) return "";
  // The lock rides on a descriptor of its own, so the caller's close of *fd
  // does not end it.
  const int kept = fcntl(*fd, F_DUPFD_CLOEXEC, 0);
  if (kept < 0) {
    const int error = errno;
    unlink(path.c_str());
    close(*fd);
    *fd = -1;
    errno = error;
    return "";
  }
  Keep(path, kept, "");
  return path;
}

std::string MakeWorkFolder(const std::string& native_folder) {
  std::lock_guard<std::mutex> hold(HoldsLock());
  // The lock file comes first and goes last: a working folder without one
  // is never in use.
  for (int i = 0; i < kNameTries; ++i) {
    std::string lock_file = TemplateIn(native_folder, "work", kLockSuffix);
    const int fd = CreateLocked(kLockSuffix, &lock_file);
    if (fd < 0) return "";
    const std::string folder = lock_file.substr(0, lock_file.size() - kLockSuffix.size());
    if (mkdir(folder.c_str(), 0700) == 0) {
      Keep(folder, fd, lock_file);
      return folder;
    }
    const int error = errno;
    unlink(lock_file.c_str());
    close(fd);
    errno = error;
    if (error != EEXIST) return "";
  }
  return "";
}

void ReleaseWork(std::string_view native_path) {
  while (native_path.size() > 1 && native_path.ends_with('/')) native_path.remove_suffix(1);
  std::lock_guard<std::mutex> hold(HoldsLock());
  auto it = Holds().find(BareName(native_path));
  if (it == Holds().end()) return;
  if (!it->second.lock_file.empty()) unlink(it->second.lock_file.c_str());
  close(it->second.fd);
  Holds().erase(it);
}

bool IsLiveWork(const std::string& native_path) {
  const std::string_view name = BareName(native_path);
  const pid_t owner = OwnerOf(name);
  if (owner == 0) return false;
  if (owner == getpid()) {
    std::lock_guard<std::mutex> hold(HoldsLock());
    return Holds().contains(HeldName(name));
  }
  struct stat st {};
  if (lstat(native_path.c_str(), &st) != 0) return false;
  const int fd =
      OpenForLock(S_ISDIR(st.st_mode) ? native_path + std::string(kLockSuffix) : native_path);
  // A folder without its lock file is no longer in use; what cannot be
  // opened for another reason (no descriptor left) may well be.
  if (fd < 0) return errno != ENOENT;
  const bool held = !Lock(fd, false);
  close(fd);
  return held;
}

int RemoveDeadWork(const std::string& native_root) {
  namespace stdfs = std::filesystem;
  int removed = 0;
  std::vector<stdfs::path> folders = {native_root};
  while (!folders.empty()) {
    const stdfs::path folder = std::move(folders.back());
    folders.pop_back();
    std::error_code ec;
    for (stdfs::directory_iterator it(folder, stdfs::directory_options::skip_permission_denied, ec);
         !ec && it != stdfs::directory_iterator(); it.increment(ec)) {
      std::error_code type_error;
      const stdfs::file_type type = it->symlink_status(type_error).type();
      const std::string path = it->path().native();
      if (OwnerOf(it->path().filename().native()) == 0) {
        if (type == stdfs::file_type::directory) folders.push_back(it->path());
      } else if (type == stdfs::file_type::regular) {
        removed += RemoveIfUnheld(path) ? 1 : 0;
      } else if (type == stdfs::file_type::directory &&
                 stdfs::symlink_status(path + std::string(kLockSuffix), type_error).type() ==
                     stdfs::file_type::not_found) {
        // A folder whose lock file is gone: its run ended. One that still
        // has one goes (or stays) with it.
        removed += stdfs::remove_all(path, type_error) > 0 ? 1 : 0;
      }
    }
  }
  return removed;
}

}  // namespace ostrel::fs
