// XmlHttp: the request object the component fetches remote pages and files
// with (the MSXML2.XMLHTTP members it uses), over libcurl.
//
//   XmlHttp http;
//   http.open("GET", url, false);
//   http.setRequestHeader("Referer", url);
//   http.send();
//   if (http.readyState() == 4 && http.status() <= 300) body = http.responseBody();
//
// Requests are synchronous: send returns when the answer is complete (an
// asynchronous open behaves the same, which polling code cannot tell apart).
// Only http and https are fetched, redirects included; redirects are
// followed (at most 10) and status and headers are those of the final
// answer. The connect time-out, the idle time-out, the overall deadline, the
// body cap and the private-address switch come from the process-wide
// FetchLimits (the first two and the cap can be changed per object), and
// every transfer carries the guards of PrepareRemoteHandle: no private
// address unless allowed, never a public site leading to a private one, and
// the end of every transfer when the host stops. Connections are kept for
// the next request to the same site (RemoteHandle). No Accept-Encoding is
// sent, so bodies arrive as the server holds them.
//
// A transport failure (no such host, refused connection, time-out, a body
// over the cap, a redirect to another protocol, a refused address, a stop)
// makes send raise a VbError
// with a NetError number and a description naming the URL and the cause;
// readyState then stays 1. Reading the answer before a completed send raises
// kErrNotReady.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/net/fetch_limits.h"

namespace ostrel::net {

class XmlHttp {
 public:
  XmlHttp();

  // Prepares a request. Methods: GET, HEAD, POST (any case). The URL must be
  // absolute, http:// or https://; blanks and bytes above 0x7F in its path
  // are percent-encoded. Anything else raises a VbError. Clears the headers
  // and the answer of an earlier request.
  void open(std::string_view method, std::string_view url, bool async = false);
  // Adds a request header (a second call with the same name replaces it).
  void setRequestHeader(std::string_view name, std::string_view value);
  // Sends the request with an optional body (for POST) and waits for the
  // answer.
  void send(std::string_view body = "");

  // 0 before open, 1 after open, 4 after a completed send.
  int32_t readyState() const { return ready_state_; }
  int32_t status() const;
  std::string statusText() const;
  // The value of a header of the final answer, found without regard to case
  // (several headers of one name joined with ", "); "" when absent.
  std::string getResponseHeader(std::string_view name) const;
  // Every header of the final answer, "Name: value" lines ending in CRLF.
  std::string getAllResponseHeaders() const;
  // The body bytes as received.
  const std::string& responseBody() const;
  // The body decoded with the charset of Content-Type, else as UTF-8.
  std::string responseText() const;

  // This object's limits (initially the process-wide ones).
  void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds idle);
  void SetMaxBodyBytes(uint64_t bytes);
  const FetchLimits& limits() const { return limits_; }

 private:
  struct Transfer;  // the state libcurl's callbacks fill

  void RequireAnswer() const;

  FetchLimits limits_;
  int32_t ready_state_ = 0;
  std::string method_;
  std::string url_;
  std::vector<std::pair<std::string, std::string>> request_headers_;

  int32_t status_ = 0;
  std::string status_text_;
  std::vector<std::pair<std::string, std::string>> response_headers_;
  std::string body_;
};

}  // namespace ostrel::net
