#include "support/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ostrel::testing {

namespace {

constexpr size_t kMaxHeaderBytes = 1 << 20;
constexpr size_t kGeneratedPiece = 16 * 1024;

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool HasHeader(const HeaderList& headers, std::string_view name) {
  for (const auto& header : headers) {
    if (SameName(header.first, name)) return true;
  }
  return false;
}

std::string Trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(b, e - b + 1));
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

std::string ContentTypeOf(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (ext == ".html" || ext == ".htm") return "text/html";
  if (ext == ".txt") return "text/plain";
  if (ext == ".css") return "text/css";
  if (ext == ".js") return "application/x-javascript";
  if (ext == ".xml") return "text/xml";
  if (ext == ".gif") return "image/gif";
  if (ext == ".jpg" || ext == ".jpeg") return "image/jpeg";
  if (ext == ".png") return "image/png";
  if (ext == ".bmp") return "image/bmp";
  if (ext == ".swf") return "application/x-shockwave-flash";
  if (ext == ".zip") return "application/zip";
  return "application/octet-stream";
}

bool IsTextType(std::string_view content_type) {
  return content_type.substr(0, 5) == "text/" || content_type == "application/x-javascript";
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ReplaceAll(std::string* s, std::string_view from, std::string_view to) {
  for (size_t at = s->find(from); at != std::string::npos; at = s->find(from, at + to.size())) {
    s->replace(at, from.size(), to);
  }
}

// Parses the request line and headers of `head` (without the blank line).
bool ParseHead(std::string_view head, HttpRequest* request) {
  size_t line_end = head.find('\n');
  std::string line = Trim(head.substr(0, line_end));
  size_t sp1 = line.find(' ');
  size_t sp2 = line.rfind(' ');
  if (sp1 == std::string::npos || sp2 == sp1) return false;
  request->method = line.substr(0, sp1);
  request->target = line.substr(sp1 + 1, sp2 - sp1 - 1);
  request->version = line.substr(sp2 + 1);
  std::string_view target = request->target;
  if (size_t scheme = target.find("://"); scheme != std::string_view::npos) {
    size_t slash = target.find('/', scheme + 3);
    target = slash == std::string_view::npos ? "/" : target.substr(slash);
  }
  request->path = std::string(target.substr(0, target.find('?')));

  while (line_end != std::string_view::npos) {
    size_t start = line_end + 1;
    line_end = head.find('\n', start);
    std::string_view header = head.substr(
        start, line_end == std::string_view::npos ? std::string_view::npos : line_end - start);
    size_t colon = header.find(':');
    if (colon == std::string_view::npos) continue;
    request->headers.emplace_back(Trim(header.substr(0, colon)), Trim(header.substr(colon + 1)));
  }
  return true;
}

}  // namespace

HttpServer::HttpServer(uint16_t port) {
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) throw std::runtime_error("fixture server: socket failed");
  int one = 1;
  setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  socklen_t length = sizeof address;
  if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listen_fd_, 64) != 0 ||
      getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      pipe2(wake_pipe_, O_CLOEXEC) != 0) {
    close(listen_fd_);
    throw std::runtime_error(std::string("fixture server: cannot listen: ") + strerror(errno));
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread(&HttpServer::AcceptLoop, this);
}

HttpServer::~HttpServer() { Stop(); }

std::string HttpServer::Host() const { return "127.0.0.1:" + std::to_string(port_); }

std::string HttpServer::Url(std::string_view path) const {
  return "http://" + Host() + std::string(path);
}

void HttpServer::Route(std::string path, HttpAnswer answer) {
  Route(std::move(path), [answer = std::move(answer)](const HttpRequest&) { return answer; });
}

void HttpServer::Route(std::string path, HttpHandler handler) {
  std::lock_guard<std::mutex> lock(mu_);
  routes_[std::move(path)] = std::move(handler);
}

void HttpServer::ServeFolder(std::filesystem::path folder) {
  std::lock_guard<std::mutex> lock(mu_);
  folder_ = std::move(folder);
}

std::vector<HttpRequest> HttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_;
}

size_t HttpServer::RequestCount() const {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_.size();
}

std::vector<HttpRequest> HttpServer::RequestsFor(std::string_view path) const {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<HttpRequest> found;
  for (const HttpRequest& request : requests_) {
    if (request.path == path) found.push_back(request);
  }
  return found;
}

void HttpServer::ClearRequests() {
  std::lock_guard<std::mutex> lock(mu_);
  requests_.clear();
}

void HttpServer::Stop() {
  if (stopping_.exchange(true)) return;
  { std::lock_guard<std::mutex> lock(stop_mu_); }
  stop_cv_.notify_all();
  char wake = 1;
  ssize_t ignored = write(wake_pipe_[1], &wake, 1);
  (void)ignored;
  acceptor_.join();
  close(listen_fd_);
  close(wake_pipe_[0]);
  close(wake_pipe_[1]);

  // Shutting the sockets down wakes every connection thread blocked in
  // recv, send or poll; each then ends on its own.
  std::vector<Connection*> open;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (auto& connection : connections_) {
      if (connection->fd >= 0) shutdown(connection->fd, SHUT_RDWR);
      open.push_back(connection.get());
    }
  }
  for (Connection* connection : open) connection->thread.join();
  std::lock_guard<std::mutex> lock(mu_);
  connections_.clear();
}

void HttpServer::AcceptLoop() {
  while (!stopping_) {
    pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {wake_pipe_[0], POLLIN, 0}};
    int ready = poll(fds, 2, 200);
    ReapFinished();
    if (stopping_) break;
    if (ready <= 0 || !(fds[0].revents & POLLIN)) continue;
    int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ++connections_accepted_;
    std::lock_guard<std::mutex> lock(mu_);
    connections_.push_back(std::make_unique<Connection>());
    Connection* connection = connections_.back().get();
    connection->fd = fd;
    connection->thread = std::thread(&HttpServer::Serve, this, connection);
  }
}

void HttpServer::ReapFinished() {
  std::lock_guard<std::mutex> lock(mu_);
  for (auto it = connections_.begin(); it != connections_.end();) {
    if ((*it)->done) {
      (*it)->thread.join();
      it = connections_.erase(it);
    } else {
      ++it;
    }
  }
}

void HttpServer::Serve(Connection* connection) {
  const int fd = connection->fd;
  std::string buffer;
  char chunk[16 * 1024];
  for (;;) {
    // Read one request head.
    size_t head_end;
    while ((head_end = buffer.find("\r\n\r\n")) == std::string::npos) {
      if (buffer.size() > kMaxHeaderBytes) break;
      ssize_t n = recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      buffer.append(chunk, static_cast<size_t>(n));
    }
    if (head_end == std::string::npos) break;
    HttpRequest request;
    if (!ParseHead(std::string_view(buffer).substr(0, head_end), &request)) break;
    buffer.erase(0, head_end + 4);

    // Read its body.
    if (SameName(request.Header("Expect"), "100-continue") &&
        !SendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n")) {
      break;
    }
    size_t length = 0;
    std::string length_text = request.Header("Content-Length");
    if (!length_text.empty()) length = strtoull(length_text.c_str(), nullptr, 10);
    while (buffer.size() < length) {
      ssize_t n = recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      buffer.append(chunk, static_cast<size_t>(n));
    }
    if (buffer.size() < length) break;
    request.body = buffer.substr(0, length);
    buffer.erase(0, length);

    {
      std::lock_guard<std::mutex> lock(mu_);
      requests_.push_back(request);
    }
    HttpAnswer answer;
    try {
      answer = Answer(request);
    } catch (const std::exception& e) {
      answer = HttpAnswer::Status(500, std::string("handler failed: ") + e.what());
    }

    std::string connection_header = request.Header("Connection");
    bool keep_alive = request.version == "HTTP/1.1" ? !SameName(connection_header, "close")
                                                    : SameName(connection_header, "keep-alive");
    if (answer.close) keep_alive = false;
    if (answer.kind == HttpAnswer::Body::kEndless && !answer.chunked) keep_alive = false;
    if (!keep_alive) answer.headers.emplace_back("Connection", "close");
    if (!Send(fd, request, answer) || !keep_alive) break;
  }
  {
    std::lock_guard<std::mutex> lock(mu_);
    shutdown(fd, SHUT_WR);
    close(fd);
    connection->fd = -1;
  }
  connection->done = true;
}

HttpAnswer HttpServer::Answer(const HttpRequest& request) const {
  HttpHandler handler;
  {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = routes_.find(request.target);
    if (it == routes_.end()) it = routes_.find(request.path);
    if (it != routes_.end()) handler = it->second;
  }
  if (handler) return handler(request);
  HttpAnswer answer;
  if (AnswerFromFolder(request, &answer)) return answer;
  return HttpAnswer::NotFound();
}

bool HttpServer::AnswerFromFolder(const HttpRequest& request, HttpAnswer* answer) const {
  std::filesystem::path folder;
  {
    std::lock_guard<std::mutex> lock(mu_);
    folder = folder_;
  }
  if (folder.empty()) return false;
  std::filesystem::path file = folder;
  std::string path = PercentDecode(request.path);
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    std::string part = path.substr(start, slash == std::string::npos ? slash : slash - start);
    if (part == "..") return false;
    if (!part.empty() && part != ".") file /= part;
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  std::error_code error;
  if (std::filesystem::is_directory(file, error)) file /= "index.html";
  if (!std::filesystem::is_regular_file(file, error)) return false;

  *answer = HttpAnswer::Page(ReadFile(file), ContentTypeOf(file));
  if (IsTextType(answer->headers[0].second)) ReplaceAll(&answer->body, "{{HOST}}", Host());

  std::filesystem::path sidecar = file;
  sidecar += ".headers";
  std::string extra = ReadFile(sidecar);
  size_t line_start = 0;
  while (line_start < extra.size()) {
    size_t line_end = extra.find('\n', line_start);
    std::string_view line = std::string_view(extra).substr(
        line_start, line_end == std::string::npos ? std::string::npos : line_end - line_start);
    line_start = line_end == std::string::npos ? extra.size() : line_end + 1;
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string name = Trim(line.substr(0, colon));
    std::string value = Trim(line.substr(colon + 1));
    std::erase_if(answer->headers, [&](const auto& h) { return SameName(h.first, name); });
    answer->headers.emplace_back(std::move(name), std::move(value));
  }
  return true;
}

bool HttpServer::Send(int fd, const HttpRequest& request, const HttpAnswer& answer) {
  if (answer.delay_before.count() > 0 && !Pause(answer.delay_before)) return false;

  std::string head =
      "HTTP/1.1 " + std::to_string(answer.status) + " " +
      (answer.reason.empty() ? std::string(ReasonPhrase(answer.status)) : answer.reason) + "\r\n";
  for (const auto& [name, value] : answer.headers) head += name + ": " + value + "\r\n";
  // Framing, unless the answer set its own (to send a false length, say).
  if (!HasHeader(answer.headers, "Content-Length") &&
      !HasHeader(answer.headers, "Transfer-Encoding")) {
    if (answer.chunked) {
      head += "Transfer-Encoding: chunked\r\n";
    } else if (answer.kind == HttpAnswer::Body::kGiven) {
      head += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
    } else if (answer.kind != HttpAnswer::Body::kEndless) {
      head += "Content-Length: " + std::to_string(answer.generated_bytes) + "\r\n";
    }
  }
  head += "\r\n";
  if (!SendAll(fd, head)) return false;
  if (request.method == "HEAD") return true;
  return SendBody(fd, answer);
}

bool HttpServer::SendBody(int fd, const HttpAnswer& answer) {
  using Body = HttpAnswer::Body;
  size_t piece = answer.piece_bytes;
  if (piece == 0) piece = answer.kind == Body::kGiven ? answer.body.size() : kGeneratedPiece;
  if (piece == 0) piece = 1;

  auto send_piece = [&](std::string_view bytes, bool first) {
    if (!first && answer.delay_between.count() > 0 && !Pause(answer.delay_between)) return false;
    if (bytes.empty()) return true;
    if (!answer.chunked) return SendAll(fd, bytes);
    char size[32];
    snprintf(size, sizeof size, "%zx\r\n", bytes.size());
    return SendAll(fd, size) && SendAll(fd, bytes) && SendAll(fd, "\r\n");
  };

  switch (answer.kind) {
    case Body::kGiven:
      for (size_t at = 0; at < answer.body.size(); at += piece) {
        if (!send_piece(std::string_view(answer.body).substr(at, piece), at == 0)) return false;
      }
      break;
    case Body::kGenerated:
      for (uint64_t at = 0; at < answer.generated_bytes; at += piece) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(piece, answer.generated_bytes - at));
        if (!send_piece(GeneratedBytes(at, n), at == 0)) return false;
      }
      break;
    case Body::kEndless:
      for (uint64_t at = 0; !stopping_; at += piece) {
        if (!send_piece(GeneratedBytes(at, piece), at == 0)) return false;
      }
      return false;
    case Body::kStalled:
      if (!send_piece(answer.body, true)) return false;
      WaitForClientToLeave(fd);
      return false;
  }
  if (answer.chunked) return SendAll(fd, "0\r\n\r\n");
  return true;
}

bool HttpServer::SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    if (stopping_) return false;
    ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool HttpServer::Pause(std::chrono::milliseconds duration) {
  std::unique_lock<std::mutex> lock(stop_mu_);
  return !stop_cv_.wait_for(lock, duration, [this] { return stopping_.load(); });
}

void HttpServer::WaitForClientToLeave(int fd) {
  char sink[4096];
  while (!stopping_) {
    pollfd p{fd, POLLIN, 0};
    int ready = poll(&p, 1, 100);
    if (ready < 0 && errno != EINTR) return;
    if (ready > 0) {
      if (p.revents & (POLLERR | POLLNVAL)) return;
      if (recv(fd, sink, sizeof sink, 0) <= 0) return;
    }
  }
}

}  // namespace ostrel::testing
