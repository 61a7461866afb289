#include "platform/fs/partial_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs/file_io.h"
#include "platform/fs/run_leftovers.h"

namespace ostrel::fs {

namespace {

// Blocks are small (a few kilobytes); they reach the file in larger writes.
constexpr size_t kWriteBuffer = 256 * 1024;

}  // namespace

int PartialFile::Create(const std::string& native_folder) {
  Discard();
  temp_path_ = MakeWorkFile(native_folder, &fd_);
  if (fd_ < 0) {
    int error = errno;
    temp_path_.clear();
    return error;
  }
  // Readable by the web server, as any file the site serves.
  fchmod(fd_, 0644);
  closed_ = false;
  buffer_.reserve(kWriteBuffer);
  return 0;
}

int PartialFile::Flush() {
  size_t at = 0;
  while (at < buffer_.size()) {
    ssize_t n = ::write(fd_, buffer_.data() + at, buffer_.size() - at);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    at += static_cast<size_t>(n);
  }
  buffer_.clear();
  return 0;
}

int PartialFile::Write(const char* data, size_t size) {
  if (fd_ < 0 || closed_) return EBADF;
  if (buffer_.size() + size > kWriteBuffer) {
    if (int error = Flush(); error != 0) return error;
  }
  buffer_.append(data, size);
  return 0;
}

int PartialFile::Commit(const std::string& native_target) {
  if (fd_ < 0) return EBADF;
  if (!closed_) {
    int error = Flush();
    if (close(fd_) != 0 && error == 0) error = errno;
    closed_ = true;
    if (error != 0) {
      Discard();
      return error;
    }
  }
  int error = RenameNoReplace(temp_path_, native_target);
  if (error == EEXIST) return error;
  if (error != 0) {
    Discard();
    return error;
  }
  ReleaseWork(temp_path_);
  fd_ = -1;
  temp_path_.clear();
  return 0;
}

void PartialFile::Discard() {
  if (fd_ < 0) return;
  if (!closed_) close(fd_);
  unlink(temp_path_.c_str());
  ReleaseWork(temp_path_);
  fd_ = -1;
  closed_ = false;
  temp_path_.clear();
  buffer_.clear();
}

}  // namespace ostrel::fs
