// Reading zip and RAR archives (RAR 4 and 5, and both inside a
// self-extracting program) over libarchive, and writing their entries into
// a destination folder without ever leaving it. The stand-ins of the unzip
// and UnRAR libraries are built on this one reader.
//
// Entry names come out as UTF-8 whatever the archive stored: zip names
// without the UTF-8 flag and RAR 4 names without a Unicode part are taken
// as UTF-8 when they are valid UTF-8 and otherwise as code page 936, which
// is how the archives made on the systems the component serves store them.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/archive/extract_limits.h"

struct archive;
struct archive_entry;

namespace ostrel::archive {

enum class Format { kZip, kRar, kAny };

// What a signature search found in a file: the kind of archive and where
// it starts (after a self-extracting stub, for example).
struct ArchiveStart {
  enum Kind { kZip, kRar4, kRar5 } kind = kZip;
  uint64_t offset = 0;
};

// Looks for an archive in the file at native_path: a RAR 4 or RAR 5 mark
// in the first megabytes, or a zip archive (a local header at the start,
// or the end record in the last 64 KiB). Nothing when there is none or the
// file can not be read.
std::optional<ArchiveStart> FindArchiveStart(const std::string& native_path);

struct EntryInfo {
  std::string name;  // UTF-8, as stored ("/" or "\" separators)
  bool is_folder = false;
  bool is_link = false;  // a link, a device or a pipe: never extracted
  bool encrypted = false;
  uint64_t size = 0;        // as the header says
  uint32_t attributes = 0;  // Windows attribute bits as stored (0x10 folder, 0x20 archive)
  time_t mtime = 0;
  uint32_t crc = 0;  // 0 when the format does not say
};

// The parts of an entry name below the destination folder, or nothing when
// the name must not be extracted: "..", an absolute name or a drive letter,
// a device name (CON, NUL, COM1 ...), a control character, or no name left.
std::optional<std::vector<std::string>> SafeEntryParts(std::string_view name);

class ArchiveReader {
 public:
  ~ArchiveReader();
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  // Opens the archive in the file. format kZip accepts only a zip archive,
  // kRar a RAR archive or a self-extracting program holding RAR or zip;
  // kAny either. Nothing when the file holds no such archive.
  static std::unique_ptr<ArchiveReader> Open(const std::string& native_path, Format format,
                                             std::string_view password = {});

  // Adds a password to try on encrypted entries (libarchive decrypts zip
  // entries; RAR encryption it can not read, so such entries stay refused).
  void AddPassword(std::string_view password);

  ArchiveStart::Kind kind() const { return start_.kind; }

  // Reads the next entry header. 1 when there is one, 0 at the end, -1 when
  // the archive is damaged or its headers are encrypted (refusal() says).
  // An entry past max_entries is a refusal.
  int Next(EntryInfo* out);

  // Writes the current entry below dest_folder (a native folder that
  // exists): folders are created, a file replaces one of the same name
  // unless overwrite is false, in which case an existing file is left and
  // kNone is returned with *skipped set. Anything refused writes nothing
  // more and is returned (and kept in refusal()); a failure to write the
  // file is kDamaged too. junk_paths keeps only the last name part.
  // A name part longer than the file system holds is the entry's own
  // matter, not damage: it is written under a shortened name that keeps
  // its extension and clashes with nothing there (" (2)" ... when it
  // would), and later entries below the same folder follow it there.
  // *written is the path below dest_folder as written.
  // A link entry (kLink) and a zip entry that could not be decrypted
  // (kEncrypted) are returned without being kept: nothing of them is
  // written and the next entry may follow (refusal() stays kNone).
  Refusal Extract(const std::string& dest_folder, bool overwrite, bool junk_paths,
                  bool* skipped = nullptr, std::string* written = nullptr);

  // Reads the current entry's data and throws it away, checking it.
  Refusal Test();
  const EntryInfo& current() const { return current_; }
  // Changes the name the current entry is written under (the same checks
  // apply to the new name).
  void RenameCurrent(std::string name) { current_.name = std::move(name); }

  Refusal refusal() const { return refusal_; }

 private:
  ArchiveReader() = default;
  Refusal Fail(Refusal r);
  // An entry left out that does not stop the archive.
  Refusal Skip(Refusal r) const { return r; }
  Refusal ReadData(int fd);
  // The name the part gets in the open folder dir (reached by relative,
  // "" or ending in "/"): the part itself when the file system holds it.
  std::string FitName(int dir, const std::string& relative, const std::string& part,
                      bool is_folder);

  struct ::archive* a_ = nullptr;
  struct ::archive_entry* entry_ = nullptr;
  EntryInfo current_;
  ArchiveStart start_;
  int fd_ = -1;
  uint64_t file_size_ = 0;
  uint64_t entries_ = 0;
  uint64_t unpacked_ = 0;
  ExtractLimits limits_;
  Refusal refusal_ = Refusal::kNone;
  std::vector<char> input_;             // what libarchive reads the file into
  std::vector<char> output_;            // what it unpacks entries into
  std::vector<std::string> passwords_;  // added after opening
  size_t passwords_given_ = 0;          // of them, handed to libarchive
  // The attribute values a RAR archive stores, in entry order.
  std::vector<std::optional<uint32_t>> rar_attributes_;
  // Shortened names given so far: relative folder + part -> name, and
  // every relative path given, so two long names never meet in one.
  std::map<std::string, std::string> short_names_;
  std::set<std::string> short_given_;
  friend struct ReaderCallbacks;
};

}  // namespace ostrel::archive
