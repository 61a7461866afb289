// PartialFile: a file that is written piece by piece (a download) and must
// never be seen half-written. It lives under a hidden working name in its
// target folder (run_leftovers.h) and takes its real name only in Commit, which never
// replaces an existing file; dropping it unfinished removes it.
//
//   fs::PartialFile file;
//   if (file.Create("/srv/site/soft") != 0) ...
//   file.Write(block, n);                  // as often as needed
//   int error = file.Commit("/srv/site/soft/a.zip");
//   if (error == EEXIST) ... choose another name and Commit again
#pragma once

#include <cstddef>
#include <string>

namespace ostrel::fs {

class PartialFile {
 public:
  PartialFile() = default;
  ~PartialFile() { Discard(); }
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  // Creates the temporary file (mode 0644) in the native folder. 0 on
  // success, else an errno value.
  int Create(const std::string& native_folder);
  // Appends bytes (buffered). 0 on success, else an errno value.
  int Write(const char* data, size_t size);
  // Writes out the buffer, closes the file and renames it to the native
  // target without replacing anything. 0 on success; EEXIST when the target
  // exists (the file stays ready for another Commit); any other errno value
  // after which the file is gone.
  int Commit(const std::string& native_target);
  // Removes the unfinished file (nothing once committed).
  void Discard();

  const std::string& temp_path() const { return temp_path_; }

 private:
  int Flush();

  int fd_ = -1;
  bool closed_ = false;  // written out and closed, waiting for its name
  std::string temp_path_;
  std::string buffer_;
};

}  // namespace ostrel::fs
