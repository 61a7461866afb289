// PageRunner: answers one request with a host page. It builds the request's
// ASP objects from the request (query and form decoded from the
// page code page, cookies, server variables), takes the request's session
// from the store (the session cookie; requests of one session run one at a
// time, and one that waits too long gets the busy page), binds the
// RequestContext to the thread, runs the page and ends the chunked
// response. The Application store is one for all requests.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "host/host_page.h"
#include "host/http_exchange.h"
#include "platform/asp/application.h"
#include "platform/asp/session_store.h"

namespace ostrel::host {

struct PageSettings {
  std::string site_root;           // native, absolute
  std::string charset = "gb2312";  // page output and posted forms
  // Where an admin page sends a request that has no login.
  std::string login_page = "/admin/Admin_Login.asp";
  // How long a request waits for its session while another request of the
  // same session runs, before it gets the busy page.
  std::chrono::milliseconds session_wait{10'000};
};

// The notices the host answers with instead of a page.
inline constexpr char kBusyTitle[] = "服务器忙";
inline constexpr char kBusyMessage[] =
    "服务器忙：本会话的上一个请求或其他采集步骤仍在运行，请稍后再试。";
inline constexpr char kRefusedTitle[] = "拒绝执行";
inline constexpr char kRefusedMessage[] =
    "拒绝执行：这个操作只能从本站的管理页面发起，本次请求没有执行任何操作。";

class PageRunner {
 public:
  explicit PageRunner(PageSettings settings);

  // Runs page for the request of exchange (its body already read), the
  // page's virtual path being page_path. With needs_login, a session
  // without an AdminName is redirected to the login page instead. Returns
  // the HTTP status.
  int Run(const std::shared_ptr<HttpExchange>& exchange, const std::string& page_path,
          const PageFunction& page, bool needs_login);

  // Answers with a short page of its own (the busy page, a refusal) in the
  // pages' charset; the connection is closed after it.
  void SendNotice(HttpExchange& exchange, int status, std::string_view title,
                  std::string_view message) const;

  asp::SessionStore& sessions() { return sessions_; }
  asp::Application& application() { return *application_; }

 private:
  PageSettings settings_;
  std::string site_root_windows_;
  asp::SessionStore sessions_;
  std::shared_ptr<asp::Application> application_;
};

}  // namespace ostrel::host
