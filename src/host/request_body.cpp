#include "host/request_body.h"

#include <arpa/inet.h>
#include <civetweb.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace ostrel::host {

namespace {

bool PortAndAddress(const sockaddr_storage& address, int* port, std::string* text) {
  char buffer[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto& in4 = reinterpret_cast<const sockaddr_in&>(address);
    *port = ntohs(in4.sin_port);
    inet_ntop(AF_INET, &in4.sin_addr, buffer, sizeof(buffer));
  } else if (address.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
    *port = ntohs(in6.sin6_port);
    inet_ntop(AF_INET6, &in6.sin6_addr, buffer, sizeof(buffer));
  } else {
    return false;
  }
  *text = buffer;
  return true;
}

// The socket of the connection, found among the process's descriptors by
// its two ends; -1 when none matches. civetweb does not hand it out, and
// only with it can the reader ask how much of the body has arrived, so
// that no read waits for bytes that a slow client has not sent.
int SocketOf(mg_connection* conn) {
  const mg_request_info* info = mg_get_request_info(conn);
  DIR* folder = ::opendir("/proc/self/fd");
  if (folder == nullptr) return -1;
  int found = -1;
  while (dirent* entry = ::readdir(folder)) {
    int fd = std::atoi(entry->d_name);
    if (entry->d_name[0] == '.' || fd == ::dirfd(folder)) continue;
    sockaddr_storage local{}, peer{};
    socklen_t local_size = sizeof(local), peer_size = sizeof(peer);
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &local_size) != 0 ||
        ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peer_size) != 0) {
      continue;
    }
    int local_port = 0, peer_port = 0;
    std::string local_text, peer_text;
    if (!PortAndAddress(local, &local_port, &local_text) ||
        !PortAndAddress(peer, &peer_port, &peer_text)) {
      continue;
    }
    if (local_port == info->server_port && peer_port == info->remote_port &&
        peer_text == info->remote_addr) {
      found = fd;
      break;
    }
  }
  ::closedir(folder);
  return found;
}

}  // namespace

BodyStatus ReadRequestBody(mg_connection* conn, const BodyLimits& limits, std::string* body) {
  const long long expected = mg_get_request_info(conn)->content_length;
  if (expected > static_cast<long long>(limits.max_bytes)) return BodyStatus::kTooLarge;
  const auto start = std::chrono::steady_clock::now();
  const int fd = expected > 0 ? SocketOf(conn) : -1;
  char buffer[16384];
  for (;;) {
    // Asks only for what has arrived (civetweb first hands out what it read
    // with the header), so a read returns at once or after one byte.
    size_t want = sizeof(buffer);
    if (fd >= 0) {
      int ready = 0;
      if (::ioctl(fd, FIONREAD, &ready) != 0) ready = 0;
      want = std::clamp<size_t>(static_cast<size_t>(ready), 1, sizeof(buffer));
    }
    int n = mg_read(conn, buffer, want);
    if (n <= 0) break;
    body->append(buffer, static_cast<size_t>(n));
    if (body->size() > limits.max_bytes) return BodyStatus::kTooLarge;
    auto allowed =
        limits.grace + std::chrono::milliseconds(body->size() * 1000 / limits.min_bytes_per_second);
    if (std::chrono::steady_clock::now() - start > allowed) return BodyStatus::kTooSlow;
  }
  if (expected >= 0 && static_cast<long long>(body->size()) < expected) {
    // The client stopped sending (civetweb's own silence limit) or left.
    return std::chrono::steady_clock::now() - start > limits.grace ? BodyStatus::kTooSlow
                                                                   : BodyStatus::kIncomplete;
  }
  return BodyStatus::kComplete;
}

}  // namespace ostrel::host
