// clsManager: the upload-file clean-up. The host's maintenance page makes
// one per request, names the host database, the content module, its channel
// and the channel's upload folder, and calls DelUselessFile; FilesCount then
// says how many files no stored row referred to. The object writes nothing
// to the page: what it refuses it raises as an error with a plain reason,
// and it then has deleted nothing.
//
// What keeps the clean-up from ever taking a file that is still wanted:
// - the folder walked lies strictly inside the channel's folder under the
//   site root, and neither it nor any level above it up to the channel
//   folder is a link;
// - every reference query must run and be read whole, or nothing goes;
//   a module without rows loses nothing;
// - files younger than kMinimumFileAge are left for a gathering that may be
//   about to store their row;
// - names are taken as the folder lists them and deleted by that exact
//   path; links are neither followed nor deleted;
// - one clean-up at a time per channel folder, each with its own lists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "component/host_access.h"
#include "platform/com/dispatch.h"
#include "platform/vb/variant.h"
#include "platform/vb/vb_error.h"
#include "processing/vb_process.h"

namespace ostrel::maintenance {

// Raised when a clean-up is refused or cannot read its references.
constexpr int32_t kErrCleanupRefused = vb::kObjectErrorBase + 0x701;

// Files modified more recently than this are never listed.
constexpr int64_t kMinimumFileAge = 5 * 60;  // seconds

class clsManager : public com::Dispatch {
 public:
  clsManager();
  ~clsManager() override;

  const com::TypeInfo& Type() const override;

  // The number of files the last clean-up (or dry run) listed as unreferenced.
  int32_t FilesCount = 0;

  void SetDBConnstr(std::string s) { DBConnstr_ = std::move(s); }
  void SetSqlDataBase(int16_t n) { SqlDataBase_ = n; }
  // 1 articles, 2 software, 3 shop, 5 Flash, any other advertisements.
  void SetModuleID(int16_t n) { ModuleID_ = n; }
  void SetChannel(int32_t n) { Channel_ = n; }
  // The channel's folder ("/article/") and the upload folder inside it
  // ("UploadPic/"); the folder cleaned is the two joined.
  void SetChannelPath(std::string s) { ChannelPath_ = std::move(s); }
  void SetUploadPath(std::string s) { UploadPath_ = std::move(s); }

  // Deletes the files of the upload folder and its direct sub-folders whose
  // names no reference of the module contains; FilesCount is their number.
  void DelUselessFile();
  // The dry run: the site paths of the files DelUselessFile would delete
  // now, as a one-dimensional array (an empty one when there are none);
  // FilesCount is their number. Nothing is deleted.
  vb::Variant ListUselessFiles();

 private:
  // The folder to clean, after the checks.
  struct UploadFolder {
    std::string site_path;  // ChannelPath & UploadPath, each ending in "/"
    std::string name;       // the upload folder's own name (last level)
    std::string channel;    // the channel folder's physical path, without a final "\"
    std::string root;       // the upload folder's, likewise
    bool exists = false;    // a real folder (not a link, not a file)
  };
  // One file of the walk.
  struct Listed {
    std::string sub;        // the sub-folder it lies in, "" for the folder itself
    std::string name;       // exactly as the folder lists it
    std::string site_path;  // as the clean-up reports it
    bool referenced = false;
  };

  // The shared run: checks, lock, walk, references; deletes when asked.
  std::vector<Listed> Run(bool remove);
  void PrepareToolbox();

  // cls_manager_folder.cpp: the folder rules, the walk and the deletion.
  UploadFolder CheckedFolder() const;
  void CheckUploadDir(const UploadFolder& folder) const;
  static std::vector<Listed> WalkFolder(const UploadFolder& folder);
  static void DeleteListed(const UploadFolder& folder, const std::vector<Listed>& files);

  // cls_manager_references.cpp: the reference queries of the module, read
  // whole into the matcher. False when the first query gave no row.
  bool MarkReferenced(const UploadFolder& folder, std::vector<Listed>& files);

  [[noreturn]] static void Refuse(const std::string& reason);

  component::HostObjects host_;
  std::shared_ptr<processing::VBProcess> process_;
  std::string DBConnstr_;
  int16_t SqlDataBase_ = 0;
  int16_t ModuleID_ = 1;
  int32_t Channel_ = 1;
  std::string ChannelPath_;
  std::string UploadPath_;
};

}  // namespace ostrel::maintenance
