// Request: what the browser sent with one page request. Values are text in
// UTF-8, decoded from the page's code page (936 unless the host says
// otherwise), since browsers send form and query text in the code page of the
// page that holds the form or link.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/asp/request_collection.h"
#include "platform/vb/variant.h"

namespace ostrel::asp {

// The raw parts of a request, as the web host receives them.
struct RequestInput {
  std::string code_page = "GB2312";
  std::string query_string;   // after "?", still percent-encoded
  std::string form;           // an application/x-www-form-urlencoded body, or ""
  std::string cookie_header;  // the Cookie header as sent
  // REQUEST_METHOD, SCRIPT_NAME, QUERY_STRING, HTTP_REFERER ... as UTF-8 text.
  std::vector<std::pair<std::string, std::string>> server_variables;
};

class Request {
 public:
  Request() : Request(RequestInput{}) {}
  explicit Request(const RequestInput& input);

  // Request(key): the first of QueryString, Form, Cookies and ServerVariables
  // that has the key; Empty when none has it.
  vb::Variant Item(std::string_view key) const;
  // The value by which a page chooses what a request does (its "action",
  // its "change"): the first of QueryString and Form that has the key, never
  // a cookie. The host's cross-site check judges a request by this same
  // value before the page runs, so a value planted in a cookie by another
  // site neither slips past the check nor reaches the page.
  vb::Variant Command(std::string_view key) const;

  const RequestCollection& QueryString() const { return query_string_; }
  const RequestCollection& Form() const { return form_; }
  const RequestCollection& Cookies() const { return cookies_; }
  const RequestCollection& ServerVariables() const { return server_variables_; }
  const std::string& code_page() const { return code_page_; }

 private:
  std::string code_page_;
  RequestCollection query_string_;
  RequestCollection form_;
  RequestCollection cookies_;
  RequestCollection server_variables_;
};

}  // namespace ostrel::asp
