// CGUnzipFiles: the extraction options of a zip archive and the one action
// that hands them to the unzip library (VBUnzip). What the library prints
// during a run is kept per thread in ZipDllMessages (the zip side of
// archive_routines.h writes it too) and read back with GetLastMessage.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/com/dispatch.h"
#include "platform/vb/variant.h"

namespace ostrel::transfer {

enum ZMessageLevel : int32_t { All = 0, Less = 1, NoMessages = 2 };
enum ZExtractType : int32_t { Extract = 0, ListContents = 1 };
enum ZPrivilege : int32_t { Ignore = 0, ACL = 1, Privileges = 2 };

// The calling thread's library messages of the last unzip or zip run.
std::string& ZipDllMessages();

// Drives the unzip library: the return code of Wiz_SingleEntryUnzip
// (0 success, 9 no zip archive). Overflowing enumerated options raise 6.
int32_t VBUnzip(const std::string& sZipFileName, const std::string& sExtractDir,
                int16_t ExtractNewer, int16_t SpaceToUnderScore, int16_t PromptOverwrite,
                int16_t MessageLevel, int16_t WriteToStdOut, int16_t TestZip, int16_t ExtractList,
                int16_t ExtractOnlyNewer, int16_t DisplayComment, int16_t HonorDirectories,
                int16_t OverWriteFiles, int16_t ConvertCRtoCRLF, int16_t Verbose,
                int16_t CaseSensitive, int16_t Privilege);

class CGUnzipFiles : public com::Dispatch {
 public:
  const com::TypeInfo& Type() const override;

  bool ExtractNewer() const { return extract_newer_ == 1; }
  void SetExtractNewer(bool v) { extract_newer_ = v ? 1 : 0; }
  bool SpaceToUnderScore() const { return space_to_underscore_ == 1; }
  void SetSpaceToUnderScore(bool v) { space_to_underscore_ = v ? 1 : 0; }
  bool PromptOverwrite() const { return prompt_overwrite_ == 1; }
  void SetPromptOverwrite(bool v) { prompt_overwrite_ = v ? 1 : 0; }
  int32_t MessageLevel() const { return message_level_; }
  void SetMessageLevel(int32_t v) { message_level_ = v; }
  bool WriteToStdOut() const { return write_to_stdout_ == 1; }
  void SetWriteToStdOut(bool v) { write_to_stdout_ = v ? 1 : 0; }
  bool TestZip() const { return test_zip_ == 1; }
  void SetTestZip(bool v) { test_zip_ = v ? 1 : 0; }
  int32_t ExtractList() const { return extract_list_; }
  void SetExtractList(int32_t v) { extract_list_ = v; }
  bool ExtractOnlyNewer() const { return extract_only_newer_ == 1; }
  void SetExtractOnlyNewer(bool v) { extract_only_newer_ = v ? 1 : 0; }
  bool DisplayComment() const { return display_comment_ == 1; }
  void SetDisplayComment(bool v) { display_comment_ = v ? 1 : 0; }
  bool HonorDirectories() const { return honor_directories_ == 1; }
  void SetHonorDirectories(bool v) { honor_directories_ = v ? 1 : 0; }
  bool OverWriteFiles() const { return overwrite_files_ == 1; }
  void SetOverWriteFiles(bool v) { overwrite_files_ = v ? 1 : 0; }
  bool ConvertCRtoCRLF() const { return convert_cr_ == 1; }
  void SetConvertCRtoCRLF(bool v) { convert_cr_ = v ? 1 : 0; }
  bool Verbose() const { return verbose_ == 1; }
  void SetVerbose(bool v) { verbose_ = v ? 1 : 0; }
  bool CaseSensitive() const { return case_sensitive_ == 1; }
  void SetCaseSensitive(bool v) { case_sensitive_ = v ? 1 : 0; }
  int32_t Privilege() const { return privilege_; }
  void SetPrivilege(int32_t v) { privilege_ = v; }
  std::string ZipFileName() const { return zip_file_name_; }
  void SetZipFileName(std::string v) { zip_file_name_ = std::move(v); }
  std::string ExtractDir() const { return extract_dir_; }
  void SetExtractDir(std::string v) { extract_dir_ = std::move(v); }

  // Non-empty arguments replace ZipFileName and ExtractDir first. Errors
  // are raised again with the source "CGUnZipFiles::Unzip".
  int32_t Unzip(std::optional<std::string> sZipFileName = std::nullopt,
                std::optional<std::string> sExtractDir = std::nullopt);
  std::string GetLastMessage() const { return ZipDllMessages(); }
  // For C++ callers (no member of the class interface): the answer the
  // password prompt gets where nobody can type one, as the re-packer hands
  // its UnzipPass. Empty: the prompt is refused.
  void SetPromptPassword(std::string v) { prompt_password_ = std::move(v); }

 private:
  int16_t extract_newer_ = 0, space_to_underscore_ = 0, prompt_overwrite_ = 0;
  int32_t message_level_ = NoMessages;
  int16_t write_to_stdout_ = 0, test_zip_ = 0;
  int32_t extract_list_ = Extract;
  int16_t extract_only_newer_ = 0, display_comment_ = 0, honor_directories_ = 1;
  int16_t overwrite_files_ = 1, convert_cr_ = 0, verbose_ = 0, case_sensitive_ = 1;
  int32_t privilege_ = Ignore;
  std::string zip_file_name_, extract_dir_;
  std::string prompt_password_;
};

}  // namespace ostrel::transfer
