#include "gathering/common/link_list_index.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <list>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fs/path_map.h"
#include "platform/text/charset.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"

namespace ostrel::gathering {

namespace {

// The largest list a step reads, as the stream that reads whole files.
constexpr int64_t kLargestList = 256 * 1024 * 1024;
// The indexes kept: one per run under way, a few runs at once.
constexpr size_t kIndexesKept = 32;
// A larger index (4 bytes a line) serves its step only, so the indexes
// kept never hold more than 32 MB.
constexpr size_t kLargestKept = size_t{1} << 18;

constexpr std::string_view kBreak = "\r\n";

bool ReadAt(int fd, char* to, size_t size, int64_t at) {
  while (size > 0) {
    const ssize_t n = ::pread(fd, to, size, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    to += n;
    size -= static_cast<size_t>(n);
    at += n;
  }
  return true;
}

std::string NativeOf(const std::string& path) {
  std::string native;
  vb::TryStep([&] { native = fs::ToNative(path); });
  return native;
}

}  // namespace

// The start of every line (a line ends before its CRLF) and the file they
// were read from.
struct LinkListIndex::Offsets {
  dev_t dev = 0;
  ino_t ino = 0;
  int64_t size = 0;
  timespec mtime{};
  std::vector<uint32_t> starts;

  bool Matches(const struct stat& st) const {
    return st.st_dev == dev && st.st_ino == ino && st.st_size == size &&
           st.st_mtim.tv_sec == mtime.tv_sec && st.st_mtim.tv_nsec == mtime.tv_nsec;
  }
};

namespace {

using Offsets = LinkListIndex::Offsets;

// The indexes by native path, the latest used first.
class IndexCache {
 public:
  static IndexCache& Instance() {
    static IndexCache cache;
    return cache;
  }

  std::shared_ptr<const Offsets> Find(const std::string& native) {
    std::lock_guard lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->first != native) continue;
      entries_.splice(entries_.begin(), entries_, it);
      return it->second;
    }
    return nullptr;
  }

  void Keep(const std::string& native, std::shared_ptr<const Offsets> offsets) {
    std::lock_guard lock(mutex_);
    EraseLocked(native);
    if (offsets->starts.size() > kLargestKept) return;
    entries_.emplace_front(native, std::move(offsets));
    if (entries_.size() > kIndexesKept) entries_.pop_back();
  }

  void Erase(const std::string& native) {
    std::lock_guard lock(mutex_);
    EraseLocked(native);
  }

 private:
  void EraseLocked(const std::string& native) {
    entries_.remove_if([&](const auto& entry) { return entry.first == native; });
  }

  std::mutex mutex_;
  std::list<std::pair<std::string, std::shared_ptr<const Offsets>>> entries_;
};

// The index of the open file, read from its bytes in one pass.
std::shared_ptr<const Offsets> Build(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return nullptr;
  auto offsets = std::make_shared<Offsets>();
  offsets->dev = st.st_dev;
  offsets->ino = st.st_ino;
  offsets->mtime = st.st_mtim;
  offsets->starts.push_back(0);
  std::vector<char> buffer(size_t{1} << 16);
  int64_t at = 0;
  bool after_cr = false;  // the byte before the chunk was a CR
  for (;;) {
    const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return nullptr;
    if (n == 0) break;
    const char* chunk = buffer.data();
    if (after_cr && chunk[0] == '\n') offsets->starts.push_back(static_cast<uint32_t>(at + 1));
    for (const char* p = chunk + 1; p < chunk + n;) {
      p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(chunk + n - p)));
      if (p == nullptr) break;
      if (p[-1] == '\r') {
        offsets->starts.push_back(static_cast<uint32_t>(at + (p - chunk) + 1));
      }
      ++p;
    }
    after_cr = chunk[n - 1] == '\r';
    at += n;
    if (at > kLargestList) return nullptr;
  }
  // The size read, so a file that changed while it was read is read again.
  offsets->size = at;
  return offsets;
}

}  // namespace

LinkListIndex::LinkListIndex(const std::string& path) : native_(NativeOf(path)) {
  if (native_.empty()) return;
  fd_ = ::open(native_.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kLargestList)) {
    ::close(fd_);
    fd_ = -1;
  }
  IndexCache& cache = IndexCache::Instance();
  if (fd_ < 0) {
    cache.Erase(native_);
    return;
  }
  offsets_ = cache.Find(native_);
  if (offsets_ && offsets_->Matches(st)) return;
  offsets_ = Build(fd_);
  if (offsets_) {
    cache.Keep(native_, offsets_);
  } else {
    ::close(fd_);
    fd_ = -1;
  }
}

LinkListIndex::~LinkListIndex() {
  if (fd_ >= 0) ::close(fd_);
}

bool LinkListIndex::Shorter(int32_t chars) const {
  if (fd_ < 0) return chars > 0;
  // A character takes one or two bytes.
  if (offsets_->size >= int64_t{2} * chars) return false;
  std::string bytes(static_cast<size_t>(offsets_->size), '\0');
  if (!ReadAt(fd_, bytes.data(), bytes.size(), 0)) return chars > 0;
  return vb::Len(text::Decode(bytes, "GB2312")) < chars;
}

LinkListIndex::Lines LinkListIndex::At(size_t k) {
  Lines lines;
  if (fd_ < 0) {
    lines.count = 1;  // the empty text is one empty line
    return lines;
  }
  // The line is read with the line breaks around it: when they are not
  // where the index says (the file rewritten within the same size and
  // time), the index is built again from the file.
  for (int pass = 0; pass < 2; ++pass) {
    const std::vector<uint32_t>& starts = offsets_->starts;
    lines.count = starts.size();
    if (k >= lines.count) return lines;
    const bool first = k == 0;
    const bool last = k + 1 == lines.count;
    const int64_t begin = starts[k] - (first ? 0 : kBreak.size());
    const int64_t end = last ? offsets_->size : starts[k + 1];
    std::string bytes(static_cast<size_t>(end - begin), '\0');
    const bool read = ReadAt(fd_, bytes.data(), bytes.size(), begin);
    std::string_view line = bytes;
    const bool after_break = first || line.substr(0, 2) == kBreak;
    if (!first) line.remove_prefix(kBreak.size());
    const bool before_break = last || line.substr(line.size() - 2) == kBreak;
    if (!last) line.remove_suffix(kBreak.size());
    if (pass == 1 || (read && after_break && before_break && line.find(kBreak) == line.npos)) {
      lines.wanted = text::Decode(line, "GB2312");
      return lines;
    }
    std::shared_ptr<const Offsets> rebuilt = Build(fd_);
    if (!rebuilt) return lines;
    offsets_ = rebuilt;
    IndexCache::Instance().Keep(native_, offsets_);
  }
  return lines;
}

void LinkListIndex::Forget(const std::string& path) {
  const std::string native = NativeOf(path);
  if (!native.empty()) IndexCache::Instance().Erase(native);
}

}  // namespace ostrel::gathering
