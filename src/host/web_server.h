// WebServer: ostrel-host's HTTP side. Its connections are read on one
// event-driven thread until a request is complete, with the deadlines and
// bounds of connection_loop.h; then a worker thread answers it: sends a
// redirect or a static file, or runs its page (http_exchange.h) through
// the PagePool, on a page stack of full size. Routes: a
// registered redirect (the site's "/" to the admin folder), a host page
// (only the registered ones: any other .asp path is 404), else a static
// file of the site tree (see static_files.h).
//
// Every page request passes the same road before its page runs: HEAD never
// runs a page; a request that changes state (PageOptions) is refused unless
// it comes from this host's own pages (cross_site.h); a page that fetches
// from remote sites waits for its share of the page stacks, and gets the
// busy page when none frees up in time.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/connection_loop.h"
#include "host/host_page.h"
#include "host/http_exchange.h"
#include "host/page_pool.h"
#include "host/page_runner.h"
#include "host/request_body.h"
#include "host/static_files.h"

namespace ostrel::host {

// The connections' deadlines and bounds are those of the loop
// (connection_loop.h): connections_per_address, max_connections, workers,
// header_timeout, write_deadline and body.
struct ServerSettings : LoopSettings {
  std::string listen = "127.0.0.1:8080";  // ADDR:PORT; port 0 picks a free one
  // Pages running at once (PagePool's page stacks), and how many of them
  // may be pages that fetch from remote sites (0: half).
  int threads = 32;
  int remote_share = 0;
  // How long a remote page waits for its share of the page stacks.
  std::chrono::milliseconds share_wait{10'000};
  PageSettings pages;
  // Native paths never served even when inside the site root.
  std::vector<std::string> private_files;
  // Read-only folders served beneath the site root, for what it lacks (the
  // shipped style sheets and scripts).
  std::vector<std::string> asset_roots;
};

// How the host's road treats a page's requests.
struct PageOptions {
  // Without a logged-in session the request is sent to the login page.
  bool needs_login = false;
  // The values of "action" (lower case) whose requests change state; they,
  // every POST and every change=yes pass the cross-site check.
  std::vector<std::string> changing_actions;
  // The values of "action" whose requests fetch from remote sites; they run
  // within the remote share of the page threads.
  std::vector<std::string> remote_actions;
};

class WebServer {
 public:
  explicit WebServer(ServerSettings settings);
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Registers a host page at a virtual path ("/admin/Admin_Login.asp"),
  // matched without regard to case. Before Start only.
  void AddPage(const std::string& path, PageFunction page, PageOptions options);
  void AddPage(const std::string& path, PageFunction page, bool needs_login) {
    AddPage(path, std::move(page), PageOptions{needs_login, {}, {}});
  }
  // Answers a request for the path (matched without regard to case) with a
  // 302 to target. Before Start only.
  void AddRedirect(const std::string& path, std::string target);

  // Starts listening. False, with the reason in *error, when it cannot.
  bool Start(std::string* error);
  void Stop();
  // The port listened on (the chosen one when the address asked for 0),
  // known before any request is read.
  int port() const { return port_; }
  // The bound on all connections in force (after Start).
  int connection_cap() const { return loop_ ? loop_->connection_cap() : 0; }

  PageRunner& pages() { return runner_; }

 private:
  struct Page {
    std::string path;  // as registered
    PageFunction function;
    PageOptions options;
  };

  // The request on exchange, its header complete and its body read.
  void Route(const std::shared_ptr<HttpExchange>& exchange);
  void ServePage(const std::shared_ptr<HttpExchange>& exchange, const Page& page);
  void ServeStatic(HttpExchange& exchange);

  ServerSettings settings_;
  PageRunner runner_;
  PagePool pool_;
  std::unique_ptr<ConnectionLoop> loop_;
  StaticFiles files_;
  std::map<std::string, Page> pages_;             // keyed by lower-cased path
  std::map<std::string, std::string> redirects_;  // lower-cased path -> target
  int port_ = 0;
};

}  // namespace ostrel::host
