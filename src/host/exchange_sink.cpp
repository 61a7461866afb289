#include "host/exchange_sink.h"

#include <string>
#include <utility>

#include "host/host_page.h"

namespace ostrel::host {

namespace {

// "302 Object moved" -> 302. Response.Status always starts with three digits.
int StatusCode(const std::string& status) {
  int code = 0;
  for (size_t i = 0; i < 3 && i < status.size(); ++i) code = code * 10 + (status[i] - '0');
  return code;
}

}  // namespace

void ExchangeSink::SendHead(const asp::ResponseHead& head) {
  if (head_sent_) return;
  head_sent_ = true;
  HeaderList headers = head.headers;
  // Strict: a request that another site makes the browser send carries no
  // session, so it reaches the admin pages logged out.
  if (!session_cookie_.empty()) {
    headers.emplace_back("Set-Cookie", std::string(kSessionCookie) + "=" + session_cookie_ +
                                           "; path=/; HttpOnly; SameSite=Strict");
  } else if (clear_cookie_) {
    headers.emplace_back("Set-Cookie", std::string(kSessionCookie) +
                                           "=; path=/; HttpOnly; SameSite=Strict; Max-Age=0");
  }
  exchange_->Begin(StatusCode(head.status), headers);
}

void ExchangeSink::SendBody(std::string_view bytes) {
  // An empty chunk would end the body.
  if (!bytes.empty()) exchange_->Write(bytes);
}

void ExchangeSink::SendLastBody(std::string bytes) { exchange_->End(std::move(bytes)); }

void ExchangeSink::Finish() { exchange_->End(); }

}  // namespace ostrel::host
