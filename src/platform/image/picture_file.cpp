#include "platform/image/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/vb/vb_error.h"

namespace ostrel::image {
namespace {

[[noreturn]] void Fail(int number, const std::string& path) {
  const char* text = "Path/File access error";
  switch (number) {
    case 53:
      text = "File not found";
      break;
    case 61:
      text = "Disk full";
      break;
    case 70:
      text = "Permission denied";
      break;
    case 76:
      text = "Path not found";
      break;
    case 481:
      text = "Invalid picture";
      break;
  }
  throw vb::VbError(number, "", std::string(text) + ": " + path);
}

// The VB error number for a failed open/create.
int OpenErrorNumber(int err, bool creating) {
  switch (err) {
    case ENOENT:
      return creating ? 76 : 53;
    case ENOTDIR:
      return 76;
    case EACCES:
    case EPERM:
    case EROFS:
      return 70;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return 61;
    default:
      return 75;
  }
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string ReadPictureFile(const std::string& native_path, uint64_t limit) {
  // Non-blocking, so that a pipe under a picture's name cannot hang the
  // call; a regular file reads the same either way.
  int fd = open(native_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    int err = errno;
    struct stat folder;
    if (err == ENOENT && stat(FolderOf(native_path).c_str(), &folder) != 0) err = ENOTDIR;
    Fail(OpenErrorNumber(err, false), native_path);
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    Fail(75, native_path);
  }
  if (static_cast<uint64_t>(st.st_size) > limit) {
    close(fd);
    Fail(481, native_path);
  }
  std::string bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      Fail(75, native_path);
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<size_t>(n) > limit) {  // grew while we read
      close(fd);
      Fail(481, native_path);
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return bytes;
}

void WriteFileAtomically(const std::string& native_path, std::string_view bytes) {
  std::string folder = FolderOf(native_path);
  std::string name = NameOf(native_path);
  if (name.empty()) Fail(75, native_path);
  // The temporary name stays within the 255 bytes a folder entry holds.
  std::string temp = folder + "/." + name.substr(0, 200) + ".XXXXXX";
  std::vector<char> templ(temp.begin(), temp.end());
  templ.push_back('\0');
  int fd = mkostemp(templ.data(), O_CLOEXEC);
  if (fd < 0) Fail(OpenErrorNumber(errno, true), native_path);
  temp.assign(templ.data());

  auto abandon = [&](int number) {
    close(fd);
    unlink(temp.c_str());
    Fail(number, native_path);
  };
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) abandon(n < 0 ? OpenErrorNumber(errno, true) : 75);
    done += static_cast<size_t>(n);
  }
  // A replaced picture keeps its permission bits; a new one gets the usual
  // rw-r--r-- rather than mkstemp's owner-only mode, so the web server that
  // serves the site can read it.
  struct stat st;
  mode_t mode = stat(native_path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  if (fchmod(fd, mode) != 0) abandon(75);
  if (fsync(fd) != 0) abandon(OpenErrorNumber(errno, true));
  if (close(fd) != 0) {
    int err = errno;
    unlink(temp.c_str());
    Fail(OpenErrorNumber(err, true), native_path);
  }
  if (rename(temp.c_str(), native_path.c_str()) != 0) {
    int err = errno;
    unlink(temp.c_str());
    Fail(OpenErrorNumber(err, true), native_path);
  }
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace ostrel::image
