#include "platform/net/xml_http.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net/fetch_limits.h"
#include "platform/net/fetch_log.h"
#include "platform/net/net_error.h"
#include "platform/vb/vb_error.h"
#include "support/fetch_limits_guard.h"
#include "support/fixtures.h"
#include "support/http_server.h"

using namespace std::chrono_literals;
using ostrel::net::XmlHttp;
using ostrel::testing::FetchLimitsGuard;
using ostrel::testing::FixturePath;
using ostrel::testing::GeneratedBytes;
using ostrel::testing::HttpAnswer;
using ostrel::testing::HttpServer;
using ostrel::testing::ReadFixture;
using ostrel::vb::VbError;

namespace {

// Every test gets its own fixture site and short process-wide time-outs, so
// a failure shows up in seconds.
class XmlHttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ostrel::net::SetTimeouts(2s, 2s);
    server_.ServeFolder(FixturePath());
  }

  // A fixture page as the server hands it out.
  std::string ServedPage(const std::string& name) const {
    std::string page = ReadFixture("pages/" + name);
    size_t at = page.find("{{HOST}}");
    if (at != std::string::npos) page.replace(at, 8, server_.Host());
    return page;
  }

  // Runs a request and returns the object; errors propagate.
  XmlHttp Fetch(std::string_view method, std::string_view path, std::string_view body = "") {
    XmlHttp http;
    http.open(method, server_.Url(path), false);
    http.send(body);
    return http;
  }

  // The error number a request raises, or 0.
  int32_t FetchError(XmlHttp& http, std::string_view method, std::string_view url) {
    try {
      http.open(method, url, false);
      http.send();
    } catch (const VbError& e) {
      last_error_ = e.description();
      return e.number();
    }
    return 0;
  }

  FetchLimitsGuard limits_{ostrel::net::GetFetchLimits()};  // puts back what SetUp changes
  HttpServer server_;
  std::string last_error_;
};

}  // namespace

TEST_F(XmlHttpTest, GetGivesStatusHeadersAndBody) {
  server_.Route("/a.html", HttpAnswer::Page("<p>hello</p>").With("X-Test", "one"));
  XmlHttp http;
  EXPECT_EQ(http.readyState(), 0);
  http.open("GET", server_.Url("/a.html"), false);
  EXPECT_EQ(http.readyState(), 1);
  http.setRequestHeader("Referer", server_.Url("/a.html"));
  http.send();
  EXPECT_EQ(http.readyState(), 4);
  EXPECT_EQ(http.status(), 200);
  EXPECT_EQ(http.statusText(), "OK");
  EXPECT_EQ(http.responseBody(), "<p>hello</p>");
  EXPECT_EQ(http.getResponseHeader("content-type"), "text/html");
  EXPECT_EQ(http.getResponseHeader("X-TEST"), "one");
  EXPECT_EQ(http.getResponseHeader("X-Missing"), "");
  EXPECT_NE(http.getAllResponseHeaders().find("X-Test: one\r\n"), std::string::npos);

  auto requests = server_.RequestsFor("/a.html");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].Header("Referer"), server_.Url("/a.html"));
  EXPECT_FALSE(requests[0].HasHeader("Accept-Encoding"));  // bodies arrive as stored
  EXPECT_FALSE(requests[0].Header("User-Agent").empty());
}

TEST_F(XmlHttpTest, NonSuccessStatusesAreAnswersNotErrors) {
  server_.Route("/choices", HttpAnswer::Status(300, "<p>pick one</p>"));
  server_.Route("/broken", HttpAnswer::Status(500));
  XmlHttp choices = Fetch("GET", "/choices");
  EXPECT_EQ(choices.status(), 300);
  EXPECT_EQ(choices.responseBody(), "<p>pick one</p>");
  EXPECT_EQ(Fetch("GET", "/nothing-here").status(), 404);
  EXPECT_EQ(Fetch("GET", "/broken").status(), 500);
  EXPECT_EQ(Fetch("HEAD", "/nothing-here").status(), 404);
  EXPECT_EQ(Fetch("HEAD", "/choices").status(), 300);
}

TEST_F(XmlHttpTest, HeadReadsHeadersWithoutBodyOrSizeCap) {
  XmlHttp head = Fetch("HEAD", "/images/photo.png");
  EXPECT_EQ(head.status(), 200);
  EXPECT_EQ(head.responseBody(), "");
  EXPECT_EQ(head.getResponseHeader("Content-Length"),
            std::to_string(ReadFixture("images/photo.png").size()));
  EXPECT_EQ(server_.Requests().back().method, "HEAD");

  // A file far larger than the cap can still be checked.
  server_.Route("/big.zip", HttpAnswer::Huge(1ull << 34));
  XmlHttp big;
  big.SetMaxBodyBytes(1024);
  big.open("HEAD", server_.Url("/big.zip"));
  big.send();
  EXPECT_EQ(big.status(), 200);
  EXPECT_EQ(big.getResponseHeader("Content-Length"), std::to_string(1ull << 34));
}

TEST_F(XmlHttpTest, RedirectsAreFollowedToTheFinalAnswer) {
  server_.Route("/r1", HttpAnswer::Redirect("/r2", 301));
  server_.Route("/r2", HttpAnswer::Redirect(server_.Url("/pages/utf8.html"), 302));
  server_.Route("/to-missing", HttpAnswer::Redirect("/gone.html"));
  server_.Route("/to-choices", HttpAnswer::Redirect("/choices"));
  server_.Route("/choices", HttpAnswer::Status(300));

  XmlHttp http = Fetch("GET", "/r1");
  EXPECT_EQ(http.status(), 200);
  EXPECT_EQ(http.getResponseHeader("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(http.getResponseHeader("Location"), "");
  EXPECT_EQ(http.responseBody(), ServedPage("utf8.html"));
  EXPECT_EQ(server_.RequestsFor("/r2").size(), 1u);

  EXPECT_EQ(Fetch("GET", "/to-missing").status(), 404);
  EXPECT_EQ(Fetch("HEAD", "/r1").status(), 200);
  // A 300 answer carries no Location, so it is final.
  EXPECT_EQ(Fetch("GET", "/to-choices").status(), 300);
}

TEST_F(XmlHttpTest, RedirectLoopsAndForeignProtocolsFail) {
  server_.Route("/loop", HttpAnswer::Redirect("/loop"));
  server_.Route("/to-ftp", HttpAnswer::Redirect("ftp://127.0.0.1/x.zip"));
  server_.Route("/to-file", HttpAnswer::Redirect("file:///etc/passwd"));
  XmlHttp http;
  EXPECT_EQ(FetchError(http, "GET", server_.Url("/loop")), ostrel::net::kErrRedirectFailed);
  EXPECT_LE(server_.RequestsFor("/loop").size(), 11u);
  EXPECT_EQ(FetchError(http, "GET", server_.Url("/to-ftp")), ostrel::net::kErrUnsupportedScheme);
  EXPECT_EQ(FetchError(http, "GET", server_.Url("/to-file")), ostrel::net::kErrUnsupportedScheme);
  EXPECT_NE(last_error_.find("/to-file"), std::string::npos) << last_error_;
}

TEST_F(XmlHttpTest, PostSendsItsBody) {
  server_.Route("/form", HttpAnswer::Page("thanks"));
  std::string body = "a=1&b=" + std::string(5000, 'x');
  XmlHttp http;
  http.open("post", server_.Url("/form"));
  http.setRequestHeader("Content-Type", "application/x-www-form-urlencoded");
  http.send(body);
  EXPECT_EQ(http.responseBody(), "thanks");
  auto requests = server_.RequestsFor("/form");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, body);
  EXPECT_FALSE(requests[0].HasHeader("Expect"));
}

TEST_F(XmlHttpTest, FixturePagesArriveByteForByte) {
  for (const char* name : {"gb2312.html", "gb2312_plain.html", "utf8.html", "big5.html"}) {
    std::string expected = ServedPage(name);
    ASSERT_NE(expected.find("http://" + server_.Host() + "/images/photo.jpg"), std::string::npos)
        << name;
    EXPECT_EQ(Fetch("GET", std::string("/pages/") + name).responseBody(), expected) << name;
  }
  EXPECT_EQ(Fetch("GET", "/pages/gb2312.html").getResponseHeader("Content-Type"),
            "text/html; charset=gb2312");
  EXPECT_EQ(Fetch("GET", "/pages/gb2312_plain.html").getResponseHeader("Content-Type"),
            "text/html");
  // The picture a page points at is on the dotted loopback host.
  XmlHttp picture = Fetch("GET", "/images/photo.jpg");
  EXPECT_EQ(picture.responseBody(), ReadFixture("images/photo.jpg"));
  EXPECT_EQ(picture.getResponseHeader("Content-Type"), "image/jpeg");
}

TEST_F(XmlHttpTest, ResponseTextFollowsTheDeclaredCharset) {
  EXPECT_NE(Fetch("GET", "/pages/gb2312.html").responseText().find("这是一段简体中文正文"),
            std::string::npos);
  EXPECT_NE(Fetch("GET", "/pages/utf8.html").responseText().find("「引号」"), std::string::npos);
  // Undeclared GB2312 bytes are not UTF-8: they do not come out as the text.
  std::string plain = Fetch("GET", "/pages/gb2312_plain.html").responseText();
  EXPECT_EQ(plain.find("服务器"), std::string::npos);
  EXPECT_NE(plain.find("\xEF\xBF\xBD"), std::string::npos);
}

TEST_F(XmlHttpTest, ChunkedAndPacedBodiesArriveWhole) {
  HttpAnswer chunked = HttpAnswer::Page("第一块第二块第三块");
  chunked.chunked = true;
  chunked.piece_bytes = 4;
  server_.Route("/chunked", chunked);
  EXPECT_EQ(Fetch("GET", "/chunked").responseBody(), "第一块第二块第三块");

  // Steady trickles never leave the line idle for the time-out.
  server_.Route("/steady", HttpAnswer::Slow("0123456789", 100ms, 50ms, 2));
  XmlHttp http;
  http.SetTimeouts(2s, 1s);
  http.open("GET", server_.Url("/steady"));
  http.send();
  EXPECT_EQ(http.responseBody(), "0123456789");
}

TEST_F(XmlHttpTest, SilentServersHitTheIdleTimeout) {
  server_.Route("/late", HttpAnswer::Slow("late", 4s, 0ms, 4));
  server_.Route("/stalled", HttpAnswer::Stalled());
  HttpAnswer dribble = HttpAnswer::Page("abcdef");
  dribble.piece_bytes = 1;
  dribble.delay_between = 4s;
  server_.Route("/dribble", dribble);
  for (const char* path : {"/late", "/stalled", "/dribble"}) {
    XmlHttp http;
    http.SetTimeouts(2s, 1s);
    EXPECT_EQ(FetchError(http, "GET", server_.Url(path)), ostrel::net::kErrTimeout) << path;
    EXPECT_EQ(http.readyState(), 1);
    EXPECT_THROW(http.status(), VbError);
  }
}

TEST_F(XmlHttpTest, BodiesOverTheCapFailInsteadOfBeingCut) {
  server_.Route("/endless", HttpAnswer::Endless());
  HttpAnswer endless_chunks = HttpAnswer::Endless();
  endless_chunks.chunked = true;
  server_.Route("/endless-chunked", endless_chunks);
  server_.Route("/announced", HttpAnswer::Huge(4 << 20));
  HttpAnswer unannounced = HttpAnswer::Huge(4 << 20);
  unannounced.chunked = true;
  server_.Route("/unannounced", unannounced);
  for (const char* path : {"/endless", "/endless-chunked", "/announced", "/unannounced"}) {
    XmlHttp http;
    http.SetMaxBodyBytes(1 << 20);
    EXPECT_EQ(FetchError(http, "GET", server_.Url(path)), ostrel::net::kErrTooLarge) << path;
    EXPECT_THROW(http.responseBody(), VbError);
  }

  // Exactly at the cap is accepted, every byte in place.
  server_.Route("/exact", HttpAnswer::Huge(1 << 20));
  XmlHttp http;
  http.SetMaxBodyBytes(1 << 20);
  http.open("GET", server_.Url("/exact"));
  http.send();
  EXPECT_EQ(http.responseBody(), GeneratedBytes(0, 1 << 20));

  // The process-wide cap applies to new objects.
  ostrel::net::SetMaxBodyBytes(1000);
  XmlHttp capped;
  EXPECT_EQ(FetchError(capped, "GET", server_.Url("/exact")), ostrel::net::kErrTooLarge);
}

TEST_F(XmlHttpTest, OnlyHttpAddressesAreOpened) {
  XmlHttp http;
  EXPECT_EQ(FetchError(http, "GET", "ftp://127.0.0.1/file.zip"),
            ostrel::net::kErrUnsupportedScheme);
  EXPECT_EQ(FetchError(http, "GET", "file:///etc/passwd"), ostrel::net::kErrUnsupportedScheme);
  EXPECT_EQ(FetchError(http, "GET", "FILE:///etc/passwd"), ostrel::net::kErrUnsupportedScheme);
  EXPECT_EQ(FetchError(http, "GET", "127.0.0.1/a.html"), ostrel::net::kErrInvalidUrl);
  EXPECT_EQ(FetchError(http, "GET", ""), ostrel::net::kErrInvalidUrl);
  EXPECT_EQ(FetchError(http, "GET", "http://"), ostrel::net::kErrInvalidUrl);
  EXPECT_EQ(http.readyState(), 0);
  EXPECT_EQ(FetchError(http, "PUT", server_.Url("/a")), ostrel::vb::kErrInvalidCall);
  EXPECT_EQ(server_.RequestCount(), 0u);
  // Upper-case schemes are still web addresses.
  EXPECT_EQ(FetchError(http, "GET", "HTTP://" + server_.Host() + "/pages/utf8.html"), 0);
}

TEST_F(XmlHttpTest, RefusedConnectionRaises) {
  std::string url;
  {
    HttpServer gone;
    url = gone.Url("/a.html");
  }
  XmlHttp http;
  EXPECT_EQ(FetchError(http, "GET", url), ostrel::net::kErrCannotConnect);
  EXPECT_NE(last_error_.find(url), std::string::npos) << last_error_;
}

// The operator hears why each failed fetch failed, once, address and
// library text included; an answer, even a 404, is no failure.
TEST_F(XmlHttpTest, EachFailedFetchIsReportedOnce) {
  static std::vector<std::string> reports;
  reports.clear();
  const ostrel::net::FetchFailureSink before = ostrel::net::SetFetchFailureSink(
      [](int, std::string_view reason) { reports.emplace_back(reason); });
  std::string url;
  {
    HttpServer gone;
    url = gone.Url("/a.html");
  }
  XmlHttp http;
  FetchError(http, "GET", url);
  FetchError(http, "GET", "htp://example.com/");
  FetchError(http, "GET", server_.Url("/missing.html"));
  ostrel::net::SetFetchFailureSink(before);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[0].find(url + ": Failed to connect"), std::string::npos) << reports[0];
  EXPECT_NE(reports[1].find("htp://example.com/"), std::string::npos) << reports[1];
}

TEST_F(XmlHttpTest, AnswerIsUnavailableUntilSendCompletes) {
  XmlHttp http;
  try {
    http.status();
    FAIL() << "no error";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), ostrel::net::kErrNotReady);
  }
  EXPECT_THROW(http.send(), VbError);
  EXPECT_THROW(http.setRequestHeader("Referer", "x"), VbError);
  http.open("GET", server_.Url("/pages/utf8.html"));
  EXPECT_THROW(http.getResponseHeader("Content-Type"), VbError);
}

TEST_F(XmlHttpTest, HeadersCannotSmuggleLines) {
  XmlHttp http;
  http.open("GET", server_.Url("/pages/utf8.html"));
  EXPECT_THROW(http.setRequestHeader("Referer", "x\r\nX-Evil: 1"), VbError);
  EXPECT_THROW(http.setRequestHeader("Bad Name", "x"), VbError);
  EXPECT_THROW(http.setRequestHeader("", "x"), VbError);
  http.setRequestHeader("Referer", "first");
  http.setRequestHeader("referer", "second");
  http.send();
  EXPECT_EQ(server_.Requests().back().Header("Referer"), "second");
  EXPECT_FALSE(server_.Requests().back().HasHeader("X-Evil"));
}

TEST_F(XmlHttpTest, AddressesWithBlanksAndChineseAreEncoded) {
  server_.Route("/%E6%96%B0%E9%97%BB/a%20b.html", HttpAnswer::Page("found"));
  EXPECT_EQ(Fetch("GET", "/新闻/a b.html").responseBody(), "found");
  EXPECT_EQ(server_.Requests().back().target, "/%E6%96%B0%E9%97%BB/a%20b.html");
}

TEST_F(XmlHttpTest, OneObjectServesSeveralRequests) {
  server_.Route("/one", HttpAnswer::Page("1").With("X-One", "yes"));
  server_.Route("/two", HttpAnswer::Status(404));
  XmlHttp http;
  http.open("GET", server_.Url("/one"));
  http.setRequestHeader("X-Extra", "a");
  http.send();
  EXPECT_EQ(http.responseBody(), "1");
  http.open("GET", server_.Url("/two"));
  EXPECT_EQ(http.readyState(), 1);
  http.send();
  EXPECT_EQ(http.status(), 404);
  EXPECT_EQ(http.getResponseHeader("X-One"), "");
  EXPECT_FALSE(server_.Requests().back().HasHeader("X-Extra"));
}
