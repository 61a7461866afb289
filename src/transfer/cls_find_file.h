// clsFindFile: walks a folder tree with the platform's file search, lists
// the matching files (optionally only those whose content holds a text),
// counts the sub-folders, sums the sizes, and raises FileFound and
// FolderFound for what it meets. The re-packer deletes unwanted files and
// copies readme files from those events.
//
// The platform's search lists a folder sorted by name, so results and
// events come in one fixed order whatever the file system's own order.
// Links are entries of their own and are never walked through. Counts and
// sizes are kept in 64 bits; a walk whose root can not be read ends with
// state 2050 and a total size of -1.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/event.h"
#include "platform/vb/variant.h"

namespace ostrel::transfer {

class clsFindFile : public com::Dispatch {
 public:
  static constexpr int32_t kIdle = 2048;
  static constexpr int32_t kSearching = 2049;
  static constexpr int32_t kFailed = 2050;
  static constexpr int32_t kCancelRequested = 1638;

  clsFindFile();
  ~clsFindFile() override;
  const com::TypeInfo& Type() const override;

  std::string sCurrentSearchFolder;

  // Raised inside BeginSearch with the full path (by reference). The
  // re-packer connects to the members; a host page connects by name
  // (Dispatch::Advise), both reaching the same event.
  com::Event<std::string> FileFound;
  com::Event<std::string> FolderFound;

  // The text up to its first NUL; the argument is cut the same way.
  static std::string StripNulls(std::string& OriginalStr);
  std::string StripNullsMember(vb::Variant& OriginalStr) const;
  bool BeginSearch(std::string sSearchRoot, std::string sFilter, bool bSearchSubfolders,
                   std::optional<std::string> sFindInFile = std::nullopt,
                   std::optional<bool> bFoldersOnly = std::nullopt);
  std::string srTime(bool bStartTime) const { return bStartTime ? start_time_ : end_time_; }
  double srTotalSizeOfFilesFound() const { return total_size_; }
  bool srWasRecursiveSearch() const { return recursive_; }
  std::string srFilter() const { return filter_; }
  std::string srRootPath() const { return root_; }
  // Counts beyond the 32-bit range come out as Double.
  vb::Variant srNumFilesFound() const { return Count(files_found_); }
  vb::Variant srNumFoldersFound() const { return Count(folders_found_); }
  std::string srFiles(int32_t lIndex) const { return Entry(files_, lIndex); }
  std::string srFolders(int32_t lIndex) const { return Entry(folders_, lIndex); }
  bool srGetFiles(vb::Variant& sArray) const;
  bool srGetFolders(vb::Variant& sArray) const;
  // 1 found, 0 not found, -1 error. A text of 512 characters or more is
  // cut to 511, in the caller's variable too.
  int16_t SearchFileContents(const std::string& sFilename, std::string& sSearchStr);
  int16_t SearchFileContentsMember(vb::Variant& sFilename, vb::Variant& sSearchStr);
  void ClearResults();
  void CancelSearch() { state_ = kCancelRequested; }
  std::string FormatFileSize(double Size) const;

  int32_t state() const { return state_; }
  int64_t files_found() const { return files_found_; }
  const std::vector<std::string>& files() const { return files_; }

 private:
  // Returns the bytes of the files found in the folder and below it.
  uint64_t SearchFolder(std::string folder, const std::string& find_in_file, bool folders_only);
  static vb::Variant Count(int64_t n);
  static std::string Entry(const std::vector<std::string>& list, int32_t index);

  int32_t state_ = kIdle;
  bool recursive_ = false;
  double total_size_ = 0;
  int64_t files_found_ = 0;
  int64_t folders_found_ = 0;
  std::string root_;
  std::vector<std::string> files_;
  std::vector<std::string> folders_;
  std::string filter_;
  std::string start_time_;
  std::string end_time_;
};

}  // namespace ostrel::transfer
