#include "host/web_server.h"

#include <arpa/inet.h>
#include <civetweb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string_view>
#include <thread>

#include "host/cross_site.h"
#include "host/host_config.h"
#include "platform/vb/ascii_case.h"

namespace ostrel::host {

namespace {

int LogMessage(const mg_connection*, const char* message) {
  std::fprintf(stderr, "ostrel-host: %s\n", message);
  return 1;
}

}  // namespace

WebServer::WebServer(ServerSettings settings)
    : settings_(std::move(settings)),
      runner_(settings_.pages),
      pool_(settings_.threads,
            settings_.remote_share > 0 ? settings_.remote_share : settings_.threads / 2),
      files_(settings_.pages.site_root, settings_.private_files, settings_.asset_roots) {}

WebServer::~WebServer() { Stop(); }

void WebServer::AddPage(const std::string& path, PageFunction page, PageOptions options) {
  pages_[vb::LowerAscii(path)] = Page{path, std::move(page), std::move(options)};
}

void WebServer::AddRedirect(const std::string& path, std::string target) {
  redirects_[vb::LowerAscii(path)] = std::move(target);
}

bool WebServer::Start(std::string* error) {
  static std::once_flag library_once;
  std::call_once(library_once, [] { mg_init_library(0); });

  std::string threads = std::to_string(settings_.connection_threads);
  std::string header_timeout = std::to_string(settings_.header_timeout.count());
  const char* options[] = {
      "listening_ports",
      settings_.listen.c_str(),
      "num_threads",
      threads.c_str(),
      // The deadline of a whole request header; also how long one read or
      // write of a connection may wait for the peer.
      "request_timeout_ms",
      header_timeout.c_str(),
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
  // Requests waiting for a session or a share give up; running pages end
  // (their remote fetches are cancelled by whoever stops the host).
  runner_.sessions().Stop();
  pool_.Stop();
  if (context_ == nullptr) return;
  mg_context* context = context_;
  context_ = nullptr;
  // civetweb's listening thread looks at the stop flag only between waits
  // of two seconds for a new connection; connecting wakes it at once, so a
  // stop (Ctrl-C, every test) does not sit out the wait.
  std::atomic<bool> stopped{false};
  std::thread stopper([&] {
    mg_stop(context);
    stopped = true;
  });
  while (!stopped) {
    WakeListener();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  stopper.join();
}

void WebServer::WakeListener() const {
  std::string address;
  int port = 0;
  if (!SplitListen(settings_.listen, &address, &port)) return;
  bool ipv6 = address.starts_with("[");
  if (ipv6) address = address.substr(1, address.size() - 2);
  // A listener on every address is reached through the loopback one.
  if (address == "0.0.0.0") address = "127.0.0.1";
  if (address == "::") address = "::1";
  sockaddr_storage storage{};
  socklen_t size = 0;
  if (ipv6) {
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(static_cast<uint16_t>(port_));
    if (::inet_pton(AF_INET6, address.c_str(), &in6->sin6_addr) != 1) return;
    size = sizeof(*in6);
  } else {
    auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
    in4->sin_family = AF_INET;
    in4->sin_port = htons(static_cast<uint16_t>(port_));
    if (::inet_pton(AF_INET, address.c_str(), &in4->sin_addr) != 1) return;
    size = sizeof(*in4);
  }
  int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  ::connect(fd, reinterpret_cast<sockaddr*>(&storage), size);
  ::close(fd);
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
  std::string key = vb::LowerAscii(path);

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
    return ServePage(conn, page->second);
  }
  return ServeStatic(conn, path);
}

int WebServer::ServePage(mg_connection* conn, const Page& page) {
  const mg_request_info* info = mg_get_request_info(conn);
  std::string_view method = info->request_method;
  if (method != "GET" && method != "POST") {
    // HEAD too: it would run the page, actions included, for nothing.
    runner_.SendNotice(conn, 405, "405", "Method not allowed");
    return 405;
  }
  std::string body;
  if (method == "POST") {
    switch (ReadRequestBody(conn, settings_.body, &body)) {
      case BodyStatus::kComplete:
        break;
      case BodyStatus::kTooLarge:
        runner_.SendNotice(conn, 413, "413", "Request body too large");
        return 413;
      case BodyStatus::kTooSlow:
        runner_.SendNotice(conn, 408, "408", "Request body too slow");
        return 408;
      case BodyStatus::kIncomplete:
        runner_.SendNotice(conn, 400, "400", "Incomplete request body");
        return 400;
    }
  }
  const char* type = mg_get_header(conn, "Content-Type");
  bool form = type != nullptr &&
              std::string_view(type).find("x-www-form-urlencoded") != std::string_view::npos;
  RequestTraits traits = TraitsOf(method, info->query_string ? info->query_string : "",
                                  form ? body : "", settings_.pages.charset);
  if (ChangesState(traits, page.options.changing_actions)) {
    const char* origin = mg_get_header(conn, "Origin");
    const char* referer = mg_get_header(conn, "Referer");
    const char* host = mg_get_header(conn, "Host");
    if (!FromThisHost(origin ? origin : "", referer ? referer : "", host ? host : "",
                      info->is_ssl != 0)) {
      runner_.SendNotice(conn, 403, kRefusedTitle, RefusalMessage(page.path, traits));
      return 403;
    }
  }
  const auto& remote = page.options.remote_actions;
  PagePool::Kind kind = std::find(remote.begin(), remote.end(), traits.action) != remote.end()
                            ? PagePool::Kind::kRemote
                            : PagePool::Kind::kLocal;
  int status = 503;
  auto job = [&] {
    status = runner_.Run(conn, page.path, page.function, page.options.needs_login, body);
  };
  if (pool_.Run(job, kind, settings_.share_wait) != PagePool::Outcome::kDone) {
    runner_.SendNotice(conn, 503, kBusyTitle, kBusyMessage);
    return 503;
  }
  return status;
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
