#include "platform/fs/file_io.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace ostrel::fs {
namespace {

std::string FolderOf(const std::string& native_path) {
  size_t cut = native_path.find_last_of('/');
  if (cut == std::string::npos) return ".";
  return cut == 0 ? "/" : native_path.substr(0, cut);
}

// Creates the temporary file beside the target; returns its descriptor.
int MakeTemp(const std::string& native_target, std::string* temp_path) {
  *temp_path = FolderOf(native_target) + "/.ostrel-tmp-XXXXXX";
  int fd = mkostemp(temp_path->data(), O_CLOEXEC);
  return fd;
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

// Flushes and closes the temporary file and moves it into place; on any
// failure the temporary file is removed and the target is untouched.
int Publish(int fd, int error, const std::string& temp_path, const std::string& target,
            bool replace) {
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0) {
    if (replace) {
      if (rename(temp_path.c_str(), target.c_str()) != 0) error = errno;
    } else {
      error = RenameNoReplace(temp_path, target);
    }
  }
  if (error != 0) unlink(temp_path.c_str());
  return error;
}

}  // namespace

int ReadWholeFile(const std::string& native_path, size_t max_bytes, std::string* out) {
  int fd = open(native_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    int error = S_ISDIR(st.st_mode) ? EISDIR : errno != 0 ? errno : EINVAL;
    close(fd);
    return error;
  }
  if (static_cast<uint64_t>(st.st_size) > max_bytes) {
    close(fd);
    return EFBIG;
  }
  out->clear();
  char buffer[65536];
  int error = 0;
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    if (n == 0) break;
    // The file may grow while it is read: the bound holds all the same.
    if (out->size() + static_cast<size_t>(n) > max_bytes) {
      error = EFBIG;
      break;
    }
    out->append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return error;
}

int WriteFileAtomic(const std::string& native_path, std::string_view bytes) {
  mode_t mode = 0644;
  struct stat st {};
  if (lstat(native_path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
  }
  std::string temp_path;
  int fd = MakeTemp(native_path, &temp_path);
  if (fd < 0) return errno;
  int error = WriteAll(fd, bytes);
  if (error == 0 && fchmod(fd, mode) != 0) error = errno;
  return Publish(fd, error, temp_path, native_path, true);
}

int CopyFileAtomic(const std::string& native_source, const std::string& native_target,
                   bool replace) {
  int in = open(native_source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  struct stat st {};
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    int error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    close(in);
    return error;
  }
  std::string temp_path;
  int out = MakeTemp(native_target, &temp_path);
  if (out < 0) {
    int error = errno;
    close(in);
    return error;
  }
  int error = 0;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    if (n == 0) break;
    error = WriteAll(out, std::string_view(buffer, static_cast<size_t>(n)));
    if (error != 0) break;
  }
  close(in);
  if (error == 0 && fchmod(out, st.st_mode & 0777) != 0) error = errno;
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (error == 0 && futimens(out, times) != 0) error = errno;
  return Publish(out, error, temp_path, native_target, replace);
}

int RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  int error = errno;
  if (error != EINVAL && error != ENOSYS) return error;
  // A file system without the flag: a check, then a plain rename.
  struct stat st {};
  if (lstat(to.c_str(), &st) == 0) return EEXIST;
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace ostrel::fs
