// The sample remote site of `ostrel-host --demo`: the demo/ folder (GB2312
// list and article pages with pictures) served as static files by a second
// listener of the host process on 127.0.0.1, and the ready article gathering
// item that cuts it, so a whole run can be tried without a network.
#pragma once

#include <string>
#include <string_view>

#include "host/web_server.h"

namespace ostrel::host {

// The name that finds the demo item in QX_NewsItem.
inline constexpr char kDemoItemName[] = "演示站点：本地新闻";
// The software site's item in QX_SoftItem and its class in channel 2.
inline constexpr char kDemoSoftItemName[] = "演示站点：本地软件";
inline constexpr char kDemoSoftClassName[] = "演示软件";
// The Flash site's item in QX_FlashItem and its class in channel 5.
inline constexpr char kDemoFlashItemName[] = "演示站点：本地动画";
inline constexpr char kDemoFlashClassName[] = "演示动画";

class DemoSite {
 public:
  // demo_root: native, absolute. listen: ADDR:PORT (port 0 picks a free one).
  explicit DemoSite(const std::string& demo_root, const std::string& listen = "127.0.0.1:0");

  // False, with the reason in *error, when the folder is missing or the
  // address cannot be listened on. The usual cause of the latter is another
  // host started with --demo, so the message says, in short lines, what to
  // do. A host whose data folder was not given (data_folder_given false)
  // most likely shares the first host's: it is told first to take a folder
  // of its own with --data DIR. Otherwise it is told to give its demo site
  // another port in [Demo] Listen of config_path.
  bool Start(std::string* error, std::string_view config_path = "ostrel.ini",
             bool data_folder_given = false);
  void Stop() { server_.Stop(); }
  int port() const { return server_.port(); }
  // "http://127.0.0.1:PORT": what the demo item's addresses start with.
  std::string origin() const;

 private:
  std::string demo_root_;
  std::string address_;
  WebServer server_;
};

// Makes the gathering database hold the demo item with its addresses at
// origin: inserts it when no item of its name exists, otherwise points the
// addresses of every such item that still lead to a loopback port at origin
// (the port changes from run to run), leaving the rest of the rows as the
// administrator may have edited them. Returns the (first) demo item's
// ItemID. Raises VbError when the database cannot be written.
int EnsureDemoItem(const std::string& gather_db, const std::string& origin);

// The same for the software site's item (demo/soft), with the software
// class it files into (host database). The channel's download and re-pack
// settings are set when the item is made: the archives receive the site's
// readme (see EnsureArchiveSettings).
int EnsureDemoSoftItem(const std::string& gather_db, const std::string& host_db,
                       const std::string& origin);

// The same for the Flash site's item (demo/flash), with its class in the
// host database. The channel's download settings are set when the item is
// made: files and thumbnails downloaded, with progress.
int EnsureDemoFlashItem(const std::string& gather_db, const std::string& host_db,
                        const std::string& origin);

// text with a leading "http://127.0.0.1:PORT" replaced by origin; other
// texts unchanged.
std::string MoveToOrigin(const std::string& text, const std::string& origin);

}  // namespace ostrel::host
