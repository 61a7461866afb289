// ExchangeSink: a page's response handed to its request's HttpExchange. The
// status and headers go out with the first flush, each flush as one chunk
// of a chunked body, so a long page (a gathering run's progress) shows as it
// is written; Finish ends the body.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "host/http_exchange.h"
#include "platform/asp/response_sink.h"

namespace ostrel::host {

class ExchangeSink : public asp::ResponseSink {
 public:
  explicit ExchangeSink(std::shared_ptr<HttpExchange> exchange) : exchange_(std::move(exchange)) {}

  // The session id the head's Set-Cookie carries; "" sends none. Takes
  // effect when the head goes out, so a page may change it (a login gives
  // the browser a new session) until its first flush.
  void SetSessionCookie(std::string id) { session_cookie_ = std::move(id); }
  // Makes the head tell the browser to forget its session cookie (a log-out).
  void ClearSessionCookie() { clear_cookie_ = true; }

  void SendHead(const asp::ResponseHead& head) override;
  void SendBody(std::string_view bytes) override;
  void SendLastBody(std::string bytes) override;
  bool IsConnected() const override { return !exchange_->gone(); }

  // Ends the body; call once, after the response has sent its head.
  void Finish();
  bool head_sent() const { return head_sent_; }

 private:
  std::shared_ptr<HttpExchange> exchange_;
  bool head_sent_ = false;
  std::string session_cookie_;
  bool clear_cookie_ = false;
};

}  // namespace ostrel::host
