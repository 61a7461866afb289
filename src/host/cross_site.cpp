#include "host/cross_site.h"

#include <algorithm>
#include <cctype>

#include "platform/asp/url_encoding.h"
#include "platform/vb/ascii_case.h"

namespace ostrel::host {

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

// The decoded value of key's first occurrence in "a=1&b=2" (key matched
// without regard to case); false when absent.
bool FindValue(std::string_view pairs, std::string_view key, std::string* value) {
  size_t at = 0;
  while (at <= pairs.size()) {
    size_t end = std::min(pairs.find('&', at), pairs.size());
    std::string_view segment = pairs.substr(at, end - at);
    at = end + 1;
    size_t eq = segment.find('=');
    if (vb::LowerAscii(asp::PercentDecode(segment.substr(0, eq))) != vb::LowerAscii(key)) continue;
    *value = eq == std::string_view::npos ? "" : asp::PercentDecode(segment.substr(eq + 1));
    return true;
  }
  return false;
}

std::string Item(std::string_view query, std::string_view form, std::string_view key) {
  std::string value;
  if (!FindValue(query, key, &value)) FindValue(form, key, &value);
  return vb::LowerAscii(Trim(value));
}

// "http://127.0.0.1:8080/admin/x.asp" -> "http://127.0.0.1:8080" (lower case).
std::string OriginOf(std::string_view url) {
  size_t scheme_end = url.find("://");
  if (scheme_end == std::string_view::npos) return "";
  size_t path = url.find_first_of("/?#", scheme_end + 3);
  return vb::LowerAscii(url.substr(0, path));
}

}  // namespace

RequestTraits TraitsOf(std::string_view method, std::string_view query, std::string_view form) {
  return RequestTraits{method, Item(query, form, "action"), Item(query, form, "change")};
}

bool ChangesState(const RequestTraits& request, const std::vector<std::string>& changing_actions) {
  if (request.method != "GET") return true;
  if (request.change == "yes") return true;
  return std::find(changing_actions.begin(), changing_actions.end(), request.action) !=
         changing_actions.end();
}

bool FromThisHost(std::string_view origin, std::string_view referer, std::string_view host,
                  bool https) {
  if (host.empty()) return false;
  std::string own = (https ? "https://" : "http://") + vb::LowerAscii(host);
  // A browser sends "null" for an origin it hides (a sandboxed frame, a
  // redirect across sites): that is never this host.
  if (!origin.empty()) return vb::LowerAscii(origin) == own;
  return !referer.empty() && OriginOf(referer) == own;
}

}  // namespace ostrel::host
