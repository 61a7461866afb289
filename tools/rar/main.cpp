// Rar.exe: a small command-line archiver for the re-packer. It takes
//
//   Rar.exe a [-r] [-k] [-s] [-m<n>] [-df] [-z<comment file>] [-ep1] [-as] [--] archive names...
//
// and writes a RAR 4.x archive whose entries are stored, not compressed
// (-m is accepted and the data is stored as it is). -k locks the archive,
// -s marks it solid (the main header's flag), -z adds the comment, -r
// recurses into folders, -ep1 stores names relative to the folder named,
// -df deletes the archived files (and the folders it emptied) once the
// archive is complete, and -as drops from an existing archive the entries
// that are no longer there; without -as the entries of an existing
// archive that are not added again are kept.
//
// The archive is written to a temporary file beside it, under a hidden
// working name (platform/fs/run_leftovers.h), and renamed into place, so a
// failure leaves the old archive or none (a new archive is never put over a
// file that appeared meanwhile); an existing archive that is damaged is
// left as it is and nothing is added. Local names that are no UTF-8 are
// read in the system code page, and no two entries get one name. Exit
// status: 0 success, 2 fatal error, 3 the existing archive is damaged,
// 7 bad command line, 9 the archive could not be created, 10 no files to add.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/fs/dir_listing.h"
#include "platform/fs/file_io.h"
#include "platform/fs/run_leftovers.h"
#include "platform/fs/wildcard.h"
#include "platform/text/charset.h"
#include "platform/vb/ascii_case.h"
#include "rar4_writer.h"

namespace {

using ostrel::rar::Rar4Writer;

uint32_t Rar4Crc(const char* data, size_t size) { return ostrel::rar::Crc32(0, data, size); }

struct Options {
  bool recurse = false, lock = false, solid = false, delete_files = false;
  bool exclude_base = false, synchronise = false;
  std::string comment_file;
  std::string archive;
  std::vector<std::string> names;
};

struct Item {
  std::string native;
  std::string stored;
  bool is_folder = false;
  bool walked = false;  // a folder met inside a named folder
};

int Usage(const char* why) {
  std::fprintf(stderr, "Rar.exe: %s\nusage: Rar.exe a [switches] [--] archive names...\n", why);
  return 7;
}

class Collector {
 public:
  explicit Collector(const Options& o) : o_(o) {}

  void AddNamed(const std::string& arg) {
    std::string path = arg;
    bool folder_form = path.size() > 1 && path.back() == '/';
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    std::string_view folder, last;
    ostrel::fs::SplitLast(path, &folder, &last);
    // -ep1 stores names below the folder that holds what was named (the
    // named folder itself when it ends in "/").
    std::string base = folder_form ? path + "/" : std::string(folder);
    if (ostrel::fs::HasWildcards(last)) {
      std::string dir(folder.empty() ? "." : folder);
      auto entries = ostrel::fs::ReadFolder(dir);
      if (!entries) return;
      for (const auto& e : *entries) {
        if (e.is_link || !ostrel::fs::MatchesPattern(last, e.name)) continue;
        Add(ostrel::fs::JoinNative(dir, e.name), e.is_folder, base, false);
      }
      return;
    }
    ostrel::fs::DirEntry e;
    if (!ostrel::fs::ReadEntry(path, false, &e) || e.is_link) {
      std::fprintf(stderr, "Rar.exe: cannot find %s\n", arg.c_str());
      return;
    }
    if (folder_form && e.is_folder) {
      if (o_.recurse) Walk(path, base);
      return;
    }
    Add(path, e.is_folder, base, false);
  }

  std::vector<Item> items;

 private:
  std::string Stored(const std::string& native, const std::string& base) const {
    if (o_.exclude_base && !base.empty() && native.starts_with(base))
      return native.substr(base.size());
    std::string s = native;
    s.erase(0, s.find_first_not_of('/'));
    if (s.starts_with("./")) s.erase(0, 2);
    return s;
  }

  void Add(const std::string& native, bool is_folder, const std::string& base, bool walked) {
    std::string stored = Stored(native, base);
    if (!stored.empty() && seen_.insert(stored).second) {
      items.push_back(Item{native, UniqueName(stored), is_folder, walked});
    }
    if (is_folder && o_.recurse) Walk(native, base);
  }

  // The name an entry is stored under: each part of the local name as
  // text (bytes that are no UTF-8 read in the system code page, and
  // characters no entry name may hold made "_"), below
  // the name its folder got, and never the name of another entry (Windows
  // compares names without case): a clash gets " (2)", " (3)" ... before
  // its extension.
  std::string UniqueName(const std::string& local) {
    size_t slash = local.rfind('/');
    std::string folder;
    if (slash != std::string::npos) {
      std::string local_folder = local.substr(0, slash);
      auto it = names_.find(local_folder);
      folder = (it != names_.end() ? it->second : ConvertParts(local_folder)) + "/";
    }
    std::string leaf = ConvertParts(slash == std::string::npos ? local : local.substr(slash + 1));
    std::string name = folder + leaf;
    size_t dot = leaf.rfind('.');
    if (dot == 0 || dot == std::string::npos) dot = leaf.size();
    for (int n = 2; !taken_.insert(ostrel::vb::LowerAscii(name)).second; ++n) {
      name = folder + leaf.substr(0, dot) + " (" + std::to_string(n) + ")" + leaf.substr(dot);
    }
    names_[local] = name;
    return name;
  }

  // Each "/"-separated part converted on its own; a character no entry
  // name may hold (a control character, "\\" or ":") becomes "_".
  static std::string ConvertParts(const std::string& local) {
    std::string out;
    size_t from = 0;
    for (;;) {
      size_t slash = local.find('/', from);
      std::string part = local.substr(from, slash - from);
      if (ostrel::text::SanitizeUtf8(part) != part) part = ostrel::text::Decode(part, "CP936");
      for (char& c : part) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '\\' || c == ':') c = '_';
      }
      out += part;
      if (slash == std::string::npos) return out;
      out += '/';
      from = slash + 1;
    }
  }

  void Walk(const std::string& folder, const std::string& base) {
    auto entries = ostrel::fs::ReadFolder(folder);
    if (!entries) return;
    for (const auto& e : *entries) {
      if (e.is_link) continue;
      Add(ostrel::fs::JoinNative(folder, e.name), e.is_folder, base, true);
    }
  }

  const Options& o_;
  std::set<std::string> seen_;
  std::set<std::string> taken_;               // stored names, without case
  std::map<std::string, std::string> names_;  // local name -> stored name
};

uint16_t Le16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}
uint32_t Le32(const std::string& s, size_t at) {
  return Le16(s, at) | uint32_t{Le16(s, at + 2)} << 16;
}

enum class Existing { kRead, kNotRar, kDamaged };

// The file blocks of an existing RAR 4 archive, whole (header and data),
// with the name field each holds. Every header's CRC is checked, and the
// data of every stored entry; a block that does not fit in the file, or
// any check that fails, makes the archive damaged.
Existing ReadBlocks(const std::string& path,
                    std::vector<std::pair<std::string, std::string>>* blocks) {
  std::string bytes;
  if (ostrel::fs::ReadWholeFile(path, size_t{1} << 32, &bytes) != 0) return Existing::kNotRar;
  if (!bytes.starts_with(std::string_view("Rar!\x1a\x07\x00", 7))) return Existing::kNotRar;
  size_t at = 7;
  while (at < bytes.size()) {
    size_t left = bytes.size() - at;
    if (left < 7) return Existing::kDamaged;
    uint8_t type = static_cast<uint8_t>(bytes[at + 2]);
    uint16_t flags = Le16(bytes, at + 3);
    size_t size = Le16(bytes, at + 5);
    if (size < 7 || size > left) return Existing::kDamaged;
    if ((Rar4Crc(bytes.data() + at + 2, size - 2) & 0xffff) != Le16(bytes, at))
      return Existing::kDamaged;
    uint64_t add = 0;
    if (flags & 0x8000) {
      if (size < 11) return Existing::kDamaged;
      add = Le32(bytes, at + 7);
    }
    if (type == 0x74) {
      bool large = flags & 0x0100;
      if (size < (large ? 40u : 32u)) return Existing::kDamaged;
      if (large) add |= uint64_t{Le32(bytes, at + 32)} << 32;
      size_t name_at = at + 32 + (large ? 8 : 0);
      size_t name_size = Le16(bytes, at + 26);
      if (name_size > at + size - name_at) return Existing::kDamaged;
      if (add > left - size) return Existing::kDamaged;
      // Stored data can be checked as it stands (packed and unpacked alike).
      if (static_cast<uint8_t>(bytes[at + 25]) == 0x30 && (flags & 0x0007) == 0 &&
          Rar4Crc(bytes.data() + at + size, add) != Le32(bytes, at + 16)) {
        return Existing::kDamaged;
      }
      blocks->emplace_back(bytes.substr(name_at, name_size), bytes.substr(at, size + add));
    }
    if (add > left - size) return Existing::kDamaged;
    if (type == 0x7b) return Existing::kRead;
    at += size + add;
  }
  return Existing::kRead;
}

void DeleteArchived(const std::vector<Item>& items) {
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    if (!it->is_folder) {
      unlink(it->native.c_str());
    } else if (it->walked) {
      rmdir(it->native.c_str());  // only when it is empty now
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  int i = 1;
  if (argc < 2 || std::string(argv[1]) != "a") return Usage("only the command a is known");
  for (i = 2; i < argc; ++i) {
    std::string s = argv[i];
    if (s == "--") {
      ++i;
      break;
    }
    if (s.empty() || s[0] != '-') break;
    if (s == "-r")
      o.recurse = true;
    else if (s == "-k")
      o.lock = true;
    else if (s == "-s")
      o.solid = true;
    else if (s == "-df")
      o.delete_files = true;
    else if (s == "-ep1")
      o.exclude_base = true;
    else if (s == "-as")
      o.synchronise = true;
    else if (s.starts_with("-m") && s.size() == 3 && s[2] >= '0' && s[2] <= '5') {
    } else if (s.starts_with("-z"))
      o.comment_file = s.substr(2);
    else
      return Usage(("unknown switch " + s).c_str());
  }
  if (i >= argc) return Usage("no archive named");
  o.archive = argv[i++];
  for (; i < argc; ++i) o.names.emplace_back(argv[i]);
  if (o.names.empty()) return Usage("no files named");

  Collector collector(o);
  for (const auto& n : o.names) collector.AddNamed(n);
  if (collector.items.empty()) {
    std::fprintf(stderr, "Rar.exe: no files to add\n");
    return 10;
  }
  std::string comment;
  if (!o.comment_file.empty() &&
      ostrel::fs::ReadWholeFile(o.comment_file, 64 * 1024, &comment) != 0) {
    std::fprintf(stderr, "Rar.exe: cannot read comment file %s; no comment added\n",
                 o.comment_file.c_str());
    comment.clear();
  }
  std::vector<std::pair<std::string, std::string>> old_blocks;
  struct stat st {};
  const bool existed = lstat(o.archive.c_str(), &st) == 0;
  if (!o.synchronise && existed) {
    Existing existing = ReadBlocks(o.archive, &old_blocks);
    if (existing == Existing::kNotRar) {
      std::fprintf(stderr, "Rar.exe: %s is not a RAR archive\n", o.archive.c_str());
      return 2;
    }
    if (existing == Existing::kDamaged) {
      std::fprintf(stderr, "Rar.exe: %s is damaged (CRC or size error); nothing added\n",
                   o.archive.c_str());
      return 3;
    }
  }

  // A hidden working name of this process beside the archive, held while
  // this program runs: the host never serves it, and its next start removes
  // it once this program has ended without finishing it, however it ended.
  const size_t slash = o.archive.rfind('/');
  int fd = -1;
  const std::string temp = ostrel::fs::MakeWorkFile(
      slash == std::string::npos ? "" : o.archive.substr(0, slash + 1), &fd);
  if (temp.empty()) {
    std::fprintf(stderr, "Rar.exe: cannot create %s\n", o.archive.c_str());
    return 9;
  }
  fchmod(fd, 0644);
  Rar4Writer w(fd);
  uint16_t flags = (o.lock ? Rar4Writer::kLock : 0) | (o.solid ? Rar4Writer::kSolid : 0);
  bool ok = w.Begin(flags, comment);
  std::set<std::string> new_names;
  for (const auto& item : collector.items) {
    bool unicode;
    new_names.insert(Rar4Writer::NameField(item.stored, &unicode));
  }
  for (const auto& [name, block] : old_blocks) {
    if (ok && !new_names.contains(name)) ok = w.AddRaw(block);
  }
  for (const auto& item : collector.items) {
    if (!ok) break;
    struct stat s {};
    if (item.is_folder) {
      ok = lstat(item.native.c_str(), &s) == 0 && w.AddFolder(item.stored, s.st_mtime);
      continue;
    }
    int in = open(item.native.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    ok = in >= 0 && fstat(in, &s) == 0 && S_ISREG(s.st_mode) &&
         w.AddFile(item.stored, in, static_cast<uint64_t>(s.st_size), s.st_mtime,
                   (s.st_mode & 0200) == 0);
    if (!ok) std::fprintf(stderr, "Rar.exe: cannot read %s\n", item.native.c_str());
    if (in >= 0) close(in);
  }
  ok = ok && w.End() && fsync(fd) == 0;
  close(fd);
  // A new archive never goes over a file that appeared while it was written.
  if (!ok || (existed ? rename(temp.c_str(), o.archive.c_str()) != 0
                      : ostrel::fs::RenameNoReplace(temp, o.archive) != 0)) {
    unlink(temp.c_str());
    ostrel::fs::ReleaseWork(temp);
    std::fprintf(stderr, "Rar.exe: writing %s failed\n", o.archive.c_str());
    return 2;
  }
  ostrel::fs::ReleaseWork(temp);
  if (o.delete_files) DeleteArchived(collector.items);
  return 0;
}
