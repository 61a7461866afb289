#include "platform/asp/request.h"

#include "platform/asp/url_encoding.h"
#include "platform/text/charset.h"

namespace ostrel::asp {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// "a=1; b=2": cookie names and values are percent-encoded like form fields.
RequestCollection ParseCookies(std::string_view header, std::string_view code_page) {
  RequestCollection cookies;
  while (!header.empty()) {
    size_t semi = header.find(';');
    std::string_view segment = TrimBlanks(header.substr(0, semi));
    header = semi == std::string_view::npos ? std::string_view() : header.substr(semi + 1);
    if (segment.empty()) continue;
    size_t eq = segment.find('=');
    std::string_view name = TrimBlanks(segment.substr(0, eq));
    std::string_view value =
        eq == std::string_view::npos ? std::string_view() : TrimBlanks(segment.substr(eq + 1));
    cookies.Add(text::Decode(PercentDecode(name), code_page),
                text::Decode(PercentDecode(value), code_page));
  }
  return cookies;
}

}  // namespace

Request::Request(const RequestInput& input)
    : code_page_(input.code_page),
      query_string_(ParseUrlEncoded(input.query_string, input.code_page)),
      form_(ParseUrlEncoded(input.form, input.code_page)),
      cookies_(ParseCookies(input.cookie_header, input.code_page)),
      server_variables_(input.server_variables) {}

vb::Variant Request::Item(std::string_view key) const {
  for (const RequestCollection* collection :
       {&query_string_, &form_, &cookies_, &server_variables_}) {
    if (collection->Contains(key)) return collection->Item(key);
  }
  return vb::Variant();
}

vb::Variant Request::Command(std::string_view key) const {
  if (query_string_.Contains(key)) return query_string_.Item(key);
  if (form_.Contains(key)) return form_.Item(key);
  return vb::Variant();
}

}  // namespace ostrel::asp
