// Software gathering runs against the demo's software site (demo/soft:
// GB2312 list, entry and download pages, real archives) served on
// 127.0.0.1, with the download links answering 302 to the real files, and
// the admin page's folder and database of PageFixture.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/demo_soft_codes.h"
#include "soft_page.h"
#include "support/archive_fixtures.h"
#include "support/fetch_limits_guard.h"
#include "support/http_server.h"

namespace ostrel::software {

// The codes of the demo's software item, with changes by index.
inline std::string Joined(std::span<const std::string_view> codes,
                          const std::vector<std::pair<int, std::string>>& changes = {}) {
  std::vector<std::string> parts(codes.begin(), codes.end());
  for (const auto& [index, code] : changes) parts[static_cast<size_t>(index)] = code;
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) joined += (i ? "$$$" : "") + parts[i];
  return joined;
}
inline const std::string kSoftListCodes = Joined(host::kSoftListCodes);
inline std::string SoftInfoCodes(const std::vector<std::pair<int, std::string>>& changes = {}) {
  return Joined(host::kSoftInfoCodes, changes);
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
    AddItem(1, 2, "演示");
    RunSql(
        "UPDATE QX_SoftItem SET Encoding='GB2312', PathForm=1, AllHits=50, star=4, "
        "RemoteListUrl='" +
        site_.Url("/soft/list_1.html") + "', PaginalList='" +
        site_.Url("/soft/list_{$pageid}.html") +
        "', IsPagination=1, startid=1, lastid=2, "
        "FindListCode='" +
        Sql(kSoftListCodes) + "', FindInfoCode='" + Sql(SoftInfoCodes()) +
        "', downpage=1, MaxAddress=0, RemoveFile='ad.url', RemoveCode='' WHERE ItemID=1");
    if (!extra.empty()) SetItem(extra);
  }
  void SetItem(const std::string& assignments) {
    RunSql("UPDATE QX_SoftItem SET " + assignments + " WHERE ItemID=1");
    application_->contents().Remove("myzemble_softitem1");
  }
  void SetConfig(const std::string& assignments) {
    RunSql("UPDATE QX_SoftConfig SET " + assignments + " WHERE id=1");
    application_->contents().Remove("myzemble_softconfig");
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

  // One request of the admin page, as the host page makes it.
  std::string Page(const std::string& query) { return Request(query); }

  // The query a step's page leads to; "" when it leads nowhere.
  static std::string NextQuery(const std::string& page) {
    for (const char* lead : {"reFresh(){window.location.href='admin_SoftGather.asp?",
                             "buildRefresh(){window.location.href='admin_SoftGather.asp?",
                             "content=\"1;url='admin_SoftGather.asp?"}) {
      size_t at = page.rfind(lead);
      if (at == std::string::npos) continue;
      at += std::string(lead).size();
      return page.substr(at, page.find('\'', at) - at);
    }
    return "";
  }
  // Every page of a whole run, followed as a browser follows the refreshes,
  // up to the summary (whose query is last_query_).
  std::vector<std::string> RunAll() {
    std::vector<std::string> pages;
    std::string query = "action=begin&ItemID=1&ChannelID=2";
    while (!query.empty() && query.find("action=yes") == std::string::npos && pages.size() < 30) {
      pages.push_back(Page(query));
      query = NextQuery(pages.back());
    }
    last_query_ = query;
    return pages;
  }

  std::filesystem::path LinkListPath() const { return dir_ / "admin" / "tmpSoftlist1.dat"; }
  // The files below a folder of the site, by name.
  std::vector<std::string> FilesIn(const std::string& folder) const {
    std::vector<std::string> names;
    if (!std::filesystem::exists(dir_ / folder)) return names;
    for (const auto& f : std::filesystem::recursive_directory_iterator(dir_ / folder)) {
      if (f.is_regular_file()) names.push_back(f.path().filename().string());
    }
    return names;
  }
  std::string Soft(const std::string& column, const std::string& name) {
    return Row("SELECT " + column + " AS v FROM QX_SoftList WHERE SoftName='" + name + "'")["v"];
  }

  static std::string Sql(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out;
  }

  ostrel::testing::HttpServer site_;
  std::string last_query_;
};

}  // namespace ostrel::software
