#include "platform/archive/zip32.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>

#include "platform/archive/archive_locale.h"
#include "platform/fs/dir_listing.h"
#include "platform/fs/file_io.h"
#include "platform/fs/path_map.h"
#include "platform/fs/run_leftovers.h"
#include "platform/fs/wildcard.h"
#include "platform/text/charset.h"
#include "platform/vb/vb_error.h"

namespace ostrel::archive {

namespace {

thread_local ZIPUSERFUNCTIONS user_functions;
thread_local ZPOPT options;

time_t UnixTime(fs::FileTime t) {
  constexpr uint64_t kEpoch = 116444736000000000ULL;  // 1970-01-01 in 100 ns since 1601
  return t.ticks() > kEpoch ? static_cast<time_t>((t.ticks() - kEpoch) / 10000000) : 0;
}

struct Item {
  std::string native;
  std::string stored;
  bool is_folder = false;
  bool from_tree = false;  // met inside a named folder, so -m may remove it
  time_t mtime = 0;
};

class Collector {
 public:
  Collector(std::string root, const ZPOPT& opt) : root_(std::move(root)), opt_(opt) {}

  void AddNamed(const std::string& native) {
    std::string_view folder, last;
    fs::SplitLast(native, &folder, &last);
    if (fs::HasWildcards(last)) {
      std::string dir(folder.empty() ? "." : folder);
      auto entries = fs::ReadFolder(dir);
      if (!entries) return;
      for (const auto& e : *entries) {
        if (!fs::MatchesPattern(last, e.name) || e.is_link) continue;
        AddEntry(fs::JoinNative(dir, e.name), e, false);
      }
      return;
    }
    fs::DirEntry e;
    if (!fs::ReadEntry(native, false, &e) || e.is_link) return;
    AddEntry(native, e, false);
  }

  std::vector<Item> items;

 private:
  void AddEntry(const std::string& native, const fs::DirEntry& e, bool from_tree) {
    if (e.is_folder) {
      if (!opt_.fRecurse) {
        if (!opt_.fNoDirEntries) Add(native, true, from_tree, UnixTime(e.written));
        return;
      }
      AddTree(native, from_tree);
      return;
    }
    Add(native, false, from_tree, UnixTime(e.written));
  }

  void AddTree(const std::string& folder, bool from_tree) {
    if (!opt_.fNoDirEntries && !Stored(folder).empty()) {
      Add(folder, true, from_tree, 0);
    } else if (from_tree) {
      items.push_back(Item{folder, "", true, true, 0});  // walked, for -m only
    }
    auto entries = fs::ReadFolder(folder);
    if (!entries) return;
    for (const auto& e : *entries) {
      if (e.is_link) continue;
      AddEntry(fs::JoinNative(folder, e.name), e, true);
    }
  }

  std::string Stored(const std::string& native) const {
    std::string name = native;
    if (!root_.empty() && name.starts_with(root_ + "/")) {
      name = name.substr(root_.size() + 1);
    } else if (!root_.empty() && name == root_) {
      name.clear();
    } else {
      name.erase(0, name.find_first_not_of('/'));
    }
    if (opt_.fJunkDir) {
      auto slash = name.rfind('/');
      if (slash != std::string::npos) name = name.substr(slash + 1);
    }
    return name;
  }

  void Add(const std::string& native, bool is_folder, bool from_tree, time_t mtime) {
    std::string stored = Stored(native);
    if (stored.empty() || (is_folder && opt_.fJunkDir)) return;
    if (is_folder) stored += "/";
    if (!seen_.insert(stored).second) return;
    items.push_back(Item{native, stored, is_folder, from_tree, mtime});
  }

  std::string root_;
  const ZPOPT& opt_;
  std::set<std::string> seen_;
};

bool SpelledInCp936(const std::string& name) {
  if (std::all_of(name.begin(), name.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return true;
  }
  std::string bytes = text::Encode(name, "CP936");
  return text::Decode(bytes, "CP936") == name;
}

int WriteItems(struct ::archive* a, const std::vector<Item>& items, const ZPOPT& opt) {
  std::vector<char> buffer(256 * 1024);
  for (const auto& item : items) {
    if (item.stored.empty()) continue;
    if (user_functions.ServiceApplication &&
        user_functions.ServiceApplication(item.stored, 0) != 0) {
      return ZE_LOGIC;
    }
    // The writer marks a name UTF-8 when the thread's locale is UTF-8 and
    // stores the bytes it is given otherwise: code page 936 bytes go in
    // under the C locale, the others as UTF-8 under a UTF-8 one.
    bool cp936 = SpelledInCp936(item.stored);
    uselocale(cp936 ? CLocale() : Utf8Locale());
    struct archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry,
                               (cp936 ? text::Encode(item.stored, "CP936") : item.stored).c_str());
    int fd = -1;
    struct stat st {};
    if (item.is_folder) {
      archive_entry_set_filetype(entry, AE_IFDIR);
      archive_entry_set_perm(entry, 0755);
      archive_entry_set_mtime(entry, item.mtime, 0);
    } else {
      fd = open(item.native.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) close(fd);
        archive_entry_free(entry);
        return ZE_OPEN;
      }
      archive_entry_set_filetype(entry, AE_IFREG);
      archive_entry_set_perm(entry, st.st_mode & 0777);
      archive_entry_set_size(entry, st.st_size);
      archive_entry_set_mtime(entry, st.st_mtime, 0);
    }
    int rc = archive_write_header(a, entry);
    archive_entry_free(entry);
    if (rc < ARCHIVE_WARN) {
      if (user_functions.print)
        user_functions.print(std::string("zip error: ") + archive_error_string(a) + "\n");
      if (fd >= 0) close(fd);
      return ZE_WRITE;
    }
    if (fd >= 0) {
      for (;;) {
        ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
          close(fd);
          return ZE_READ;
        }
        if (n == 0) break;
        if (archive_write_data(a, buffer.data(), static_cast<size_t>(n)) < 0) {
          close(fd);
          return ZE_WRITE;
        }
      }
      close(fd);
    }
    if (user_functions.print && opt.fQuiet == 0)
      user_functions.print("  adding: " + item.stored + "\n");
  }
  return ZE_OK;
}

}  // namespace

int ZpInit(const ZIPUSERFUNCTIONS& functions) {
  user_functions = functions;
  return 1;
}

int ZpSetOptions(const ZPOPT& value) {
  options = value;
  return 1;
}

ZPOPT ZpGetOptions() { return options; }

int ZpArchive(int argc, std::string_view zip_name, const std::vector<std::string>& names) {
  const ZPOPT opt = options;
  std::string target, root;
  try {
    target = fs::ToNative(zip_name);
    if (!opt.szRootDir.empty()) root = fs::ToNative(opt.szRootDir);
  } catch (const vb::VbError&) {
    return ZE_PARMS;
  }
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (target.empty() || target.back() == '/') return ZE_PARMS;
  Collector collector(root, opt);
  for (int i = 0; i < argc && i < static_cast<int>(names.size()); ++i) {
    try {
      collector.AddNamed(fs::ToNative(names[static_cast<size_t>(i)]));
    } catch (const vb::VbError&) {
      if (user_functions.print)
        user_functions.print("zip warning: name not matched: " + names[static_cast<size_t>(i)] +
                             "\n");
    }
  }
  const auto& items = collector.items;
  if (std::none_of(items.begin(), items.end(), [](const Item& i) { return !i.stored.empty(); })) {
    if (user_functions.print) user_functions.print("zip error: Nothing to do!\n");
    return ZE_NONE;
  }

  struct stat before {};
  const bool existed = lstat(target.c_str(), &before) == 0;
  // Written under a hidden working name beside the target: never served
  // half done, and removed by a later start if this process dies meanwhile.
  int fd = -1;
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string temp = fs::MakeWorkFile(folder, &fd);
  if (fd < 0) return ZE_CREAT;
  fchmod(fd, 0644);
  LocaleScope scope;
  struct ::archive* a = archive_write_new();
  archive_write_set_format_zip(a);
  if (opt.fLevel == '0') {
    archive_write_set_format_option(a, "zip", "compression", "store");
  } else if (opt.fLevel >= '1' && opt.fLevel <= '9') {
    std::string level(1, opt.fLevel);
    archive_write_set_format_option(a, "zip", "compression-level", level.c_str());
  }
  int rc = archive_write_open_fd(a, fd) == ARCHIVE_OK ? WriteItems(a, items, opt) : ZE_CREAT;
  if (archive_write_close(a) != ARCHIVE_OK && rc == ZE_OK) rc = ZE_WRITE;
  archive_write_free(a);
  if (fsync(fd) != 0 && rc == ZE_OK) rc = ZE_WRITE;
  close(fd);
  // A new archive never goes over a file that appeared while it was written.
  if (rc == ZE_OK && (existed ? rename(temp.c_str(), target.c_str()) != 0
                              : fs::RenameNoReplace(temp, target) != 0)) {
    rc = ZE_CREAT;
  }
  if (rc != ZE_OK) unlink(temp.c_str());
  fs::ReleaseWork(temp);
  if (rc != ZE_OK) return rc;
  if (opt.fMove) {
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
      if (!it->is_folder) {
        unlink(it->native.c_str());
      } else if (it->from_tree) {
        rmdir(it->native.c_str());  // only when the move emptied it
      }
    }
  }
  return ZE_OK;
}

}  // namespace ostrel::archive
