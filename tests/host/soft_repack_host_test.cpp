// Two administrators' software runs re-pack at the same time through the
// real host: both sessions count their working folders from the same first
// folder, so the second one clears that folder while the first one's
// unpacked files wait there to be packed. The archiver in front of the
// built Rar.exe holds the first pack until the second step has ended, so the
// overlap happens every time.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/admin_pages.h"
#include "host/demo_site.h"
#include "host/first_run.h"
#include "host/test_http.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/text/charset.h"
#include "platform/vb/convert.h"
#include "support/archive_fixtures.h"
#include "support/fetch_limits_guard.h"
#include "support/http_server.h"
#include "support/run_steps.h"

extern "C" int DllRegisterServer();

namespace ostrel::host {
namespace {

using test::Fetch;
using test::HttpResult;

bool Has(const std::string& body, std::string_view utf8) {
  return body.find(text::Encode(utf8, "GB2312")) != std::string::npos;
}

std::string ZipOf(const std::string& path, const std::vector<testing::FixtureEntry>& files) {
  testing::WriteZipFixture(path, files, /*stored=*/true);
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class SoftRepackHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    signal(SIGPIPE, SIG_IGN);
    setenv("OSTREL_REGISTRY", root_.Path("registry.ini").c_str(), 1);
    ASSERT_EQ(DllRegisterServer(), 0);
    config_ = test::HostConfigIn(root_);
    config_.archiver_dir = root_.Path("rar");
    EnsureDatabases(config_);
    EnsureSiteTree(config_);
    EnsureArchiveSettings(config_);

    // The archiver: the pack of tool1.rar says it has begun and waits
    // (at most 30 s) for the test to let it go on.
    root_.Write("rar/Rar.exe", "#!/bin/sh\ncase \"$*\" in *tool1.rar*)\n  : > '" +
                                   root_.Path("packing") + "'\n  i=0\n  while [ ! -e '" +
                                   root_.Path("go") +
                                   "' ] && [ $i -lt 3000 ]; do sleep 0.01; i=$((i+1)); done;;\n"
                                   "esac\nexec '" +
                                   testing::RarToolPath() + "' \"$@\"\n");
    chmod(root_.Path("rar/Rar.exe").c_str(), 0755);

    remote_.ServeFolder(std::filesystem::path(OSTREL_SOURCE_DIR) / "demo");
    item_ = EnsureDemoSoftItem(config_.gather_db, config_.host_db, "http://" + remote_.Host());
    ado::Connection gather;
    gather.Open("Data Source=" + config_.gather_db);
    gather.Execute("UPDATE QX_SoftConfig SET ZipMode=0, setInterval=0 WHERE id=1");

    ServerSettings settings;
    settings.listen = "127.0.0.1:0";
    settings.threads = 4;
    settings.pages.site_root = config_.site_root;
    settings.asset_roots = {config_.asset_root};
    server_ = test::StartAdminHost(config_, settings);
    ASSERT_TRUE(server_);
  }

  void TearDown() override {
    server_->Stop();
    unsetenv("OSTREL_REGISTRY");
  }

  std::string Login() {
    HttpResult in = Fetch(server_->port(), "POST", kLoginPage,
                          {test::kOwnOrigin, "Content-Type: application/x-www-form-urlencoded"},
                          "AdminName=admin&Password=Pass");
    EXPECT_EQ(in.status(), 302);
    return "Cookie: ASPSESSIONID=" + test::SessionIdOf(in);
  }

  std::string Step(int line) const {
    return std::string(kSoftPage) +
           "?action=savenew&ChannelID=2&D=1&ItemID=" + std::to_string(item_) +
           "&page=" + std::to_string(line);
  }

  // The archive the entry of this name was stored with.
  std::map<std::string, std::string> StoredArchive(const std::string& name) {
    ado::Connection host;
    host.Open("Data Source=" + config_.host_db);
    const std::string address =
        vb::CStr(host.Execute("SELECT DownAddress FROM QX_SoftList WHERE SoftName='" + name + "'")
                     .Fields(0)
                     .Value());
    return testing::ListArchive(config_.site_root + address.substr(address.find("|||") + 3));
  }

  test::TempFolder root_;
  HostConfig config_;
  testing::FetchLimitsGuard limits_{[] {
    net::FetchLimits limits = testing::FetchLimitsGuard::Short();
    limits.allow_private = true;
    return limits;
  }()};
  testing::HttpServer remote_;
  std::unique_ptr<WebServer> server_;
  int item_ = 0;
};

TEST_F(SoftRepackHostTest, TwoSessionsRepackingAtOnceEachKeepEveryFile) {
  std::vector<testing::FixtureEntry> big, small;
  for (int i = 0; i < 300; ++i) {
    big.emplace_back("tool1/f" + std::to_string(i) + ".txt", "tool file " + std::to_string(i));
  }
  small.emplace_back("viewer/read.txt", std::string(2000, 'v'));
  remote_.Route("/soft/down/tool1.zip",
                testing::HttpAnswer::Page(ZipOf(root_.Path("tool1.zip"), big), "application/zip"));
  remote_.Route(
      "/soft/down/viewer.zip",
      testing::HttpAnswer::Page(ZipOf(root_.Path("viewer.zip"), small), "application/zip"));
  root_.Write("site/admin/tmpSoftlist" + std::to_string(item_) + ".dat",
              remote_.Url("/soft/soft_01.html") + "\r\n" + remote_.Url("/soft/soft_02.html"));
  const std::string referer = "Referer: http://127.0.0.1/admin/admin_SoftGather.asp";

  // The first session's pack waits with its unpacked files in place ...
  test::HttpConnection first(server_->port());
  first.SendRequest("GET", Step(0), {Login(), referer});
  ASSERT_TRUE(test::Eventually([&] { return root_.Exists("packing"); }));
  // ... while the second session re-packs from the same working folder.
  HttpResult second = Fetch(server_->port(), "GET", Step(1), {Login(), referer});
  root_.Write("go", "");
  const test::HttpHead head = first.ReadHead();
  const std::string first_page = first.ReadBody(head);

  for (const std::string& page : {first_page, second.body}) {
    EXPECT_TRUE(Has(page, "恭喜您！压缩文档处理成功。")) << text::Decode(page, "GB2312");
  }
  const std::string readme = kSiteReadmeName;
  std::map<std::string, std::string> tool = StoredArchive("演示压缩工具");
  size_t kept = 0;
  for (const auto& file : big) kept += tool[file.name] == file.data ? 1 : 0;
  EXPECT_EQ(kept, big.size());
  EXPECT_EQ(tool.count(readme), 1u);
  std::map<std::string, std::string> viewer = StoredArchive("演示看图精灵");
  EXPECT_EQ(viewer["viewer/read.txt"], small[0].data);
  EXPECT_EQ(viewer.count(readme), 1u);
  // Nothing of either re-pack is left in the working folder.
  EXPECT_TRUE(std::filesystem::is_empty(root_.Path("site/admin/UpzipFile/temp1")));
}

TEST_F(SoftRepackHostTest, DownloadsWaitingLongerThanTheHeaderDeadlineArriveWhole) {
  // One file answers after 12 s; the other's site holds its handshake until
  // the connect deadline, 12 s. Both steps flush their entry first.
  net::FetchLimits limits = net::GetFetchLimits();
  limits.connect_timeout = std::chrono::seconds(12);
  limits.idle_timeout = limits.total_timeout = std::chrono::seconds(60);
  testing::FetchLimitsGuard guard(limits);
  test::SilentSite silent;
  root_.Write("go", "");
  remote_.Route("/soft/down/tool1.zip",
                testing::HttpAnswer::Slow(ZipOf(root_.Path("tool1.zip"), {{"tool1/a.txt", "a"}}),
                                          std::chrono::seconds(12), std::chrono::milliseconds(0)));
  remote_.Route("/soft/down/viewer.zip",
                testing::HttpAnswer::Redirect(silent.Url("/viewer.zip"), 302));
  root_.Write("site/admin/tmpSoftlist" + std::to_string(item_) + ".dat",
              remote_.Url("/soft/soft_01.html") + "\r\n" + remote_.Url("/soft/soft_02.html"));
  const std::string referer = "Referer: http://127.0.0.1/admin/admin_SoftGather.asp";
  std::string stalled;
  std::thread second([&] { stalled = Fetch(server_->port(), "GET", Step(1), {Login(), referer}).body; });
  const std::string late = Fetch(server_->port(), "GET", Step(0), {Login(), referer}).body;
  second.join();
  EXPECT_TRUE(Has(late, "txt1.innerHTML='软件采集成功'")) << text::Decode(late, "GB2312");
  for (const std::string* page : {&late, static_cast<const std::string*>(&stalled)}) {
    EXPECT_TRUE(Has(*page, "</html>")) << text::Decode(*page, "GB2312");
    EXPECT_FALSE(testing::NextStepQuery(*page, "admin_SoftGather.asp").empty())
        << text::Decode(*page, "GB2312");
  }
}

}  // namespace
}  // namespace ostrel::host
