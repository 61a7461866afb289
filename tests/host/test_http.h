// Small helpers of the host's tests: a temporary folder and an HTTP/1.1
// client over a real socket to 127.0.0.1 that reads chunked bodies chunk by
// chunk, so a test can see what the host sent before a page ended.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "host/host_config.h"
#include "host/web_server.h"

namespace ostrel::host::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string Path(std::string_view relative) const { return path_ + "/" + std::string(relative); }
  // Writes a file, making its folders.
  void Write(std::string_view relative, std::string_view bytes) const;
  bool Exists(std::string_view relative) const;
  std::string Read(std::string_view relative) const;

 private:
  std::string path_;
};

// The configuration of a host whose data folder is root (its databases and
// site tree there), with the schema and the shipped site of the source tree.
HostConfig HostConfigIn(const TempFolder& root);

// A started host of the admin pages over config's databases, with the
// admin password "Pass"; null (with a test failure) when it cannot start.
std::unique_ptr<WebServer> StartAdminHost(const HostConfig& config, const ServerSettings& settings);

struct HttpHead {
  int status = 0;
  std::vector<std::pair<std::string, std::string>> headers;
  // The first value of a header (name without regard to case); "" if none.
  std::string Header(std::string_view name) const;
  bool chunked() const;
};

struct HttpResult {
  HttpHead head;
  std::string body;
  int status() const { return head.status; }
  std::string Header(std::string_view name) const { return head.Header(name); }
};

// One keep-alive connection to 127.0.0.1:port, from the loopback address
// `from` (another one, 127.0.0.2, is another client address). Reads fail the
// test (and return what they have) after 30 seconds without data, so a host
// that never answers cannot hang the suite. receive_buffer: a small
// socket receive buffer, for a client that reads little or nothing.
class HttpConnection {
 public:
  explicit HttpConnection(int port, const char* from = "127.0.0.1", int receive_buffer = 0);
  ~HttpConnection();
  HttpConnection(const HttpConnection&) = delete;
  HttpConnection& operator=(const HttpConnection&) = delete;

  void Send(std::string_view bytes);
  // Sends a request; extra_headers are whole lines without CRLF.
  void SendRequest(std::string_view method, std::string_view target,
                   const std::vector<std::string>& extra_headers = {}, std::string_view body = "");
  HttpHead ReadHead();
  // The next chunk of a chunked body; "" for the closing chunk.
  std::string ReadChunk();
  // The whole body after ReadHead (chunked or by Content-Length).
  std::string ReadBody(const HttpHead& head, bool head_request = false);
  // True when the host has closed the connection and nothing more is to be
  // read (waits up to the read timeout for either).
  bool Closed();
  // True when the host has closed the connection by now (does not wait).
  bool ClosedNow();
  // A request and its whole answer.
  HttpResult Fetch(std::string_view method, std::string_view target,
                   const std::vector<std::string>& extra_headers = {}, std::string_view body = "");

 private:
  std::string ReadLine();
  std::string ReadExactly(size_t n);
  bool Fill();

  int fd_ = -1;
  std::string buffer_;
};

// A socket on 127.0.0.1 that takes connections and never says a word: a
// TLS handshake with it waits until the fetch's connect deadline.
class SilentSite {
 public:
  SilentSite();
  ~SilentSite();
  SilentSite(const SilentSite&) = delete;
  SilentSite& operator=(const SilentSite&) = delete;
  // "https://127.0.0.1:PORT" followed by path.
  std::string Url(std::string_view path) const;

 private:
  int fd_ = -1;
  int port_ = 0;
};

// The header a page of this host adds to the requests it makes (the test
// client says "Host: 127.0.0.1"): without it a request that changes state
// is refused as coming from another site.
inline constexpr char kOwnOrigin[] = "Origin: http://127.0.0.1";

// A request on a new connection.
HttpResult Fetch(int port, std::string_view method, std::string_view target,
                 const std::vector<std::string>& extra_headers = {}, std::string_view body = "");

// Waits (boundedly) until cond holds; false when it never did.
template <class F>
bool Eventually(F cond) {
  for (int i = 0; i < 20000; ++i) {
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return cond();
}

// "ASPSESSIONID=XYZ; path=/..." -> "XYZ"; "" when the answer set no session.
std::string SessionIdOf(const HttpResult& result);

}  // namespace ostrel::host::test
