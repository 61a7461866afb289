#include "support/temp_dir.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace ostrel::testing {

namespace {

// Gives the owner every permission on a folder and the folders inside it,
// so that what a test made read-only can be removed.
void OpenUp(const std::filesystem::path& folder) {
  std::error_code ignored;
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) OpenUp(entry.path());
  }
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ostrel-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder from " + pattern);
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  OpenUp(path_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Native(std::string_view relative) const {
  return (path_ / std::filesystem::path(relative)).string();
}

std::string TempDir::Windows(std::string_view relative) const {
  std::string path = "C:" + Native(relative);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

void TempDir::Write(std::string_view relative, std::string_view bytes) const {
  std::filesystem::path file = path_ / std::filesystem::path(relative);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string TempDir::Read(std::string_view relative) const {
  std::ifstream in(path_ / std::filesystem::path(relative), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void TempDir::MakeFolder(std::string_view relative) const {
  std::filesystem::create_directories(path_ / std::filesystem::path(relative));
}

bool TempDir::Exists(std::string_view relative) const {
  struct stat st;
  return lstat(Native(relative).c_str(), &st) == 0;
}

std::vector<std::string> TempDir::Names() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void TempDir::SetWriteTime(std::string_view relative, time_t unix_seconds) const {
  struct timespec times[2] = {{unix_seconds, 0}, {unix_seconds, 0}};
  if (utimensat(AT_FDCWD, Native(relative).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
    throw std::runtime_error("cannot set the time of " + Native(relative));
  }
}

void TempDir::MakeReadOnly(std::string_view relative) const {
  if (chmod(Native(relative).c_str(), 0444) != 0) {
    throw std::runtime_error("cannot make " + Native(relative) + " read-only");
  }
}

}  // namespace ostrel::testing
