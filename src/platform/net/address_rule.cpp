#include "platform/net/address_rule.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace ostrel::net {

namespace {

using Clock = std::chrono::steady_clock;

// Interfaces rarely change while the host runs; a new address is seen
// within this time.
constexpr auto kOwnAddressesFor = std::chrono::seconds(10);

// An address as 16 bytes: IPv6 as it is, IPv4 as ::ffff:a.b.c.d.
using Address = std::array<uint8_t, 16>;

bool Parse(std::string_view ip, Address* out) {
  std::string text(ip);
  // A scoped IPv6 address ("fe80::1%eth0") keeps its scope after "%".
  if (size_t scope = text.find('%'); scope != std::string::npos) text.resize(scope);
  in_addr v4{};
  if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
    out->fill(0);
    (*out)[10] = 0xFF;
    (*out)[11] = 0xFF;
    std::memcpy(out->data() + 12, &v4, 4);
    return true;
  }
  in6_addr v6{};
  if (inet_pton(AF_INET6, text.c_str(), &v6) != 1) return false;
  std::memcpy(out->data(), &v6, 16);
  return true;
}

bool IsPrivateV4(const uint8_t* a) {
  return a[0] == 0 ||                             // "this network", unspecified
         a[0] == 10 ||                            // private
         a[0] == 127 ||                           // loopback
         (a[0] == 100 && (a[1] & 0xC0) == 64) ||  // shared (carrier-grade NAT)
         (a[0] == 169 && a[1] == 254) ||          // link-local
         (a[0] == 172 && (a[1] & 0xF0) == 16) ||  // private
         (a[0] == 192 && a[1] == 168) ||          // private
         a[0] >= 224;                             // multicast, reserved, broadcast
}

bool IsPrivateV6(const Address& a) {
  static constexpr uint8_t kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  static constexpr uint8_t kNat64[12] = {0, 0x64, 0xFF, 0x9B, 0, 0, 0, 0, 0, 0, 0, 0};
  if (std::memcmp(a.data(), kMapped, 12) == 0 || std::memcmp(a.data(), kNat64, 12) == 0) {
    return IsPrivateV4(a.data() + 12);
  }
  // "::" and "::1", and the old IPv4-compatible form ::a.b.c.d.
  if (std::all_of(a.begin(), a.begin() + 12, [](uint8_t b) { return b == 0; })) return true;
  return (a[0] & 0xFE) == 0xFC ||                    // unique local fc00::/7
         (a[0] == 0xFE && (a[1] & 0xC0) == 0x80) ||  // link-local fe80::/10
         (a[0] == 0xFE && (a[1] & 0xC0) == 0xC0) ||  // old site-local fec0::/10
         a[0] == 0xFF;                               // multicast
}

struct OwnAddresses {
  std::mutex mu;
  std::vector<Address> list;
  Clock::time_point read;
  bool ever_read = false;

  bool Holds(const Address& address) {
    std::lock_guard<std::mutex> lock(mu);
    if (!ever_read || Clock::now() - read > kOwnAddressesFor) Refresh();
    return std::find(list.begin(), list.end(), address) != list.end();
  }

  void Refresh() {
    list.clear();
    ever_read = true;
    read = Clock::now();
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0) return;
    for (ifaddrs* i = all; i != nullptr; i = i->ifa_next) {
      if (i->ifa_addr == nullptr) continue;
      char text[INET6_ADDRSTRLEN] = "";
      if (i->ifa_addr->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr, text,
                  sizeof text);
      } else if (i->ifa_addr->sa_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(i->ifa_addr)->sin6_addr, text,
                  sizeof text);
      }
      Address address{};
      if (Parse(text, &address)) list.push_back(address);
    }
    freeifaddrs(all);
  }
};

OwnAddresses& Own() {
  static auto* own = new OwnAddresses;  // never destroyed: fetches may run at exit
  return *own;
}

struct PublicForTesting {
  std::mutex mu;
  std::vector<std::string> endpoints;
};

PublicForTesting& Testing() {
  static auto* testing = new PublicForTesting;
  return *testing;
}

bool NamedPublicForTesting(std::string_view ip, int port) {
  PublicForTesting& t = Testing();
  std::lock_guard<std::mutex> lock(t.mu);
  if (t.endpoints.empty()) return false;
  std::string endpoint = std::string(ip) + ":" + std::to_string(port);
  return std::find(t.endpoints.begin(), t.endpoints.end(), endpoint) != t.endpoints.end();
}

}  // namespace

bool IsPrivateAddress(std::string_view ip, int port) {
  Address address{};
  if (!Parse(ip, &address)) return true;
  if (NamedPublicForTesting(ip, port)) return false;
  return IsPrivateV6(address) || Own().Holds(address);
}

void SetPublicEndpointsForTesting(std::vector<std::string> endpoints) {
  PublicForTesting& t = Testing();
  std::lock_guard<std::mutex> lock(t.mu);
  t.endpoints = std::move(endpoints);
}

}  // namespace ostrel::net
