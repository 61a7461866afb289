// An HTTP/1.1 server inside the test process, on 127.0.0.1 and a port the
// system picks, standing in for the remote sites the component fetches from.
//
//   HttpServer server;
//   server.Route("/list.html", HttpAnswer::Page("<a href=...>"));
//   server.Route("/old", HttpAnswer::Redirect("/list.html", 301));
//   server.ServeFolder(FixturePath("pages"));
//   ... fetch server.Url("/list.html") ...
//   EXPECT_EQ(server.Requests()[0].Header("Referer"), ...);
//
// Each connection has its own thread; keep-alive is honoured unless the
// request or the answer asks for close. A request is looked up by its whole
// target (path and query), then by its path, then in the served folder;
// anything else gets 404. Requests are recorded as they arrive.
//
// Stop() (and the destructor) ends every connection, including clients that
// hang in the middle of an answer, and waits for all threads.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/http_message.h"

namespace ostrel::testing {

using HttpHandler = std::function<HttpAnswer(const HttpRequest&)>;

class HttpServer {
 public:
  // On a port of the system's choice, or on this one (a port in use
  // throws std::runtime_error).
  explicit HttpServer(uint16_t port = 0);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  uint16_t port() const { return port_; }
  // "127.0.0.1:<port>", the host part of every URL of this server.
  std::string Host() const;
  // "http://127.0.0.1:<port>" followed by the path ("/a.html").
  std::string Url(std::string_view path) const;

  // Answers requests for exactly this path (or path and query) with a fixed
  // answer or one computed per request. A later route for the same path
  // replaces the earlier one.
  void Route(std::string path, HttpAnswer answer);
  void Route(std::string path, HttpHandler handler);

  // Serves files of a folder for paths without a route. Text files (.html,
  // .htm, .txt, .css, .js, .xml) have "{{HOST}}" replaced by Host(), so a page
  // can hold absolute links to this server. A file "<name>.headers" beside a
  // file holds extra header lines ("Content-Type: text/html; charset=gb2312")
  // that replace the defaults of the same name.
  void ServeFolder(std::filesystem::path folder);

  std::vector<HttpRequest> Requests() const;
  size_t RequestCount() const;
  // The requests for one path (query ignored).
  std::vector<HttpRequest> RequestsFor(std::string_view path) const;
  void ClearRequests();

  // Number of connections accepted so far (to see keep-alive at work).
  size_t ConnectionCount() const { return connections_accepted_.load(); }

  // Closes the listening socket and every connection, and joins the threads.
  void Stop();

 private:
  struct Connection {
    int fd = -1;
    std::thread thread;
    std::atomic<bool> done{false};
  };

  void AcceptLoop();
  void Serve(Connection* connection);
  HttpAnswer Answer(const HttpRequest& request) const;
  bool AnswerFromFolder(const HttpRequest& request, HttpAnswer* answer) const;
  // Sends one answer; false when the connection must end.
  bool Send(int fd, const HttpRequest& request, const HttpAnswer& answer);
  bool SendBody(int fd, const HttpAnswer& answer);
  bool SendAll(int fd, std::string_view bytes);
  // Sleeps unless the server stops first; false when it stops.
  bool Pause(std::chrono::milliseconds duration);
  void WaitForClientToLeave(int fd);
  void ReapFinished();

  int listen_fd_ = -1;
  int wake_pipe_[2] = {-1, -1};
  uint16_t port_ = 0;
  std::thread acceptor_;

  std::atomic<bool> stopping_{false};
  std::atomic<size_t> connections_accepted_{0};
  std::mutex stop_mu_;
  std::condition_variable stop_cv_;

  mutable std::mutex mu_;  // guards everything below
  std::map<std::string, HttpHandler> routes_;
  std::filesystem::path folder_;
  std::vector<HttpRequest> requests_;
  std::list<std::unique_ptr<Connection>> connections_;
};

}  // namespace ostrel::testing
