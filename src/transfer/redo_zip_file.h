// RedoZipFile: re-packs one downloaded archive or installer. RehandleFile
// unpacks it into a working folder of its own below UnzipPath, deletes the
// unwanted files, drops the site's readme files into it, renames the
// unpacked top entry by FilterName/FilePrefix, and packs the folder again
// as a .rar (through Rar.exe) or a .zip, into SavePath. The caller sets the
// properties, calls RehandleFile, and reads NewFileName, NewFileSize and
// errcode (or Description).
//
// With UpdateZip on, an existing target is never replaced: the new archive
// takes a fresh name by the random-name rule, which NewFileName gives.
// UnzipPass opens encrypted zip entries as well as RAR ones; a zip entry it
// does not open is left out, as is every link entry of an archive.
//
// Result codes (errcode, reset by every RehandleFile):
//   1 the target exists and UpdateZip is False
//   2 the source file is not found
//   3 the source is larger than MaxSize or smaller than LeastSize
//   4 unpacking failed: no archive that opens, an unsafe entry, an
//     encrypted RAR entry, the extraction limits (1 GiB, 10,000 entries,
//     1000:1 once past 64 MB), fewer than 100 bytes unpacked, or an
//     UnzipPath that is refused (empty, a drive root, the web root, or a
//     folder holding SavePath, ReadmePath or the source)
//   5 the rebuild failed (Rar.exe missing, not ending with status 0 in
//     time, or leaving no archive; zip packing failed); the source stays
//   8 the source's extension is not in InceptFile
// The working folder is removed when RehandleFile returns, whatever the
// outcome, so nothing of a failed run is left below UnzipPath.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "component/host_access.h"
#include "platform/com/dispatch.h"
#include "platform/vb/variant.h"
#include "transfer/cls_find_file.h"
#include "transfer/t_file_io.h"

namespace ostrel::transfer {

class RedoZipFile : public com::Dispatch {
 public:
  RedoZipFile();
  ~RedoZipFile() override;
  const com::TypeInfo& Type() const override;

  // Public variables.
  int16_t errcode = 0;
  std::string FilePath;
  std::string NewFileName;

  void SetUpdateZip(bool v) { update_zip_ = v; }
  void SetLockedRAR(bool v) { locked_rar_ = v; }
  void SetSynchro(bool v) { synchro_ = v; }
  void SetZipMode(bool v) { zip_mode_ = v; }
  void SetExegesisFile(std::string v);
  void SetInceptFile(std::string v);
  void SetRemoveFile(std::string v);
  void SetZipTimeout(int32_t v) { zip_timeout_ = v; }
  void SetUnzipPass(std::string v) { unzip_pass_ = std::move(v); }
  void SetDelSource(bool v) { del_source_ = v; }
  void SetRarPath(std::string v) { rar_path_ = NormalFolder(v); }
  void SetSavePath(std::string v) { save_path_ = NormalFolder(v); }
  void SetUnzipPath(std::string v) { unzip_path_ = NormalFolder(v); }
  void SetReadmePath(std::string v) { readme_path_ = NormalFolder(v); }
  void SetReadmeFile(std::string v);
  int32_t FileSize() const { return file_size_; }
  int32_t NewFileSize() const { return new_file_size_; }
  void SetMaxSize(int32_t v) { max_size_ = v; }
  void SetLeastSize(int32_t v) { least_size_ = v; }
  void SetFilterName(std::string v) { filter_name_ = std::move(v); }
  void SetFilePrefix(std::string v);
  std::string Description() const;
  std::string Version() const { return "1.1.1282"; }

  bool RehandleFile(std::string FileName);

  // The helpers that follow RehandleFile on the interface.
  std::string CheckPath(std::string sPath) const;
  bool FolderExists(std::string sPath) const;
  bool CreatPathEx(std::string sPath) const;
  bool vbCreatPathEx(std::string& sPath) const;
  bool KillFile(std::string fromPath) const;
  bool CopyToFile(std::string SoureFile, std::string NewFile,
                  std::optional<int32_t> FailIfEx = std::nullopt) const;
  bool RemoveToFile(std::string SoureFile, std::string NewFile) const;
  bool ChkBoolean(std::string Values) const;
  double GetFolderSize(std::string strFolderPath) const;
  std::string ChkPath(std::string sPath) const;
  int32_t FindFileSize(std::string strFindFileName, int16_t SizeType) const;
  vb::DateTime FindFileTime(std::string strFileName, int16_t DateType) const;
  std::string FormatFileDate(double dt) const;
  std::string FormatFileSize(double Size) const;
  bool DeleteFiles(std::string sFilePath, std::optional<bool> blnForce = std::nullopt) const;
  bool DeleteFolders(std::string sDirPath, std::optional<bool> blnForce = std::nullopt) const;

  // Read access for the component and its tests.
  const std::string& UnzipPath() const { return unzip_path_; }
  const std::string& RemoveFileList() const { return remove_file_; }
  const std::string& FilePrefix() const { return file_prefix_; }
  // The longest Rar.exe may run before it is stopped and the re-pack fails.
  void SetArchiverTimeLimit(std::chrono::milliseconds limit) { archiver_time_limit_ = limit; }

 private:
  // Dispatch wrappers of the members with by-reference arguments.
  bool FolderExistsVar(vb::Variant& sPath) const;
  bool vbCreatPathExVar(vb::Variant& sPath) const;

  static std::string NormalFolder(std::string value);
  bool Fail(int16_t code);
  // The steps of RehandleFile (redo_zip_file_rehandle.cpp).
  bool Rehandle(const std::string& FileName);
  bool ChkFileType(const std::string& FileName);
  bool UnzipPathRefused(const std::string& source) const;
  bool MakeWorkFolder();
  void RemoveWorkFolder();
  void DeleteSource(const std::string& FileName) const;
  void CleanFoundFile(std::string& sPath);
  void objFind_FolderFound(std::string sPath);
  void RenameWithPrefix();
  bool RunRar(const std::string& src, const std::string& target, bool wait_mode);
  int32_t ZipFolder(const std::string& src, const std::string& target);

  component::HostObjects host_;
  bool update_zip_ = false;
  bool locked_rar_ = true;
  bool synchro_ = true;
  bool zip_mode_ = false;
  std::string exegesis_file_ = "d:\\a.txt";
  std::string incept_file_ = "rar|zip|exe|iso";
  std::string remove_file_;
  int32_t zip_timeout_ = 1000;
  std::string unzip_pass_;
  bool del_source_ = true;
  std::string rar_path_ = "C:\\Program Files\\WinRAR\\";
  std::string save_path_;
  std::string unzip_path_;
  std::string readme_path_;
  std::string readme_file_;
  int32_t file_size_ = 0;
  int32_t new_file_size_ = 0;
  int32_t max_size_ = 0;
  int32_t least_size_ = 100;
  std::string filter_name_;
  std::string file_prefix_;

  std::vector<std::string> removal_list_;
  std::string work_;  // this run's working folder below UnzipPath, ending in "\"
  std::shared_ptr<clsFindFile> objFind;
  std::shared_ptr<TFileIO> file_io_;
  std::chrono::milliseconds archiver_time_limit_{std::chrono::minutes(10)};
};

// The built-in list of files deleted from every unpacked tree.
extern const char* const kDefaultRemoveFile;

}  // namespace ostrel::transfer
