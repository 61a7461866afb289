// WebServer: ostrel-host's HTTP side over civetweb. Every request is served
// by one worker thread from start to end. Routes: a registered redirect
// (the site's "/" to the admin folder), a host page (only the registered
// ones: any other .asp path is 404), else a static file of the site tree
// (see static_files.h).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/host_page.h"
#include "host/page_runner.h"
#include "host/static_files.h"

struct mg_connection;
struct mg_context;

namespace ostrel::host {

struct ServerSettings {
  std::string listen = "127.0.0.1:8080";  // ADDR:PORT; port 0 picks a free one
  int threads = 32;
  PageSettings pages;
  // Native paths never served even when inside the site root.
  std::vector<std::string> private_files;
};

class WebServer {
 public:
  explicit WebServer(ServerSettings settings);
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Registers a host page at a virtual path ("/admin/Admin_Login.asp"),
  // matched without regard to case. Before Start only.
  void AddPage(const std::string& path, PageFunction page, bool needs_login);
  // Answers a request for the path (matched without regard to case) with a
  // 302 to target. Before Start only.
  void AddRedirect(const std::string& path, std::string target);

  // Starts listening. False, with the reason in *error, when it cannot.
  bool Start(std::string* error);
  void Stop();
  // The port listened on (the chosen one when the address asked for 0).
  int port() const { return port_; }

  PageRunner& pages() { return runner_; }

 private:
  struct Page {
    std::string path;  // as registered
    PageFunction function;
    bool needs_login = false;
  };

  static int OnRequest(mg_connection* conn);
  int Handle(mg_connection* conn);
  int ServeStatic(mg_connection* conn, const std::string& path);
  // Connects to the listening port and lets go at once.
  void WakeListener() const;

  ServerSettings settings_;
  PageRunner runner_;
  StaticFiles files_;
  std::map<std::string, Page> pages_;             // keyed by lower-cased path
  std::map<std::string, std::string> redirects_;  // lower-cased path -> target
  mg_context* context_ = nullptr;
  int port_ = 0;
};

}  // namespace ostrel::host
