// The article channel's page through the real host: its connection loop
// and workers, the page threads, the registration road (login, cross-site check,
// remote share) and the component from libostrel.so, as ostrel-host runs
// them. Pages that pass in-process must pass here too.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "host/admin_pages.h"
#include "host/demo_site.h"
#include "host/first_run.h"
#include "host/test_http.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/net/address_rule.h"
#include "platform/text/charset.h"
#include "platform/vb/convert.h"
#include "support/fetch_limits_guard.h"
#include "support/http_server.h"
#include "support/page_form.h"
#include "support/run_steps.h"

extern "C" int DllRegisterServer();

namespace ostrel::host {
namespace {

using test::Fetch;
using test::HttpConnection;
using test::HttpResult;
using test::TempFolder;

bool Has(const std::string& body, std::string_view utf8) {
  return body.find(text::Encode(utf8, "GB2312")) != std::string::npos;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ChannelHostTest : public ::testing::Test {
 protected:
  static net::FetchLimits Limits() {
    net::FetchLimits limits = testing::FetchLimitsGuard::Short();
    // A stalled step stays stalled for the whole test.
    limits.idle_timeout = std::chrono::seconds(60);
    limits.total_timeout = std::chrono::seconds(60);
    limits.allow_private = true;
    return limits;
  }

  void SetUp() override {
    signal(SIGPIPE, SIG_IGN);
    setenv("OSTREL_REGISTRY", root_.Path("registry.ini").c_str(), 1);
    ASSERT_EQ(DllRegisterServer(), 0);
    config_ = test::HostConfigIn(root_);
    EnsureDatabases(config_);
    EnsureSiteTree(config_);

    settings_.listen = "127.0.0.1:0";
    settings_.threads = 8;
    settings_.remote_share = 4;
    settings_.share_wait = std::chrono::milliseconds(300);
    settings_.pages.site_root = config_.site_root;
    settings_.pages.session_wait = std::chrono::milliseconds(300);
    settings_.asset_roots = {config_.asset_root};
    Restart([](ServerSettings&) {});
    own_referer_ = "Referer: http://127.0.0.1/admin/Admin_ArticleGather.asp";
  }

  // The host again, its settings adjusted.
  void Restart(const std::function<void(ServerSettings&)>& adjust) {
    if (server_) server_->Stop();
    adjust(settings_);
    server_ = test::StartAdminHost(config_, settings_);
    ASSERT_TRUE(server_);
    port_ = server_->port();
  }

  void TearDown() override {
    remote_.Stop();  // stalled fetches fail at once
    server_->Stop();
    unsetenv("OSTREL_REGISTRY");
  }

  std::string Login() {
    HttpResult in = Fetch(port_, "POST", kLoginPage,
                          {test::kOwnOrigin, "Content-Type: application/x-www-form-urlencoded"},
                          "AdminName=admin&Password=Pass");
    EXPECT_EQ(in.status(), 302);
    return "Cookie: ASPSESSIONID=" + test::SessionIdOf(in);
  }

  HttpResult Page(const std::string& cookie, const std::string& query, const std::string& referer) {
    return Fetch(port_, "GET", std::string(kArticlePage) + "?" + query, {cookie, referer});
  }

  int ItemCount() {
    ado::Connection connection;
    connection.Open("Data Source=" + config_.gather_db);
    return vb::CLng(connection.Execute("SELECT COUNT(*) FROM QX_NewsItem").Fields(0).Value());
  }

  TempFolder root_;
  HostConfig config_;
  testing::FetchLimitsGuard limits_{Limits()};
  testing::HttpServer remote_;
  ServerSettings settings_;
  std::unique_ptr<WebServer> server_;
  int port_ = 0;
  std::string own_referer_;
};

TEST_F(ChannelHostTest, MissingOrShortLinkListsGiveTheErrorTableAndTheHostStaysUp) {
  const std::string cookie = Login();
  root_.Write("site/admin/tmpNewslist9908.dat", "http://x");
  for (const char* item : {"9907", "9908"}) {
    HttpResult step =
        Page(cookie, std::string("action=savenew&ChannelID=1&ItemID=") + item, own_referer_);
    EXPECT_EQ(step.status(), 200) << item;
    EXPECT_TRUE(Has(step.body, "获取软件列表错误！")) << item;
    EXPECT_TRUE(Has(step.body, "</html>")) << item;
  }
  HttpResult list = Page(cookie, "ChannelID=1", "X-None: 1");
  EXPECT_EQ(list.status(), 200);
  EXPECT_TRUE(Has(list.body, "采集项目管理"));
  EXPECT_EQ(Fetch(port_, "GET", "/css/admin.css").status(), 200);
}

TEST_F(ChannelHostTest, AWholeRunOfTheDemoItemGoesThroughTheHost) {
  DemoSite demo(std::string(OSTREL_SOURCE_DIR) + "/demo");
  std::string error;
  ASSERT_TRUE(demo.Start(&error)) << error;
  const int item = EnsureDemoItem(config_.gather_db, demo.origin());
  const std::string cookie = Login();
  std::string query = "action=begin&ChannelID=1&ItemID=" + std::to_string(item);
  std::vector<std::string> actions;
  std::string last;
  while (!query.empty() && actions.size() < 30) {
    actions.push_back(query.substr(7, query.find('&') - 7));
    HttpResult step = Page(cookie, query, own_referer_);
    ASSERT_EQ(step.status(), 200) << query;
    last = step.body;
    query = actions.back() == "yes" ? "" : testing::NextStepQuery(step.body);
  }
  std::vector<std::string> expected = {"begin"};
  expected.insert(expected.end(), 13, "savenew");
  expected.push_back("yes");
  EXPECT_EQ(actions, expected);
  EXPECT_TRUE(Has(last, "成功采集文章 <font color=\"#FF0000\">12</font> 个"));
  ado::Connection connection;
  connection.Open("Data Source=" + config_.host_db);
  EXPECT_EQ(vb::CLng(connection.Execute("SELECT COUNT(*) FROM QX_Article").Fields(0).Value()), 12);
  demo.Stop();
}

TEST_F(ChannelHostTest, ChangingActionsFromAnotherSiteAreRefusedAndChangeNothing) {
  const std::string cookie = Login();
  const std::string id = std::to_string(EnsureDemoItem(config_.gather_db, "http://127.0.0.1:1"));
  const int items = ItemCount();
  const std::vector<std::string> foreign = {"Referer: http://evil.example/page.html",
                                            "Origin: http://evil.example", "Origin: null",
                                            "X-None: 1"};
  for (const std::string& from : foreign) {
    for (const std::string& query :
         {"action=del&ItemID=" + id, "action=copy&ItemID=" + id, std::string("action=remove"),
          "action=begin&ItemID=" + id, "action=step2&change=yes&ItemID=" + id}) {
      HttpResult refused = Page(cookie, query, from);
      EXPECT_EQ(refused.status(), 403) << query << " " << from;
      EXPECT_TRUE(Has(refused.body, kRefusedMessage));
    }
    HttpResult posted = Fetch(port_, "POST", std::string(kArticlePage) + "?action=save",
                              {cookie, from, "Content-Type: application/x-www-form-urlencoded"},
                              "action=save&ItemID=" + id);
    EXPECT_EQ(posted.status(), 403) << from;
  }
  // The refusal leads back to the channel's item list, to start from there.
  EXPECT_TRUE(Has(Page(cookie, "action=del&ChannelID=1&ItemID=" + id, foreign[0]).body,
                  "<a href=\"/admin/Admin_ArticleGather.asp?ChannelID=1\" id=\"RefusedBack\">"));
  // An action planted in a cookie is none: the page shows its list.
  EXPECT_EQ(Page(cookie + "; action=del; change=yes", "ItemID=" + id, foreign[0]).status(), 200);
  // Nor does another site's link log the administrator out.
  EXPECT_EQ(Fetch(port_, "GET", kLogoutPage, {cookie, foreign[0]}).status(), 403);
  EXPECT_EQ(ItemCount(), items);
  // From the host's own pages the same action runs.
  EXPECT_EQ(Page(cookie, "action=copy&ItemID=" + id, own_referer_).status(), 200);
  EXPECT_EQ(ItemCount(), items + 1);
  // HEAD never runs a page.
  EXPECT_EQ(Fetch(port_, "HEAD", std::string(kArticlePage) + "?action=copy&ItemID=" + id,
                  {cookie, own_referer_})
                .status(),
            405);
  EXPECT_EQ(ItemCount(), items + 1);
}

TEST_F(ChannelHostTest, AnItemWhoseListIsPublicNeverLeadsARunToAPrivateAddress) {
  // remote_ stands for a site on the internet; its list led to inside.
  testing::HttpServer inside;
  inside.Route("/secret.html", testing::HttpAnswer::Page("secret"));
  net::SetPublicEndpointsForTesting({remote_.Host()});
  const std::string cookie = Login();
  for (const std::string& list_site : {remote_.Host(), inside.Host()}) {
    const std::string item =
        std::to_string(EnsureDemoItem(config_.gather_db, "http://" + list_site));
    root_.Write("site/admin/tmpNewslist" + item + ".dat", inside.Url("/secret.html"));
    EXPECT_EQ(
        Page(cookie, "action=savenew&ChannelID=1&page=0&D=1&ItemID=" + item, own_referer_).status(),
        200);
    // Only the item whose own list address is private reaches it.
    EXPECT_EQ(inside.RequestsFor("/secret.html").size(), list_site == remote_.Host() ? 0u : 1u);
  }
  net::SetPublicEndpointsForTesting({});
}

TEST_F(ChannelHostTest, StepsWaitingLongerThanTheHeaderDeadlineArriveWhole) {
  // The list answers after 12 s; an article's site holds its handshake
  // until the connect deadline, 12 s. Both pages flush first, then are
  // silent the whole time.
  net::FetchLimits limits = Limits();
  limits.connect_timeout = std::chrono::seconds(12);
  testing::FetchLimitsGuard guard(limits);
  test::SilentSite silent;
  remote_.ServeFolder(std::filesystem::path(OSTREL_SOURCE_DIR) / "demo");
  remote_.Route("/list_1.html",
                testing::HttpAnswer::Slow(FileText(std::string(OSTREL_SOURCE_DIR) + "/demo/list_1.html"),
                                          std::chrono::seconds(12), std::chrono::milliseconds(0)));
  const std::string item = std::to_string(EnsureDemoItem(config_.gather_db, "http://" + remote_.Host()));
  root_.Write("site/admin/tmpNewslist" + item + ".dat",
              silent.Url("/a.html") + "\r\n" + remote_.Url("/news_1.html"));
  auto run = [&](const std::string& query, std::string* page) {
    HttpConnection connection(port_);
    connection.SendRequest("GET", std::string(kArticlePage) + "?" + query, {Login(), own_referer_});
    test::HttpHead head = connection.ReadHead();
    EXPECT_EQ(head.status, 200);
    *page = connection.ReadBody(head);
  };
  std::string stalled, late;
  std::thread step([&] { run("action=savenew&ChannelID=1&page=0&D=1&ItemID=" + item, &stalled); });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  run("action=begin&ChannelID=1&ItemID=" + item, &late);
  step.join();
  for (const std::string* page : {&stalled, &late}) {
    EXPECT_TRUE(Has(*page, "</html>")) << text::Decode(*page, "GB2312");
    EXPECT_FALSE(testing::NextStepQuery(*page).empty()) << text::Decode(*page, "GB2312");
  }
  EXPECT_TRUE(Has(stalled, "page=1")) << text::Decode(stalled, "GB2312");
}

TEST_F(ChannelHostTest, StalledRunStepsLeaveTheRestOfTheHostAnswering) {
  remote_.Route("/never.html", testing::HttpAnswer::Slow("x", std::chrono::hours(1),
                                                         std::chrono::milliseconds(0)));
  const int item = EnsureDemoItem(config_.gather_db, "http://" + remote_.Host());
  const std::string list = remote_.Url("/never.html") + "\r\n" + remote_.Url("/never.html");
  root_.Write("site/admin/tmpNewslist" + std::to_string(item) + ".dat", list);
  const std::string step = "action=savenew&ChannelID=1&page=0&D=1&ItemID=" + std::to_string(item);

  // 40 sessions start a step each; the remote never answers.
  constexpr int kSteps = 40;
  std::vector<std::string> cookies;
  std::vector<std::unique_ptr<HttpConnection>> steps;
  for (int i = 0; i < kSteps; ++i) {
    cookies.push_back(Login());
    steps.push_back(std::make_unique<HttpConnection>(port_));
    steps.back()->SendRequest("GET", std::string(kArticlePage) + "?" + step,
                              {cookies.back(), own_referer_});
  }
  // The remote share of the page threads is stuck; the other steps get the
  // busy page instead of queueing behind them.
  ASSERT_TRUE(test::Eventually([&] { return remote_.RequestCount() == 4; }));
  int busy = 0;
  for (auto& connection : steps) {
    test::HttpHead head = connection->ReadHead();
    if (head.status == 503) {
      EXPECT_TRUE(Has(connection->ReadBody(head), kBusyMessage));
      ++busy;
    }
    if (busy == kSteps - 4) break;
  }
  EXPECT_EQ(busy, kSteps - 4);

  // Meanwhile static files and other sessions' pages are answered.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Fetch(port_, "GET", "/css/admin.css").status(), 200);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(Page(Login(), "ChannelID=1", own_referer_).status(), 200);
  EXPECT_EQ(Fetch(port_, "GET", kLoginPage).status(), 200);
  // A second request of a stalled session waits boundedly for it, and its
  // busy page leads on: the channels' row and the same address again.
  for (const std::string& cookie : cookies) {
    if (server_->pages().sessions().Users(cookie.substr(cookie.find('=') + 1)) != 1) continue;
    HttpResult again = Page(cookie, "ChannelID=1&page=2", own_referer_);
    EXPECT_EQ(again.status(), 503);
    EXPECT_TRUE(Has(again.body, kBusyMessage));
    EXPECT_TRUE(Has(again.body, "<a href=\"/admin/admin_SoftGather.asp\">软件采集</a>"));
    EXPECT_TRUE(Has(again.body, std::string("<a href=\"") + kArticlePage +
                                    "?ChannelID=1&amp;page=2\" id=\"BusyRetry\">"));
    break;
  }
  EXPECT_EQ(remote_.RequestCount(), 4u);
}

TEST_F(ChannelHostTest, ClientsThatDoNotReadHoldNoWorker) {
  Restart([](ServerSettings& settings) { settings.workers = 4; });
  root_.Write("site/css/big.css", std::string(1 << 20, 'x'));
  const std::string cookie = Login();
  // More clients than workers, of the administrator's own address, ask for
  // a large file again and again and read nothing; one more runs a step
  // and stops reading.
  std::string pipelined;
  for (int i = 0; i < 16; ++i) pipelined += "GET /css/big.css HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  std::vector<std::unique_ptr<HttpConnection>> crowd;
  for (int i = 0; i < 12; ++i) {
    crowd.push_back(std::make_unique<HttpConnection>(port_, "127.0.0.1", 4096));
    crowd.back()->Send(pipelined);
  }
  crowd.push_back(std::make_unique<HttpConnection>(port_, "127.0.0.1", 4096));
  crowd.back()->SendRequest("GET", std::string(kArticlePage) + "?action=begin&ChannelID=1&ItemID=" +
                                       std::to_string(EnsureDemoItem(config_.gather_db, "http://" + remote_.Host())),
                            {cookie, own_referer_});
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  // Another client's static file, the login page and another session's
  // item list are answered meanwhile, long before the write deadline.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Fetch(port_, "GET", "/css/admin.css").status(), 200);
  EXPECT_EQ(Fetch(port_, "GET", kLoginPage).status(), 200);
  EXPECT_EQ(Page(Login(), "ChannelID=1", own_referer_).status(), 200);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // What the crowd asked for is all there when it reads.
  test::HttpHead head = crowd.front()->ReadHead();
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(crowd.front()->ReadBody(head).size(), 1u << 20);
}

TEST_F(ChannelHostTest, AnnouncedSlowBodiesLeaveTheAdminLoggingInAndSaving) {
  // Bodies of 2 MB, the most a body may be, announced and trickled: four from the administrator's
  // address, 32 from eight others.
  std::vector<std::unique_ptr<HttpConnection>> crowd;
  for (int i = 0; i < 36; ++i) {
    std::string from = i < 4 ? "127.0.0.1" : "127.0.1." + std::to_string(1 + i % 8);
    crowd.push_back(std::make_unique<HttpConnection>(port_, from.c_str()));
    crowd.back()->Send(std::string("POST ") + kLoginPage + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                       test::kOwnOrigin + "\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                       "Content-Length: 2097152\r\n\r\nAdminName=");
  }
  const std::string cookie = Login();
  testing::Fields form = testing::ReadForm(Page(cookie, "action=config", own_referer_).body);
  HttpResult saved = Fetch(port_, "POST", std::string(kArticlePage) + "?action=save",
                           {cookie, own_referer_, "Content-Type: application/x-www-form-urlencoded"},
                           testing::EncodeForm(testing::WithField(form, "MaxPicSize", "300")));
  EXPECT_TRUE(testing::Alerts(saved.body, text::Encode("保存采集基本设置成功!", "GB2312")))
      << text::Decode(saved.body, "GB2312");
  for (auto& connection : crowd) EXPECT_FALSE(connection->ClosedNow());
}

}  // namespace
}  // namespace ostrel::host
