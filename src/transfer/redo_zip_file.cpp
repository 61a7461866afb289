// RedoZipFile: properties, the member table and the file helpers.
#include "transfer/redo_zip_file.h"

#include "component/registration.h"
#include "platform/com/class_info.h"
#include "platform/fs/find_file.h"
#include "platform/fs/kernel32_files.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/files_folders.h"
#include "processing/value_checks.h"

namespace ostrel::transfer {

// "说明.htm" and the notes three download sites put into their archives.
const char* const kDefaultRemoveFile = "说明.htm|下载说明.txt|软件下载站.url|访问本站.htm";

namespace {
const component::ComponentClass<RedoZipFile> kRedoZipFileClass("Ostrel.RedoZipFile");
}  // namespace

RedoZipFile::RedoZipFile()
    : host_(component::HostObjects::Take()),
      remove_file_(kDefaultRemoveFile),
      objFind(std::make_shared<clsFindFile>()),
      file_io_(std::make_shared<TFileIO>()) {
  objFind->FileFound.Connect([this](std::string& path) { CleanFoundFile(path); });
  objFind->FolderFound.Connect([this](std::string& path) { objFind_FolderFound(path); });
}

// The host objects stay with the request for its other objects.
RedoZipFile::~RedoZipFile() = default;

const com::TypeInfo& RedoZipFile::Type() const {
  using R = RedoZipFile;
  static const com::TypeInfo info = com::ClassInfo<R>("RedoZipFile")
                                        .Field("errcode", &R::errcode)
                                        .Field("FilePath", &R::FilePath)
                                        .Field("NewFileName", &R::NewFileName)
                                        .Property("UpdateZip", nullptr, &R::SetUpdateZip)
                                        .Property("LockedRAR", nullptr, &R::SetLockedRAR)
                                        .Property("Synchro", nullptr, &R::SetSynchro)
                                        .Property("ZipMode", nullptr, &R::SetZipMode)
                                        .Property("ExegesisFile", nullptr, &R::SetExegesisFile)
                                        .Property("InceptFile", nullptr, &R::SetInceptFile)
                                        .Property("RemoveFile", nullptr, &R::SetRemoveFile)
                                        .Property("ZipTimeout", nullptr, &R::SetZipTimeout)
                                        .Property("UnzipPass", nullptr, &R::SetUnzipPass)
                                        .Property("DelSource", nullptr, &R::SetDelSource)
                                        .Property("RarPath", nullptr, &R::SetRarPath)
                                        .Property("SavePath", nullptr, &R::SetSavePath)
                                        .Property("UnzipPath", nullptr, &R::SetUnzipPath)
                                        .Property("ReadmePath", nullptr, &R::SetReadmePath)
                                        .Property("ReadmeFile", nullptr, &R::SetReadmeFile)
                                        .Property("FileSize", &R::FileSize, nullptr)
                                        .Property("NewFileSize", &R::NewFileSize, nullptr)
                                        .Property("MaxSize", nullptr, &R::SetMaxSize)
                                        .Property("LeastSize", nullptr, &R::SetLeastSize)
                                        .Property("FilterName", nullptr, &R::SetFilterName)
                                        .Property("FilePrefix", nullptr, &R::SetFilePrefix)
                                        .Property("Description", &R::Description, nullptr)
                                        .Property("Version", &R::Version, nullptr)
                                        .Method("RehandleFile", &R::RehandleFile)
                                        .Method("CheckPath", &R::CheckPath)
                                        .Method("FolderExists", &R::FolderExistsVar)
                                        .Method("CreatPathEx", &R::CreatPathEx)
                                        .Method("vbCreatPathEx", &R::vbCreatPathExVar)
                                        .Method("KillFile", &R::KillFile)
                                        .Method("CopyToFile", &R::CopyToFile)
                                        .Method("RemoveToFile", &R::RemoveToFile)
                                        .Method("ChkBoolean", &R::ChkBoolean)
                                        .Method("GetFolderSize", &R::GetFolderSize)
                                        .Method("ChkPath", &R::ChkPath)
                                        .Method("FindFileSize", &R::FindFileSize)
                                        .Method("FindFileTime", &R::FindFileTime)
                                        .Method("FormatFileDate", &R::FormatFileDate)
                                        .Method("FormatFileSize", &R::FormatFileSize)
                                        .Method("DeleteFiles", &R::DeleteFiles)
                                        .Method("DeleteFolders", &R::DeleteFolders)
                                        .Build();
  return info;
}

// ---- Properties -----------------------------------------------------------------

std::string RedoZipFile::NormalFolder(std::string value) {
  value = vb::Replace(value, "/", "\\");
  value = vb::Replace(value, "\\\\", "\\");
  return processing::CheckPath(vb::Trim(value));
}

void RedoZipFile::SetExegesisFile(std::string v) { exegesis_file_ = vb::Trim(v); }
void RedoZipFile::SetInceptFile(std::string v) { incept_file_ = vb::Trim(v); }
void RedoZipFile::SetReadmeFile(std::string v) { readme_file_ = vb::Trim(v); }

void RedoZipFile::SetRemoveFile(std::string v) {
  remove_file_ = v.empty() ? std::string(kDefaultRemoveFile) : std::move(v);
}

void RedoZipFile::SetFilePrefix(std::string v) {
  std::string kept;
  for (char c : v) {
    if (c != '*' && c != '\'' && c != '?' && c != ' ' && c != '|' && c != ',') kept += c;
  }
  file_prefix_ = vb::Len(kept) < 2 ? "" : kept;
}

std::string RedoZipFile::Description() const {
  switch (errcode) {
    case 1:
      return "目标文件已存在，不能进行解压操作！";
    case 2:
      return "找不到要压缩的源文件，请检查文件路径是否正确！";
    case 3:
      return "源文件超过限制大小，不能进行压缩操作！";
    case 4:
      return "解压文件失败，不能进行压缩操作！";
    case 5:
      return "文件压缩失败！";
    case 6:
      return "UnRar.dll出错！";
    case 8:
      return "文件类型不对，本次操作失败！允许处理的文件类型有 " + incept_file_;
    default:
      return "";
  }
}

// ---- Helpers --------------------------------------------------------------------

std::string RedoZipFile::CheckPath(std::string sPath) const { return processing::CheckPath(sPath); }

bool RedoZipFile::FolderExists(std::string sPath) const { return processing::FolderExists(sPath); }

bool RedoZipFile::FolderExistsVar(vb::Variant& sPath) const {
  return FolderExists(vb::CStr(sPath));
}

bool RedoZipFile::CreatPathEx(std::string sPath) const {
  return processing::CreatedPathEx(host_, sPath);
}

bool RedoZipFile::vbCreatPathEx(std::string& sPath) const {
  return processing::vbCreatPathEx(host_, sPath);
}

bool RedoZipFile::vbCreatPathExVar(vb::Variant& sPath) const {
  std::string path = vb::CStr(sPath);
  bool ok = vbCreatPathEx(path);
  sPath = vb::Variant(path);
  return ok;
}

bool RedoZipFile::KillFile(std::string fromPath) const {
  if (!fs::DeleteFileA(vb::Trim(fromPath))) vb::Raise(53);
  return true;
}

bool RedoZipFile::CopyToFile(std::string SoureFile, std::string NewFile,
                             std::optional<int32_t> FailIfEx) const {
  return fs::CopyFileA(vb::Trim(SoureFile), vb::Trim(NewFile), FailIfEx.value_or(0) != 0);
}

bool RedoZipFile::RemoveToFile(std::string SoureFile, std::string NewFile) const {
  return fs::MoveFileExA(vb::Trim(SoureFile), vb::Trim(NewFile), fs::MOVEFILE_COPY_ALLOWED);
}

bool RedoZipFile::ChkBoolean(std::string Values) const { return processing::ChkBoolean(Values); }

// A search object of its own, without the handlers that delete and copy
// files: measuring a folder never changes it.
double RedoZipFile::GetFolderSize(std::string strFolderPath) const {
  clsFindFile finder;
  finder.BeginSearch(CheckPath(strFolderPath), "*.*", true);
  return finder.srTotalSizeOfFilesFound();
}

std::string RedoZipFile::ChkPath(std::string sPath) const {
  std::string s = vb::Trim(vb::Replace(sPath, "/", "\\"));
  for (int i = 0; i < 2 && !s.empty() && s.back() == '\\'; ++i) s.pop_back();
  return s;
}

int32_t RedoZipFile::FindFileSize(std::string strFindFileName, int16_t SizeType) const {
  fs::FindData record = processing::GetFileInfo(vb::Variant(vb::Trim(strFindFileName)));
  double size = static_cast<double>(record.size());
  std::string text;
  switch (SizeType) {
    case 1:
      text = vb::Format(vb::Variant(size / 1024), "0.00");
      break;
    case 2:
      text = vb::Format(vb::Variant(size / 1048576), "0.00");
      break;
    case 3:
      text = vb::Format(vb::Variant(size / 1048576 / 1024), "0.00");
      break;
    default:
      return vb::CLng(vb::Variant(size));
  }
  return vb::CLng(vb::Variant(text));
}

vb::DateTime RedoZipFile::FindFileTime(std::string strFileName, int16_t DateType) const {
  try {
    fs::FindData record = processing::GetFileInfo(vb::Variant(strFileName));
    const fs::FileTime& t = DateType == 1   ? record.last_write_time
                            : DateType == 2 ? record.last_access_time
                                            : record.creation_time;
    fs::SystemTime st;
    if (!fs::FileTimeToSystemTime(t, &st)) return vb::DateTime{};
    std::string text =
        std::to_string(st.year) + "-" + std::to_string(st.month) + "-" + std::to_string(st.day);
    if (DateType != 2) {
      text += " " + std::to_string(st.hour) + ":" + std::to_string(st.minute) + ":" +
              std::to_string(st.second);
    }
    return vb::CDate(vb::Variant(text));
  } catch (const vb::VbError&) {
    return vb::DateTime{};
  }
}

std::string RedoZipFile::FormatFileDate(double dt) const {
  vb::Variant date(vb::DateTime{dt});
  return vb::Format(date, "yyyy年m月d日") + " " + vb::LongTimeText(vb::DateTime{dt});
}

std::string RedoZipFile::FormatFileSize(double Size) const {
  return processing::FormatFileSize(Size);
}

bool RedoZipFile::DeleteFiles(std::string sFilePath, std::optional<bool> blnForce) const {
  processing::DeleteFiles(sFilePath, blnForce.value_or(true));
  return true;
}

bool RedoZipFile::DeleteFolders(std::string sDirPath, std::optional<bool> blnForce) const {
  processing::DeleteFolders(sDirPath, blnForce.value_or(true));
  return true;
}

}  // namespace ostrel::transfer
