// The probe: addresses, status and size rules, redirects, FTP, headers.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/net/fetch_log.h"
#include "support/error_of.h"
#include "support/ftp_server.h"
#include "transfer/downloader_fixture.h"

namespace ostrel::testing {
namespace {

using transfer::Downloader;

TEST_F(DownloaderTest, AddressesSplitIntoServerPortCredentialsAndPath) {
  struct Case {
    const char* url;
    bool ftp;
    const char* server;
    const char* user;
    const char* password;
    int32_t port;
    const char* path;
  };
  const Case cases[] = {
      {"http://127.0.0.1:1/soft/a.zip", false, "127.0.0.1", "", "", 0, "/soft/a.zip"},
      {"ftp://u:p@127.0.0.1:1/pub/a.rar", true, "127.0.0.1", "u", "p", 1, "pub/a.rar"},
      {"FTP://127.0.0.1/pub/a.rar", true, "127.0.0.1", "anonymous", "ostrel-user@example.com", 21,
       "pub/a.rar"},
      {"ftp://u:p@[::1]:1/pub/a.rar", true, "[::1]", "u", "p", 1, "pub/a.rar"},
  };
  for (const Case& c : cases) {
    Downloader down;
    down.url(c.url);
    down.Execute();  // nothing answers there (loopback, closed ports): split all the same
    EXPECT_EQ(down.IsFtp(), c.ftp) << c.url;
    EXPECT_EQ(down.Server(), c.server) << c.url;
    EXPECT_EQ(down.UserName(), c.user) << c.url;
    EXPECT_EQ(down.PassWord(), c.password) << c.url;
    EXPECT_EQ(down.port(), c.port) << c.url;
    EXPECT_EQ(down.FileFtpPathName(), c.path) << c.url;
  }
  Downloader bare;
  bare.url("http://127.0.0.1:1");
  EXPECT_EQ(ErrorOf([&] { bare.Execute(); }), vb::kErrInvalidCall);
}

TEST_F(DownloaderTest, FailuresGiveTheirCodesAndTexts) {
  http_.Route("/missing.zip", HttpAnswer::NotFound());
  http_.Route("/broken.zip", HttpAnswer::Status(500, std::string(500, 'x')));
  http_.Route("/big.zip", HttpAnswer::Huge(2000000));
  http_.Route("/small.zip", HttpAnswer::Huge(50));
  http_.Route("/page.php", HttpAnswer::Huge(500));
  http_.Route("/a.doc", HttpAnswer::Huge(500));
  struct Case {
    std::string path;
    int16_t code;
    const char* description;
  };
  const Case cases[] = {
      {"/missing.zip", 1, "无法创建连接！"},
      {"/broken.zip", 1, "无法创建连接！"},
      {"/big.zip", 2, "文件大小超过了1024KB 的限制！"},
      {"/small.zip", 3, "文件下载失败！"},
      {"/page.php", 4, "文件类型不正确，本次下载失败！"},
      {"/a.doc", 4, "文件类型不正确，本次下载失败！"},
  };
  for (const Case& c : cases) {
    auto down = Make(http_.Url(c.path));
    down->MaxSize(1024);
    down->Execute();
    EXPECT_EQ(down->ErrNumber, c.code) << c.path;
    EXPECT_EQ(down->Description(), c.description) << c.path;
    EXPECT_FALSE(down->StartDownLoad()) << c.path;
  }
  // Over MaxSize and under LeastSize: both rules run, the later one wins.
  http_.Route("/both.zip", HttpAnswer::Huge(2000));
  auto both = Make(http_.Url("/both.zip"));
  both->MaxSize(1);
  both->LeastSize(5000);
  both->Execute();
  EXPECT_EQ(both->ErrNumber, 3);
  // No server at all: a failure, not a success; the operator hears why.
  static std::vector<std::string> reports;
  const net::FetchFailureSink before =
      net::SetFetchFailureSink([](int, std::string_view reason) { reports.emplace_back(reason); });
  auto refused = Make("http://127.0.0.1:1/a.zip");
  refused->Execute();
  net::SetFetchFailureSink(before);
  EXPECT_EQ(refused->ErrNumber, 1);
  EXPECT_EQ(refused->FileSize(), 0);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].rfind("http://127.0.0.1:1/a.zip: Failed to connect", 0), 0u) << reports[0];
  // Every transfer passes the shared address rule.
  net::FetchLimits strict = FetchLimitsGuard::Short();
  strict.allow_private = false;
  FetchLimitsGuard no_private(strict);
  http_.Route("/a.zip", HttpAnswer::Huge(500));
  auto private_address = Make(http_.Url("/a.zip"));
  private_address->Execute();
  EXPECT_EQ(private_address->ErrNumber, 1);
  EXPECT_EQ(http_.RequestCount(), 7u);
  EXPECT_TRUE(Left().empty());
}

TEST_F(DownloaderTest, HugeFilesAndIpv6RedirectsFailWithTheirText) {
  HttpAnswer huge = HttpAnswer::Stalled();
  huge.generated_bytes = 3'000'000'000;
  http_.Route("/huge.zip", huge);
  http_.Route("/v6.zip", HttpAnswer::Redirect("http://[::1]:1/a.zip"));
  struct Case {
    const char* path;
    int32_t max_kb;
    int16_t code;
    const char* description;
  } cases[] = {
      {"/huge.zip", 1024, 2, "文件大小超过了1024KB 的限制！"},
      {"/huge.zip", 0, 3, "文件下载失败！"},
      {"/v6.zip", 0, 1, "无法创建连接！"},
  };
  for (const Case& c : cases) {
    auto down = Make(http_.Url(c.path));
    down->MaxSize(c.max_kb);
    EXPECT_EQ(ErrorOf([&] { down->Execute(); }), 0) << c.path;
    EXPECT_EQ(down->ErrNumber, c.code) << c.path;
    EXPECT_EQ(down->Description(), c.description) << c.path;
    EXPECT_FALSE(down->StartDownLoad()) << c.path;
  }
  // A length that is no number is the caller's error.
  http_.Route("/nan.zip", HttpAnswer::Page("x").With("Content-Length", "abc"));
  EXPECT_EQ(ErrorOf([&] { Make(http_.Url("/nan.zip"))->Execute(); }), vb::kErrTypeMismatch);
  EXPECT_TRUE(Left().empty());
}

TEST_F(DownloaderTest, MediaAddressesAreProbedOverHttpOnTheirPort) {
  std::unique_ptr<HttpServer> media;
  try {
    media = std::make_unique<HttpServer>(1775);
  } catch (const std::runtime_error&) {
    GTEST_SKIP() << "port 1775 is in use";
  }
  media->Route("/clip.zip", HttpAnswer::Huge(500));
  auto down = Make("mms://127.0.0.1/clip.zip");
  down->Execute();
  EXPECT_EQ(down->ErrNumber, 0);
  EXPECT_EQ(down->FileSize(), 500);
  EXPECT_EQ(down->DownFileUrl, "http://127.0.0.1:1775/clip.zip");
  EXPECT_EQ(media->RequestsFor("/clip.zip").size(), 1u);
}

TEST_F(DownloaderTest, ErrNumberStartsAgainWithEveryProbe) {
  http_.Route("/a.zip", HttpAnswer::Huge(500));
  auto down = Make(http_.Url("/missing.zip"));
  down->Execute();
  ASSERT_EQ(down->ErrNumber, 1);
  down->url(http_.Url("/a.zip"));
  down->Execute();
  EXPECT_EQ(down->ErrNumber, 0);
  EXPECT_EQ(down->FileSize(), 500);
}

TEST_F(DownloaderTest, UnsealDownOffOnlyProbes) {
  http_.Route("/a.zip", HttpAnswer::Huge(500));
  auto down = Make(http_.Url("/a.zip"));
  down->UnsealDown(false);
  down->Execute();
  EXPECT_EQ(down->ErrNumber, 0);
  EXPECT_FALSE(down->StartDownLoad());
  EXPECT_FALSE(site_.Exists("down"));
}

TEST_F(DownloaderTest, RedirectsAreFollowedUpToTen) {
  // Headers are read whole: the length comes after 3000 bytes of them.
  http_.Route(
      "/file.zip",
      HttpAnswer::Huge(700).With("X-Padding", std::string(3000, 'p')).With("Server", "fixture"));
  for (int i = 1; i <= 11; ++i) {
    std::string next = i == 1 ? "/file.zip" : "/r" + std::to_string(i - 1) + ".zip";
    http_.Route("/r" + std::to_string(i) + ".zip", HttpAnswer::Redirect(next, i % 2 ? 302 : 307));
  }
  auto down = Make(http_.Url("/r10.zip"));
  down->Execute();
  EXPECT_EQ(down->ErrNumber, 0);
  EXPECT_EQ(down->FileSize(), 700);
  EXPECT_EQ(down->DownFileUrl, http_.Url("/file.zip"));
  EXPECT_EQ(down->GetHeader("server"), "fixture");
  EXPECT_EQ(down->GetHeader("Expires"), "0");
  EXPECT_EQ(http_.RequestsFor("/r10.zip")[0].Header("Referer"), http_.Url("/r10.zip"));

  auto too_far = Make(http_.Url("/r11.zip"));
  too_far->Execute();
  EXPECT_EQ(too_far->ErrNumber, 1);

  // DownAddress resolves the link without downloading it.
  http_.ClearRequests();
  auto address = Make(http_.Url("/r2.zip"));
  EXPECT_EQ(address->DownAddress(), http_.Url("/file.zip"));
  EXPECT_EQ(address->FileSize(), 700);
  EXPECT_EQ(http_.RequestsFor("/r2.zip")[0].Header("Content-Type"),
            "application/x-www-form-urlencoded");
  EXPECT_EQ(Make(http_.Url("/missing"))->DownAddress(), "");
}

TEST_F(DownloaderTest, FtpFilesAreProbedByTheirSize) {
  TempDir root;
  root.Write("pub/a.rar", std::string(3000, 'r'));
  FtpServer ftp(root.path());
  auto down = Make("ftp://u:p@" + ftp.Host() + "/pub/a.rar");
  down->Execute();
  EXPECT_EQ(down->ErrNumber, 0);
  EXPECT_EQ(down->FileSize(), 3000);

  // A redirect to ftp takes the FTP road (anonymous login).
  http_.Route("/get.rar", HttpAnswer::Redirect(ftp.Url("pub/a.rar")));
  auto redirected = Make(http_.Url("/get.rar"));
  redirected->Execute();
  EXPECT_EQ(redirected->ErrNumber, 0);
  EXPECT_TRUE(redirected->IsFtp());
  EXPECT_EQ(redirected->FileSize(), 3000);
  EXPECT_EQ(redirected->DownFileUrl, ftp.Url("pub/a.rar"));

  auto missing = Make(ftp.Url("pub/none.rar"));
  missing->Execute();
  EXPECT_EQ(missing->ErrNumber, 1);
}

TEST_F(DownloaderTest, TypeChecksReadTheLastExtension) {
  Downloader down;
  EXPECT_FALSE(down.CheckFiletype("http://h/down.php?id=3"));
  EXPECT_FALSE(down.CheckFiletype("http://h/a.html"));
  EXPECT_TRUE(down.CheckFiletype("http://h/a.zip"));
  EXPECT_FALSE(down.CheckFiletype("  "));
  http_.Route("/A.ZIP", HttpAnswer::Huge(500));
  auto upper = Make(http_.Url("/A.ZIP"));
  upper->InceptExt("zip, rar");
  upper->Execute();
  EXPECT_EQ(upper->ErrNumber, 0);
}

}  // namespace
}  // namespace ostrel::testing
