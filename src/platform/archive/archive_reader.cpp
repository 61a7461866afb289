#include "platform/archive/archive_reader.h"

#include "platform/archive/archive_locale.h"
#include "platform/archive/rar_attributes.h"
#include "platform/text/charset.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace ostrel::archive {

namespace {

constexpr uint64_t kSignatureSearchBytes = 4 * 1024 * 1024;
constexpr uint64_t kZipTailBytes = 65536 + 22;
constexpr size_t kBlock = 256 * 1024;

std::optional<ArchiveStart> FindStart(int fd, uint64_t size) {
  std::string head;
  ReadFileAt(fd, 0, static_cast<size_t>(std::min(size, kSignatureSearchBytes)), &head);
  if (head.starts_with("PK\x03\x04") || head.starts_with(std::string_view("PK\x05\x06", 4))) {
    return ArchiveStart{ArchiveStart::kZip, 0};
  }
  static const std::string_view kRar("Rar!\x1a\x07", 6);
  for (size_t at = head.find(kRar); at != std::string::npos; at = head.find(kRar, at + 1)) {
    if (at + 7 < head.size() && head[at + 6] == '\x00')
      return ArchiveStart{ArchiveStart::kRar4, at};
    if (at + 8 <= head.size() && head[at + 6] == '\x01' && head[at + 7] == '\x00') {
      return ArchiveStart{ArchiveStart::kRar5, at};
    }
  }
  std::string tail;
  uint64_t from = size > kZipTailBytes ? size - kZipTailBytes : 0;
  ReadFileAt(fd, from, static_cast<size_t>(size - from), &tail);
  if (tail.rfind(std::string_view("PK\x05\x06", 4)) != std::string::npos) {
    return ArchiveStart{ArchiveStart::kZip, 0};
  }
  return std::nullopt;
}

bool IsDeviceName(std::string part) {
  auto dot = part.find('.');
  if (dot != std::string::npos) part.resize(dot);
  while (!part.empty() && part.back() == ' ') part.pop_back();
  for (auto& c : part) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (part == "CON" || part == "PRN" || part == "AUX" || part == "NUL" || part == "CONIN$" ||
      part == "CONOUT$") {
    return true;
  }
  return part.size() == 4 && (part.starts_with("COM") || part.starts_with("LPT")) &&
         std::isdigit(static_cast<unsigned char>(part[3]));
}

}  // namespace

std::optional<ArchiveStart> FindArchiveStart(const std::string& native_path) {
  int fd = open(native_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<ArchiveStart> found;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
    found = FindStart(fd, static_cast<uint64_t>(st.st_size));
  close(fd);
  return found;
}

std::optional<std::vector<std::string>> SafeEntryParts(std::string_view name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\') return std::nullopt;
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&]() -> bool {
    if (part.empty() || part == ".") {
      part.clear();
      return true;
    }
    if (part == ".." || part.find(':') != std::string::npos || IsDeviceName(part)) return false;
    // Windows drops trailing dots and blanks: "..." and ". ." name the parent too.
    if (part.find_first_not_of(". ") == std::string::npos) return false;
    parts.push_back(std::move(part));
    part.clear();
    return true;
  };
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return std::nullopt;
    if (c == '/' || c == '\\') {
      if (!flush()) return std::nullopt;
    } else {
      part += c;
    }
  }
  if (!flush() || parts.empty()) return std::nullopt;
  return parts;
}

// The archive as libarchive reads it: the file from the start of the
// archive on, so a self-extracting stub in front is invisible.
struct ReaderCallbacks {
  static la_ssize_t Read(struct ::archive*, void* data, const void** buffer) {
    auto* r = static_cast<ArchiveReader*>(data);
    r->input_.resize(kBlock);
    ssize_t n;
    do {
      n = read(r->fd_, r->input_.data(), r->input_.size());
    } while (n < 0 && errno == EINTR);
    *buffer = r->input_.data();
    return n;
  }
  static la_int64_t Seek(struct ::archive*, void* data, la_int64_t offset, int whence) {
    auto* r = static_cast<ArchiveReader*>(data);
    off_t base = static_cast<off_t>(r->start_.offset);
    off_t pos;
    if (whence == SEEK_SET) {
      pos = lseek(r->fd_, base + offset, SEEK_SET);
    } else if (whence == SEEK_CUR) {
      pos = lseek(r->fd_, offset, SEEK_CUR);
    } else {
      pos = lseek(r->fd_, offset, SEEK_END);
    }
    return pos < 0 ? ARCHIVE_FATAL : pos - base;
  }
  // Passwords added after the archive was opened, each handed over once:
  // libarchive keeps every one it was given for the entries that follow.
  static const char* Passphrase(struct ::archive*, void* data) {
    auto* r = static_cast<ArchiveReader*>(data);
    if (r->passwords_given_ >= r->passwords_.size()) return nullptr;
    return r->passwords_[r->passwords_given_++].c_str();
  }
  static la_int64_t Skip(struct ::archive* a, void* data, la_int64_t request) {
    auto* r = static_cast<ArchiveReader*>(data);
    off_t before = lseek(r->fd_, 0, SEEK_CUR);
    off_t after = lseek(r->fd_, request, SEEK_CUR);
    if (before < 0 || after < 0) {
      archive_set_error(a, EIO, "skip failed");
      return ARCHIVE_FATAL;
    }
    return after - before;
  }
};

namespace {
bool MentionsEncryption(struct ::archive* a) {
  const char* text = archive_error_string(a);
  if (text == nullptr) return false;
  std::string s(text);
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s.find("passphrase") != std::string::npos || s.find("encrypt") != std::string::npos ||
         s.find("password") != std::string::npos || s.find("decrypt") != std::string::npos;
}
}  // namespace

ArchiveReader::~ArchiveReader() {
  if (a_ != nullptr) {
    LocaleScope scope;
    archive_read_free(a_);
  }
  if (fd_ >= 0) close(fd_);
}

std::unique_ptr<ArchiveReader> ArchiveReader::Open(const std::string& native_path, Format format,
                                                   std::string_view password) {
  SetLastRefusal(Refusal::kNone);
  std::unique_ptr<ArchiveReader> r(new ArchiveReader());
  r->fd_ = open(native_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (r->fd_ < 0) return nullptr;
  struct stat st {};
  if (fstat(r->fd_, &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  r->file_size_ = static_cast<uint64_t>(st.st_size);
  auto start = FindStart(r->fd_, r->file_size_);
  if (!start) return nullptr;
  bool zip = start->kind == ArchiveStart::kZip;
  if (format == Format::kZip && !zip) return nullptr;
  if (format == Format::kRar && zip) {
    // A zip archive reaches the RAR reader only inside a self-extracting program.
    std::string head;
    ReadFileAt(r->fd_, 0, 2, &head);
    if (head != "MZ") return nullptr;
  }
  r->start_ = *start;
  r->limits_ = GetExtractLimits();
  if (!zip) {
    r->rar_attributes_ =
        ReadRarAttributes(r->fd_, start->offset, r->file_size_, start->kind == ArchiveStart::kRar5,
                          r->limits_.max_entries);
  }
  if (lseek(r->fd_, static_cast<off_t>(start->offset), SEEK_SET) < 0) return nullptr;

  LocaleScope scope;
  r->a_ = archive_read_new();
  if (zip) {
    archive_read_support_format_zip_seekable(r->a_);
  } else if (start->kind == ArchiveStart::kRar4) {
    archive_read_support_format_rar(r->a_);
  } else {
    archive_read_support_format_rar5(r->a_);
  }
  if (!password.empty()) archive_read_add_passphrase(r->a_, std::string(password).c_str());
  archive_read_set_callback_data(r->a_, r.get());
  archive_read_set_read_callback(r->a_, ReaderCallbacks::Read);
  archive_read_set_seek_callback(r->a_, ReaderCallbacks::Seek);
  archive_read_set_skip_callback(r->a_, ReaderCallbacks::Skip);
  archive_read_set_passphrase_callback(r->a_, r.get(), ReaderCallbacks::Passphrase);
  if (archive_read_open1(r->a_) != ARCHIVE_OK) {
    // A file that starts as an archive and does not open is a damaged or
    // encrypted archive, not some other file to be taken as it is.
    if (start->offset == 0)
      SetLastRefusal(MentionsEncryption(r->a_) ? Refusal::kEncrypted : Refusal::kDamaged);
    return nullptr;
  }
  return r;
}

Refusal ArchiveReader::Fail(Refusal r) {
  if (refusal_ == Refusal::kNone) refusal_ = r;
  SetLastRefusal(refusal_);
  return refusal_;
}

void ArchiveReader::AddPassword(std::string_view password) {
  if (!password.empty()) passwords_.emplace_back(password);
}

int ArchiveReader::Next(EntryInfo* out) {
  if (refusal_ != Refusal::kNone) return -1;
  LocaleScope scope;
  int rc = archive_read_next_header(a_, &entry_);
  if (rc == ARCHIVE_EOF) return 0;
  if (rc < ARCHIVE_WARN) {
    Fail(MentionsEncryption(a_) ? Refusal::kEncrypted : Refusal::kDamaged);
    return -1;
  }
  if (++entries_ > limits_.max_entries) {
    Fail(Refusal::kTooManyEntries);
    return -1;
  }
  EntryInfo info;
  // Names marked UTF-8 (and RAR's Unicode names) come converted; a name
  // stored without a mark is taken as UTF-8 when it is valid UTF-8, as
  // archives made on systems that write UTF-8 store it, and otherwise as
  // code page 936.
  const char* utf8 = archive_entry_pathname_utf8(entry_);
  const char* raw = archive_entry_pathname(entry_);
  if (utf8 != nullptr) {
    info.name = utf8;
  } else if (raw != nullptr) {
    info.name = text::Decode(raw, "CP936");
  }
  auto type = archive_entry_filetype(entry_);
  info.is_folder = type == AE_IFDIR;
  info.is_link = (type != AE_IFDIR && type != AE_IFREG) ||
                 archive_entry_hardlink(entry_) != nullptr ||
                 archive_entry_symlink(entry_) != nullptr;
  info.encrypted = archive_entry_is_encrypted(entry_) != 0;
  info.size =
      archive_entry_size_is_set(entry_) ? static_cast<uint64_t>(archive_entry_size(entry_)) : 0;
  info.attributes = info.is_folder ? 0x10 : 0x20;
  if ((archive_entry_perm(entry_) & 0200) == 0) info.attributes |= 0x01;
  // The value the archive stores, when its headers tell it for this entry.
  if (entries_ <= rar_attributes_.size()) {
    auto stored = rar_attributes_[entries_ - 1];
    if (stored && ((*stored & 0x10) != 0) == info.is_folder) info.attributes = *stored;
  }
  info.mtime = archive_entry_mtime(entry_);
  current_ = info;
  *out = std::move(info);
  return 1;
}

Refusal ArchiveReader::ReadData(int fd) {
  output_.resize(kBlock);
  for (;;) {
    la_ssize_t n = archive_read_data(a_, output_.data(), output_.size());
    if (n == 0) return Refusal::kNone;
    if (n < 0) {
      // A zip entry of its own password: the archive itself reads on.
      if (current_.encrypted && start_.kind == ArchiveStart::kZip && n != ARCHIVE_FATAL)
        return Skip(Refusal::kEncrypted);
      return Fail(current_.encrypted || MentionsEncryption(a_) ? Refusal::kEncrypted
                                                               : Refusal::kDamaged);
    }
    unpacked_ += static_cast<uint64_t>(n);
    if (unpacked_ > limits_.max_bytes ||
        (unpacked_ > limits_.ratio_floor &&
         unpacked_ > limits_.max_ratio * std::max<uint64_t>(file_size_, 1))) {
      return Fail(Refusal::kTooLarge);
    }
    if (fd >= 0) {
      const char* p = output_.data();
      size_t left = static_cast<size_t>(n);
      while (left > 0) {
        ssize_t w = write(fd, p, left);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return Fail(Refusal::kDamaged);
        p += w;
        left -= static_cast<size_t>(w);
      }
    }
  }
}

Refusal ArchiveReader::Test() {
  if (refusal_ != Refusal::kNone) return refusal_;
  LocaleScope scope;
  if (current_.is_link) return Skip(Refusal::kLink);
  if (current_.is_folder) return Refusal::kNone;
  return ReadData(-1);
}

std::string ArchiveReader::FitName(int dir, const std::string& relative, const std::string& part,
                                   bool is_folder) {
  // Windows holds 255 UTF-16 units a name, which in UTF-8 may be three
  // times as many bytes as a Linux file system holds.
  long max = fpathconf(dir, _PC_NAME_MAX);
  size_t limit = max > 0 ? static_cast<size_t>(max) : 255;
  if (part.size() <= limit) return part;
  std::string key = relative + part;
  if (auto it = short_names_.find(key); it != short_names_.end()) return it->second;
  size_t dot = part.rfind('.');
  std::string ext;
  if (dot != std::string::npos && dot > 0 && part.size() - dot <= limit / 4) ext = part.substr(dot);
  const std::string stem = part.substr(0, part.size() - ext.size());
  for (int n = 1;; ++n) {
    std::string number = n == 1 ? "" : " (" + std::to_string(n) + ")";
    size_t room = limit > ext.size() + number.size() ? limit - ext.size() - number.size() : 1;
    // Cut on a character boundary; Windows would drop trailing dots and blanks.
    size_t cut = std::min(room, stem.size());
    while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xc0) == 0x80) --cut;
    while (cut > 0 && (stem[cut - 1] == '.' || stem[cut - 1] == ' ')) --cut;
    std::string name = (cut > 0 ? stem.substr(0, cut) : "_") + number + ext;
    if (short_given_.contains(relative + name)) continue;
    // A long-named entry can replace nothing already there: no file could
    // hold its name. A folder there is entered as any folder is.
    struct stat st {};
    if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        !(is_folder && S_ISDIR(st.st_mode))) {
      continue;
    }
    short_names_[key] = name;
    short_given_.insert(relative + name);
    return name;
  }
}

Refusal ArchiveReader::Extract(const std::string& dest_folder, bool overwrite, bool junk_paths,
                               bool* skipped, std::string* written) {
  if (skipped != nullptr) *skipped = false;
  if (refusal_ != Refusal::kNone) return refusal_;
  auto parts = SafeEntryParts(current_.name);
  if (!parts) return Fail(Refusal::kUnsafeName);
  if (current_.is_link) return Skip(Refusal::kLink);
  if (junk_paths) {
    if (current_.is_folder) return Refusal::kNone;
    parts = std::vector<std::string>{parts->back()};
  }
  LocaleScope scope;
  // Walk down from the destination one level at a time, never through a
  // link, creating the folders the name needs.
  int dir = open(dest_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return Fail(Refusal::kDamaged);
  size_t folders = current_.is_folder ? parts->size() : parts->size() - 1;
  std::string relative;
  for (size_t i = 0; i < folders; ++i) {
    std::string p = FitName(dir, relative, (*parts)[i], true);
    if (mkdirat(dir, p.c_str(), 0755) != 0 && errno != EEXIST) {
      close(dir);
      return Fail(Refusal::kDamaged);
    }
    int next = openat(dir, p.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    close(dir);
    if (next < 0) return Fail(Refusal::kDamaged);
    dir = next;
    relative += p + "/";
  }
  if (current_.is_folder) {
    close(dir);
    if (written != nullptr) *written = relative;
    return Refusal::kNone;
  }
  std::string leaf = FitName(dir, relative, parts->back(), false);
  relative += leaf;
  if (!overwrite) {
    struct stat st {};
    if (fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      close(dir);
      if (skipped != nullptr) *skipped = true;
      return Refusal::kNone;
    }
  }
  // An existing link or folder of that name is not written through.
  struct stat st {};
  if (fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode)) {
    close(dir);
    return Fail(Refusal::kUnsafeName);
  }
  int fd = openat(dir, leaf.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    close(dir);
    return Fail(Refusal::kDamaged);
  }
  Refusal r = ReadData(fd);
  if (r == Refusal::kNone && current_.mtime > 0) {
    struct timespec times[2] = {{current_.mtime, 0}, {current_.mtime, 0}};
    futimens(fd, times);
  }
  close(fd);
  if (r != Refusal::kNone) unlinkat(dir, leaf.c_str(), 0);
  close(dir);
  if (r == Refusal::kNone && written != nullptr) *written = relative;
  return r;
}

}  // namespace ostrel::archive
