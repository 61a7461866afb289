#include "host/admin_pages.h"

#include <string>
#include <utility>

namespace ostrel::host {

AdminSettings AdminSettingsOf(const HostConfig& config) {
  AdminSettings settings;
  settings.admin_name = config.admin_name;
  settings.admin_password = config.admin_password;
  settings.gather_db = config.gather_db;
  settings.host_db = config.host_db;
  settings.page_list_num = config.page_list_num;
  return settings;
}

void AddChannelPage(WebServer& server, ChannelPage page) {
  server.AddPage(
      page.path, std::move(page.function),
      PageOptions{true, std::move(page.changing_actions), std::move(page.remote_actions)});
}

void AddAdminPages(WebServer& server, const AdminSettings& settings) {
  server.AddPage(
      kLoginPage, [settings](asp::RequestContext& page) { LoginPage(page, settings); }, false);
  // Ending the session is a change too: another site's link or image must
  // not log the administrator out.
  server.AddPage(kLogoutPage, &LogoutPage, PageOptions{false, {"*"}, {}});
  AddChannelPage(server, {kArticlePage, [settings](asp::RequestContext& page) {
                            ArticleGatherPage(page, settings);
                          }});
  // The clean-up deletes only on its posted "clean"; nothing it does fetches.
  AddChannelPage(server,
                 {kMaintenancePage,
                  [settings](asp::RequestContext& page) { MaintenancePage(page, settings); },
                  {"clean"},
                  {}});
  AddChannelPage(server, {kSoftPage, [settings](asp::RequestContext& page) {
                            SoftGatherPage(page, settings);
                          }});
  AddChannelPage(server, {kFlashPage, [settings](asp::RequestContext& page) {
                            FlashGatherPage(page, settings);
                          }});
  // The server page changes rows through its form (a POST) and its delete
  // links; it fetches nothing remote.
  AddChannelPage(server, {.path = kServeredPage,
                          .function = [settings](asp::RequestContext& page) {
                            ServeredPage(page, settings);
                          },
                          .changing_actions = {"save", "del"},
                          .remote_actions = {}});
  server.AddRedirect("/", kAdminFolder);
  server.AddRedirect("/admin", kAdminFolder);
  server.AddRedirect(kAdminFolder, kArticlePage);
}

void WriteHtmlHead(asp::Response& response, std::string_view title) {
  response.Write("<html>\r\n<head>\r\n<title>");
  response.Write(title);
  response.Write("</title>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=");
  response.Write(response.Charset());
  response.Write(
      "\">\r\n"
      "<link href=\"/css/admin.css\" rel=\"stylesheet\" type=\"text/css\">\r\n"
      "</head>\r\n<body>\r\n");
}

std::string AdminChannelsRow(std::string_view folder) {
  static constexpr std::string_view kLinks[][2] = {{"Admin_ArticleGather.asp", "文章采集"},
                                                   {"admin_SoftGather.asp", "软件采集"},
                                                   {"Admin_FlashGather.asp", "动画采集"},
                                                   {"admin_Servered.asp", "下载服务器"},
                                                   {"Admin_Maintenance.asp", "上传文件清理"}};
  std::string row = "<div class=\"admin-channels\">";
  for (const auto& [page, name] : kLinks) {
    row +=
        "<a href=\"" + std::string(folder) + std::string(page) + "\">" + std::string(name) + "</a>";
  }
  return row + "</div>\r\n";
}

void WriteAdminBar(asp::Response& response, std::string_view title, std::string_view menu) {
  WriteHtmlHead(response, title);
  // admin_Size: the size buttons of the editor's source views.
  response.Write("<script language=\"JavaScript\" src=\"include/admin.js\"></script>\r\n");
  response.Write(AdminChannelsRow(""));
  response.Write("<div class=\"admin-head\">");
  response.Write(menu);
  response.Write("<a href=\"Admin_Logout.asp\" id=\"Logout\">退出登录</a></div>\r\n");
}

void WriteAdminHead(asp::Response& response, std::string_view title, std::string_view script) {
  const std::string page(script);
  WriteAdminBar(response, title,
                "<a href=\"" + page + "\">采集项目管理</a><a href=\"" + page +
                    "?action=add\">添加采集项目</a><a href=\"" + page +
                    "?action=config\">采集基本设置</a><a href=\"" + page +
                    "?action=remove\">清除缓存</a>");
}

void WriteAdminFoot(asp::Response& response) {
  response.Write("<div class=\"admin-foot\">Ostrel</div>\r\n</body>\r\n</html>\r\n");
}

bool SameSecret(std::string_view a, std::string_view b) {
  // Every byte of the longer text is looked at, and the length difference
  // counts as a difference.
  size_t n = a.size() > b.size() ? a.size() : b.size();
  unsigned diff = a.size() == b.size() ? 0 : 1;
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    diff |= static_cast<unsigned>(x ^ y);
  }
  return diff == 0;
}

}  // namespace ostrel::host
