#include "platform/ado/stream.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/ado/ado_error.h"
#include "platform/fs/path_map.h"
#include "platform/text/charset.h"
#include "platform/vb/ascii_case.h"

namespace ostrel::ado {

namespace {

// The largest file LoadFromFile reads into memory.
constexpr int64_t kMaxLoadSize = 256 * 1024 * 1024;

// The byte-order mark a text stream in this charset starts with, or "".
std::string_view ByteOrderMark(std::string_view charset) {
  std::string name = vb::LowerAscii(charset);
  if (name == "utf-8" || name == "utf8") return "\xEF\xBB\xBF";
  if (name == "unicode" || name == "utf-16" || name == "utf-16le") return "\xFF\xFE";
  return "";
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

void Stream::RequireOpen() const {
  if (!open_) RaiseAdo(kErrObjectClosed);
}

void Stream::SetType(int32_t type) {
  if (type != adTypeBinary && type != adTypeText) RaiseAdo(kErrInvalidArgument);
  if (open_ && position_ != 0) RaiseAdo(kErrIllegalOperation);
  type_ = type;
}

void Stream::SetCharset(std::string_view charset) {
  if (!text::IsKnownCharset(charset)) RaiseAdo(kErrInvalidArgument);
  charset_ = std::string(charset);
}

void Stream::Open() {
  if (open_) RaiseAdo(kErrObjectOpen);
  open_ = true;
  data_.clear();
  position_ = 0;
}

void Stream::Close() {
  RequireOpen();
  open_ = false;
  data_.clear();
  position_ = 0;
}

int64_t Stream::Position() const {
  RequireOpen();
  return static_cast<int64_t>(position_);
}

void Stream::SetPosition(int64_t position) {
  RequireOpen();
  if (position < 0 || position > static_cast<int64_t>(data_.size())) {
    RaiseAdo(kErrInvalidArgument);
  }
  position_ = static_cast<size_t>(position);
}

int64_t Stream::Size() const {
  RequireOpen();
  return static_cast<int64_t>(data_.size());
}

void Stream::Put(std::string_view bytes) {
  // Writing overwrites from the position and extends the stream as needed.
  size_t end = position_ + bytes.size();
  if (end > data_.size()) data_.resize(end);
  std::copy(bytes.begin(), bytes.end(), data_.begin() + static_cast<std::ptrdiff_t>(position_));
  position_ = end;
}

void Stream::Write(std::string_view bytes) {
  RequireOpen();
  if (type_ != adTypeBinary) RaiseAdo(kErrIllegalOperation);
  Put(bytes);
}

std::string Stream::Read(int32_t count) {
  RequireOpen();
  if (type_ != adTypeBinary) RaiseAdo(kErrIllegalOperation);
  if (count < adReadAll) RaiseAdo(kErrInvalidArgument);
  size_t left = data_.size() - position_;
  size_t n = count == adReadAll ? left : std::min(left, static_cast<size_t>(count));
  std::string out = data_.substr(position_, n);
  position_ += n;
  return out;
}

void Stream::WriteText(std::string_view text) {
  RequireOpen();
  if (type_ != adTypeText) RaiseAdo(kErrIllegalOperation);
  std::string bytes = text::Encode(text, charset_);
  if (data_.empty() && position_ == 0) Put(ByteOrderMark(charset_));
  Put(bytes);
}

std::string Stream::ReadText(int32_t count) {
  RequireOpen();
  if (type_ != adTypeText) RaiseAdo(kErrIllegalOperation);
  if (count != adReadAll) RaiseAdo(kErrInvalidArgument);
  std::string out = text::Decode(std::string_view(data_).substr(position_), charset_);
  position_ = data_.size();
  return out;
}

void Stream::LoadFromFile(std::string_view windows_path) {
  RequireOpen();
  std::string path = fs::ToNative(windows_path);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseAdo(kErrOpeningFile);
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxLoadSize) {
    ::close(fd);
    RaiseAdo(kErrOpeningFile);
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || static_cast<int64_t>(bytes.size()) + n > kMaxLoadSize) {
      ::close(fd);
      RaiseAdo(kErrOpeningFile);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  data_ = std::move(bytes);
  position_ = 0;
}

void Stream::SaveToFile(std::string_view windows_path, int32_t options) {
  RequireOpen();
  if (options != adSaveCreateNotExist && options != adSaveCreateOverWrite) {
    RaiseAdo(kErrInvalidArgument);
  }
  std::string path = fs::ToNative(windows_path);
  bool overwrite = options == adSaveCreateOverWrite;
  struct stat st;
  bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && (!overwrite || !S_ISREG(st.st_mode))) RaiseAdo(kErrWriteFile);

  std::string temp = ParentOf(path) + "/.ostrel-save-XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) RaiseAdo(kErrWriteFile);
  bool ok = ::fchmod(fd, exists ? (st.st_mode & 07777) : 0644) == 0 && WriteAll(fd, data_);
  ok = ::close(fd) == 0 && ok;
  if (ok) {
    if (overwrite) {
      ok = ::rename(temp.c_str(), path.c_str()) == 0;
    } else {
      // Never replace a file that appeared meanwhile.
      ok = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0;
      if (!ok && errno == EINVAL) {  // a file system without that flag
        ok = ::link(temp.c_str(), path.c_str()) == 0;
      }
    }
  }
  ::unlink(temp.c_str());  // gone already after a rename
  if (!ok) RaiseAdo(kErrWriteFile);
}

}  // namespace ostrel::ado
