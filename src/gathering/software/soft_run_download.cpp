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

transfer::Downloader& SoftCollection::NewDownloader() {
  FileDown_ = std::make_shared<transfer::Downloader>();
  FileDown_->GetData.Connect([this](int32_t& progress, int32_t& ret, std::string& speed) {
    FileDown_GetData(progress, ret, speed);
  });
  return *FileDown_;
}

std::string SoftCollection::GetRealDownAddress(const std::string& address) {
  if (vb::Trim(address).empty()) return "";
  std::string result;
  vb::TryStep([&] {
    transfer::Downloader& down = NewDownloader();
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
  asp::Response& out = host_.Response();
  std::string result;
  DownSucceed_ = false;
  vb::TryStep([&] {
    transfer::Downloader& down = NewDownloader();
    down.url(vb::Trim(address));
    down.Progress(process.ChkBoolean(std::to_string(settings_.isProgress)));
    down.SaveFilePath(settings_.isZipFile == 0
                          ? process.CheckMapPath(folder, true)
                          : process.CheckMapPath(settings_.DownFilePath, true));
    down.UnsealDown(process.ChkBoolean(std::to_string(settings_.UseDownload)));
    down.ReferHost(entry_url_);
    if (!SendCookie_.empty()) down.setCookie(SendCookie_);
    down.InceptExt(vb::Replace(settings_.AllowDownExt, "|", ","));
    down.FilterName(vb::Trim(item_.strLeachName));
    down.MaxSize(settings_.MaxDownSize);
    down.LeastSize(LeastSize_);
    down.AutoRename(item_.AutoRename);
    if (!settings_.FilePrefix.empty()) {
      if (!IsNullPrefix(settings_.FilePrefix)) {
        down.PlusPrefix(true);
        down.FilePrefix(vb::Trim(settings_.FilePrefix));
      } else {
        down.PlusPrefix(false);
      }
    }
    down.FileSuffix(vb::Trim(settings_.FileSuffix));
    down.Execute();
    DownFileSize_ = down.FileSize();
    if (AutoSize_ && DownFileSize_ >= 1) SoftSize = DownFileSize_ / 1024;

    // The address came from the remote site: it is encoded for the link
    // and then for the script string that carries it.
    out.Write("<script>txt3.innerHTML=\"" + ScriptString(process.FormatFileSize(DownFileSize_)) +
              "\";</script>");
    const std::string link = "<a href='" +
                             processing::HtmlAttribute(vb::Variant(down.DownFileUrl)) +
                             "' target='_blank'><font color='red'>" +
                             HtmlText(vb::Variant(down.DownFileUrl)) + "</font></a>";
    out.Write("<script>showaddre.innerHTML=\"" + ScriptString(link) + "\";</script>");
    out.Flush();

    // A probe that failed leaves nothing to copy: StartDownLoad says so. An
    // empty file is no download either.
    const bool copied = down.StartDownLoad();
    const std::string saved = copied ? down.SaveFilePath() : "";
    std::string reason = down.Description();
    uint64_t bytes = 0;
    if (copied) vb::TryStep([&] { bytes = fs::FileSystemObject().GetFile(saved).Size(); });
    if (copied && bytes == 0) {
      process.DeleteFiles(saved, true);
      reason = "文件下载失败！";
    } else if (copied) {
      reason.clear();
    }
    if (!reason.empty() || !copied) {
      out.Write("<script>");
      out.Write("txt1.innerHTML='软件下载失败';");
      out.Write("txt2.innerHTML='<font color=blue>" + ScriptString(HtmlText(vb::Variant(reason))) +
                "</font>';");
      out.Write("</script>\r\n");
      out.Flush();
      return;
    }
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

void SoftCollection::FileDown_GetData(int32_t Progress, int32_t Ret, const std::string& sSpeed) {
  const int16_t mode = settings_.isProgress;
  if (mode == 0) return;
  asp::Response& out = host_.Response();
  // A Space below 1 writes every event.
  const int64_t space = Space_ < 1 ? 1 : Space_;
  if (progress_events_ % space == 0) {
    if (mode == 1 || mode == 3) {
      out.Write("<script>Proess1.innerHTML='进度：" +
                ScriptString(vb::Format(vb::Variant(Progress), "###,###")) + " / 速度：" +
                ScriptString(HtmlText(vb::Variant(sSpeed))) + " / 大小：" +
                std::to_string(DownFileSize_) + "';</script>\r\n");
    }
    // The width estimates the share received from the count of blocks; an
    // unknown size or an empty block gives no estimate.
    if ((mode == 2 || mode == 3) && DownFileSize_ > 0 && Ret > 0) {
      const double width =
          static_cast<double>(progress_events_) / (static_cast<double>(DownFileSize_) / Ret) * 400;
      out.Write("<script>tablePros.style.width=" +
                std::to_string(static_cast<int64_t>(width > 400 ? 400 : width)) + ";</script>\r\n");
    }
    out.Flush();
  }
  if (Progress >= DownFileSize_ && DownFileSize_ > 0 && (mode == 2 || mode == 3)) {
    out.Write("<script>tablePros.style.width=400;</script>\r\n");
    out.Flush();
  }
  ++progress_events_;
}

void SoftCollection::ShowProgressBar() {
  asp::Response& out = host_.Response();
  using processing::HtmlAttribute;
  for (const std::string& line : {
           std::string("<div><table width='400' align=left border=0 cellspacing=1 cellpadding=1>"),
           std::string("<tr> "),
           "<td style=\"border: 1px " + HtmlAttribute(vb::Variant(ProsBorder_)) +
               " solid ;background-color: " + HtmlAttribute(vb::Variant(ProsBack_)) + ";\">",
           std::string("<table width=0 id=tablePros name=tablePros border=0 cellspacing=0 "
                       "cellpadding=0>"),
           "<tr height=12><td bgcolor='" + HtmlAttribute(vb::Variant(ProsColor_)) + "'>",
           std::string("</td></tr></table></td></tr>"),
           std::string("</table><br></div>"),
       }) {
    out.Write(line + "\r\n");
  }
  out.Flush();
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
    transfer::Downloader& down = NewDownloader();
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
