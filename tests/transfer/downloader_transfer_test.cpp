// The transfer: blocks and events, hostile servers, the browser leaving,
// existing files, FTP, and the event seen by name from a host page.
#include <gtest/gtest.h>

#include <tuple>

#include "component/registration.h"
#include "platform/vb/convert.h"
#include "support/ftp_server.h"
#include "transfer/downloader_fixture.h"

namespace ostrel::testing {
namespace {

using Events = std::vector<std::tuple<int32_t, int32_t, std::string>>;

// Connects a recorder to GetData.
Events* Record(transfer::Downloader& down, Events* events) {
  down.GetData.Connect([events](int32_t& progress, int32_t& ret, std::string& speed) {
    events->emplace_back(progress, ret, speed);
  });
  return events;
}

TEST_F(DownloaderTest, EveryBlockRaisesOneEvent) {
  using P = std::vector<std::pair<int32_t, int32_t>>;
  using std::chrono::milliseconds;
  struct Case {
    const char* path;
    HttpAnswer answer;
    P events;
  };
  const Case cases[] = {
      {"/f12000.zip", HttpAnswer::Huge(12000), {{5120, 5120}, {10240, 5120}, {12000, 1760}}},
      // An exact multiple ends with an empty block.
      {"/f10240.zip", HttpAnswer::Huge(10240), {{5120, 5120}, {10240, 5120}, {10240, 0}}},
      {"/f0.zip", HttpAnswer::Huge(0), {{0, 0}}},
      // A server that trickles its bytes still gives full blocks.
      {"/slow.zip",
       HttpAnswer::Slow(GeneratedBytes(0, 12000), milliseconds(0), milliseconds(2), 700),
       {{5120, 5120}, {10240, 5120}, {12000, 1760}}},
  };
  for (const Case& c : cases) {
    http_.Route(c.path, c.answer);
    auto down = Make(http_.Url(c.path));
    down->LeastSize(0);
    down->Progress(true);
    Events events;
    Record(*down, &events);
    down->Execute();
    ASSERT_EQ(down->ErrNumber, 0) << c.path;
    ASSERT_TRUE(down->StartDownLoad()) << c.path;
    P counts;
    for (const auto& [progress, ret, speed] : events) counts.emplace_back(progress, ret);
    EXPECT_EQ(counts, c.events) << c.path;
    EXPECT_EQ(site_.Read("down/" + down->GenFileName()),
              GeneratedBytes(0, static_cast<size_t>(c.events.back().first)));
  }
  EXPECT_EQ(Left(), (std::vector<std::string>{"f0.zip", "f10240.zip", "f12000.zip", "slow.zip"}));
}

TEST_F(DownloaderTest, HostileServersLeaveNoFile) {
  HttpAnswer cut = HttpAnswer::Page(std::string(30000, 'c'), "application/zip");
  cut.headers.emplace_back("Content-Length", "100000");  // then the connection closes
  cut.close = true;
  HttpAnswer unannounced = HttpAnswer::Huge(300000);  // chunked: no length
  unannounced.chunked = true;
  HttpAnswer stalled = HttpAnswer::Stalled();
  stalled.generated_bytes = 50000;
  stalled.body = "the first bytes";
  http_.Route("/cut.zip", cut);
  http_.Route("/unannounced.zip", unannounced);
  http_.Route("/stalled.zip", stalled);
  http_.Route("/endless.zip", HttpAnswer::Endless());

  struct Case {
    const char* path;
    int16_t code;
  };
  for (const Case& c : {Case{"/cut.zip", 3}, Case{"/unannounced.zip", 2}, Case{"/stalled.zip", 3},
                        Case{"/endless.zip", 2}}) {
    auto down = Make(http_.Url(c.path));
    down->LeastSize(0);
    down->MaxSize(100);  // kilobytes
    down->Execute();
    ASSERT_EQ(down->ErrNumber, 0) << c.path;
    EXPECT_FALSE(down->StartDownLoad()) << c.path;
    EXPECT_EQ(down->ErrNumber, c.code) << c.path;
    EXPECT_EQ(Left(), std::vector<std::string>{}) << c.path;
  }
}

TEST_F(DownloaderTest, TheBrowserLeavingStopsTheTransfer) {
  http_.Route("/a.zip", HttpAnswer::Huge(100000));
  auto down = Make(http_.Url("/a.zip"));
  down->Progress(true);
  Events events;
  down->GetData.Connect([&](int32_t& progress, int32_t&, std::string&) {
    events.emplace_back(progress, 0, "");
    if (progress >= 20480) sink_->connected = false;
  });
  down->Execute();
  EXPECT_FALSE(down->StartDownLoad());
  EXPECT_EQ(events.size(), 4u);
  EXPECT_EQ(Left(), std::vector<std::string>{});
}

TEST_F(DownloaderTest, CancelFromAHandlerFailsTheTransfer) {
  http_.Route("/a.zip", HttpAnswer::Huge(100000));
  auto down = Make(http_.Url("/a.zip"));
  down->Progress(true);
  down->GetData.Connect([&](int32_t&, int32_t&, std::string&) { down->Cancel(); });
  down->Execute();
  EXPECT_FALSE(down->StartDownLoad());
  EXPECT_EQ(down->ErrNumber, 3);
  EXPECT_EQ(Left(), std::vector<std::string>{});
}

TEST_F(DownloaderTest, AnExistingFileIsNeverReplaced) {
  http_.Route("/soft/a.zip", HttpAnswer::Huge(1000));
  site_.Write("down/a.zip", "older");
  auto down = Make(http_.Url("/soft/a.zip"));
  down->Execute();
  ASSERT_TRUE(down->StartDownLoad());
  EXPECT_EQ(site_.Read("down/a.zip"), "older");
  std::string name = down->GenFileName();
  EXPECT_NE(name, "a.zip");
  EXPECT_TRUE(name.ends_with(".zip"));
  EXPECT_EQ(site_.Read("down/" + name), GeneratedBytes(0, 1000));
  EXPECT_EQ(down->SaveFilePath(), site_.Windows("down\\" + name));

  // A full path given by the caller ("/" read as "\"), taken as well.
  std::string given = site_.Windows("down\\b.zip");
  std::replace(given.begin(), given.end(), '\\', '/');
  auto named = Make(http_.Url("/soft/a.zip"));
  named->SaveFile(given);
  named->Execute();
  ASSERT_TRUE(named->StartDownLoad());
  EXPECT_EQ(named->GenFileName(), "b.zip");
  EXPECT_EQ(site_.Read("down/b.zip"), GeneratedBytes(0, 1000));
}

TEST_F(DownloaderTest, AddressesAreDecodedAndEncodedAgain) {
  // Stored as "中.zip", asked for in the system code page's bytes.
  http_.Route("/soft/%D6%D0.zip", HttpAnswer::Huge(500));
  auto down = Make(http_.Url("/soft/%D6%D0.zip"));
  down->Execute();
  ASSERT_EQ(down->ErrNumber, 0);
  ASSERT_TRUE(down->StartDownLoad());
  EXPECT_EQ(down->GenFileName(), "中.zip");
  EXPECT_EQ(Left(), std::vector<std::string>{"中.zip"});
}

TEST_F(DownloaderTest, FtpFilesAreCopiedWhole) {
  TempDir root;
  std::string bytes = GeneratedBytes(0, 70000);
  root.Write("pub/a.rar", bytes);
  FtpServer ftp(root.path());
  auto down = Make("ftp://u:p@" + ftp.Host() + "/pub/a.rar");
  down->Progress(true);
  Events events;
  Record(*down, &events);
  down->Execute();
  ASSERT_EQ(down->ErrNumber, 0);
  ASSERT_TRUE(down->StartDownLoad());
  EXPECT_EQ(events.size(), 14u);  // 13 full blocks and 3440 bytes
  EXPECT_EQ(site_.Read("down/a.rar"), bytes);
}

TEST_F(DownloaderTest, HostPagesConnectToGetDataByName) {
  http_.Route("/a.zip", HttpAnswer::Huge(6000));
  auto ids = component::ClassProgIds();
  EXPECT_NE(std::find(ids.begin(), ids.end(), "Ostrel.Downloader"), ids.end());
  transfer::Downloader object;
  com::Dispatch& down = object;
  std::vector<std::string> seen;
  size_t cookie = down.Advise("getdata", [&](com::Args args) {
    seen.push_back(vb::CStr(args[0]) + "/" + vb::CStr(args[1]));
  });
  down.Let("url", http_.Url("/a.zip"));
  down.Let("Progress", true);
  down.Let("UnsealDown", true);
  down.Let("SaveFilePath", site_.Windows("down"));
  down.Call("Execute");
  EXPECT_TRUE(vb::CBool(down.Call("StartDownLoad")));
  EXPECT_EQ(seen, (std::vector<std::string>{"5120/5120", "6000/880"}));
  down.Unadvise("GetData", cookie);
}

}  // namespace
}  // namespace ostrel::testing
