#include "platform/archive/rar_attributes.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace ostrel::archive {

namespace {

constexpr uint64_t kMaxHeader = 2 << 20;  // the largest header RAR 5 allows

bool ReadAt(int fd, uint64_t at, size_t length, std::string* out) {
  return ReadFileAt(fd, at, length, out) == length;
}

uint32_t Le(const std::string& s, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s[at + i]);
  return v;
}

// A RAR 5 variable-length number at *at; false when it runs past the text.
bool Vint(const std::string& s, size_t* at, uint64_t* out) {
  *out = 0;
  for (int shift = 0; shift < 64 && *at < s.size(); shift += 7) {
    auto b = static_cast<uint8_t>(s[(*at)++]);
    *out |= uint64_t{b & 0x7fu} << shift;
    if ((b & 0x80) == 0) return true;
  }
  return false;
}

void WalkRar4(int fd, uint64_t at, uint64_t end, uint64_t max_entries,
              std::vector<std::optional<uint32_t>>* out) {
  at += 7;
  std::string h;
  while (at + 7 <= end && out->size() < max_entries) {
    if (!ReadAt(fd, at, 7, &h)) return;
    uint8_t type = static_cast<uint8_t>(h[2]);
    uint32_t flags = Le(h, 3, 2);
    uint32_t size = Le(h, 5, 2);
    if (size < 7 || at + size > end || !ReadAt(fd, at, size, &h)) return;
    if (type == 0x73 && (flags & 0x0080)) return;  // headers encrypted
    uint64_t add = (flags & 0x8000) && size >= 11 ? Le(h, 7, 4) : 0;
    if (type == 0x74) {
      if (size < 32) return;
      if ((flags & 0x0100) && size >= 36) add |= uint64_t{Le(h, 32, 4)} << 32;
      // Every file header counts, a part continued from the previous
      // volume too: the volume is read alone, and the reader lists that
      // part as an entry of its own.
      uint8_t host = static_cast<uint8_t>(h[15]);
      bool windows = host == 0 || host == 1 || host == 2;  // MS-DOS, OS/2, Win32
      out->push_back(windows ? std::optional<uint32_t>(Le(h, 28, 4)) : std::nullopt);
    }
    if (type == 0x7b) return;
    if (add > end - at - size) return;
    at += size + add;
  }
}

void WalkRar5(int fd, uint64_t at, uint64_t end, uint64_t max_entries,
              std::vector<std::optional<uint32_t>>* out) {
  at += 8;
  std::string h;
  while (at + 5 <= end && out->size() < max_entries) {
    // The CRC, then the header's size as a number of at most 3 bytes.
    if (!ReadAt(fd, at, static_cast<size_t>(std::min<uint64_t>(end - at, 4 + 3)), &h)) return;
    size_t p = 4;
    uint64_t size;
    if (!Vint(h, &p, &size) || size == 0 || size > kMaxHeader || at + p + size > end) return;
    uint64_t body_at = at + p;
    if (!ReadAt(fd, body_at, static_cast<size_t>(size), &h)) return;
    p = 0;
    uint64_t type, flags, extra = 0, data = 0;
    if (!Vint(h, &p, &type) || !Vint(h, &p, &flags)) return;
    if ((flags & 0x01) && !Vint(h, &p, &extra)) return;
    if ((flags & 0x02) && !Vint(h, &p, &data)) return;
    if (type == 4) return;                   // headers encrypted
    if (type == 2 && (flags & 0x08) == 0) {  // continued parts the reader leaves out too
      uint64_t file_flags, unpacked, attributes, method, host;
      if (!Vint(h, &p, &file_flags) || !Vint(h, &p, &unpacked) || !Vint(h, &p, &attributes)) return;
      if (file_flags & 0x02) p += 4;
      if (file_flags & 0x04) p += 4;
      if (!Vint(h, &p, &method) || !Vint(h, &p, &host)) return;
      out->push_back(host == 0 ? std::optional<uint32_t>(static_cast<uint32_t>(attributes))
                               : std::nullopt);
    }
    if (type == 5) return;
    uint64_t next = body_at + size;
    if (data > end - next) return;
    at = next + data;
  }
}

}  // namespace

size_t ReadFileAt(int fd, uint64_t offset, size_t length, std::string* out) {
  out->resize(length);
  size_t got = 0;
  while (got < length) {
    ssize_t n = pread(fd, out->data() + got, length - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  out->resize(got);
  return got;
}

std::vector<std::optional<uint32_t>> ReadRarAttributes(int fd, uint64_t offset, uint64_t file_size,
                                                       bool rar5, uint64_t max_entries) {
  std::vector<std::optional<uint32_t>> out;
  if (offset >= file_size) return out;
  if (rar5) {
    WalkRar5(fd, offset, file_size, max_entries, &out);
  } else {
    WalkRar4(fd, offset, file_size, max_entries, &out);
  }
  return out;
}

}  // namespace ostrel::archive
