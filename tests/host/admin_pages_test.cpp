// The admin folder's pages through the server: the login (wrong password
// refused, right one let in), the redirects to the login and to the
// channel's page, and the channel's page frame. This test program holds no
// component classes, so the page shows the creation error in its frame.
#include <gtest/gtest.h>

#include <strings.h>

#include <memory>

#include "host/admin_pages.h"
#include "host/test_http.h"
#include "platform/text/charset.h"

namespace ostrel::host {
namespace {

using test::Fetch;
using test::HttpResult;
using test::SessionIdOf;
using test::TempFolder;

std::string Gbk(std::string_view utf8) { return text::Encode(utf8, "GB2312"); }

bool Has(const std::string& body, std::string_view utf8) {
  return body.find(Gbk(utf8)) != std::string::npos;
}

class AdminPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ServerSettings settings;
    settings.listen = "127.0.0.1:0";
    settings.threads = 4;
    settings.pages.site_root = site_.path();
    server_ = std::make_unique<WebServer>(settings);
    AdminSettings admin;
    admin.admin_name = "管理员";
    admin.admin_password = "Right-Pass";
    admin.gather_db = site_.Path("gather.db");
    admin.host_db = site_.Path("host.db");
    AddAdminPages(*server_, admin);
    // Plants an item in the session before the login and shows what the
    // session holds.
    server_->AddPage(
        "/admin/Probe.asp",
        [](asp::RequestContext& page) {
          if (!page.Request->QueryString().Item("plant").IsEmpty()) {
            page.Session->SetItem("planted", vb::Variant("yes"));
          }
          page.Response->Write(page.Session->Item("planted"));
          page.Response->Write("|");
          page.Response->Write(page.Session->Item(kAdminNameKey));
        },
        false);
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
    port_ = server_->port();
  }

  // Posts the login form as a GB2312 page does.
  HttpResult Login(const std::string& cookie, std::string_view name_gbk_escaped,
                   std::string_view password) {
    return Fetch(port_, "POST", kLoginPage,
                 {cookie, test::kOwnOrigin, "Content-Type: application/x-www-form-urlencoded"},
                 "AdminName=" + std::string(name_gbk_escaped) +
                     "&Password=" + std::string(password) + "&Submit=x");
  }

  TempFolder site_;
  std::unique_ptr<WebServer> server_;
  int port_ = 0;
};

TEST_F(AdminPagesTest, LoginRefusesAWrongPasswordAndLetsTheRightOneIn) {
  HttpResult root = Fetch(port_, "GET", "/");
  EXPECT_EQ(root.Header("Location"), "/admin/");
  EXPECT_EQ(Fetch(port_, "GET", "/admin/").Header("Location"), kArticlePage);

  HttpResult first = Fetch(port_, "GET", kArticlePage);
  EXPECT_EQ(first.status(), 302);
  EXPECT_EQ(first.Header("Location"), kLoginPage);
  EXPECT_EQ(SessionIdOf(first), "") << "sessions are made only at login";
  std::string cookie = "X-No-Cookie: 1";

  HttpResult form = Fetch(port_, "GET", kLoginPage, {cookie});
  EXPECT_EQ(form.status(), 200);
  EXPECT_TRUE(Has(form.body, "管理员登录"));
  EXPECT_TRUE(Has(form.body, "value=\"管理员\""));

  // "管理员" in GB2312, percent-encoded.
  const std::string name = "%B9%DC%C0%ED%D4%B1";
  for (const char* wrong : {"right-pass", "Right-Pas", "Right-Passs", ""}) {
    HttpResult refused = Login(cookie, name, wrong);
    EXPECT_EQ(refused.status(), 200) << wrong;
    EXPECT_TRUE(Has(refused.body, "用户名或密码错误！")) << wrong;
    EXPECT_EQ(Fetch(port_, "GET", kArticlePage, {cookie}).status(), 302) << wrong;
  }
  EXPECT_TRUE(Has(Login(cookie, "admin", "Right-Pass").body, "用户名或密码错误！"));

  HttpResult in = Login(cookie, name, "Right-Pass");
  EXPECT_EQ(in.status(), 302);
  EXPECT_EQ(in.Header("Location"), "Admin_ArticleGather.asp");
  cookie = "Cookie: ASPSESSIONID=" + SessionIdOf(in);

  HttpResult page = Fetch(port_, "GET", kArticlePage, {cookie});
  EXPECT_EQ(page.status(), 200);
  EXPECT_EQ(page.Header("Content-Type"), "text/html; charset=gb2312");
  EXPECT_TRUE(page.body.starts_with("<html>")) << "no DOCTYPE: the admin markup needs quirks mode";
  EXPECT_TRUE(Has(page.body, "<link href=\"/css/admin.css\""));
  EXPECT_TRUE(Has(page.body, "<a href=\"Admin_ArticleGather.asp?action=add\">添加采集项目</a>"));
  EXPECT_TRUE(Has(page.body, "<a href=\"Admin_Logout.asp\" id=\"Logout\">退出登录</a>"));
  EXPECT_EQ(page.Header("Referrer-Policy"), "same-origin");
  EXPECT_TRUE(Has(page.body, "页面错误 429"));
  EXPECT_TRUE(Has(page.body, "</body>\r\n</html>"));
}

int SetCookieCount(const HttpResult& result) {
  int n = 0;
  for (const auto& [name, value] : result.head.headers) {
    if (name.size() == 10 && strncasecmp(name.c_str(), "Set-Cookie", 10) == 0) ++n;
  }
  return n;
}

TEST_F(AdminPagesTest, LoginIssuesANewSessionAndDropsTheOldOne) {
  const std::string old_id =
      SessionIdOf(Login("X-No-Cookie: 1", "%B9%DC%C0%ED%D4%B1", "Right-Pass"));
  ASSERT_FALSE(old_id.empty());
  const std::string old_cookie = "Cookie: ASPSESSIONID=" + old_id;
  EXPECT_EQ(Fetch(port_, "GET", "/admin/Probe.asp?plant=1", {old_cookie}).body, Gbk("yes|管理员"));

  HttpResult in = Login(old_cookie, "%B9%DC%C0%ED%D4%B1", "Right-Pass");
  EXPECT_EQ(in.status(), 302);
  ASSERT_EQ(SetCookieCount(in), 1);
  const std::string new_id = SessionIdOf(in);
  ASSERT_EQ(new_id.size(), 24u);
  EXPECT_NE(new_id, old_id);
  EXPECT_NE(in.Header("Set-Cookie").find("; path=/; HttpOnly; SameSite=Strict"), std::string::npos);

  // The new session holds the login and nothing of the old one.
  const std::string new_cookie = "Cookie: ASPSESSIONID=" + new_id;
  EXPECT_EQ(Fetch(port_, "GET", "/admin/Probe.asp", {new_cookie}).body, Gbk("|管理员"));
  EXPECT_EQ(Fetch(port_, "GET", kArticlePage, {new_cookie}).status(), 200);

  // The old id is gone: it reaches the pages without the login.
  HttpResult stale = Fetch(port_, "GET", kArticlePage, {old_cookie});
  EXPECT_EQ(stale.status(), 302);
  EXPECT_EQ(stale.Header("Location"), kLoginPage);
  EXPECT_EQ(SessionIdOf(stale), "");
  EXPECT_EQ(Fetch(port_, "GET", "/admin/Probe.asp", {old_cookie}).body, "|");
  EXPECT_EQ(server_->pages().sessions().Users(old_id), 0);

  // Logging out ends the session on the server: its id no longer logs in.
  HttpResult out = Fetch(port_, "GET", kLogoutPage, {new_cookie, test::kOwnOrigin});
  EXPECT_EQ(out.status(), 302);
  EXPECT_EQ(out.Header("Location"), "Admin_Login.asp");
  EXPECT_NE(out.Header("Set-Cookie").find("Max-Age=0"), std::string::npos);
  EXPECT_EQ(Fetch(port_, "GET", kArticlePage, {new_cookie}).status(), 302);
  EXPECT_EQ(server_->pages().sessions().Count(), 0u);
}

TEST_F(AdminPagesTest, ARefusedLoginKeepsTheSessionItCameWith) {
  const std::string id = SessionIdOf(Login("X-No-Cookie: 1", "%B9%DC%C0%ED%D4%B1", "Right-Pass"));
  const std::string new_cookie = "Cookie: ASPSESSIONID=" + id;

  // A refused login keeps the session it came with.
  HttpResult refused = Login(new_cookie, "%B9%DC%C0%ED%D4%B1", "wrong");
  EXPECT_EQ(SetCookieCount(refused), 0);
  EXPECT_EQ(Fetch(port_, "GET", kArticlePage, {new_cookie}).status(), 200);
}

TEST_F(AdminPagesTest, LoginWithoutACookieSendsOneSessionCookie) {
  HttpResult in = Login("X-No-Cookie: 1", "%B9%DC%C0%ED%D4%B1", "Right-Pass");
  EXPECT_EQ(in.status(), 302);
  ASSERT_EQ(SetCookieCount(in), 1);
  EXPECT_EQ(Fetch(port_, "GET", kArticlePage, {"Cookie: ASPSESSIONID=" + SessionIdOf(in)}).status(),
            200);
}

TEST(SameSecretTest, EqualOnlyWhenEveryByteAndTheLengthMatch) {
  EXPECT_TRUE(SameSecret("", ""));
  EXPECT_TRUE(SameSecret("abc", "abc"));
  EXPECT_FALSE(SameSecret("abc", "abd"));
  EXPECT_FALSE(SameSecret("abc", "ab"));
  EXPECT_FALSE(SameSecret("ab", "abc"));
  EXPECT_FALSE(SameSecret("", "a"));
  EXPECT_FALSE(SameSecret(std::string_view("a\0", 2), "a"));
}

}  // namespace
}  // namespace ostrel::host
