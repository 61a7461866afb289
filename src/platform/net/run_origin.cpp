#include "platform/net/run_origin.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <utility>

#include "platform/net/address_rule.h"
#include "platform/net/curl_common.h"

namespace ostrel::net {

namespace {

thread_local RunOrigin* current = nullptr;

// The host and port of url as a fetch of it would reach them ("" when url
// is none).
bool HostAndPort(const std::string& url, std::string* host, int* port) {
  EnsureCurl();
  CURLU* parsed = curl_url();
  bool ok = curl_url_set(parsed, CURLUPART_URL, EncodeUrl(url).c_str(), 0) == CURLUE_OK;
  char* h = nullptr;
  char* p = nullptr;
  ok = ok && curl_url_get(parsed, CURLUPART_HOST, &h, 0) == CURLUE_OK &&
       curl_url_get(parsed, CURLUPART_PORT, &p, CURLU_DEFAULT_PORT) == CURLUE_OK;
  if (ok) {
    *host = h;
    if (host->size() > 1 && host->front() == '[') *host = host->substr(1, host->size() - 2);
    *port = std::atoi(p);
  }
  curl_free(h);
  curl_free(p);
  curl_url_cleanup(parsed);
  return ok && !host->empty();
}

}  // namespace

RunOrigin::RunOrigin(std::function<std::string()> list_address)
    : list_address_(std::move(list_address)), outer_(current) {
  current = this;
}

RunOrigin::RunOrigin(Decided decided) : private_list_(decided.admits_private), outer_(current) {
  current = this;
}

RunOrigin::~RunOrigin() { current = outer_; }

bool RunOrigin::AdmitsPrivate() {
  RunOrigin* origin = current;
  if (origin == nullptr) return true;
  if (!origin->private_list_) origin->private_list_ = IsPrivateUrl(origin->list_address_());
  return *origin->private_list_;
}

bool IsPrivateUrl(const std::string& url) {
  std::string host;
  int port = 0;
  if (!HostAndPort(url, &host, &port)) return false;
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return false;
  bool every = found != nullptr;
  for (addrinfo* a = found; a != nullptr && every; a = a->ai_next) {
    char ip[INET6_ADDRSTRLEN] = "";
    if (a->ai_family == AF_INET) {
      inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr, ip, sizeof ip);
    } else if (a->ai_family == AF_INET6) {
      inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(a->ai_addr)->sin6_addr, ip, sizeof ip);
    }
    every = IsPrivateAddress(ip, port);
  }
  freeaddrinfo(found);
  return every;
}

}  // namespace ostrel::net
