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
