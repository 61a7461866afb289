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
// The archive is written to a temporary file beside it and renamed into
// place, so a failure leaves the old archive or none. Exit status: 0
// success, 2 fatal error, 7 bad command line, 9 the archive could not be
// created, 10 no files to add.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/fs/dir_listing.h"
#include "platform/fs/file_io.h"
#include "platform/fs/wildcard.h"
#include "rar4_writer.h"

namespace {

using ostrel::rar::Rar4Writer;

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
      items.push_back(Item{native, stored, is_folder, walked});
    }
    if (is_folder && o_.recurse) Walk(native, base);
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
};

uint16_t Le16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}
uint32_t Le32(const std::string& s, size_t at) {
  return Le16(s, at) | uint32_t{Le16(s, at + 2)} << 16;
}

// The file blocks of an existing RAR 4 archive, whole (header and data),
// with the name field each holds. False when it is not such an archive.
bool ReadBlocks(const std::string& path, std::vector<std::pair<std::string, std::string>>* blocks) {
  std::string bytes;
  if (ostrel::fs::ReadWholeFile(path, size_t{1} << 32, &bytes) != 0) return false;
  if (!bytes.starts_with(std::string_view("Rar!\x1a\x07\x00", 7))) return false;
  size_t at = 7;
  while (at + 7 <= bytes.size()) {
    uint8_t type = static_cast<uint8_t>(bytes[at + 2]);
    uint16_t flags = Le16(bytes, at + 3);
    size_t size = Le16(bytes, at + 5);
    uint64_t add = (flags & 0x8000) && at + 11 <= bytes.size() ? Le32(bytes, at + 7) : 0;
    if (type == 0x74 && (flags & 0x0100) && at + 40 <= bytes.size())
      add |= uint64_t{Le32(bytes, at + 32)} << 32;
    if (size < 7 || at + size + add > bytes.size()) return false;
    if (type == 0x74) {
      size_t name_at = at + 32 + ((flags & 0x0100) ? 8 : 0);
      size_t name_size = Le16(bytes, at + 26);
      if (name_at + name_size > at + size) return false;
      blocks->emplace_back(bytes.substr(name_at, name_size), bytes.substr(at, size + add));
    }
    if (type == 0x7b) break;
    at += size + add;
  }
  return true;
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
  if (!o.synchronise && lstat(o.archive.c_str(), &st) == 0 && !ReadBlocks(o.archive, &old_blocks)) {
    std::fprintf(stderr, "Rar.exe: %s is not a RAR archive\n", o.archive.c_str());
    return 2;
  }

  std::string temp = o.archive + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) {
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
  if (!ok || rename(temp.c_str(), o.archive.c_str()) != 0) {
    unlink(temp.c_str());
    std::fprintf(stderr, "Rar.exe: writing %s failed\n", o.archive.c_str());
    return 2;
  }
  if (o.delete_files) DeleteArchived(collector.items);
  return 0;
}
