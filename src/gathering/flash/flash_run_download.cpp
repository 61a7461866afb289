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
  // Every step that fails is passed over, so the size and the address are
  // shown whatever failed before them, and DownSucceed is set at the end
  // by the transfer's outcome alone.
  transfer::Downloader& down = NewEntryDownloader(address, {.mode = &settings_.isProgress,
                                                            .use_download = settings_.UseDownload,
                                                            .folder = folder,
                                                            .AllowDownExt = settings_.AllowDownExt,
                                                            .MaxDownSize = settings_.MaxDownSize,
                                                            .AutoRename = item_.AutoRename,
                                                            .FileSuffix = settings_.FileSuffix,
                                                            .pass_failures = true});
  down.PlusPrefix(true);
  down.FilePrefix(vb::Trim(settings_.FilePrefix));
  ProbeEntryFile(down, true);
  // Whole kilobytes of the file when its size is known; else the size the
  // page gave stays.
  if (DownFileSize_ > 0) entry_size_ = DownFileSize_ / 1024;
  std::string saved;
  vb::TryStep([&] { saved = TransferFile(down, "文件下载失败"); });
  DownSucceed_ = !saved.empty();
  return DownSucceed_ ? down.GenFileName() : "";
}

}  // namespace ostrel::flash
