// A fresh native folder for one test, mapped as drive D: while it lives.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/fs/path_map.h"

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ostrel-fs-XXXXXX").string();
    native_ = mkdtemp(pattern.data());
    ostrel::fs::SetDrive('D', native_);
  }
  ~ScratchFolder() {
    ostrel::fs::ResetDrives();
    std::error_code ignored;
    std::filesystem::remove_all(native_, ignored);
  }

  const std::string& native() const { return native_; }
  std::string Native(const std::string& rel) const { return native_ + "/" + rel; }

  void Write(const std::string& rel, const std::string& bytes) const {
    std::ofstream(Native(rel), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& rel) const {
    std::ifstream in(Native(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void MakeFolder(const std::string& rel) const {
    std::filesystem::create_directories(Native(rel));
  }
  bool Exists(const std::string& rel) const {
    struct stat st;
    return lstat(Native(rel).c_str(), &st) == 0;
  }
  void SetWriteTime(const std::string& rel, time_t unix_seconds) const {
    struct timespec times[2] = {{unix_seconds, 0}, {unix_seconds, 0}};
    utimensat(AT_FDCWD, Native(rel).c_str(), times, AT_SYMLINK_NOFOLLOW);
  }
  void MakeReadOnly(const std::string& rel) const { chmod(Native(rel).c_str(), 0444); }

 private:
  std::string native_;
};
