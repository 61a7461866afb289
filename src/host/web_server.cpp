#include "host/web_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <thread>

#include "host/cross_site.h"
#include "host/host_config.h"
#include "platform/vb/ascii_case.h"

namespace ostrel::host {

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
  *error = "cannot listen on " + settings_.listen;
  std::string address;
  int port = 0;
  if (!SplitListen(settings_.listen, &address, &port)) return false;
  const bool ipv6 = address.starts_with("[");
  if (ipv6) address = address.substr(1, address.size() - 2);
  sockaddr_storage storage{};
  socklen_t size = 0;
  if (ipv6) {
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET6, address.c_str(), &in6->sin6_addr) != 1) return false;
    size = sizeof(sockaddr_in6);
  } else {
    auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
    in4->sin_family = AF_INET;
    in4->sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &in4->sin_addr) != 1) return false;
    size = sizeof(sockaddr_in);
  }
  int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  if (ipv6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof(on));
  if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), size) != 0 || ::listen(fd, 1024) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &size) != 0) {
    ::close(fd);
    return false;
  }
  // The port is known before any thread reads a request.
  port_ = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                     : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
  loop_ = std::make_unique<ConnectionLoop>(
      settings_, [this](const std::shared_ptr<HttpExchange>& exchange) { Route(exchange); });
  if (!loop_->Start(fd, port_)) {
    loop_.reset();
    return false;
  }
  error->clear();
  return true;
}

void WebServer::Stop() {
  // Requests waiting for a session or a share give up. Running pages end
  // (their remote fetches are cancelled by whoever stops the host) while
  // the loop closes the waiting connections and shuts the answered ones
  // down, so a page that waits for its browser to read ends too; the loop
  // returns when every worker has ended.
  runner_.sessions().Stop();
  std::thread pages([this] { pool_.Stop(); });
  if (loop_) loop_->Stop();
  pages.join();
}

void WebServer::Route(const std::shared_ptr<HttpExchange>& exchange) {
  const std::string& path = exchange->request.path;
  if (!path.starts_with("/")) return exchange->AnswerError(400, "Bad request", false);
  std::string key = vb::LowerAscii(path);
  if (auto redirect = redirects_.find(key); redirect != redirects_.end()) {
    return exchange->Answer(302, {{"Location", redirect->second}}, "", false);
  }
  if (key.ends_with(".asp")) {
    auto page = pages_.find(key);
    if (page == pages_.end()) return exchange->AnswerError(404, "Not found", false);
    return ServePage(exchange, page->second);
  }
  ServeStatic(*exchange);
}

void WebServer::ServePage(const std::shared_ptr<HttpExchange>& exchange, const Page& page) {
  const HttpRequest& request = exchange->request;
  if (request.method != "GET" && request.method != "POST") {
    // HEAD too: it would run the page, actions included, for nothing.
    return runner_.SendNotice(*exchange, 405, "405", "Method not allowed");
  }
  RequestTraits traits = TraitsOf(request.method, request.query,
                                  HasForm(request) ? exchange->body : "", settings_.pages.charset);
  if (ChangesState(traits, page.options.changing_actions) &&
      !FromThisHost(request.Header("Origin"), request.Header("Referer"), request.Header("Host"),
                    false)) {
    return runner_.SendNotice(*exchange, 403, kRefusedTitle, RefusalMessage(page.path, traits));
  }
  const auto& remote = page.options.remote_actions;
  PagePool::Kind kind = std::find(remote.begin(), remote.end(), traits.action) != remote.end()
                            ? PagePool::Kind::kRemote
                            : PagePool::Kind::kLocal;
  exchange->RunPage([this, &exchange, &page, kind] {
    auto job = [&] { runner_.Run(exchange, page.path, page.function, page.options.needs_login); };
    if (pool_.Run(job, kind, settings_.share_wait) != PagePool::Outcome::kDone) {
      runner_.SendNotice(*exchange, 503, kBusyTitle, kBusyMessage);
    }
  });
}

void WebServer::ServeStatic(HttpExchange& exchange) {
  const std::string& method = exchange.request.method;
  if (method != "GET" && method != "HEAD") return exchange.AnswerError(405, "Method not allowed", false);
  StaticFile file = files_.Resolve(exchange.request.path);
  int fd = file.status == 200 ? ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC) : -1;
  struct stat st {};
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(fd);
    fd = -1;
  }
  if (fd < 0) {
    int status = file.status == 403 ? 403 : 404;
    return exchange.AnswerError(status, status == 403 ? "Forbidden" : "Not found", false);
  }
  // Browsers keep the site's scripts and style sheets for an hour.
  char modified[64];
  std::tm tm{};
  gmtime_r(&st.st_mtime, &tm);
  std::strftime(modified, sizeof(modified), "%a, %d %b %Y %H:%M:%S GMT", &tm);
  exchange.AnswerFile({{"Content-Type", file.content_type},
                       {"X-Content-Type-Options", "nosniff"},
                       {"Cache-Control", "max-age=3600"},
                       {"Last-Modified", modified}},
                      fd, static_cast<uint64_t>(st.st_size));
}

}  // namespace ostrel::host
