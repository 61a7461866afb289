// The fixture server itself: later tests rely on its framing, keep-alive and
// clean shutdown, so these talk to it over raw sockets.
#include "support/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/fixtures.h"
#include "support/temp_dir.h"

using ostrel::testing::FixturePath;
using ostrel::testing::HttpAnswer;
using ostrel::testing::HttpRequest;
using ostrel::testing::HttpServer;
using ostrel::testing::TempDir;

namespace {

// A client socket with a receive time-out, so a broken server fails the test
// instead of hanging it.
class RawClient {
 public:
  explicit RawClient(uint16_t port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    timeval timeout{5, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawClient() { close(fd_); }

  bool connected() const { return connected_; }
  void Send(std::string_view bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  // Reads until the server closes the connection (or the time-out).
  std::string ReadToEnd() {
    std::string all;
    char buffer[4096];
    ssize_t n;
    while ((n = recv(fd_, buffer, sizeof buffer, 0)) > 0) all.append(buffer, n);
    return all;
  }
  // Reads at least `bytes` bytes.
  std::string ReadSome(size_t bytes) {
    std::string all;
    char buffer[4096];
    while (all.size() < bytes) {
      ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      all.append(buffer, n);
    }
    return all;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(HttpServer, KeepAliveServesSeveralRequestsOnOneConnection) {
  HttpServer server;
  server.Route("/a", HttpAnswer::Page("first"));
  server.Route("/b", HttpAnswer::Page("second"));
  RawClient client(server.port());
  ASSERT_TRUE(client.connected());
  client.Send(
      "GET /a HTTP/1.1\r\nHost: x\r\n\r\nGET /b?q=1 HTTP/1.1\r\nHost: x\r\n"
      "Connection: close\r\n\r\n");
  std::string all = client.ReadToEnd();
  EXPECT_EQ(Count(all, "HTTP/1.1 200 OK\r\n"), 2u) << all;
  EXPECT_NE(all.find("Content-Length: 5\r\n\r\nfirst"), std::string::npos) << all;
  EXPECT_NE(all.find("Connection: close\r\nContent-Length: 6\r\n\r\nsecond"), std::string::npos)
      << all;
  EXPECT_EQ(server.ConnectionCount(), 1u);
  std::vector<HttpRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].target, "/b?q=1");
  EXPECT_EQ(requests[1].path, "/b");
  EXPECT_EQ(requests[1].Header("connection"), "close");
}

TEST(HttpServer, HeadAndChunkedFraming) {
  HttpServer server;
  HttpAnswer chunked = HttpAnswer::Page("abcdefg");
  chunked.chunked = true;
  chunked.piece_bytes = 3;
  server.Route("/c", chunked);
  server.Route("/h", HttpAnswer::Page("twelve bytes"));

  RawClient head(server.port());
  head.Send("HEAD /h HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
  std::string answer = head.ReadToEnd();
  EXPECT_NE(answer.find("Content-Length: 12\r\n"), std::string::npos);
  EXPECT_EQ(answer.substr(answer.size() - 4), "\r\n\r\n");  // headers only

  RawClient get(server.port());
  get.Send("GET /c HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
  answer = get.ReadToEnd();
  EXPECT_NE(answer.find("Transfer-Encoding: chunked\r\n"), std::string::npos);
  EXPECT_NE(answer.find("\r\n\r\n3\r\nabc\r\n3\r\ndef\r\n1\r\ng\r\n0\r\n\r\n"), std::string::npos)
      << answer;
}

TEST(HttpServer, HandlersSeeTheRequestAndRoutesPreferTheFullTarget) {
  HttpServer server;
  server.Route("/echo", [](const HttpRequest& request) {
    return HttpAnswer::Page(request.method + " " + request.target + " " + request.body);
  });
  server.Route("/echo?special", HttpAnswer::Page("special"));
  RawClient client(server.port());
  client.Send(
      "POST /echo?x=1 HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\n\r\nbody"
      "GET /echo?special HTTP/1.0\r\n\r\n");
  std::string all = client.ReadToEnd();
  EXPECT_NE(all.find("POST /echo?x=1 body"), std::string::npos) << all;
  EXPECT_NE(all.find("\r\n\r\nspecial"), std::string::npos) << all;
}

TEST(HttpServer, FolderServingStaysInsideItsFolder) {
  TempDir dir;
  dir.Write("site/page.html", "<a href=\"http://{{HOST}}/x.gif\">");
  dir.Write("site/page.html.headers", "Content-Type: text/html; charset=big5\nX-Extra: 1\n");
  dir.Write("site/data.bin", "{{HOST}}");
  dir.Write("secret.txt", "secret");
  HttpServer server;
  server.ServeFolder(dir.path() / "site");

  RawClient page(server.port());
  page.Send("GET /page.html HTTP/1.1\r\nConnection: close\r\n\r\n");
  std::string answer = page.ReadToEnd();
  EXPECT_NE(answer.find("Content-Type: text/html; charset=big5\r\n"), std::string::npos);
  EXPECT_EQ(Count(answer, "Content-Type"), 1u);
  EXPECT_NE(answer.find("X-Extra: 1\r\n"), std::string::npos);
  EXPECT_NE(answer.find("http://" + server.Host() + "/x.gif"), std::string::npos);

  RawClient binary(server.port());
  binary.Send("GET /data.bin HTTP/1.1\r\nConnection: close\r\n\r\n");
  EXPECT_NE(binary.ReadToEnd().find("\r\n\r\n{{HOST}}"), std::string::npos);

  for (const char* target : {"/../secret.txt", "/%2e%2e/secret.txt", "/a/../../secret.txt"}) {
    RawClient escape(server.port());
    escape.Send(std::string("GET ") + target + " HTTP/1.1\r\nConnection: close\r\n\r\n");
    std::string reply = escape.ReadToEnd();
    EXPECT_EQ(reply.substr(0, 22), "HTTP/1.1 404 Not Found") << target;
    EXPECT_EQ(reply.find("secret\r"), std::string::npos);
  }
  EXPECT_FALSE(FixturePath("pages/gb2312.html").empty());
}

TEST(HttpServer, StopEndsHangingClients) {
  auto server = std::make_unique<HttpServer>();
  server->Route("/stalled", HttpAnswer::Stalled());
  server->Route("/endless", HttpAnswer::Endless());
  server->Route("/late", HttpAnswer::Slow("x", std::chrono::hours(1), {}, 1));

  RawClient silent(server->port());  // connects and never asks
  RawClient stalled(server->port());
  stalled.Send("GET /stalled HTTP/1.1\r\n\r\n");
  RawClient endless(server->port());  // asks and never reads
  endless.Send("GET /endless HTTP/1.1\r\n\r\n");
  RawClient late(server->port());
  late.Send("GET /late HTTP/1.1\r\n\r\n");
  EXPECT_NE(stalled.ReadSome(20).find("200 OK"), std::string::npos);
  while (server->RequestCount() < 3) std::this_thread::yield();

  server.reset();  // returns only when every connection thread has ended
  std::string rest = stalled.ReadToEnd();
  EXPECT_EQ(rest.find("HTTP/1.1"), std::string::npos);
  EXPECT_EQ(late.ReadToEnd(), "");
}
