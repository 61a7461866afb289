#include "host/test_http.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/admin_pages.h"

namespace ostrel::host::test {

namespace {

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ostrel-host-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  if (made == nullptr) ADD_FAILURE() << "mkdtemp failed";
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void TempFolder::Write(std::string_view relative, std::string_view bytes) const {
  std::filesystem::path file = Path(relative);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << bytes;
}

bool TempFolder::Exists(std::string_view relative) const {
  return std::filesystem::exists(Path(relative));
}

std::string TempFolder::Read(std::string_view relative) const {
  std::ifstream in(Path(relative), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string HttpHead::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (SameNoCase(key, name)) return value;
  }
  return "";
}

bool HttpHead::chunked() const { return SameNoCase(Header("Transfer-Encoding"), "chunked"); }

HttpConnection::HttpConnection(int port, const char* from, int receive_buffer) {
  fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (receive_buffer > 0) {
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof(receive_buffer));
  }
  timeval timeout{30, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
  sockaddr_in source{};
  source.sin_family = AF_INET;
  ::inet_pton(AF_INET, from, &source.sin_addr);
  ::bind(fd_, reinterpret_cast<sockaddr*>(&source), sizeof(source));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    ADD_FAILURE() << "cannot connect to port " << port;
  }
}

HttpConnection::~HttpConnection() {
  if (fd_ >= 0) ::close(fd_);
}

void HttpConnection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) {
      ADD_FAILURE() << "send failed";
      return;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

void HttpConnection::SendRequest(std::string_view method, std::string_view target,
                                 const std::vector<std::string>& extra_headers,
                                 std::string_view body) {
  std::string request =
      std::string(method) + " " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  for (const std::string& line : extra_headers) request += line + "\r\n";
  if (!body.empty() || method == "POST") {
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  }
  request += "\r\n";
  request += body;
  Send(request);
}

bool HttpConnection::Fill() {
  char chunk[4096];
  ssize_t n = ::recv(fd_, chunk, sizeof(chunk), 0);
  if (n <= 0) return false;
  buffer_.append(chunk, static_cast<size_t>(n));
  return true;
}

std::string HttpConnection::ReadLine() {
  for (;;) {
    size_t end = buffer_.find("\r\n");
    if (end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 2);
      return line;
    }
    if (!Fill()) {
      ADD_FAILURE() << "connection ended or timed out inside a line";
      std::string rest;
      rest.swap(buffer_);
      return rest;
    }
  }
}

std::string HttpConnection::ReadExactly(size_t n) {
  while (buffer_.size() < n) {
    if (!Fill()) {
      ADD_FAILURE() << "connection ended or timed out inside a body";
      break;
    }
  }
  std::string out = buffer_.substr(0, n);
  buffer_.erase(0, out.size());
  return out;
}

bool HttpConnection::Closed() { return buffer_.empty() && !Fill(); }

bool HttpConnection::ClosedNow() {
  char byte;
  return ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

HttpHead HttpConnection::ReadHead() {
  HttpHead head;
  std::string status = ReadLine();
  if (status.size() >= 12) head.status = std::atoi(status.c_str() + 9);
  for (;;) {
    std::string line = ReadLine();
    if (line.empty()) break;
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string value = line.substr(colon + 1);
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
    head.headers.emplace_back(line.substr(0, colon), value);
  }
  return head;
}

std::string HttpConnection::ReadChunk() {
  std::string size_line = ReadLine();
  size_t size = std::strtoul(size_line.c_str(), nullptr, 16);
  std::string data = ReadExactly(size);
  ReadLine();  // the CRLF after the data (or after the last chunk)
  return data;
}

std::string HttpConnection::ReadBody(const HttpHead& head, bool head_request) {
  if (head_request) return "";
  if (head.chunked()) {
    std::string body;
    for (;;) {
      std::string chunk = ReadChunk();
      if (chunk.empty()) return body;
      body += chunk;
    }
  }
  std::string length = head.Header("Content-Length");
  return length.empty() ? "" : ReadExactly(std::strtoul(length.c_str(), nullptr, 10));
}

HttpResult HttpConnection::Fetch(std::string_view method, std::string_view target,
                                 const std::vector<std::string>& extra_headers,
                                 std::string_view body) {
  SendRequest(method, target, extra_headers, body);
  HttpResult result;
  result.head = ReadHead();
  result.body = ReadBody(result.head, method == "HEAD");
  return result;
}

HttpResult Fetch(int port, std::string_view method, std::string_view target,
                 const std::vector<std::string>& extra_headers, std::string_view body) {
  HttpConnection connection(port);
  return connection.Fetch(method, target, extra_headers, body);
}

HostConfig HostConfigIn(const TempFolder& root) {
  HostConfig config;
  config.data_dir = root.path();
  config.schema_dir = std::string(OSTREL_SOURCE_DIR) + "/schema";
  config.gather_db = root.Path("gather.db");
  config.host_db = root.Path("host.db");
  config.site_root = root.Path("site");
  config.asset_root = std::string(OSTREL_SOURCE_DIR) + "/site";
  return config;
}

std::unique_ptr<WebServer> StartAdminHost(const HostConfig& config, const ServerSettings& settings) {
  auto server = std::make_unique<WebServer>(settings);
  AdminSettings admin;
  admin.admin_password = "Pass";
  admin.gather_db = config.gather_db;
  admin.host_db = config.host_db;
  AddAdminPages(*server, admin);
  std::string error;
  if (!server->Start(&error)) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  return server;
}

SilentSite::SilentSite() {
  fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof(address);
  ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size);
  ::listen(fd_, 16);
  ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
  port_ = ntohs(address.sin_port);
}

SilentSite::~SilentSite() { ::close(fd_); }

std::string SilentSite::Url(std::string_view path) const {
  return "https://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::string SessionIdOf(const HttpResult& result) {
  std::string cookie = result.Header("Set-Cookie");
  const std::string prefix = "ASPSESSIONID=";
  if (!cookie.starts_with(prefix)) return "";
  return cookie.substr(prefix.size(), cookie.find(';') - prefix.size());
}

}  // namespace ostrel::host::test
