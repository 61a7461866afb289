#include "host/web_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
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

namespace {

using Clock = std::chrono::steady_clock;

// "%XX" becomes the byte XX; a "+" stays (it is a blank only in a query).
std::string DecodePath(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '%' && i + 2 < raw.size() &&
        std::isxdigit(static_cast<unsigned char>(raw[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(raw[i + 2]))) {
      out += static_cast<char>(std::stoi(std::string(raw.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += raw[i];
    }
  }
  return out;
}

std::string AddressText(const sockaddr* address) {
  char buffer[INET6_ADDRSTRLEN] = {};
  if (address == nullptr) return "";
  if (address->sa_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, buffer,
              sizeof(buffer));
  } else if (address->sa_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, buffer,
              sizeof(buffer));
  }
  return buffer;
}

MHD_Result AddHeader(void* cls, MHD_ValueKind, const char* key, const char* value) {
  static_cast<HeaderList*>(cls)->emplace_back(key, value ? value : "");
  return MHD_YES;
}

ConnectionWatch::Entry* WatchOf(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  return info ? static_cast<ConnectionWatch::Entry*>(info->socket_context) : nullptr;
}

void AnswerError(HttpExchange& exchange, int status, std::string_view text) {
  exchange.Answer(status, {{"Content-Type", "text/plain; charset=utf-8"}},
                  "Error " + std::to_string(status) + ": " + std::string(text) + "\n", false);
}

}  // namespace

// The library calls these on its own threads.
struct WebServer::Callbacks {
  using Holder = std::shared_ptr<HttpExchange>;

  // A connection opened or closed: its deadline is watched in between.
  static void OnConnection(void* cls, MHD_Connection* connection, void** socket_context,
                           MHD_ConnectionNotificationCode code) {
    auto* server = static_cast<WebServer*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
      const MHD_ConnectionInfo* info =
          MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
      if (info == nullptr) return;
      // Without it every small flushed chunk and keep-alive answer waits
      // for the peer's delayed acknowledgement.
      int on = 1;
      setsockopt(info->connect_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
      *socket_context =
          server->watch_.Add(info->connect_fd, Clock::now() + server->settings_.header_timeout);
    } else if (code == MHD_CONNECTION_NOTIFY_CLOSED && *socket_context != nullptr) {
      server->watch_.Remove(static_cast<ConnectionWatch::Entry*>(*socket_context));
      *socket_context = nullptr;
    }
  }

  // The request line has arrived: the request's exchange, with its target
  // as sent.
  static void* OnUri(void*, const char* uri, MHD_Connection* connection) {
    auto* holder = new Holder(std::make_shared<HttpExchange>(connection));
    std::string_view target = uri;
    size_t question = target.find('?');
    HttpRequest& request = (*holder)->request;
    request.path = DecodePath(target.substr(0, question));
    if (question != std::string_view::npos) request.query = target.substr(question + 1);
    return holder;
  }

  static void OnCompleted(void* cls, MHD_Connection* connection, void** req_cls,
                          MHD_RequestTerminationCode) {
    auto* server = static_cast<WebServer*>(cls);
    if (auto* holder = static_cast<Holder*>(*req_cls)) {
      (*holder)->Completed();
      delete holder;
      *req_cls = nullptr;
    }
    // A kept-alive connection has the header deadline for its next request.
    if (ConnectionWatch::Entry* entry = WatchOf(connection)) {
      server->watch_.SetDeadline(entry, Clock::now() + server->settings_.header_timeout);
    }
  }

  static MHD_Result OnRequest(void* cls, MHD_Connection* connection, const char*,
                              const char* method, const char* version, const char* upload_data,
                              size_t* upload_data_size, void** req_cls) {
    auto* server = static_cast<WebServer*>(cls);
    auto* holder = static_cast<Holder*>(*req_cls);
    if (holder == nullptr) return MHD_NO;
    HttpExchange& exchange = **holder;
    if (!exchange.header_seen) {
      exchange.header_seen = true;
      exchange.header_end = Clock::now();
      HttpRequest& request = exchange.request;
      request.method = method;
      request.version = version;
      request.server_port = server->port_;
      const MHD_ConnectionInfo* client =
          MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
      request.remote_address = AddressText(client ? client->client_addr : nullptr);
      MHD_get_connection_values(connection, MHD_HEADER_KIND, &AddHeader, &request.headers);
      // The header is in; a body is held to its rate as it comes.
      if (ConnectionWatch::Entry* entry = WatchOf(connection)) server->watch_.ClearDeadline(entry);
      long long length = std::atoll(request.Header("Content-Length").c_str());
      if (length > 0 && CheckBody(server->settings_.body, static_cast<size_t>(length), {}) ==
                            BodyStatus::kTooLarge) {
        // Answered before the body, which is then never read.
        server->runner_.SendNotice(exchange, 413, "413", "Request body too large");
        exchange.answered = true;
      }
      return MHD_YES;
    }
    if (*upload_data_size > 0) {
      // A body too large or too slow ends the connection: the library
      // would read the rest of it before any answer.
      if (exchange.answered || !server->TakeBody(exchange, upload_data, *upload_data_size)) {
        return MHD_NO;
      }
      *upload_data_size = 0;
      return MHD_YES;
    }
    if (!exchange.answered) server->Route(*holder);
    return MHD_YES;
  }
};

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
  if (ipv6) {
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET6, address.c_str(), &in6->sin6_addr) != 1) return false;
  } else {
    auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
    in4->sin_family = AF_INET;
    in4->sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &in4->sin_addr) != 1) return false;
  }
  // The library drops a connection silent this long (whole seconds).
  const auto silence = static_cast<unsigned>(
      std::max<long long>(1, (settings_.header_timeout.count() + 999) / 1000));
  unsigned flags = MHD_USE_THREAD_PER_CONNECTION | MHD_USE_POLL_INTERNAL_THREAD;
  if (ipv6) flags |= MHD_USE_IPv6;
  watch_.Start();
  daemon_ = MHD_start_daemon(
      flags, static_cast<uint16_t>(port), nullptr, nullptr, &Callbacks::OnRequest, this,
      MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&storage),
      MHD_OPTION_PER_IP_CONNECTION_LIMIT,
      static_cast<unsigned>(std::max(settings_.connections_per_address, 0)),
      MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(settings_.max_connections),
      MHD_OPTION_CONNECTION_TIMEOUT, silence, MHD_OPTION_URI_LOG_CALLBACK, &Callbacks::OnUri, this,
      MHD_OPTION_NOTIFY_COMPLETED, &Callbacks::OnCompleted, this, MHD_OPTION_NOTIFY_CONNECTION,
      &Callbacks::OnConnection, this, MHD_OPTION_END);
  if (daemon_ == nullptr) {
    watch_.Stop();
    return false;
  }
  const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT);
  port_ = info ? info->port : 0;
  error->clear();
  return true;
}

void WebServer::Stop() {
  // Requests waiting for a session or a share give up. Running pages end
  // (their remote fetches are cancelled by whoever stops the host) while
  // the library closes the connections, so a page that waits for its
  // browser to read ends too; the library returns when every connection's
  // thread has ended.
  runner_.sessions().Stop();
  std::thread pages([this] { pool_.Stop(); });
  if (daemon_ != nullptr) {
    MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
  }
  pages.join();
  watch_.Stop();
}

bool WebServer::TakeBody(HttpExchange& exchange, const char* data, size_t size) {
  exchange.body.append(data, size);
  return CheckBody(settings_.body, exchange.body.size(), Clock::now() - exchange.header_end) ==
         BodyStatus::kWithinLimits;
}

void WebServer::Route(const std::shared_ptr<HttpExchange>& exchange) {
  const std::string& path = exchange->request.path;
  if (!path.starts_with("/")) return AnswerError(*exchange, 400, "Bad request");
  std::string key = vb::LowerAscii(path);
  if (auto redirect = redirects_.find(key); redirect != redirects_.end()) {
    return exchange->Answer(302, {{"Location", redirect->second}}, "", false);
  }
  if (key.ends_with(".asp")) {
    auto page = pages_.find(key);
    if (page == pages_.end()) return AnswerError(*exchange, 404, "Not found");
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
  bool form = request.Header("Content-Type").find("x-www-form-urlencoded") != std::string::npos;
  RequestTraits traits = TraitsOf(request.method, request.query, form ? exchange->body : "",
                                  settings_.pages.charset);
  if (ChangesState(traits, page.options.changing_actions) &&
      !FromThisHost(request.Header("Origin"), request.Header("Referer"), request.Header("Host"),
                    false)) {
    return runner_.SendNotice(*exchange, 403, kRefusedTitle, RefusalMessage(page.path, traits));
  }
  const auto& remote = page.options.remote_actions;
  PagePool::Kind kind = std::find(remote.begin(), remote.end(), traits.action) != remote.end()
                            ? PagePool::Kind::kRemote
                            : PagePool::Kind::kLocal;
  exchange->RunPage([this, exchange, &page, kind] {
    auto job = [&] { runner_.Run(exchange, page.path, page.function, page.options.needs_login); };
    if (pool_.Run(job, kind, settings_.share_wait) != PagePool::Outcome::kDone) {
      runner_.SendNotice(*exchange, 503, kBusyTitle, kBusyMessage);
    }
  });
}

void WebServer::ServeStatic(HttpExchange& exchange) {
  const std::string& method = exchange.request.method;
  if (method != "GET" && method != "HEAD") return AnswerError(exchange, 405, "Method not allowed");
  StaticFile file = files_.Resolve(exchange.request.path);
  int fd = file.status == 200 ? ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC) : -1;
  struct stat st {};
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(fd);
    fd = -1;
  }
  if (fd < 0) {
    int status = file.status == 403 ? 403 : 404;
    return AnswerError(exchange, status, status == 403 ? "Forbidden" : "Not found");
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
