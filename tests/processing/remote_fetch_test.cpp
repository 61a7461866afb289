#include "processing/remote_fetch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/net/fetch_limits.h"
#include "support/fetch_limits_guard.h"
#include "support/fixtures.h"
#include "support/http_server.h"

namespace ostrel::processing {
namespace {

using std::chrono::milliseconds;
using testing::HttpAnswer;

class RemoteFetchTest : public ::testing::Test {
 protected:
  void SetUp() override { server_.ServeFolder(testing::FixturePath("pages")); }
  void TearDown() override { server_.Stop(); }

  std::string Url(std::string_view path) const { return server_.Url(path); }

  testing::FetchLimitsGuard limits_;
  testing::HttpServer server_;
};

TEST_F(RemoteFetchTest, StatusLimitsDifferBetweenProbeAndFetch) {
  server_.Route("/ok", HttpAnswer::Page("fine"));
  server_.Route("/choices", HttpAnswer::Status(300, "choose"));
  server_.Route("/redirected", HttpAnswer::Redirect("/ok"));
  EXPECT_TRUE(CheckHTTP(Url("/ok")));
  EXPECT_EQ(GetRemoteData(Url("/ok")), "fine");
  // 300 itself is still a page for the fetch, but not for the probe.
  EXPECT_FALSE(CheckHTTP(Url("/choices")));
  EXPECT_EQ(GetRemoteData(Url("/choices")), "choose");
  EXPECT_FALSE(CheckHTTP(Url("/missing")));
  EXPECT_EQ(GetRemoteData(Url("/missing")), "");
  EXPECT_TRUE(CheckHTTP(Url("/redirected")));
  EXPECT_EQ(GetRemoteData(Url("/redirected")), "fine");
}

TEST_F(RemoteFetchTest, ProbeIsHeadAndFetchSendsItsOwnAddressAsReferer) {
  server_.Route("/ok", HttpAnswer::Page("fine"));
  ASSERT_TRUE(CheckHTTP(Url("/ok")));
  ASSERT_EQ(GetRemoteData(Url("/ok?a=1")), "fine");
  auto requests = server_.RequestsFor("/ok");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "HEAD");
  EXPECT_FALSE(requests[0].HasHeader("Referer"));
  EXPECT_EQ(requests[1].method, "GET");
  EXPECT_EQ(requests[1].Header("Referer"), Url("/ok?a=1"));
}

TEST_F(RemoteFetchTest, DeclaredCharsetWinsOverTheItems) {
  // Served with "charset=gb2312" and "charset=utf-8".
  EXPECT_NE(GetRemoteData(Url("/gb2312.html"), "UTF-8").find("<title>测试新闻：中文页面</title>"),
            std::string::npos);
  EXPECT_NE(GetRemoteData(Url("/utf8.html"), "GB2312").find("测试新闻：UTF-8 页面"),
            std::string::npos);
}

TEST_F(RemoteFetchTest, ItemCharsetWithoutDeclaration) {
  EXPECT_NE(GetRemoteData(Url("/big5.html"), "BIG5").find("測試新聞：繁體中文頁面"),
            std::string::npos);
  // Empty or one character: GB2312.
  EXPECT_NE(GetRemoteData(Url("/gb2312_plain.html"), "").find("没有声明字符集"), std::string::npos);
  EXPECT_NE(GetRemoteData(Url("/gb2312_plain.html"), "x").find("没有声明字符集"),
            std::string::npos);
  EXPECT_NE(GetRemoteData(Url("/gb2312_plain.html"), " GB2312 ").find("没有声明字符集"),
            std::string::npos);
  EXPECT_EQ(GetRemoteData(Url("/gb2312_plain.html"), "no-such-charset"), "");
}

TEST_F(RemoteFetchTest, CharsetParametersAndQuotesAreCutOff) {
  const std::string body = "<p>引号「」</p>";
  server_.Route("/quoted", HttpAnswer::Page(body, "text/html; charset=\"utf-8\"; format=flowed"));
  server_.Route("/blank", HttpAnswer::Page(body, "text/html;charset= 'UTF-8' ;x=y"));
  server_.Route("/twice", HttpAnswer::Page(body, "text/html; CHARSET=GB2312; charset=UTF-8"));
  server_.Route("/bare", HttpAnswer::Page(body, "text/html; charset=;"));
  server_.Route("/unknown", HttpAnswer::Page(body, "text/html; charset=klingon"));
  EXPECT_EQ(GetRemoteData(Url("/quoted"), "GB2312"), body);
  EXPECT_EQ(GetRemoteData(Url("/blank"), "GB2312"), body);
  EXPECT_EQ(GetRemoteData(Url("/twice"), "GB2312"), body);  // the last one counts
  EXPECT_EQ(GetRemoteData(Url("/bare"), "UTF-8"), body);
  EXPECT_EQ(GetRemoteData(Url("/unknown"), "UTF-8"), "");
}

TEST(ContentTypeCharsetTest, Forms) {
  EXPECT_EQ(ContentTypeCharset("text/html; charset=utf-8"), "UTF-8");
  EXPECT_EQ(ContentTypeCharset("text/html; Charset=\"gb2312\"; x=y"), "GB2312");
  EXPECT_EQ(ContentTypeCharset("text/html"), "");
  EXPECT_EQ(ContentTypeCharset(""), "");
}

TEST_F(RemoteFetchTest, EmptyBodyAndBadAddresses) {
  server_.Route("/empty", HttpAnswer::Page(""));
  EXPECT_EQ(GetRemoteData(Url("/empty")), "");
  EXPECT_TRUE(CheckHTTP(Url("/empty")));
  EXPECT_EQ(GetRemoteData("not an address"), "");
  EXPECT_FALSE(CheckHTTP("not an address"));
  EXPECT_EQ(GetRemoteData("ftp://127.0.0.1/x"), "");
  EXPECT_FALSE(CheckHTTP(""));
}

TEST_F(RemoteFetchTest, ClosedPortFails) {
  testing::HttpServer gone;
  std::string url = gone.Url("/x");
  gone.Stop();
  EXPECT_FALSE(CheckHTTP(url));
  EXPECT_EQ(GetRemoteData(url), "");
}

TEST_F(RemoteFetchTest, LimitsEndTheFetchWithTheFailureResult) {
  server_.Route("/huge", HttpAnswer::Huge(2 << 20, "text/html"));
  server_.Route("/endless", HttpAnswer::Endless());
  server_.Route("/stalled", HttpAnswer::Stalled());
  server_.Route("/late", HttpAnswer::Slow("late", milliseconds(3000), milliseconds(0), 4));
  server_.Route("/fits", HttpAnswer::Huge(512 << 10, "text/html"));
  EXPECT_EQ(GetRemoteData(Url("/huge")), "");
  EXPECT_EQ(GetRemoteData(Url("/endless")), "");
  EXPECT_EQ(GetRemoteData(Url("/stalled")), "");
  EXPECT_EQ(GetRemoteData(Url("/late")), "");
  EXPECT_FALSE(CheckHTTP(Url("/late")));
  // Below the cap the page arrives whole.
  EXPECT_EQ(GetRemoteData(Url("/fits"), "UTF-8"), testing::GeneratedBytes(0, 512 << 10));
}

TEST_F(RemoteFetchTest, ATricklingRemoteEndsAtTheDeadline) {
  // Two bytes a second for minutes: never idle, so only the deadline ends it.
  server_.Route("/trickle",
                HttpAnswer::Slow(std::string(400, 'x'), milliseconds(0), milliseconds(500), 1));
  net::FetchLimits limits = testing::FetchLimitsGuard::Short();
  limits.idle_timeout = milliseconds(5000);
  limits.total_timeout = milliseconds(1500);
  testing::FetchLimitsGuard deadline(limits);
  EXPECT_EQ(GetRemoteData(Url("/trickle")), "");
}

}  // namespace
}  // namespace ostrel::processing
