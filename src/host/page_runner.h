// PageRunner: answers one request with a host page. It builds the request's
// ASP objects from the civetweb connection (query and form decoded from the
// page code page, cookies, server variables), takes the request's session
// from the store (the session cookie; requests of one session run one at a
// time), binds the RequestContext to the thread, runs the page and ends the
// chunked response. The Application store is one for all requests.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "host/host_page.h"
#include "platform/asp/application.h"
#include "platform/asp/session_store.h"

struct mg_connection;

namespace ostrel::host {

struct PageSettings {
  std::string site_root;           // native, absolute
  std::string charset = "gb2312";  // page output and posted forms
  // Where an admin page sends a request that has no login.
  std::string login_page = "/admin/Admin_Login.asp";
  // Larger request bodies are refused (413) unread.
  size_t max_form_bytes = 8 << 20;
};

class PageRunner {
 public:
  explicit PageRunner(PageSettings settings);

  // Runs page for the request on conn, the page's virtual path being
  // page_path. With needs_login, a session without an AdminName is
  // redirected to the login page instead. Returns the HTTP status.
  int Run(mg_connection* conn, const std::string& page_path, const PageFunction& page,
          bool needs_login);

  asp::SessionStore& sessions() { return sessions_; }
  asp::Application& application() { return *application_; }

 private:
  PageSettings settings_;
  std::string site_root_windows_;
  asp::SessionStore sessions_;
  std::shared_ptr<asp::Application> application_;
};

}  // namespace ostrel::host
