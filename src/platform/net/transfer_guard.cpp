// The guards every remote transfer carries (PrepareRemoteHandle): the
// overall deadline, the cancellation of every transfer when the host stops,
// and the address rule. Sockets are opened here so that the rule sees the
// address actually connected to, whatever name or redirect led to it, and so
// that a stop can shut every open socket down: a transfer waiting on a
// silent remote then ends at once instead of at its next time-out.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>

#include "platform/net/address_rule.h"
#include "platform/net/curl_common.h"
#include "platform/net/fetch_limits.h"
#include "platform/net/run_origin.h"

namespace ostrel::net {

namespace {

// Connections kept for reuse (see RemoteHandle): at most this many per
// handle, and none reused after this idle time (servers close theirs sooner,
// and a stale one only costs a failed attempt).
constexpr long kConnectionsPerHandle = 4;
constexpr long kIdleConnectionSeconds = 30;

std::atomic<bool> g_cancelled{false};

// Every socket the transfers have open, so a stop can reach them all.
struct OpenSockets {
  std::mutex mu;
  std::set<curl_socket_t> all;
};

OpenSockets& Sockets() {
  static auto* sockets = new OpenSockets;  // never destroyed: sockets close at exit
  return *sockets;
}

// The address rule for one connection of the transfer; records the refusal.
bool Admits(TransferGuard* guard, const char* ip, int port) {
  if (!IsPrivateAddress(ip, port)) {
    guard->reached_public = true;
    return true;
  }
  if (guard->allow_private && !guard->reached_public && RunOrigin::AdmitsPrivate()) return true;
  guard->stopped = TransferGuard::Stop::kRefusedAddress;
  guard->refusal =
      !guard->allow_private ? "remote fetches may not reach the private address "
      : guard->reached_public
          ? "a public site may not lead to the private address "
          : "an item whose list address is public may not lead to the private address ";
  guard->refusal += ip;
  return false;
}

bool Cancelled(TransferGuard* guard) {
  if (!TransfersCancelled()) return false;
  guard->stopped = TransferGuard::Stop::kCancelled;
  return true;
}

curl_socket_t OpenSocket(void* user, curlsocktype purpose, curl_sockaddr* address) {
  auto* guard = static_cast<TransferGuard*>(user);
  if (purpose == CURLSOCKTYPE_IPCXN) {
    char ip[INET6_ADDRSTRLEN] = "";
    int port = 0;
    if (address->family == AF_INET) {
      auto* in = reinterpret_cast<const sockaddr_in*>(&address->addr);
      inet_ntop(AF_INET, &in->sin_addr, ip, sizeof ip);
      port = ntohs(in->sin_port);
    } else if (address->family == AF_INET6) {
      auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address->addr);
      inet_ntop(AF_INET6, &in6->sin6_addr, ip, sizeof ip);
      port = ntohs(in6->sin6_port);
    }
    if (!Admits(guard, ip, port)) return CURL_SOCKET_BAD;
  }
  OpenSockets& sockets = Sockets();
  std::lock_guard<std::mutex> lock(sockets.mu);
  // Checked under the lock that CancelAllTransfers takes, so no socket is
  // opened after the stop has shut the others down.
  if (Cancelled(guard)) return CURL_SOCKET_BAD;
  curl_socket_t fd = socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
  if (fd != CURL_SOCKET_BAD) sockets.all.insert(fd);
  return fd;
}

// Connections outlive the transfer that opened them, so this takes no
// per-transfer data.
int CloseSocket(void* /*user*/, curl_socket_t fd) {
  {
    OpenSockets& sockets = Sockets();
    std::lock_guard<std::mutex> lock(sockets.mu);
    sockets.all.erase(fd);
  }
  return close(fd);
}

int BeforeRequest(void* user, char* remote_ip, char* /*local_ip*/, int remote_port,
                  int /*local_port*/) {
  auto* guard = static_cast<TransferGuard*>(user);
  if (Cancelled(guard) || !Admits(guard, remote_ip, remote_port)) return CURL_PREREQFUNC_ABORT;
  return CURL_PREREQFUNC_OK;
}

int OnProgress(void* user, curl_off_t down_total, curl_off_t down_now, curl_off_t up_total,
               curl_off_t up_now) {
  auto* guard = static_cast<TransferGuard*>(user);
  if (Cancelled(guard)) return 1;
  if (guard->on_progress == nullptr) return 0;
  return guard->on_progress(guard->on_progress_data, down_total, down_now, up_total, up_now);
}

}  // namespace

void PrepareRemoteHandle(CURL* h, const FetchLimits& limits, TransferGuard& guard) {
  guard.allow_private = limits.allow_private;
  guard.reached_public = false;
  guard.stopped = TransferGuard::Stop::kNone;
  guard.refusal.clear();

  // libcurl copies option strings, so a temporary list is enough.
  std::string no_proxy = NoProxyList();
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_NOPROXY, no_proxy.c_str());
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect_timeout.count()));
  if (limits.idle_timeout.count() > 0) {
    long seconds = static_cast<long>((limits.idle_timeout.count() + 999) / 1000);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, seconds);
  }
  if (limits.total_timeout.count() > 0) {
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total_timeout.count()));
  }
  curl_easy_setopt(h, CURLOPT_MAXCONNECTS, kConnectionsPerHandle);
  curl_easy_setopt(h, CURLOPT_MAXAGE_CONN, kIdleConnectionSeconds);

  curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &OpenSocket);
  curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, &guard);
  curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, &CloseSocket);
  curl_easy_setopt(h, CURLOPT_CLOSESOCKETDATA, nullptr);
  curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &BeforeRequest);
  curl_easy_setopt(h, CURLOPT_PREREQDATA, &guard);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &guard);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
}

void CancelAllTransfers() {
  OpenSockets& sockets = Sockets();
  std::lock_guard<std::mutex> lock(sockets.mu);
  g_cancelled.store(true);
  // The descriptors stay open (libcurl closes them); a shut-down socket
  // wakes whoever waits on it.
  for (curl_socket_t fd : sockets.all) shutdown(fd, SHUT_RDWR);
}

bool TransfersCancelled() { return g_cancelled.load(); }

}  // namespace ostrel::net
