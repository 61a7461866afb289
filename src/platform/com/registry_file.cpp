#include "platform/com/registry_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>

#include "platform/vb/ascii_case.h"
#include "platform/vb/vb_error.h"

namespace ostrel::com {

namespace {

constexpr std::string_view kSection = "[Classes]";

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

std::string ExecutableFolder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

[[noreturn]] void RaiseWriteError(const std::string& path, int err) {
  throw vb::VbError(
      75, "RegistryFile",
      "Path/File access error: cannot write " + path + " (" + std::strerror(err) + ")");
}

}  // namespace

std::string RegistryPath() {
  const char* env = std::getenv("OSTREL_REGISTRY");
  if (env != nullptr && *env != '\0') return env;
  std::string folder = ExecutableFolder();
  return folder == "/" ? "/registry.ini" : folder + "/registry.ini";
}

namespace {

using EntryList = std::vector<std::pair<std::string, std::string>>;

EntryList ReadEntries(const std::string& path) {
  EntryList entries;
  std::ifstream in(path);
  std::string raw;
  bool in_classes = false;
  while (std::getline(in, raw)) {
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      in_classes = vb::EqualsNoCase(line, kSection);
      continue;
    }
    size_t eq = line.find('=');
    if (!in_classes || eq == std::string_view::npos) continue;
    std::string_view prog_id = Trim(line.substr(0, eq));
    if (prog_id.empty()) continue;
    entries.emplace_back(prog_id, Trim(line.substr(eq + 1)));
  }
  return entries;
}

// The entries last read from each file, with what stat said of the file
// then. Every CreateObject asks the registry, several times per page: one
// stat instead of reading and parsing the file. The file is only ever
// replaced whole (a new inode), and an edit by hand changes its times.
struct CachedFile {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};
  std::shared_ptr<const EntryList> entries;

  bool Describes(const struct stat& st) const {
    return device == st.st_dev && inode == st.st_ino && size == st.st_size &&
           modified.tv_sec == st.st_mtim.tv_sec && modified.tv_nsec == st.st_mtim.tv_nsec &&
           changed.tv_sec == st.st_ctim.tv_sec && changed.tv_nsec == st.st_ctim.tv_nsec;
  }
};

std::shared_ptr<const EntryList> CurrentEntries(const std::string& path) {
  static std::mutex mu;
  static auto* cache = new std::map<std::string, CachedFile>;  // used until exit
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    std::lock_guard lock(mu);
    cache->erase(path);
    return std::make_shared<const EntryList>(ReadEntries(path));
  }
  {
    std::lock_guard lock(mu);
    auto it = cache->find(path);
    if (it != cache->end() && it->second.Describes(st)) return it->second.entries;
  }
  auto entries = std::make_shared<const EntryList>(ReadEntries(path));
  // Read after the stat: a file replaced in between is read anew next time.
  CachedFile file{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim, entries};
  std::lock_guard lock(mu);
  (*cache)[path] = std::move(file);
  return entries;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> RegistryFile::Entries() const {
  return *CurrentEntries(path_);
}

bool RegistryFile::IsRegistered(std::string_view prog_id) const {
  // Held for the whole walk: another thread may replace the cached list,
  // and a missing file's list has no other owner.
  const std::shared_ptr<const EntryList> entries = CurrentEntries(path_);
  for (const auto& entry : *entries) {
    if (vb::EqualsNoCase(entry.first, prog_id)) return true;
  }
  return false;
}

void RegistryFile::Register(std::string_view server,
                            const std::vector<std::string>& prog_ids) const {
  auto entries = Entries();
  std::erase_if(entries, [&](const auto& entry) {
    if (entry.second == server) return true;
    for (const auto& id : prog_ids) {
      if (vb::EqualsNoCase(entry.first, id)) return true;
    }
    return false;
  });
  for (const auto& id : prog_ids) entries.emplace_back(id, std::string(server));
  Write(entries);
}

void RegistryFile::Unregister(std::string_view server) const {
  auto entries = Entries();
  std::erase_if(entries, [&](const auto& entry) { return entry.second == server; });
  Write(entries);
}

void RegistryFile::Write(const std::vector<std::pair<std::string, std::string>>& entries) const {
  std::string text =
      "; Classes registered by in-process servers (ProgID=server).\r\n"
      "; Written by DllRegisterServer; do not edit while the host runs.\r\n";
  text += kSection;
  text += "\r\n";
  for (const auto& [prog_id, server] : entries) text += prog_id + "=" + server + "\r\n";

  // Write a temporary file beside the registry and rename it over the old
  // one, so a reader never sees half a file and a failed write loses nothing.
  std::string tmp = path_ + ".XXXXXX";
  int fd = mkstemp(tmp.data());
  if (fd < 0) RaiseWriteError(path_, errno);
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int err = errno;
      ::close(fd);
      ::unlink(tmp.c_str());
      RaiseWriteError(path_, err);
    }
    done += static_cast<size_t>(n);
  }
  int err = ::fsync(fd) != 0 ? errno : 0;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err != 0) {
    ::unlink(tmp.c_str());
    RaiseWriteError(path_, err);
  }
  ::chmod(tmp.c_str(), 0644);
  if (std::rename(tmp.c_str(), path_.c_str()) != 0) {
    err = errno;
    ::unlink(tmp.c_str());
    RaiseWriteError(path_, err);
  }
}

}  // namespace ostrel::com
