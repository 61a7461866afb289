#include "platform/fs/run_leftovers.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

namespace ostrel::fs {

namespace {

constexpr std::string_view kPrefix = ".ostrel-";

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

// A process id of an earlier life of this one counts as dead.
bool Runs(pid_t pid) {
  if (pid == getpid()) return false;
  return kill(pid, 0) == 0 || errno == EPERM;
}

// The bare names of the working entries this process made and still uses.
// Making an entry and listing it happen under one lock: a name seen on
// disk is either listed already or was never this process's live work.
std::mutex& InUseLock() {
  static std::mutex lock;
  return lock;
}
std::set<std::string, std::less<>>& InUse() {
  static std::set<std::string, std::less<>> names;
  return names;
}

std::string_view BareName(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string WorkNameTemplate(std::string_view kind) {
  return std::string(kPrefix) + std::string(kind) + "-" + std::to_string(getpid()) + "-XXXXXX";
}

std::string MakeWork(const std::string& native_folder, std::string_view kind,
                     const std::function<bool(char* path_template)>& make) {
  std::string path = native_folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path != "/") path += '/';
  path += WorkNameTemplate(kind);
  std::lock_guard<std::mutex> hold(InUseLock());
  if (!make(path.data())) return "";
  InUse().emplace(BareName(path));
  return path;
}

void ReleaseWork(std::string_view native_path) {
  std::lock_guard<std::mutex> hold(InUseLock());
  auto it = InUse().find(BareName(native_path));
  if (it != InUse().end()) InUse().erase(it);
}

bool IsLiveWork(std::string_view name) {
  const pid_t owner = OwnerOf(name);
  if (owner == 0) return false;
  if (owner != getpid()) return Runs(owner);
  std::lock_guard<std::mutex> hold(InUseLock());
  return InUse().contains(name);
}

int RemoveDeadWork(const std::string& native_root) {
  namespace stdfs = std::filesystem;
  int removed = 0;
  std::error_code ec;
  stdfs::recursive_directory_iterator it(native_root,
                                         stdfs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != stdfs::recursive_directory_iterator(); it.increment(ec)) {
    const pid_t owner = OwnerOf(it->path().filename().native());
    if (owner == 0 || Runs(owner)) continue;
    std::error_code remove_error;
    const bool folder = it->is_directory(remove_error) && !it->is_symlink(remove_error);
    if (folder) it.disable_recursion_pending();
    if (stdfs::remove_all(it->path(), remove_error) > 0 && !remove_error) ++removed;
  }
  return removed;
}

}  // namespace ostrel::fs
