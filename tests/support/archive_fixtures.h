// Archives made by the tests: zip archives written by libarchive with any
// entry a hostile archive may hold (names leaving the folder, links), the
// Debian zip tool run on a folder, and a reader that lists an archive
// through libarchive on its own, to check what our writers produced.
// Header only: the programs that use it link libarchive through the
// archive module.
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::testing {

// The archiver built with the tests (tools/rar).
inline std::string RarToolPath() { return std::string(OSTREL_BINARY_DIR) + "/tools/rar/Rar.exe"; }

// Runs a shell command line; its exit status.
inline int Shell(const std::string& command) {
  int rc = std::system(command.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// CRC-32 as zip and RAR use it, for tests that write or patch headers.
inline uint32_t Crc32(std::string_view bytes) {
  uint32_t c = ~0u;
  for (unsigned char ch : bytes) {
    c ^= ch;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

struct FixtureEntry {
  enum Kind { kFile, kFolder, kSymlink };
  FixtureEntry(std::string n, std::string d, Kind k = kFile, std::string target = "")
      : name(std::move(n)), data(std::move(d)), kind(k), link_target(std::move(target)) {}
  std::string name;  // UTF-8 as stored (hostile names allowed)
  std::string data;
  Kind kind;
  std::string link_target;
};

class Utf8Scope {
 public:
  Utf8Scope() : loc_(newlocale(LC_ALL_MASK, "C.UTF-8", nullptr)), old_(uselocale(loc_)) {}
  ~Utf8Scope() {
    uselocale(old_);
    freelocale(loc_);
  }

 private:
  locale_t loc_;
  locale_t old_;
};

// Writes a zip archive (deflated unless stored) with exactly these entries.
inline void WriteZipFixture(const std::string& path, const std::vector<FixtureEntry>& entries,
                            bool stored = false) {
  Utf8Scope scope;
  struct archive* a = archive_write_new();
  archive_write_set_format_zip(a);
  if (stored) archive_write_set_format_option(a, "zip", "compression", "store");
  archive_write_open_filename(a, path.c_str());
  for (const auto& e : entries) {
    struct archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname_utf8(entry, e.name.c_str());
    archive_entry_set_mtime(entry, 1136073600, 0);
    switch (e.kind) {
      case FixtureEntry::kFolder:
        archive_entry_set_filetype(entry, AE_IFDIR);
        archive_entry_set_perm(entry, 0755);
        break;
      case FixtureEntry::kSymlink:
        archive_entry_set_filetype(entry, AE_IFLNK);
        archive_entry_set_perm(entry, 0777);
        archive_entry_set_symlink(entry, e.link_target.c_str());
        break;
      default:
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(e.data.size()));
    }
    archive_write_header(a, entry);
    if (e.kind == FixtureEntry::kFile) archive_write_data(a, e.data.data(), e.data.size());
    archive_entry_free(entry);
  }
  archive_write_close(a);
  archive_write_free(a);
}

// One entry of a RAR archive written field by field: stored data and the
// Windows attribute value its header holds (a folder when 0x10 is set).
struct RarFixtureEntry {
  std::string name;  // UTF-8
  std::string data;
  uint32_t attributes = 0x20;
  uint16_t rar4_flags = 0;  // more RAR 4 header flags (0x0001: continued from the last volume)
};

inline std::string Le32Bytes(uint32_t v) {
  return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

// A RAR 5 archive made on Windows.
inline std::string Rar5Archive(const std::vector<RarFixtureEntry>& entries) {
  auto vint = [](uint64_t v) {
    std::string s;
    do {
      uint8_t b = v & 0x7f;
      v >>= 7;
      s.push_back(static_cast<char>(b | (v ? 0x80 : 0)));
    } while (v);
    return s;
  };
  auto block = [&](const std::string& body) {
    std::string sized = vint(body.size()) + body;
    return Le32Bytes(Crc32(sized)) + sized;
  };
  std::string out("Rar!\x1a\x07\x01\x00", 8);
  out += block(vint(1) + vint(0) + vint(0));
  for (const auto& e : entries) {
    bool folder = (e.attributes & 0x10) != 0;
    std::string file = vint(2) + vint(0x0002) + vint(e.data.size()) +
                       vint(folder ? 0x0001 : 0x0004) + vint(e.data.size()) + vint(e.attributes) +
                       (folder ? "" : Le32Bytes(Crc32(e.data))) + vint(0) + vint(0) +
                       vint(e.name.size()) + e.name;
    out += block(file) + e.data;
  }
  out += block(vint(5) + vint(0) + vint(0));
  return out;
}

// A RAR 4 archive made on Windows (names in ASCII).
inline std::string Rar4Archive(const std::vector<RarFixtureEntry>& entries) {
  auto le16 = [](uint32_t v) { return std::string{char(v), char(v >> 8)}; };
  auto seal = [&](std::string h) {
    h.replace(5, 2, le16(static_cast<uint32_t>(h.size())));
    return le16(Crc32(std::string_view(h).substr(2)) & 0xffff) + h.substr(2);
  };
  std::string out("Rar!\x1a\x07\x00", 7);
  out += seal(std::string("\0\0\x73", 3) + le16(0) + le16(0) + le16(0) + Le32Bytes(0));
  for (const auto& e : entries) {
    bool folder = (e.attributes & 0x10) != 0;
    auto size = static_cast<uint32_t>(e.data.size());
    out += seal(std::string("\0\0\x74", 3) + le16(0x8000 | (folder ? 0xe0 : 0) | e.rar4_flags) +
                le16(0) + Le32Bytes(size) + Le32Bytes(size) + '\x02' + Le32Bytes(Crc32(e.data)) +
                Le32Bytes(0x21u << 16 | 1u << 21) + '\x14' + '\x30' +
                le16(static_cast<uint32_t>(e.name.size())) + Le32Bytes(e.attributes) + e.name) +
           e.data;
  }
  out += seal(std::string("\0\0\x7b", 3) + le16(0) + le16(0));
  return out;
}

// name -> data of every file entry ("/" after a folder's name), read by
// libarchive alone; names without the UTF-8 mark are read as code page 936.
// "!" maps to libarchive's error text when reading failed.
inline std::map<std::string, std::string> ListArchive(const std::string& path) {
  Utf8Scope scope;
  std::map<std::string, std::string> out;
  struct archive* a = archive_read_new();
  archive_read_support_format_zip_seekable(a);
  archive_read_support_format_rar(a);
  archive_read_support_format_rar5(a);
  archive_read_set_options(a, "hdrcharset=CP936");
  if (archive_read_open_filename(a, path.c_str(), 65536) != ARCHIVE_OK) {
    out["!"] = archive_error_string(a) ? archive_error_string(a) : "open failed";
    archive_read_free(a);
    return out;
  }
  struct archive_entry* entry;
  int rc;
  while ((rc = archive_read_next_header(a, &entry)) == ARCHIVE_OK || rc == ARCHIVE_WARN) {
    std::string name = archive_entry_pathname_utf8(entry) ? archive_entry_pathname_utf8(entry) : "";
    if (archive_entry_filetype(entry) == AE_IFDIR) {
      if (!name.ends_with("/")) name += "/";
      out[name] = "";
      continue;
    }
    std::string data;
    char buffer[65536];
    la_ssize_t n;
    while ((n = archive_read_data(a, buffer, sizeof buffer)) > 0)
      data.append(buffer, static_cast<size_t>(n));
    if (n < 0) out["!"] = archive_error_string(a);
    out[name] = data;
  }
  if (rc != ARCHIVE_EOF)
    out["!"] = archive_error_string(a) ? archive_error_string(a) : "read failed";
  archive_read_free(a);
  return out;
}

}  // namespace ostrel::testing
