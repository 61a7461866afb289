// A fresh folder under the system's temporary directory, removed with
// everything in it when the object goes away.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace ostrel::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of a name inside the folder ("a/b.txt"), as text.
  std::string Path(std::string_view relative) const;

  // Writes bytes to a file inside the folder, creating parent folders.
  void Write(std::string_view relative, std::string_view bytes) const;
  // Reads a whole file inside the folder; "" when it does not exist.
  std::string Read(std::string_view relative) const;

 private:
  std::filesystem::path path_;
};

}  // namespace ostrel::testing
