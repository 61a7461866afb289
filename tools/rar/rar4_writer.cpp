#include "rar4_writer.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <vector>

#include "platform/text/charset.h"

namespace ostrel::rar {

namespace {

constexpr uint8_t kMainHead = 0x73;
constexpr uint8_t kFileHead = 0x74;
constexpr uint8_t kNewSubHead = 0x7a;
constexpr uint8_t kEndHead = 0x7b;
constexpr uint16_t kLongBlock = 0x8000;
constexpr uint16_t kLarge = 0x0100;
constexpr uint16_t kUnicode = 0x0200;
constexpr uint16_t kDirectory = 0x00e0;
constexpr uint8_t kHostWin32 = 2;
constexpr uint8_t kStored = 0x30;
constexpr uint8_t kVersion = 20;

void Put16(std::string* s, uint32_t v) {
  s->push_back(static_cast<char>(v & 0xff));
  s->push_back(static_cast<char>((v >> 8) & 0xff));
}
void Put32(std::string* s, uint32_t v) {
  Put16(s, v & 0xffff);
  Put16(s, v >> 16);
}

// Fills in the header's size and its CRC (the low half of the CRC-32 of
// everything after the CRC field).
std::string Seal(std::string header) {
  header[5] = static_cast<char>(header.size() & 0xff);
  header[6] = static_cast<char>((header.size() >> 8) & 0xff);
  uint32_t crc = Crc32(0, header.data() + 2, header.size() - 2);
  header[0] = static_cast<char>(crc & 0xff);
  header[1] = static_cast<char>((crc >> 8) & 0xff);
  return header;
}

std::string Start(uint8_t type, uint16_t flags) {
  std::string h(2, '\0');
  h.push_back(static_cast<char>(type));
  Put16(&h, flags);
  Put16(&h, 0);  // size, sealed later
  return h;
}

uint32_t DosTime(time_t t) {
  struct tm tm {};
  localtime_r(&t, &tm);
  if (tm.tm_year < 80) return (1 << 21) | (1 << 16);  // 1980-01-01
  return static_cast<uint32_t>((tm.tm_year - 80) << 25 | (tm.tm_mon + 1) << 21 | tm.tm_mday << 16 |
                               tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
}

// UTF-8 to UTF-16 code units.
std::u16string Utf16(std::string_view s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    size_t n;
    if (c < 0x80) {
      cp = c;
      n = 1;
    } else if ((c >> 5) == 6) {
      cp = c & 0x1f;
      n = 2;
    } else if ((c >> 4) == 14) {
      cp = c & 0x0f;
      n = 3;
    } else {
      cp = c & 0x07;
      n = 4;
    }
    for (size_t k = 1; k < n && i + k < s.size(); ++k) cp = (cp << 6) | (s[i + k] & 0x3f);
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xd800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xdc00 + (cp & 0x3ff)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

}  // namespace

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ p[i]) & 0xff] ^ (crc >> 8);
  return ~crc;
}

std::string Rar4Writer::NameField(std::string_view name, bool* unicode) {
  std::string windows(name);
  for (auto& c : windows) {
    if (c == '/') c = '\\';
  }
  bool ascii = true;
  for (char c : windows) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  *unicode = !ascii;
  if (ascii) return windows;
  // The code page spelling, a NUL, then the Unicode name: a high byte (0)
  // and, per four characters, a byte of 2-bit kinds followed by the
  // characters: kind 0 is one byte below 256, kind 2 a full 16-bit unit.
  std::string field = text::Encode(windows, "CP936");
  field.push_back('\0');
  field.push_back('\0');
  std::u16string units = Utf16(windows);
  for (size_t i = 0; i < units.size(); i += 4) {
    size_t flag_at = field.size();
    field.push_back('\0');
    uint8_t flags = 0;
    for (size_t k = 0; k < 4; ++k) {
      flags = static_cast<uint8_t>(flags << 2);
      if (i + k >= units.size()) continue;
      char16_t u = units[i + k];
      if (u < 0x100) {
        field.push_back(static_cast<char>(u));
      } else {
        flags |= 2;
        field.push_back(static_cast<char>(u & 0xff));
        field.push_back(static_cast<char>(u >> 8));
      }
    }
    field[flag_at] = static_cast<char>(flags);
  }
  return field;
}

bool Rar4Writer::Write(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string Rar4Writer::FileHeader(uint8_t type, uint16_t flags, std::string_view name_field,
                                   uint64_t size, uint32_t crc, uint32_t dos_time,
                                   uint32_t attributes) {
  bool large = size > 0xffffffffu;
  std::string h = Start(type, static_cast<uint16_t>(flags | kLongBlock | (large ? kLarge : 0)));
  Put32(&h, static_cast<uint32_t>(size));  // packed = unpacked: stored
  Put32(&h, static_cast<uint32_t>(size));
  h.push_back(static_cast<char>(kHostWin32));
  Put32(&h, crc);
  Put32(&h, dos_time);
  h.push_back(static_cast<char>(kVersion));
  h.push_back(static_cast<char>(kStored));
  Put16(&h, static_cast<uint32_t>(name_field.size()));
  Put32(&h, attributes);
  if (large) {
    Put32(&h, static_cast<uint32_t>(size >> 32));
    Put32(&h, static_cast<uint32_t>(size >> 32));
  }
  h.append(name_field);
  return Seal(std::move(h));
}

bool Rar4Writer::Begin(uint16_t main_flags, std::string_view comment) {
  static const char kMarker[] = {0x52, 0x61, 0x72, 0x21, 0x1a, 0x07, 0x00};
  std::string main = Start(kMainHead, main_flags);
  Put16(&main, 0);
  Put32(&main, 0);
  if (!Write(kMarker, sizeof kMarker) || !AddRaw(Seal(std::move(main)))) return false;
  if (comment.empty()) return true;
  std::string sub = FileHeader(kNewSubHead, 0, "CMT", comment.size(),
                               Crc32(0, comment.data(), comment.size()), 0, 0);
  return AddRaw(sub) && Write(comment.data(), comment.size());
}

bool Rar4Writer::AddRaw(std::string_view block) { return Write(block.data(), block.size()); }

bool Rar4Writer::AddFolder(std::string_view name, time_t mtime) {
  bool unicode = false;
  std::string field = NameField(name, &unicode);
  return AddRaw(FileHeader(kFileHead, static_cast<uint16_t>(kDirectory | (unicode ? kUnicode : 0)),
                           field, 0, 0, DosTime(mtime), 0x10));
}

bool Rar4Writer::AddFile(std::string_view name, int source_fd, uint64_t size, time_t mtime,
                         bool read_only) {
  bool unicode = false;
  std::string field = NameField(name, &unicode);
  uint16_t flags = unicode ? kUnicode : 0;
  uint32_t attributes = 0x20 | (read_only ? 0x01 : 0);
  off_t header_at = lseek(fd_, 0, SEEK_CUR);
  std::string header = FileHeader(kFileHead, flags, field, size, 0, DosTime(mtime), attributes);
  if (header_at < 0 || !AddRaw(header)) return false;
  std::vector<char> buffer(256 * 1024);
  uint32_t crc = 0;
  uint64_t copied = 0;
  for (;;) {
    ssize_t n = read(source_fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    copied += static_cast<uint64_t>(n);
    if (copied > size) return false;  // the file grew while it was read
    crc = Crc32(crc, buffer.data(), static_cast<size_t>(n));
    if (!Write(buffer.data(), static_cast<size_t>(n))) return false;
  }
  if (copied != size) return false;
  header = FileHeader(kFileHead, flags, field, size, crc, DosTime(mtime), attributes);
  return pwrite(fd_, header.data(), header.size(), header_at) ==
         static_cast<ssize_t>(header.size());
}

bool Rar4Writer::End() { return AddRaw(Seal(Start(kEndHead, 0))); }

}  // namespace ostrel::rar
