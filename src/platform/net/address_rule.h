// Which addresses a remote fetch may reach. A gathered page or picture link
// is chosen by a remote site, so without this rule a link (or a redirect, or
// a name that resolves differently the second time) would let any web page
// read through the host what only the host can reach: its loopback services,
// the private network behind it, the cloud's metadata address.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostrel::net {

// True for an address a remote fetch must not reach by default: loopback,
// private (10/8, 172.16/12, 192.168/16, the shared 100.64/10, IPv6 unique
// local fc00::/7), link-local, unspecified, multicast and broadcast, the
// host's own interface addresses, and an IPv4 address written as IPv6
// (::ffff:a.b.c.d, 64:ff9b::a.b.c.d) that is one of these. `ip` is the
// numeric form ("10.0.0.1", "::1"); a text that is no address counts as
// private. `port` only matters to the test hook below.
bool IsPrivateAddress(std::string_view ip, int port = 0);

// Tests only: the fixture servers all live on 127.0.0.1, so a test of the
// rule "a public address never redirects to a private one" names one of them
// ("127.0.0.1:8080") to stand for a public site. An empty list ends it.
void SetPublicEndpointsForTesting(std::vector<std::string> endpoints);

}  // namespace ostrel::net
