// SoftCollection: a software entry's file. GetRealDownAddress follows a
// download link to where it leads; DownloadSoftFile copies the file into
// the site with a Downloader, showing its size, address and progress in
// the entry's panel, and hands an archive to RepackSoftFile, which rebuilds
// it with the site's readme files in a rotating working folder. FileDownload
// is the same copy for host pages outside a run.
#include <string>

#include "gathering/software/soft_collection.h"
#include "platform/fs/file.h"
#include "platform/fs/file_system_object.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/value_checks.h"
#include "transfer/downloader.h"
#include "transfer/redo_zip_file.h"

namespace ostrel::software {
namespace {

using processing::HtmlText;
using processing::ScriptString;

// "<script>" & body & "</script>" and CRLF, flushed.
void WriteScript(asp::Response& out, const std::string& body) {
  out.Write("<script>" + body + "</script>\r\n");
  out.Flush();
}

// A prefix that begins with "@NULL" is the re-packer's alone.
bool IsNullPrefix(const std::string& prefix) { return vb::UCase(vb::Left(prefix, 5)) == "@NULL"; }

// The folder part of a Windows path, up to and including its last "\".
std::string FolderOf(const std::string& path) {
  const int32_t at = vb::InStrRev(path, "\\");
  return at > 0 ? vb::Left(path, at) : "";
}

// The bare name after the last "\".
std::string NameOf(const std::string& path) {
  const int32_t at = vb::InStrRev(path, "\\");
  return at > 0 ? vb::Mid(path, at + 1) : path;
}

}  // namespace

std::string SoftCollection::GetRealDownAddress(const std::string& address) {
  if (vb::Trim(address).empty()) return "";
  std::string result;
  vb::TryStep([&] {
    transfer::Downloader& down = NewDownloader(&settings_.isProgress);
    down.url(vb::Trim(address));
    down.ReferHost(entry_url_);
    result = down.DownAddress();
    if (AutoSize_ && down.FileSize() >= 1) SoftSize = down.FileSize() / 1024;
  });
  return result;
}

std::string SoftCollection::DownloadSoftFile(const std::string& address,
                                             const std::string& folder) {
  processing::VBProcess& process = Process();
  std::string result;
  DownSucceed_ = false;
  vb::TryStep([&] {
    // An archive to be re-packed waits in DownFilePath.
    transfer::Downloader& down = NewEntryDownloader(
        address, {.mode = &settings_.isProgress,
                  .use_download = settings_.UseDownload,
                  .folder = settings_.isZipFile == 0 ? folder : settings_.DownFilePath,
                  .AllowDownExt = settings_.AllowDownExt,
                  .MaxDownSize = settings_.MaxDownSize,
                  .AutoRename = item_.AutoRename,
                  .FileSuffix = settings_.FileSuffix,
                  .pass_failures = false});
    if (!SendCookie_.empty()) down.setCookie(SendCookie_);
    down.FilterName(vb::Trim(item_.strLeachName));
    down.LeastSize(LeastSize_);
    if (!settings_.FilePrefix.empty()) {
      if (!IsNullPrefix(settings_.FilePrefix)) {
        down.PlusPrefix(true);
        down.FilePrefix(vb::Trim(settings_.FilePrefix));
      } else {
        down.PlusPrefix(false);
      }
    }
    ProbeEntryFile(down, false);
    if (AutoSize_ && DownFileSize_ >= 1) SoftSize = DownFileSize_ / 1024;

    const std::string saved = TransferFile(down, "软件下载失败");
    if (saved.empty()) return;
    DownSucceed_ = true;
    if (settings_.isZipFile == 1) {
      // Until the re-pack has put its result in place, the download is the
      // entry's file to remove if it fails.
      entry_files_.push_back(saved);
      result = RepackSoftFile(saved, process.CheckMapPath(folder, true));
      entry_files_.pop_back();
    } else {
      result = down.GenFileName();
    }
    if (!result.empty()) entry_files_.push_back(process.CheckMapPath(folder, true) + result);
  });
  return result;
}

std::string SoftCollection::GetTempDirectory() {
  asp::Session& session = host_.Session();
  int32_t n = 1;
  vb::TryStep([&] { n = vb::CInt(vb::Variant(vb::CLng(session.Item("tmpDirCount")))) + 1; });
  session.SetItem("tmpDirCount", vb::Variant(n));
  if (n > MaxCount_) {
    n = 1;
    session.SetItem("tmpDirCount", vb::Variant(n));
  }
  std::string folder = UnzipPath_ + "temp" + std::to_string(n);
  if (UseItemPath_) folder += "_" + std::to_string(ItemID_);
  return folder;
}

std::string SoftCollection::RepackSoftFile(const std::string& file, const std::string& folder) {
  processing::VBProcess& process = Process();
  asp::Response& out = host_.Response();
  std::string result;
  vb::TryStep([&] {
    const std::string work = process.CheckMapPath(GetTempDirectory(), true);
    if (!repacker_) repacker_ = std::make_shared<transfer::RedoZipFile>();
    transfer::RedoZipFile& zip = *repacker_;
    zip.DeleteFolders(work + "*", true);
    zip.DeleteFiles(work + "*", true);
    zip.SetSynchro(Synchro_);
    zip.SetLockedRAR(LockedRAR_);
    if (!UnzipPass_.empty()) zip.SetUnzipPass(UnzipPass_);
    if (ZipSwitch_) zip.SetUpdateZip(true);
    zip.SetFilterName(vb::Trim(item_.strLeachName));
    if (!settings_.FilePrefix.empty()) {
      zip.SetFilePrefix(IsNullPrefix(settings_.FilePrefix)
                            ? vb::Trim(vb::Replace(settings_.FilePrefix, "@NULL", "", 1, -1,
                                                   vb::CompareMode::Text))
                            : vb::Trim(settings_.FilePrefix));
    }
    zip.SetZipMode(process.ChkBoolean(std::to_string(settings_.ZipMode)));
    zip.SetZipTimeout(settings_.ZipTimeout);
    zip.SetInceptFile(vb::Trim(settings_.AllowFileExt));
    zip.SetMaxSize(settings_.MaxZipsize);
    zip.SetLeastSize(LeastSize_);
    zip.SetExegesisFile(process.CheckMapPath(settings_.RarNoteFile, false));
    zip.SetRarPath(process.CheckMapPath(settings_.WinRarPath, true));
    zip.SetSavePath(folder);
    zip.SetUnzipPath(work);
    zip.SetReadmePath(process.CheckMapPath(settings_.ReadmePath, true));
    zip.SetReadmeFile(settings_.ReadmeFile);
    zip.SetRemoveFile(item_.RemoveFile);

    if (zip.RehandleFile(file)) {
      WriteScript(out, "showaddre.innerHTML='<font color=red>恭喜您！压缩文档处理成功。</font>';");
      result = zip.NewFileName;
    } else {
      WriteScript(out, "showaddre.innerHTML='<font color=red>" +
                           ScriptString(HtmlText(vb::Variant(zip.Description()))) + "</font>';");
      // The download goes in unchanged, under a name no other file there
      // has: an existing file is never replaced.
      std::string name = NameOf(file);
      if (fs::FileSystemObject().FileExists(folder + name)) {
        name = process.GetRndFileName(process.GetFileExtName(name));
      }
      if (zip.CopyToFile(file, folder + name, 1)) {
        zip.KillFile(file);
        result = name;
      }
    }
    if (AutoSize_ && zip.NewFileSize() > 0) SoftSize = zip.NewFileSize();
  });
  return result;
}

std::string SoftCollection::FileDownload(std::string url, std::string fromPath,
                                         std::optional<int16_t> blnPross,
                                         std::optional<int32_t> mvarLeast,
                                         std::optional<std::string> strHost) {
  processing::VBProcess& process = Process();
  asp::Response& out = host_.Response();
  fromPath = process.CheckMapPath(fromPath, false);
  const std::string folder = FolderOf(fromPath);
  const int16_t mode = blnPross.value_or(0);
  settings_.isProgress = mode;
  std::string result;
  vb::TryStep([&] {
    transfer::Downloader& down = NewDownloader(&settings_.isProgress);
    down.url(vb::Trim(url));
    down.Progress(mode != 0);
    down.SaveFilePath(folder);
    if (!SendCookie_.empty()) down.setCookie(SendCookie_);
    down.SaveFile(fromPath);
    down.UnsealDown(true);
    down.ReferHost(strHost.value_or(""));
    down.MaxSize(0);
    down.LeastSize(mvarLeast.value_or(0));
    down.Execute();
    DownFileSize_ = down.FileSize();
    SoftSize = down.FileSize() / 1024;
    out.Write("<script>txt2.innerHTML=\"" + ScriptString(process.FormatFileSize(DownFileSize_)) +
              "\";</script>");
    out.Flush();
    if (!down.StartDownLoad()) {
      WriteScript(out, "txt1.innerHTML='软件下载失败：<font color=blue>" +
                           ScriptString(HtmlText(vb::Variant(down.Description()))) + "</font>';");
      return;
    }
    result = down.SaveFilePath();
    WriteScript(out, "txt1.innerHTML='全部下载任务完成';");
  });
  return result;
}

}  // namespace ostrel::software
