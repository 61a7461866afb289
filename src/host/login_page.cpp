// Admin_Login.asp: the administrator's login. The form is posted in the
// page's code page (GB2312); a right name and password give the browser a
// new session holding Session("AdminName") and lead to the article
// channel's page. Admin_Logout.asp ends the session and leads back here.
#include <string>

#include "host/admin_pages.h"
#include "platform/asp/server.h"
#include "platform/vb/convert.h"

namespace ostrel::host {

namespace {

std::string FormText(const asp::Request& request, const char* key) {
  vb::Variant value = request.Form().Item(key);
  return value.IsString() ? value.AsString() : std::string();
}

void WriteLoginForm(asp::Response& response, const std::string& name, bool refused) {
  WriteHtmlHead(response, "管理员登录");
  response.Write(
      "<br><br>\r\n"
      "<form method=\"post\" action=\"Admin_Login.asp\" name=\"LoginForm\">\r\n"
      "<table border=\"0\" align=\"center\" cellpadding=\"3\" cellspacing=\"1\" "
      "class=\"tableborder\" style=\"width:360px\">\r\n"
      "<tr><th colspan=\"2\">管理员登录</th></tr>\r\n");
  if (refused) {
    response.Write(
        "<tr><td colspan=\"2\" align=\"center\" class=\"TableRow2\" id=\"LoginError\">"
        "<font color=\"red\">用户名或密码错误！</font></td></tr>\r\n");
  }
  response.Write(
      "<tr><td class=\"TableRow1\" align=\"right\" width=\"30%\">用户名：</td>"
      "<td class=\"TableRow1\"><input type=\"text\" name=\"AdminName\" size=\"20\" value=\"");
  response.Write(asp::Server::HTMLEncode(name));
  response.Write(
      "\"></td></tr>\r\n"
      "<tr><td class=\"TableRow2\" align=\"right\">密　码：</td>"
      "<td class=\"TableRow2\"><input type=\"password\" name=\"Password\" "
      "size=\"20\"></td></tr>\r\n"
      "<tr><td class=\"TableRow1\" colspan=\"2\" align=\"center\">"
      "<input type=\"submit\" name=\"Submit\" value=\"登 录\" class=\"button\"></td></tr>\r\n"
      "</table>\r\n</form>\r\n</body>\r\n</html>\r\n");
}

}  // namespace

void LoginPage(asp::RequestContext& page, const AdminSettings& settings) {
  asp::Response& response = *page.Response;
  bool posted = vb::CStr(page.Request->ServerVariables().Item("REQUEST_METHOD")) == "POST";
  if (!posted) {
    WriteLoginForm(response, settings.admin_name, false);
    return;
  }
  std::string name = FormText(*page.Request, "AdminName");
  std::string password = FormText(*page.Request, "Password");
  // Both are compared whatever the first gives, so the time says nothing.
  bool name_ok = SameSecret(name, settings.admin_name);
  bool password_ok = SameSecret(password, settings.admin_password);
  if (name_ok && password_ok && !settings.admin_password.empty()) {
    // A new session: an id someone planted in this browser before the login
    // must not become a logged-in one.
    RenewSession(page);
    page.Session->SetItem(kAdminNameKey, vb::Variant(name));
    response.Redirect("Admin_ArticleGather.asp");
    return;
  }
  WriteLoginForm(response, name, true);
}

void LogoutPage(asp::RequestContext& page) {
  EndSession(page);
  page.Response->Redirect("Admin_Login.asp");
}

}  // namespace ostrel::host
