// FlashCollection.DownloadFlashFile: a Flash entry's movie, picture or
// media file copied into the site with a Downloader, its size, address and
// progress shown in the entry's panel. The channel never re-packs what it
// downloads; the events, bar and texts are every channel's
// (gathering_object_download.cpp).
#include <string>

#include "gathering/flash/flash_collection.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "transfer/downloader.h"

namespace ostrel::flash {

std::string FlashCollection::DownloadFlashFile(const std::string& address,
                                               const std::string& folder) {
  processing::VBProcess& process = Process();
  // Every step that fails is passed over, so the size and the address are
  // shown whatever failed before them, and DownSucceed is set at the end
  // by the transfer's outcome alone.
  transfer::Downloader& down =
      NewEntryDownloader(address, &settings_.isProgress, settings_.UseDownload);
  vb::TryStep([&] { down.SaveFilePath(process.CheckMapPath(folder, true)); });
  down.InceptExt(vb::Replace(settings_.AllowDownExt, "|", ","));
  vb::TryStep([&] { down.MaxSize(settings_.MaxDownSize); });
  down.AutoRename(item_.AutoRename);
  down.PlusPrefix(true);
  down.FilePrefix(vb::Trim(settings_.FilePrefix));
  down.FileSuffix(vb::Trim(settings_.FileSuffix));
  vb::TryStep([&] { down.Execute(); });
  DownFileSize_ = down.FileSize();
  // Whole kilobytes of the file when its size is known; else the size the
  // page gave stays.
  if (DownFileSize_ > 0) entry_size_ = DownFileSize_ / 1024;
  std::string saved;
  vb::TryStep([&] { saved = TransferFile(down, "文件下载失败"); });
  DownSucceed_ = !saved.empty();
  return DownSucceed_ ? down.GenFileName() : "";
}

}  // namespace ostrel::flash
