// The admin folder's pages: the login page and the article channel's page,
// with the page frame they share. The admin folder is /admin/ (site/admin/),
// which also holds include/showpage.js, loaded relative to the pages, and
// the run's link-list files, which are never served.
#pragma once

#include <string>
#include <string_view>

#include "host/host_config.h"
#include "host/web_server.h"
#include "platform/asp/response.h"

namespace ostrel::host {

inline constexpr char kAdminFolder[] = "/admin/";
inline constexpr char kLoginPage[] = "/admin/Admin_Login.asp";
inline constexpr char kArticlePage[] = "/admin/Admin_ArticleGather.asp";
inline constexpr char kSoftPage[] = "/admin/admin_SoftGather.asp";
inline constexpr char kServeredPage[] = "/admin/admin_Servered.asp";

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
// expects; the style sheet; the channels' pages and the links of the
// channel whose page script is given) and the foot.
void WriteAdminHead(asp::Response& response, std::string_view title,
                    std::string_view script = "Admin_ArticleGather.asp");
void WriteAdminFoot(asp::Response& response);

// True when the two texts are equal; the time taken does not depend on
// where they differ.
bool SameSecret(std::string_view a, std::string_view b);

// The pages themselves.
void LoginPage(asp::RequestContext& page, const AdminSettings& settings);
void ArticleGatherPage(asp::RequestContext& page, const AdminSettings& settings);
void SoftGatherPage(asp::RequestContext& page, const AdminSettings& settings);
void ServeredPage(asp::RequestContext& page, const AdminSettings& settings);

}  // namespace ostrel::host
