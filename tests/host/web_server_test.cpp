// The HTTP binding, with real requests on 127.0.0.1: flushed chunks
// leave before the page ends, End and Redirect, the session cookie and the
// serialised requests of one session, the shared Application, form decoding
// from the code page, static files and refusals.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "host/test_http.h"
#include "host/web_server.h"
#include "platform/vb/ascii_case.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::host {
namespace {

using test::Fetch;
using test::HttpConnection;
using test::HttpHead;
using test::HttpResult;
using test::SessionIdOf;
using test::TempFolder;

// A door a page waits at until the test opens it.
class Gate {
 public:
  void Wait() {
    std::unique_lock lock(mu_);
    cv_.wait(lock, [this] { return open_; });
  }
  void Open() {
    std::lock_guard lock(mu_);
    open_ = true;
    cv_.notify_all();
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  bool open_ = false;
};

using test::Eventually;

std::string Text(const vb::Variant& value) {
  return value.IsEmpty() || value.IsNull() ? std::string() : vb::CStr(value);
}

class WebServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    signal(SIGPIPE, SIG_IGN);
    site_.Write("css/admin.css", "body{}");
    site_.Write("admin/tmpNewslist1.dat", "http://a/");
    site_.Write("secret.txt", "outside");
    Rebuild([](ServerSettings&) {});
  }

  // A new (not yet started) host with the test's settings, adjusted.
  void Rebuild(const std::function<void(ServerSettings&)>& adjust) {
    if (server_) server_->Stop();
    ServerSettings settings;
    settings.listen = "127.0.0.1:0";
    settings.threads = 8;
    settings.pages.site_root = site_.path();
    adjust(settings);
    server_ = std::make_unique<WebServer>(settings);
    // Sessions are made only on purpose, as a login makes them.
    AddPage("/admin/NewSession.asp", [](asp::RequestContext& page) { RenewSession(page); });
  }

  // A new session's id.
  std::string NewSession() { return SessionIdOf(Fetch(port_, "GET", "/admin/NewSession.asp")); }

  void TearDown() override {
    // A failed test must not leave a page waiting, or Stop would wait too.
    gate_.Open();
    server_->Stop();
  }

  void Start() {
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
    port_ = server_->port();
    ASSERT_GT(port_, 0);
  }

  void AddPage(const std::string& path, PageFunction page, bool needs_login = false) {
    server_->AddPage(path, std::move(page), needs_login);
  }

  // Starts the host with a page that writes its form's field "a" and
  // counts its runs.
  void StartFormEcho() {
    AddPage("/admin/Echo.asp", [this](asp::RequestContext& page) {
      ++echoed_;
      page.Response->Write(Text(page.Request->Form().Item("a")));
    });
    Start();
  }

  TempFolder site_;
  std::unique_ptr<WebServer> server_;
  Gate gate_;
  int port_ = 0;
  std::atomic<int> echoed_{0};
};

TEST_F(WebServerTest, FlushSendsAChunkBeforeThePageEnds) {
  AddPage("/admin/Flush.asp", [&](asp::RequestContext& page) {
    page.Response->Write("first");
    page.Response->Flush();
    gate_.Wait();
    page.Response->Write("second");
  });
  Start();
  HttpConnection connection(port_);
  connection.SendRequest("GET", "/admin/flush.asp");
  test::HttpHead head = connection.ReadHead();
  EXPECT_EQ(head.status, 200);
  EXPECT_TRUE(head.chunked());
  EXPECT_EQ(head.Header("Content-Type"), "text/html; charset=gb2312");
  // The page is still waiting: this chunk was sent by Flush.
  EXPECT_EQ(connection.ReadChunk(), "first");
  gate_.Open();
  EXPECT_EQ(connection.ReadChunk(), "second");
  EXPECT_EQ(connection.ReadChunk(), "");
}

TEST_F(WebServerTest, EndDropsLaterOutputAndRedirectAnswers302) {
  AddPage("/admin/End.asp", [](asp::RequestContext& page) {
    page.Response->Write("kept");
    page.Response->End();
    page.Response->Write("dropped");
  });
  AddPage("/admin/Go.asp", [](asp::RequestContext& page) {
    page.Response->Write("not shown");
    page.Response->Redirect("Admin_Login.asp?from=中");
    page.Response->Write("dropped");
  });
  Start();
  HttpResult ended = Fetch(port_, "GET", "/admin/End.asp");
  EXPECT_EQ(ended.status(), 200);
  EXPECT_EQ(ended.body, "kept");

  HttpResult moved = Fetch(port_, "GET", "/admin/Go.asp");
  EXPECT_EQ(moved.status(), 302);
  EXPECT_EQ(moved.Header("Location"), "Admin_Login.asp?from=%D6%D0");
  EXPECT_EQ(moved.body, "");
}

TEST_F(WebServerTest, SessionCookieKeepsTheSessionAcrossRequests) {
  AddPage("/admin/Visits.asp", [](asp::RequestContext& page) {
    vb::Variant visits = page.Session->Item("visits");
    int32_t n = visits.IsEmpty() ? 1 : vb::CLng(visits) + 1;
    page.Session->SetItem("visits", vb::Variant(n));
    page.Response->Write(std::to_string(n));
  });
  Start();
  HttpConnection connection(port_);
  // Without a session the page runs with an empty one that is not kept.
  for (int i = 0; i < 2; ++i) {
    HttpResult none = connection.Fetch("GET", "/admin/Visits.asp");
    EXPECT_EQ(none.body, "1");
    EXPECT_EQ(none.Header("Set-Cookie"), "");
  }
  HttpResult made = Fetch(port_, "GET", "/admin/NewSession.asp");
  std::string id = SessionIdOf(made);
  ASSERT_EQ(id.size(), 24u);
  EXPECT_NE(made.Header("Set-Cookie").find("path=/; HttpOnly; SameSite=Strict"), std::string::npos);

  // Same connection (keep-alive), with the cookie: same session, no new cookie.
  EXPECT_EQ(connection.Fetch("GET", "/admin/Visits.asp", {"Cookie: ASPSESSIONID=" + id}).body, "1");
  HttpResult second = connection.Fetch("GET", "/admin/Visits.asp", {"Cookie: ASPSESSIONID=" + id});
  EXPECT_EQ(second.body, "2");
  EXPECT_EQ(second.Header("Set-Cookie"), "");

  // An unknown id makes no session.
  HttpResult stranger = Fetch(port_, "GET", "/admin/Visits.asp", {"Cookie: ASPSESSIONID=NOPE"});
  EXPECT_EQ(stranger.body, "1");
  EXPECT_EQ(SessionIdOf(stranger), "");
  EXPECT_EQ(server_->pages().sessions().Count(), 1u);
}

TEST_F(WebServerTest, RenewSessionReplacesTheSessionUntilTheHeadIsSent) {
  AddPage("/admin/Id.asp", [](asp::RequestContext& page) {
    page.Session->SetItem("seen", vb::Variant("yes"));
    page.Response->Write(page.Session->SessionID());
  });
  AddPage("/admin/Renew.asp", [](asp::RequestContext& page) {
    if (!page.Request->QueryString().Item("flush").IsEmpty()) {
      page.Response->Write("flushed|");
      page.Response->Flush();
    }
    try {
      RenewSession(page);
    } catch (const vb::VbError&) {
      page.Response->Write("refused|");
    }
    page.Response->Write(page.Session->SessionID() + "|" + Text(page.Session->Item("seen")));
  });
  Start();
  const std::string old_id = NewSession();
  EXPECT_EQ(Fetch(port_, "GET", "/admin/Id.asp", {"Cookie: ASPSESSIONID=" + old_id}).body, old_id);
  const std::string old_cookie = "Cookie: ASPSESSIONID=" + old_id;

  HttpResult renewed = Fetch(port_, "GET", "/admin/Renew.asp", {old_cookie});
  const std::string new_id = SessionIdOf(renewed);
  ASSERT_EQ(new_id.size(), 24u);
  EXPECT_NE(new_id, old_id);
  EXPECT_EQ(renewed.body, new_id + "|");
  EXPECT_EQ(Fetch(port_, "GET", "/admin/Id.asp", {"Cookie: ASPSESSIONID=" + new_id}).body, new_id);
  HttpResult stale = Fetch(port_, "GET", "/admin/Id.asp", {old_cookie});
  EXPECT_EQ(stale.body, "");

  // Once the head has gone out, the browser could not learn a new id.
  const std::string cookie = "Cookie: ASPSESSIONID=" + new_id;
  HttpResult late = Fetch(port_, "GET", "/admin/Renew.asp?flush=1", {cookie});
  EXPECT_EQ(late.body, "flushed|refused|" + new_id + "|yes");
  EXPECT_EQ(late.Header("Set-Cookie"), "");
}

TEST_F(WebServerTest, TheConnectionStaysOpenUnlessTheBrowserAsksToClose) {
  AddPage("/admin/Page.asp", [](asp::RequestContext& page) { page.Response->Write("body"); });
  Start();
  HttpConnection connection(port_);
  HttpResult get = connection.Fetch("GET", "/admin/Page.asp");
  EXPECT_EQ(vb::LowerAscii(get.Header("Connection")), "keep-alive");
  EXPECT_FALSE(get.Header("Date").empty());
  EXPECT_EQ(get.body, "body");

  HttpResult last = connection.Fetch("GET", "/admin/Page.asp", {"Connection: close"});
  EXPECT_EQ(last.body, "body");
  EXPECT_EQ(last.Header("Connection"), "close");
  EXPECT_TRUE(connection.Closed());
}

TEST_F(WebServerTest, ApplicationIsSharedByAllSessions) {
  AddPage("/admin/Count.asp", [](asp::RequestContext& page) {
    asp::Application& application = *page.Application;
    application.Lock();
    vb::Variant n = application.Item("hits");
    int32_t next = n.IsEmpty() ? 1 : vb::CLng(n) + 1;
    application.SetItem("HITS", vb::Variant(next));
    application.UnLock();
    page.Response->Write(std::to_string(next));
  });
  Start();
  EXPECT_EQ(Fetch(port_, "GET", "/admin/Count.asp").body, "1");
  EXPECT_EQ(Fetch(port_, "GET", "/admin/Count.asp").body, "2");
  EXPECT_EQ(Text(server_->pages().application().Item("hits")), "2");
}

TEST_F(WebServerTest, RequestsOfOneSessionRunOneAtATime) {
  std::mutex log_mu;
  std::vector<std::string> log;
  std::atomic<int> entered{0};
  AddPage("/admin/Hold.asp", [&](asp::RequestContext& page) {
    std::string n = Text(page.Request->Item("n"));
    {
      std::lock_guard lock(log_mu);
      log.push_back("start " + n);
    }
    ++entered;
    if (n == "1") gate_.Wait();
    std::lock_guard lock(log_mu);
    log.push_back("end " + n);
  });
  Start();
  std::string id = NewSession();
  ASSERT_FALSE(id.empty());
  std::string cookie = "Cookie: ASPSESSIONID=" + id;
  EXPECT_EQ(Fetch(port_, "GET", "/admin/Hold.asp?n=0", {cookie}).status(), 200);

  HttpConnection holder(port_);
  holder.SendRequest("GET", "/admin/Hold.asp?n=1", {cookie});
  ASSERT_TRUE(Eventually([&] { return entered == 2; }));
  HttpConnection waiter(port_);
  waiter.SendRequest("GET", "/admin/Hold.asp?n=2", {cookie});
  ASSERT_TRUE(Eventually([&] { return server_->pages().sessions().Users(id) == 2; }));
  // Another session is not held up.
  EXPECT_EQ(Fetch(port_, "GET", "/admin/Hold.asp?n=3").status(), 200);
  EXPECT_EQ(entered, 3);

  gate_.Open();
  EXPECT_EQ(holder.ReadBody(holder.ReadHead()), "");
  EXPECT_EQ(waiter.ReadBody(waiter.ReadHead()), "");
  std::lock_guard lock(log_mu);
  EXPECT_EQ(log, (std::vector<std::string>{"start 0", "end 0", "start 1", "start 3", "end 3",
                                           "end 1", "start 2", "end 2"}));
}

TEST_F(WebServerTest, FormsAndQueriesAreDecodedFromTheCodePage) {
  AddPage("/admin/Echo.asp", [](asp::RequestContext& page) {
    page.Response->Write(Text(page.Request->Item("name")) + "|" +
                         Text(page.Request->QueryString().Item("q")) + "|" +
                         Text(page.Request->ServerVariables().Item("REQUEST_METHOD")) + "|" +
                         Text(page.Request->ServerVariables().Item("SCRIPT_NAME")));
  });
  Start();
  // "中文" in GB2312, posted as a browser posts a form of a GB2312 page.
  HttpResult posted = Fetch(port_, "POST", "/admin/echo.asp?q=%CE%C4",
                            {test::kOwnOrigin, "Content-Type: application/x-www-form-urlencoded"},
                            "name=%D6%D0%CE%C4+x");
  EXPECT_EQ(posted.status(), 200);
  EXPECT_EQ(posted.body, "\xD6\xD0\xCE\xC4 x|\xCE\xC4|POST|/admin/Echo.asp");

  // A body that is not a form is not read as one.
  HttpResult other = Fetch(port_, "POST", "/admin/Echo.asp",
                           {test::kOwnOrigin, "Content-Type: text/plain"}, "name=x");
  EXPECT_EQ(other.body, "||POST|/admin/Echo.asp");
}

TEST_F(WebServerTest, AdminPagesWithoutLoginRedirectToTheLoginPage) {
  AddPage(
      "/admin/Secret.asp", [](asp::RequestContext& page) { page.Response->Write("inside"); }, true);
  AddPage("/admin/Admin_Login.asp", [](asp::RequestContext& page) {
    page.Session->SetItem("AdminName", vb::Variant("admin"));
  });
  Start();
  HttpResult refused = Fetch(port_, "GET", "/admin/Secret.asp");
  EXPECT_EQ(refused.status(), 302);
  EXPECT_EQ(refused.Header("Location"), "/admin/Admin_Login.asp");
  EXPECT_EQ(refused.body, "");

  std::string cookie = "Cookie: ASPSESSIONID=" + NewSession();
  EXPECT_EQ(Fetch(port_, "GET", "/admin/Admin_Login.asp", {cookie}).status(), 200);
  HttpResult inside = Fetch(port_, "GET", "/admin/Secret.asp", {cookie});
  EXPECT_EQ(inside.status(), 200);
  EXPECT_EQ(inside.body, "inside");
}

TEST_F(WebServerTest, ServesStaticFilesAndRefusesTheRest) {
  AddPage("/admin/Known.asp", [](asp::RequestContext&) {});
  server_->AddRedirect("/", "/admin/");
  Start();
  HttpResult css = Fetch(port_, "GET", "/css/admin.css");
  EXPECT_EQ(css.status(), 200);
  EXPECT_EQ(css.Header("Content-Type"), "text/css; charset=utf-8");
  EXPECT_EQ(css.body, "body{}");

  EXPECT_EQ(Fetch(port_, "GET", "/admin/tmpNewslist1.dat").status(), 404);
  EXPECT_EQ(Fetch(port_, "GET", "/admin/Unknown.asp").status(), 404);
  EXPECT_EQ(Fetch(port_, "GET", "/admin/%2e%2e/secret.txt").status(), 403);
  EXPECT_EQ(Fetch(port_, "GET", "/admin/../secret.txt").status(), 403);
  EXPECT_EQ(Fetch(port_, "POST", "/css/admin.css").status(), 405);
  EXPECT_EQ(Fetch(port_, "PUT", "/admin/Known.asp").status(), 405);
  HttpResult root = Fetch(port_, "GET", "/");
  EXPECT_EQ(root.status(), 302);
  EXPECT_EQ(root.Header("Location"), "/admin/");
}

TEST_F(WebServerTest, ACrowdOfOneAddressDisplacesOnlyItsOwnWaitingConnections) {
  Rebuild([](ServerSettings& settings) {
    settings.connections_per_address = 8;
    settings.header_timeout = std::chrono::milliseconds(2000);
  });
  Start();
  // 20 clients of one address that send a header line and never end it:
  // the host keeps the 8 newest and closes the older ones.
  std::vector<std::unique_ptr<HttpConnection>> slow;
  for (int i = 0; i < 20; ++i) {
    slow.push_back(std::make_unique<HttpConnection>(port_));
    slow.back()->Send("GET /css/admin.css HTTP/1.1\r\nHost: 127.0.0.1\r\n");
    ASSERT_TRUE(Eventually([&] { return i < 8 || slow[i - 8]->ClosedNow(); }));
  }
  for (int i = 12; i < 20; ++i) EXPECT_FALSE(slow[i]->ClosedNow()) << i;
  // A request that comes whole is answered, from that address as from another.
  HttpConnection same(port_);
  EXPECT_EQ(same.Fetch("GET", "/css/admin.css").body, "body{}");
  HttpConnection other(port_, "127.0.0.2");
  EXPECT_EQ(other.Fetch("GET", "/css/admin.css").body, "body{}");
  // The header deadline ends the ones held.
  for (auto& connection : slow) EXPECT_TRUE(connection->Closed());
}

TEST_F(WebServerTest, TheConnectionCapFitsTheDescriptorLimit) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit low = saved;
  low.rlim_cur = std::min<rlim_t>(saved.rlim_max, 1024);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  Rebuild([](ServerSettings& settings) { settings.max_connections = 5000; });
  Start();
  // Room is left for the databases, fetches and files.
  EXPECT_LE(server_->connection_cap(), static_cast<int>(low.rlim_cur) * 3 / 4);
  // Idle connections past the cap make room for a request that comes whole.
  Rebuild([](ServerSettings& settings) { settings.max_connections = 100; });
  Start();
  ASSERT_EQ(server_->connection_cap(), 100);
  std::vector<std::unique_ptr<HttpConnection>> idle;
  for (int i = 0; i < 120; ++i) idle.push_back(std::make_unique<HttpConnection>(port_, "127.0.0.3"));
  HttpConnection admin(port_);
  EXPECT_EQ(admin.Fetch("GET", "/css/admin.css").body, "body{}");
  idle.clear();
  RaiseDescriptorLimit();
  rlimit raised{};
  getrlimit(RLIMIT_NOFILE, &raised);
  if (saved.rlim_max > low.rlim_cur) {
    EXPECT_GT(raised.rlim_cur, low.rlim_cur);
  }
  setrlimit(RLIMIT_NOFILE, &saved);
}

TEST_F(WebServerTest, AmbiguousFramingIsRefusedAndTheConnectionClosed) {
  StartFormEcho();
  const std::string post = "POST /admin/Echo.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  const std::vector<std::string> refused = {
      post + "Transfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\n",
      post + "Content-Length: 3\r\nContent-Length: 3\r\n\r\n",
      post + "Content-Length: 3, 3\r\n\r\n",
      post + std::string("Content-Length: 5\0\r\n\r\n", 22),
      post + "Transfer-Encoding: xchunked\r\n\r\n",
      post + "Transfer-Encoding: chunked, identity\r\n\r\n",
      post + "Transfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n\r\n",
      post + "Transfer-Encoding:\tchunked\r\n\r\n",
      post + "Content-Length : 3\r\n\r\n",
      "POST /admin/Echo.asp HTTP/1.1\r\n Host: 127.0.0.1\r\n\r\n",
      "GET /admin/Echo.asp HTTP/1.1\r\nAccept: */*\r\n\r\n",
      "GET /admin/Echo.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nHost: evil\r\n\r\n",
      "GET /admin/Echo.asp HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n",
      "GET /admin/Echo.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nX: a\rb\r\n\r\n",
  };
  for (const std::string& request : refused) {
    HttpConnection connection(port_);
    connection.Send(request + "a=1");
    HttpHead head = connection.ReadHead();
    EXPECT_EQ(head.status, 400) << request;
    connection.ReadBody(head);
    EXPECT_TRUE(connection.Closed()) << request;
  }
  EXPECT_EQ(echoed_, 0);
  // Plain framings work, one after the other on one connection.
  HttpConnection connection(port_);
  connection.Send(post + test::kOwnOrigin + "\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                         "Transfer-Encoding: chunked\r\n\r\n2;x=y\r\na=\r\n3\r\nabc\r\n0\r\n\r\n");
  HttpHead head = connection.ReadHead();
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(connection.ReadBody(head), "abc");
  EXPECT_EQ(connection.Fetch("POST", "/admin/Echo.asp",
                             {test::kOwnOrigin, "Content-Type: application/x-www-form-urlencoded"},
                             "a=xyz")
                .body,
            "xyz");
}

TEST_F(WebServerTest, BodiesHoldWhatHasArrivedAndSmallFormsAreNeverRefused) {
  Rebuild([](ServerSettings& settings) {
    settings.body.max_bytes = 14 << 10;
    settings.body.small_bytes = 2 << 10;
    settings.held_bytes_per_address = 24 << 10;  // large bodies: 18 KB of it
    settings.held_bytes = 36 << 10;              // large bodies: 27 KB of it
  });
  AddPage("/admin/Size.asp", [](asp::RequestContext& page) {
    page.Response->Write(Text(page.Request->ServerVariables().Item("CONTENT_LENGTH")));
  });
  Start();
  // Each piece arrives in one read; a request of another client, answered,
  // shows that the loop has taken it.
  auto announce = [&](HttpConnection& connection, size_t bytes, size_t sent) {
    connection.Send("POST /admin/Size.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                    std::string(test::kOwnOrigin) + "\r\nContent-Length: " +
                    std::to_string(bytes) + "\r\n\r\n" + std::string(sent, 'x'));
    EXPECT_EQ(Fetch(port_, "GET", "/css/admin.css").status(), 200);
  };
  HttpConnection large(port_);
  announce(large, 15 << 10, 0);
  EXPECT_EQ(large.ReadHead().status, 413);
  // Announced lengths hold nothing.
  std::vector<std::unique_ptr<HttpConnection>> announced;
  for (int i = 0; i < 20; ++i) {
    announced.push_back(std::make_unique<HttpConnection>(port_, "127.0.0.4"));
    announce(*announced.back(), 14 << 10, 1);
  }
  // A large body is refused when what it holds passes its part of a bound:
  // the address's, then all.
  HttpConnection first(port_), second(port_), third(port_, "127.0.0.2"), fourth(port_, "127.0.0.3");
  announce(first, 14 << 10, (14 << 10) - 1);
  announce(second, 14 << 10, 6 << 10);
  EXPECT_EQ(second.ReadHead().status, 503);
  announce(third, 14 << 10, 12 << 10);
  announce(fourth, 14 << 10, 4 << 10);
  EXPECT_EQ(fourth.ReadHead().status, 503);
  // Small forms are never refused: past the address's bound one displaces
  // its address's oldest body.
  std::vector<std::unique_ptr<HttpConnection>> small;
  for (int i = 0; i < 6; ++i) {
    small.push_back(std::make_unique<HttpConnection>(port_));
    announce(*small.back(), 2 << 10, (2 << 10) - 1);
    EXPECT_FALSE(small.back()->ClosedNow()) << i;
  }
  EXPECT_TRUE(first.Closed());
  for (auto& connection : small) {
    connection->Send("x");
    HttpHead head = connection->ReadHead();
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(connection->ReadBody(head), std::to_string(2 << 10));
  }
  third.Send(std::string(2 << 10, 'x'));
  EXPECT_EQ(third.ReadHead().status, 200);
  for (auto& connection : announced) EXPECT_FALSE(connection->ClosedNow());
}

TEST_F(WebServerTest, OneWaitingConnectionPerAddressDisplacesItsPredecessor) {
  Rebuild([](ServerSettings& settings) { settings.connections_per_address = 1; });
  Start();
  HttpConnection older(port_);
  older.Send("GET /css/admin.css HTTP/1.1\r\n");
  HttpConnection newer(port_);
  EXPECT_EQ(newer.Fetch("GET", "/css/admin.css").body, "body{}");
  EXPECT_TRUE(older.Closed());
  EXPECT_EQ(Fetch(port_, "GET", "/css/admin.css").body, "body{}");
}

TEST_F(WebServerTest, BytesThatCannotBeARequestAreRefusedAtOnce) {
  Rebuild([](ServerSettings& settings) { settings.header_timeout = std::chrono::seconds(2); });
  Start();
  // Bare LF line ends, and a TLS handshake sent to the plain port: neither
  // complete, neither left to the header deadline.
  const std::vector<std::string> refused = {
      "GET /css/admin.css HTTP/1.1\nHost: 127.0.0.1\n",
      std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11),
      "GET /css/admin.css HTTP/2.0\r\n",
  };
  for (const std::string& bytes : refused) {
    HttpConnection connection(port_);
    connection.Send(bytes);
    EXPECT_EQ(connection.ReadHead().status, 400) << bytes;
  }
}

TEST_F(WebServerTest, TransferCodingNamesAreReadWithoutRegardToCase) {
  StartFormEcho();
  HttpConnection connection(port_);
  connection.Send(std::string("POST /admin/Echo.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n") +
                  test::kOwnOrigin + "\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                  "Transfer-Encoding: CHUNKED\r\n\r\n3\r\na=1\r\n0\r\n\r\n");
  HttpHead head = connection.ReadHead();
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(connection.ReadBody(head), "1");
}

TEST_F(WebServerTest, AnAbsoluteTargetIsServedAsItsPathWithItsAuthorityAsHost) {
  AddPage("/admin/Where.asp", [](asp::RequestContext& page) {
    page.Response->Write(Text(page.Request->QueryString().Item("a")) + "|" +
                         Text(page.Request->ServerVariables().Item("SERVER_NAME")));
  });
  Start();
  const std::string authority = "localhost:" + std::to_string(port_);
  HttpConnection connection(port_);
  connection.Send("GET http://" + authority + "/admin/Where.asp?a=1 HTTP/1.1\r\nHost: other\r\n\r\n");
  HttpHead head = connection.ReadHead();
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(connection.ReadBody(head), "1|localhost");
  EXPECT_EQ(connection.Fetch("GET", "HTTP://" + authority + "/css/admin.css").body, "body{}");
}

TEST_F(WebServerTest, AnHttp10ClientGetsNoInterimAnswer) {
  StartFormEcho();
  HttpConnection connection(port_);
  connection.Send(std::string("POST /admin/Echo.asp HTTP/1.0\r\nHost: 127.0.0.1\r\n") +
                  test::kOwnOrigin +
                  "\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                  "Content-Length: 3\r\nExpect: 100-continue\r\n\r\n");
  connection.Send("a=1");
  HttpHead head = connection.ReadHead();
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(connection.ReadBody(head), "1");
}

TEST_F(WebServerTest, TheFormIsReadByOneRuleForTheCheckThePageAndTheShare) {
  std::atomic<bool> fetching{false};
  Rebuild([](ServerSettings& settings) {
    settings.threads = 2;
    settings.remote_share = 1;
    settings.share_wait = std::chrono::milliseconds(200);
  });
  server_->AddPage(
      "/admin/Act.asp",
      [&](asp::RequestContext& page) {
        std::string action = Text(page.Request->Item("action"));
        if (action == "fetch") {
          fetching = true;
          gate_.Wait();
        }
        page.Response->Write(action + "|" +
                             Text(page.Request->ServerVariables().Item("SERVER_PORT")));
      },
      PageOptions{false, {"del"}, {"fetch"}});
  Start();
  // A GET's body is no form: neither the page nor the check sees its action.
  HttpResult get = Fetch(port_, "GET", "/admin/Act.asp",
                         {"Content-Type: application/x-www-form-urlencoded"}, "action=del");
  EXPECT_EQ(get.status(), 200);
  EXPECT_EQ(get.body, "|" + std::to_string(port_));
  // A form in any letter case is a form: its remote action takes the share.
  const std::string type = "Content-Type: Application/X-WWW-Form-URLEncoded";
  HttpConnection holder(port_);
  holder.SendRequest("POST", "/admin/Act.asp", {test::kOwnOrigin, type}, "action=fetch");
  ASSERT_TRUE(Eventually([&] { return fetching.load(); }));
  HttpResult busy = Fetch(port_, "POST", "/admin/Act.asp", {test::kOwnOrigin, type}, "action=fetch");
  EXPECT_EQ(busy.status(), 503);
  gate_.Open();
  HttpHead head = holder.ReadHead();
  EXPECT_EQ(holder.ReadBody(head), "fetch|" + std::to_string(port_));
}

TEST_F(WebServerTest, ABodyTrickledBelowTheMinimumRateIsCutOff) {
  std::atomic<bool> ran{false};
  AddPage("/admin/Form.asp", [&](asp::RequestContext&) { ran = true; });
  Start();
  HttpConnection connection(port_);
  connection.Send(
      "POST /admin/Form.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nOrigin: http://127.0.0.1\r\n"
      "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 100000\r\n\r\n");
  // A byte every half second: never silent long enough to be dropped for
  // it, but far below the rate; the grace period is 10 s.
  std::atomic<bool> closed{false};
  std::thread reader([&] { closed = connection.Closed(); });
  for (int i = 0; i < 40 && !closed; ++i) {
    connection.Send("a");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  reader.join();
  EXPECT_TRUE(closed);
  EXPECT_FALSE(ran);
  // A body larger than the limit is refused at its header.
  HttpConnection large(port_);
  large.Send("POST /admin/Form.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 9000000\r\n\r\n");
  EXPECT_EQ(large.ReadHead().status, 413);
  EXPECT_FALSE(ran);
}

TEST_F(WebServerTest, ClientGoneTurnsIsClientConnectedFalse) {
  std::atomic<int> result{-1};
  AddPage("/admin/Long.asp", [&](asp::RequestContext& page) {
    page.Response->Write("start");
    page.Response->Flush();
    gate_.Wait();
    const std::string block(64 * 1024, 'x');
    for (int i = 0; i < 1000 && page.Response->IsClientConnected(); ++i) {
      page.Response->Write(block);
      page.Response->Flush();
    }
    result = page.Response->IsClientConnected() ? 1 : 0;
  });
  Start();
  {
    HttpConnection connection(port_);
    connection.SendRequest("GET", "/admin/Long.asp");
    connection.ReadHead();
    EXPECT_EQ(connection.ReadChunk(), "start");
  }
  gate_.Open();
  ASSERT_TRUE(Eventually([&] { return result != -1; }));
  EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace ostrel::host
