// The host's one cross-site rule. A page of another site can make the
// administrator's browser send any request to the host, cookie included: a
// link, an image, a form posted by script. So a request that changes state
// runs only when it comes from this host's own pages, which the browser
// tells by the Origin header, or failing that the Referer (the admin pages
// send "Referrer-Policy: same-origin", so their requests carry one).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostrel::host {

// What of a page request the rule looks at.
struct RequestTraits {
  std::string_view method;  // "GET", "POST"
  std::string action;       // the request's "action" (Request::Command), trimmed, lower case
  std::string change;       // likewise "change"
  std::string channel;      // its ChannelID when that is a whole number, else ""
};

// The request's traits, read from the query string and the urlencoded form
// body decoded from the pages' charset through Request::Command: the very
// lookup by which the pages choose what to do, cookies left out.
RequestTraits TraitsOf(std::string_view method, std::string_view query, std::string_view form,
                       std::string_view charset);

// True when the request changes state: any POST, an action of the page's
// changing_actions, or change=yes (the editor's saves). An entry "*" makes
// every request of the page one that changes state (the logout).
bool ChangesState(const RequestTraits& request, const std::vector<std::string>& changing_actions);

// The message of the refusal page (HTML): the request did nothing, and the
// link to the page the action belongs to (page_path, in the request's
// channel: a channel page's item list), from where the action is started.
std::string RefusalMessage(std::string_view page_path, const RequestTraits& request);

// True when origin (the Origin header, "" when absent), or failing that
// referer, names the scheme and authority of host (the Host header).
bool FromThisHost(std::string_view origin, std::string_view referer, std::string_view host,
                  bool https);

}  // namespace ostrel::host
