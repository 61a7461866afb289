// Writes RAR 4.x archives with stored (uncompressed) entries: the marker,
// the main header (lock and solid flags), the archive comment as a "CMT"
// sub-block, one header and the data per entry, and the end block. Names
// that are not plain ASCII carry the format's Unicode part behind their
// code page 936 spelling, so every reader shows them right.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

namespace ostrel::rar {

uint32_t Crc32(uint32_t crc, const void* data, size_t size);

class Rar4Writer {
 public:
  static constexpr uint16_t kLock = 0x0004;
  static constexpr uint16_t kSolid = 0x0008;

  // Writes to an open file, from its current position.
  explicit Rar4Writer(int fd) : fd_(fd) {}

  bool Begin(uint16_t main_flags, std::string_view comment);
  // name: UTF-8 with "/" separators; stored with "\" as the format wants.
  bool AddFolder(std::string_view name, time_t mtime);
  // Copies size bytes from source_fd into the archive.
  bool AddFile(std::string_view name, int source_fd, uint64_t size, time_t mtime, bool read_only);
  // Copies a file block of another archive as it stands.
  bool AddRaw(std::string_view block);
  bool End();

  // The name field this writer stores for name, to compare with the
  // blocks of an existing archive.
  static std::string NameField(std::string_view name, bool* unicode);

 private:
  bool Write(const void* data, size_t size);
  std::string FileHeader(uint8_t type, uint16_t flags, std::string_view name_field, uint64_t size,
                         uint32_t crc, uint32_t dos_time, uint32_t attributes);

  int fd_;
};

}  // namespace ostrel::rar
