// The admin folder's pages: the login and logout pages and the channels'
// pages, with the page frame they share. The admin folder is /admin/ (site/admin/),
// which also holds include/showpage.js, loaded relative to the pages, and
// the run's link-list files, which are never served.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/host_config.h"
#include "host/web_server.h"
#include "platform/asp/response.h"

namespace ostrel::host {

inline constexpr char kAdminFolder[] = "/admin/";
inline constexpr char kLoginPage[] = "/admin/Admin_Login.asp";
inline constexpr char kLogoutPage[] = "/admin/Admin_Logout.asp";
inline constexpr char kArticlePage[] = "/admin/Admin_ArticleGather.asp";
inline constexpr char kMaintenancePage[] = "/admin/Admin_Maintenance.asp";
inline constexpr char kSoftPage[] = "/admin/admin_SoftGather.asp";
inline constexpr char kFlashPage[] = "/admin/Admin_FlashGather.asp";
inline constexpr char kServeredPage[] = "/admin/admin_Servered.asp";

// A channel's page (articles, software, Flash, clean-up), registered with
// AddChannelPage: that road, and only it, puts the page behind the login and
// the host's one cross-site check (its changing_actions, every POST and
// every change=yes are refused unless Origin or Referer names this host),
// and runs its remote_actions within the remote share of the page stacks,
// with the busy page when no share frees up in time.
struct ChannelPage {
  std::string path;  // "/admin/Admin_ArticleGather.asp"
  PageFunction function;
  // The channels' page protocol: delete, clone, settings save, begin a
  // run, a run step, cache clearing.
  std::vector<std::string> changing_actions = {"del", "copy", "save", "begin", "savenew", "remove"};
  // The run's steps and the editor's steps that fetch the remote pages.
  std::vector<std::string> remote_actions = {"begin", "savenew", "step2", "step3", "step4", "demo"};
};

void AddChannelPage(WebServer& server, ChannelPage page);

// What the pages take from the configuration.
struct AdminSettings {
  std::string admin_name = "admin";
  std::string admin_password;
  std::string gather_db;  // native paths
  std::string host_db;
  int page_list_num = 30;
};

AdminSettings AdminSettingsOf(const HostConfig& config);

// Registers the pages and the redirects of "/" and "/admin/" to the
// article channel's page.
void AddAdminPages(WebServer& server, const AdminSettings& settings);

// The start of a page: html and head (the title, the charset of the
// response, the style sheet), then the body's start tag.
void WriteHtmlHead(asp::Response& response, std::string_view title);
// The page frame: the head (quirks mode: no DOCTYPE, as the admin markup
// expects; the style sheet; the channels' pages, the links of the channel
// whose page script is given and the logout link) and the foot.
void WriteAdminHead(asp::Response& response, std::string_view title,
                    std::string_view script = "Admin_ArticleGather.asp");
// The row of links to the channels' pages at the top of every admin page,
// each page's name after folder ("" for links relative to the admin folder).
std::string AdminChannelsRow(std::string_view folder);
// The same frame with a page's own menu links in place of a channel's.
void WriteAdminBar(asp::Response& response, std::string_view title, std::string_view menu);
void WriteAdminFoot(asp::Response& response);

// True when the two texts are equal; the time taken does not depend on
// where they differ.
bool SameSecret(std::string_view a, std::string_view b);

// The pages themselves.
void LoginPage(asp::RequestContext& page, const AdminSettings& settings);
void LogoutPage(asp::RequestContext& page);
void ArticleGatherPage(asp::RequestContext& page, const AdminSettings& settings);
// The upload-file clean-up: a dry run, then a posted confirmation deletes.
void MaintenancePage(asp::RequestContext& page, const AdminSettings& settings);
void SoftGatherPage(asp::RequestContext& page, const AdminSettings& settings);
void FlashGatherPage(asp::RequestContext& page, const AdminSettings& settings);
void ServeredPage(asp::RequestContext& page, const AdminSettings& settings);

}  // namespace ostrel::host
