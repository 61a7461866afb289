// GatheringObject: the download of one gathered entry's file as every
// channel shows it in the entry's panel: the downloader and its events, the
// progress text and bar, the file's size and address before the transfer,
// and the status of a failed one.
#include <functional>
#include <string>

#include "gathering/common/gathering_object.h"
#include "platform/fs/file.h"
#include "platform/fs/file_system_object.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "transfer/downloader.h"

namespace ostrel::gathering {

using processing::HtmlAttribute;
using processing::HtmlText;
using processing::ScriptString;

transfer::Downloader& GatheringObject::NewDownloader(const int16_t* mode) {
  FileDown_ = std::make_shared<transfer::Downloader>();
  FileDown_->GetData.Connect([this, mode](int32_t& progress, int32_t& ret, std::string& speed) {
    FileDown_GetData(*mode, progress, ret, speed);
  });
  return *FileDown_;
}

transfer::Downloader& GatheringObject::NewEntryDownloader(const std::string& address,
                                                          const EntryDownload& with) {
  processing::VBProcess& process = Process();
  transfer::Downloader& down = NewDownloader(with.mode);
  auto step = [&](const std::function<void()>& setting) {
    if (with.pass_failures) {
      vb::TryStep(setting);
    } else {
      setting();
    }
  };
  down.url(vb::Trim(address));
  down.Progress(process.ChkBoolean(std::to_string(*with.mode)));
  step([&] { down.SaveFilePath(process.CheckMapPath(with.folder, true)); });
  down.UnsealDown(process.ChkBoolean(std::to_string(with.use_download)));
  down.ReferHost(entry_url_);
  down.InceptExt(vb::Replace(with.AllowDownExt, "|", ","));
  step([&] { down.MaxSize(with.MaxDownSize); });
  down.AutoRename(with.AutoRename);
  down.FileSuffix(vb::Trim(with.FileSuffix));
  return down;
}

void GatheringObject::ProbeEntryFile(transfer::Downloader& down, bool pass_failures) {
  if (pass_failures) {
    vb::TryStep([&] { down.Execute(); });
  } else {
    down.Execute();
  }
  DownFileSize_ = down.FileSize();
}

void GatheringObject::FileDown_GetData(int16_t mode, int32_t Progress, int32_t Ret,
                                       const std::string& sSpeed) {
  if (mode == 0) return;
  asp::Response& out = host_.Response();
  // A Space below 1 writes every event.
  const int64_t space = Space_ < 1 ? 1 : Space_;
  // The block that completes a file of known size writes its text too, so
  // the text ends at the full size.
  const bool done = DownFileSize_ > 0 && Progress >= DownFileSize_ && Ret > 0;
  const bool thinned = progress_events_ % space == 0;
  if ((thinned || done) && (mode == 1 || mode == 3)) {
    out.Write("<script>Proess1.innerHTML='进度：" +
              ScriptString(vb::Format(vb::Variant(Progress), "###,###")) + " / 速度：" +
              ScriptString(HtmlText(vb::Variant(sSpeed))) + " / 大小：" +
              std::to_string(DownFileSize_) + "';</script>\r\n");
  }
  // The width estimates the share received from the count of blocks; an
  // unknown size or an empty block gives no estimate.
  if (thinned && (mode == 2 || mode == 3) && DownFileSize_ > 0 && Ret > 0) {
    const double width =
        static_cast<double>(progress_events_) / (static_cast<double>(DownFileSize_) / Ret) * 400;
    out.Write("<script>tablePros.style.width=" +
              std::to_string(static_cast<int64_t>(width > 400 ? 400 : width)) + ";</script>\r\n");
  }
  if (thinned || done) out.Flush();
  // An unknown size (0) is reached at every event: the bar shows full.
  if (Progress >= DownFileSize_ && (mode == 2 || mode == 3)) {
    out.Write("<script>tablePros.style.width=400;</script>\r\n");
    out.Flush();
  }
  ++progress_events_;
}

void GatheringObject::ShowProgressBar() {
  asp::Response& out = host_.Response();
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

void GatheringObject::WriteProgressRows(int16_t mode) {
  asp::Response& out = host_.Response();
  const std::string next_cell =
      "   </td> </tr><tr><td class=TableRow1 style=\"line-height: 20px;\">";
  if (mode == 2 || mode == 3) {
    ShowProgressBar();
    out.Write(next_cell);
  }
  if (mode == 1 || mode == 3) {
    out.Write("<span id=Proess1 style=\"color: " + HtmlAttribute(vb::Variant(SpeedColor_)) +
              ";\"></span>  <span id=Proess2 style=\"color: blue;\"></span>" + next_cell);
  }
}

void GatheringObject::WriteFileTarget(const transfer::Downloader& down) {
  asp::Response& out = host_.Response();
  // The address came from the remote site: it is encoded for the link and
  // then for the script string that carries it.
  out.Write("<script>txt3.innerHTML=\"" + ScriptString(Process().FormatFileSize(down.FileSize())) +
            "\";</script>");
  const std::string link = "<a href='" + HtmlAttribute(vb::Variant(down.DownFileUrl)) +
                           "' target='_blank'><font color='red'>" +
                           HtmlText(vb::Variant(down.DownFileUrl)) + "</font></a>";
  out.Write("<script>showaddre.innerHTML=\"" + ScriptString(link) + "\";</script>");
  out.Flush();
}

void GatheringObject::WritePanelEnd(int32_t page, const std::string& D) {
  asp::Response& out = host_.Response();
  out.Write(
      "<br><span id=txt5 name=txt5 style=\"font-size:9pt;color:red\"></span><br><div "
      "align=center>");
  out.Write("[<a href='?ChannelID=" + std::to_string(ChannelID_) +
            "'><font color=blue>停止采集</font></a>]&nbsp;&nbsp;&nbsp;&nbsp;");
  out.Write("[<a href='?action=savenew&ChannelID=" + std::to_string(ChannelID_) +
            "&page=" + std::to_string(int64_t{page} + 1) + "&ItemID=" + std::to_string(ItemID_) +
            "&D=" + HtmlAttribute(vb::Variant(D)) + "'><font color=red>跳过采集</font></a>]</div>");
  out.Write("   </td> </tr></table>");
  out.Flush();
}

void GatheringObject::WriteDownloadFailure(std::string_view status, const std::string& reason) {
  asp::Response& out = host_.Response();
  out.Write("<script>");
  out.Write("txt1.innerHTML='" + std::string(status) + "';");
  out.Write("txt2.innerHTML='<font color=blue>" + ScriptString(HtmlText(vb::Variant(reason))) +
            "</font>';");
  out.Write("</script>\r\n");
  out.Flush();
}

std::string GatheringObject::TransferFile(transfer::Downloader& down,
                                          std::string_view failed_status) {
  WriteFileTarget(down);
  // A probe that failed leaves nothing to copy: StartDownLoad says so. An
  // empty file is no download either.
  const bool copied = down.StartDownLoad();
  const std::string saved = copied ? down.SaveFilePath() : "";
  std::string reason = down.Description();
  uint64_t bytes = 0;
  if (copied) vb::TryStep([&] { bytes = fs::FileSystemObject().GetFile(saved).Size(); });
  if (copied && bytes > 0) return saved;
  if (copied) {
    Process().DeleteFiles(saved, true);
    reason = "文件下载失败！";
  }
  WriteDownloadFailure(failed_status, reason);
  return "";
}

}  // namespace ostrel::gathering
