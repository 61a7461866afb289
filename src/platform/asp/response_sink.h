// ResponseSink: where a Response sends its bytes. The web host implements it
// over its connection; tests implement it in memory (memory_sink.h).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel::asp {

struct ResponseHead {
  std::string status = "200 OK";  // code and reason, as Response.Status
  // Content-Type first, then the headers the page added, in order.
  std::vector<std::pair<std::string, std::string>> headers;
};

class ResponseSink {
 public:
  virtual ~ResponseSink() = default;
  // The status and headers; called once, before the first body bytes.
  virtual void SendHead(const ResponseHead& head) = 0;
  // One chunk of the body, in the page's code page.
  virtual void SendBody(std::string_view bytes) = 0;
  // The last chunk: the response has ended and nothing follows, so a sink
  // may close the body with it, and keep the bytes without a copy.
  virtual void SendLastBody(std::string bytes) { SendBody(bytes); }
  // False once the browser has gone away.
  virtual bool IsConnected() const = 0;
};

}  // namespace ostrel::asp
