#include "host/cross_site.h"

#include <algorithm>
#include <cctype>

#include "host/page_runner.h"
#include "platform/asp/request.h"
#include "platform/vb/ascii_case.h"
#include "platform/vb/convert.h"

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

std::string Item(const asp::Request& request, std::string_view key) {
  return vb::LowerAscii(Trim(vb::CStr(request.Command(key))));
}

// "http://127.0.0.1:8080/admin/x.asp" -> "http://127.0.0.1:8080" (lower case).
std::string OriginOf(std::string_view url) {
  size_t scheme_end = url.find("://");
  if (scheme_end == std::string_view::npos) return "";
  size_t path = url.find_first_of("/?#", scheme_end + 3);
  return vb::LowerAscii(url.substr(0, path));
}

}  // namespace

RequestTraits TraitsOf(std::string_view method, std::string_view query, std::string_view form,
                       std::string_view charset) {
  asp::RequestInput input;
  input.code_page = std::string(charset);
  input.query_string = std::string(query);
  input.form = std::string(form);
  const asp::Request request(input);
  std::string channel = Item(request, "ChannelID");
  if (channel.empty() || channel.size() > 9 ||
      !std::all_of(channel.begin(), channel.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    channel.clear();
  }
  return RequestTraits{method, Item(request, "action"), Item(request, "change"),
                       std::move(channel)};
}

bool ChangesState(const RequestTraits& request, const std::vector<std::string>& changing_actions) {
  if (request.method != "GET") return true;
  if (request.change == "yes") return true;
  if (std::find(changing_actions.begin(), changing_actions.end(), "*") != changing_actions.end()) {
    return true;
  }
  return std::find(changing_actions.begin(), changing_actions.end(), request.action) !=
         changing_actions.end();
}

std::string RefusalMessage(std::string_view page_path, const RequestTraits& request) {
  std::string back(page_path);
  if (!request.channel.empty()) back += "?ChannelID=" + request.channel;
  return std::string(kRefusedMessage) + "<br>\r\n请从<a href=\"" + back +
         "\" id=\"RefusedBack\">该操作所属的管理页面</a>重新发起这个操作。";
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
