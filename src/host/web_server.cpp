#include "host/web_server.h"

#include <civetweb.h>

#include <cctype>
#include <cstdio>
#include <mutex>
#include <string_view>

namespace ostrel::host {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

int LogMessage(const mg_connection*, const char* message) {
  std::fprintf(stderr, "ostrel-host: %s\n", message);
  return 1;
}

}  // namespace

WebServer::WebServer(ServerSettings settings)
    : settings_(std::move(settings)),
      runner_(settings_.pages),
      files_(settings_.pages.site_root, settings_.private_files) {}

WebServer::~WebServer() { Stop(); }

void WebServer::AddPage(const std::string& path, PageFunction page, bool needs_login) {
  pages_[Lower(path)] = Page{path, std::move(page), needs_login};
}

void WebServer::AddRedirect(const std::string& path, std::string target) {
  redirects_[Lower(path)] = std::move(target);
}

bool WebServer::Start(std::string* error) {
  static std::once_flag library_once;
  std::call_once(library_once, [] { mg_init_library(0); });

  std::string threads = std::to_string(settings_.threads);
  const char* options[] = {
      "listening_ports",
      settings_.listen.c_str(),
      "num_threads",
      threads.c_str(),
      // Without it every small flushed chunk and keep-alive answer waits
      // for the peer's delayed acknowledgement.
      "tcp_nodelay",
      "1",
      "enable_keep_alive",
      "yes",
      "keep_alive_timeout_ms",
      "5000",
      nullptr,
  };
  mg_callbacks callbacks{};
  callbacks.begin_request = &WebServer::OnRequest;
  callbacks.log_message = &LogMessage;
  context_ = mg_start(&callbacks, this, options);
  if (context_ == nullptr) {
    *error = "cannot listen on " + settings_.listen;
    return false;
  }
  mg_server_port ports[4] = {};
  int count = mg_get_server_ports(context_, 4, ports);
  port_ = count > 0 ? ports[0].port : 0;
  return true;
}

void WebServer::Stop() {
  if (context_ == nullptr) return;
  mg_stop(context_);
  context_ = nullptr;
}

int WebServer::OnRequest(mg_connection* conn) {
  auto* server = static_cast<WebServer*>(mg_get_request_info(conn)->user_data);
  return server->Handle(conn);
}

int WebServer::Handle(mg_connection* conn) {
  const mg_request_info* info = mg_get_request_info(conn);
  // The path as the browser sent it, percent-decoded but with any ".."
  // left in place, so that StaticFiles sees (and refuses) it.
  const char* raw = info->local_uri_raw ? info->local_uri_raw : info->local_uri;
  if (raw == nullptr) {
    mg_send_http_error(conn, 400, "%s", "Bad request");
    return 400;
  }
  std::string path = raw;
  std::string key = Lower(path);

  if (auto redirect = redirects_.find(key); redirect != redirects_.end()) {
    mg_send_http_redirect(conn, redirect->second.c_str(), 302);
    return 302;
  }
  if (key.ends_with(".asp")) {
    auto page = pages_.find(key);
    if (page == pages_.end()) {
      mg_send_http_error(conn, 404, "%s", "Not found");
      return 404;
    }
    return runner_.Run(conn, page->second.path, page->second.function, page->second.needs_login);
  }
  return ServeStatic(conn, path);
}

int WebServer::ServeStatic(mg_connection* conn, const std::string& path) {
  std::string_view method = mg_get_request_info(conn)->request_method;
  if (method != "GET" && method != "HEAD") {
    mg_send_http_error(conn, 405, "%s", "Method not allowed");
    return 405;
  }
  StaticFile file = files_.Resolve(path);
  if (file.status != 200) {
    mg_send_http_error(conn, file.status, "%s", file.status == 403 ? "Forbidden" : "Not found");
    return file.status;
  }
  mg_send_mime_file2(conn, file.path.c_str(), file.content_type.c_str(),
                     "X-Content-Type-Options: nosniff\r\n");
  return 200;
}

}  // namespace ostrel::host
