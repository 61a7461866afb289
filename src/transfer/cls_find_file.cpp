#include "transfer/cls_find_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "component/registration.h"
#include "platform/com/class_info.h"
#include "platform/fs/file_system_object.h"
#include "platform/fs/find_file.h"
#include "platform/fs/path_map.h"
#include "platform/text/charset.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/value_checks.h"

namespace ostrel::transfer {

namespace {

const component::ComponentClass<clsFindFile> kFindFileClass("Ostrel.clsFindFile");

bool IsDots(const std::string& name) { return name == "." || name == ".."; }

// The entries matching a pattern, in the platform's order; none when
// nothing matches or the folder can not be listed.
std::vector<fs::FindData> List(const std::string& pattern) {
  std::vector<fs::FindData> out;
  fs::FindData d;
  auto search = fs::FindFirstFileA(pattern, &d);
  if (!search) return out;
  do {
    out.push_back(d);
  } while (fs::FindNextFileA(search.get(), &d));
  fs::FindClose(search);
  return out;
}

}  // namespace

clsFindFile::clsFindFile() = default;

clsFindFile::~clsFindFile() {
  ClearResults();
  state_ = 0;
}

const com::TypeInfo& clsFindFile::Type() const {
  using C = clsFindFile;
  static const com::TypeInfo info =
      com::ClassInfo<C>("clsFindFile")
          .Field("sCurrentSearchFolder", &C::sCurrentSearchFolder)
          .Method("StripNulls", &C::StripNullsMember)
          .Method("BeginSearch", &C::BeginSearch)
          .Method("srTime", &C::srTime)
          .Property("srTotalSizeOfFilesFound", &C::srTotalSizeOfFilesFound, nullptr)
          .Property("srWasRecursiveSearch", &C::srWasRecursiveSearch, nullptr)
          .Property("srFilter", &C::srFilter, nullptr)
          .Property("srRootPath", &C::srRootPath, nullptr)
          .Property("srNumFilesFound", &C::srNumFilesFound, nullptr)
          .Property("srNumFoldersFound", &C::srNumFoldersFound, nullptr)
          .Method("srFiles", &C::srFiles)
          .Method("srFolders", &C::srFolders)
          .Method("srGetFiles", &C::srGetFiles)
          .Method("srGetFolders", &C::srGetFolders)
          .Method("SearchFileContents", &C::SearchFileContentsMember)
          .Method("ClearResults", &C::ClearResults)
          .Method("CancelSearch", &C::CancelSearch)
          .Method("FormatFileSize", &C::FormatFileSize)
          .Event("FileFound", &C::FileFound)
          .Event("FolderFound", &C::FolderFound)
          .Build();
  return info;
}

std::string clsFindFile::StripNulls(std::string& OriginalStr) {
  auto nul = OriginalStr.find('\0');
  if (nul != std::string::npos) OriginalStr.resize(nul);
  return OriginalStr;
}

bool clsFindFile::BeginSearch(std::string sSearchRoot, std::string sFilter, bool bSearchSubfolders,
                              std::optional<std::string> sFindInFile,
                              std::optional<bool> bFoldersOnly) {
  recursive_ = bSearchSubfolders;
  filter_ = sFilter;
  root_ = sSearchRoot;
  start_time_ = vb::LongTimeText(vb::Now());
  files_.clear();
  folders_.clear();
  if (state_ == kSearching) return false;
  state_ = kSearching;
  files_found_ = 0;
  folders_found_ = 0;
  std::string root = sSearchRoot;
  if (root.empty() || root.back() != '\\') root += '\\';
  bool failed = !fs::FileSystemObject().FolderExists(root);
  uint64_t sum =
      failed ? 0 : SearchFolder(root, sFindInFile.value_or(""), bFoldersOnly.value_or(false));
  total_size_ = failed ? -1 : static_cast<double>(sum);
  if (failed) state_ = kFailed;
  end_time_ = vb::LongTimeText(vb::Now());
  if (state_ == kSearching) state_ = kIdle;
  return true;
}

uint64_t clsFindFile::SearchFolder(std::string folder, const std::string& find_in_file,
                                   bool folders_only) {
  if (state_ == kCancelRequested) return 0;
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  uint64_t sum = 0;
  try {
    std::vector<std::string> subfolders;
    if (recursive_) {
      for (const auto& d : List(folder + "*")) {
        if (!(d.file_attributes & fs::FILE_ATTRIBUTE_DIRECTORY) || IsDots(d.file_name)) continue;
        sCurrentSearchFolder = folder + d.file_name;
        subfolders.push_back(d.file_name);
        ++folders_found_;
        folders_.push_back(folder + d.file_name);
      }
    }
    if (find_in_file.empty()) {
      for (const auto& d : List(folder + filter_)) {
        if (!(d.file_attributes & fs::FILE_ATTRIBUTE_DIRECTORY) || IsDots(d.file_name)) continue;
        std::string path = folder + d.file_name;
        FolderFound.Raise(path);
      }
    }
    if (!folders_only) {
      for (const auto& d : List(folder + filter_)) {
        if (IsDots(d.file_name)) continue;
        std::string path = folder + d.file_name;
        if (!find_in_file.empty()) {
          std::string text = find_in_file;
          if (SearchFileContents(path, text) < 1) continue;
        }
        sCurrentSearchFolder = folder;
        sum += d.size();
        ++files_found_;
        files_.push_back(path);
        FileFound.Raise(path);
      }
    }
    for (const auto& name : subfolders)
      sum += SearchFolder(folder + name + "\\", find_in_file, folders_only);
  } catch (const vb::VbError&) {
    state_ = kFailed;
  }
  return sum;
}

int16_t clsFindFile::SearchFileContents(const std::string& sFilename, std::string& sSearchStr) {
  if (vb::Len(sSearchStr) >= 512) sSearchStr = vb::Left(sSearchStr, 511);
  int fd;
  try {
    fd = open(fs::ToNative(sFilename).c_str(), O_RDONLY | O_CLOEXEC);
  } catch (const vb::VbError&) {
    return -1;
  }
  if (fd < 0) return -1;
  // The file's bytes are read as ANSI text: the text is looked for in its
  // code page spelling.
  const std::string needle = text::ToAnsi(sSearchStr);
  auto read_block = [fd](std::string* block) {
    block->resize(512);
    size_t got = 0;
    while (got < 512) {
      ssize_t n = read(fd, block->data() + got, 512 - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) break;
      got += static_cast<size_t>(n);
    }
    block->resize(got);
    return true;
  };
  std::string a, b;
  int16_t result = 0;
  if (!read_block(&a)) {
    result = -1;
  } else if (a.size() < 512) {
    result = a.find(needle) != std::string::npos ? 1 : 0;
  } else {
    for (;;) {
      if (state_ == kCancelRequested) break;
      if (!read_block(&b)) {
        result = -1;
        break;
      }
      if ((a + b).find(needle) != std::string::npos) {
        result = 1;
        break;
      }
      if (b.size() < 512) break;
      a.swap(b);
    }
  }
  close(fd);
  return result;
}

bool clsFindFile::srGetFiles(vb::Variant& sArray) const {
  std::vector<vb::Variant> items(files_.begin(), files_.end());
  if (items.empty()) items.emplace_back("");
  sArray = vb::Variant::FromList(std::move(items));
  return true;
}

bool clsFindFile::srGetFolders(vb::Variant& sArray) const {
  std::vector<vb::Variant> items(folders_.begin(), folders_.end());
  if (items.empty()) items.emplace_back("");
  sArray = vb::Variant::FromList(std::move(items));
  return true;
}

void clsFindFile::ClearResults() {
  files_.clear();
  folders_.clear();
  total_size_ = 0;
  files_found_ = 0;
  folders_found_ = 0;
  filter_.clear();
  root_.clear();
  start_time_.clear();
  end_time_.clear();
}

std::string clsFindFile::FormatFileSize(double Size) const {
  return processing::FormatFileSize(Size);
}

std::string clsFindFile::StripNullsMember(vb::Variant& OriginalStr) const {
  std::string text = vb::CStr(OriginalStr);
  std::string cut = StripNulls(text);
  OriginalStr = vb::Variant(text);
  return cut;
}

int16_t clsFindFile::SearchFileContentsMember(vb::Variant& sFilename, vb::Variant& sSearchStr) {
  std::string text = vb::CStr(sSearchStr);
  int16_t r = SearchFileContents(vb::CStr(sFilename), text);
  if (text != vb::CStr(sSearchStr)) sSearchStr = vb::Variant(text);
  return r;
}

vb::Variant clsFindFile::Count(int64_t n) {
  if (n <= std::numeric_limits<int32_t>::max()) return vb::Variant(static_cast<int32_t>(n));
  return vb::Variant(static_cast<double>(n));
}

std::string clsFindFile::Entry(const std::vector<std::string>& list, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return "";
  return list[static_cast<size_t>(index)];
}

}  // namespace ostrel::transfer
