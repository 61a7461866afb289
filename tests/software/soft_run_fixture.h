// Software gathering runs against the demo's software site (demo/soft:
// GB2312 list, entry and download pages, real archives) served on
// 127.0.0.1, with the download links answering 302 to the real files, and
// the admin page's folder and database of PageFixture.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "host/demo_soft_codes.h"
#include "soft_page.h"
#include "support/archive_fixtures.h"
#include "support/fetch_limits_guard.h"
#include "support/http_server.h"
#include "support/run_steps.h"

namespace ostrel::software {

using testing::SqlText;

// The codes of the demo's software item, with changes by index.
inline std::string SoftInfoCodes(const testing::CodeParts& changes = {}) {
  return testing::JoinCodes(host::kSoftInfoCodes, changes);
}

class SoftRunTest : public SoftPageTest {
 protected:
  void SetUp() override {
    SoftPageTest::SetUp();
    std::filesystem::create_directories(dir_ / "admin");
    const std::filesystem::path demo = std::filesystem::path(OSTREL_SOURCE_DIR) / "demo";
    site_.ServeFolder(demo);
    for (const auto& file : std::filesystem::directory_iterator(demo / "soft" / "files")) {
      const std::string name = file.path().filename().string();
      site_.Route("/soft/down/" + name,
                  ostrel::testing::HttpAnswer::Redirect("/soft/files/" + name));
    }
    // The readme the re-packer adds, and the archiver.
    std::filesystem::create_directories(dir_ / "soft" / "readme");
    std::ofstream(dir_ / "soft" / "readme" / "site.txt") << "From our site.\r\n";
    std::filesystem::create_directories(dir_ / "rar");
    std::filesystem::create_symlink(ostrel::testing::RarToolPath(), dir_ / "rar" / "Rar.exe");
    AddClasses();
  }

  // Item 1 of channel 2, class 工具软件 (6), gathering both list pages; extra
  // is a list of "column=value" SQL assignments applied after the insert.
  void AddRunItem(const std::string& extra = "") {
    AddItem(1, 2, "演示",
            "Encoding='GB2312', PathForm=1, AllHits=50, star=4, RemoteListUrl='" +
                site_.Url("/soft/list_1.html") + "', PaginalList='" +
                site_.Url("/soft/list_{$pageid}.html") +
                "', IsPagination=1, startid=1, lastid=2, FindListCode='" +
                SqlText(testing::JoinCodes(host::kSoftListCodes)) + "', FindInfoCode='" +
                SqlText(SoftInfoCodes()) +
                "', downpage=1, MaxAddress=0, RemoveFile='ad.url', RemoveCode=''");
    if (!extra.empty()) SetItem(extra);
  }
  // Downloads on, re-packed as zip with the readme, progress text and bar.
  void DownloadAndRepack() {
    SetConfig(
        "UseDownload=1, isProgress=3, isZipFile=1, ZipMode=1, ZipTimeout=0, "
        "AllowDownExt='zip|rar|exe', AllowFileExt='zip|rar|exe', DownFilePath='/soft/DownFile/', "
        "ReadmePath='/soft/readme/', ReadmeFile='site.txt', WinRarPath='" +
        (dir_ / "rar").string() + "', setInterval=0");
    SetItem("IsDown=1");
  }

  // Every page of a whole run up to the summary (whose query is
  // last_query_).
  std::vector<std::string> RunAll() {
    return testing::FollowRun(
        "action=begin&ItemID=1&ChannelID=2", "admin_SoftGather.asp",
        [this](const std::string& query) { return Request(query); }, last_query_);
  }

  std::string Soft(const std::string& column, const std::string& name) {
    return Row("SELECT " + column + " AS v FROM QX_SoftList WHERE SoftName='" + name + "'")["v"];
  }

  ostrel::testing::HttpServer site_;
  std::string last_query_;
};

}  // namespace ostrel::software
