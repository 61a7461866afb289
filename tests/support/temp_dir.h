// A fresh folder under the system's temporary directory for one test,
// removed with everything in it when the object goes away (folders a test
// made read-only included). Names inside it are relative ("a/b.txt").
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The native path of a name inside the folder.
  std::string Native(std::string_view relative) const;
  // The same place in the Windows form the component is given, through the
  // default drive C: = "/" ("C:\tmp\ostrel-test-...\a\b.txt").
  std::string Windows(std::string_view relative) const;

  // Writes bytes to a file inside the folder, creating parent folders.
  void Write(std::string_view relative, std::string_view bytes) const;
  // Reads a whole file inside the folder; "" when it does not exist.
  std::string Read(std::string_view relative) const;
  // Creates a folder inside the folder, with its parents.
  void MakeFolder(std::string_view relative) const;
  // True when the name exists; a link counts as itself, not its target.
  bool Exists(std::string_view relative) const;
  // The names of the entries directly in the folder, sorted.
  std::vector<std::string> Names() const;

  // Sets a file's modification (and access) time, in seconds since 1970.
  void SetWriteTime(std::string_view relative, time_t unix_seconds) const;
  // Leaves a file readable by all and writable by none (mode 0444), as the
  // read-only attribute leaves it.
  void MakeReadOnly(std::string_view relative) const;

 private:
  std::filesystem::path path_;
};

}  // namespace ostrel::testing
