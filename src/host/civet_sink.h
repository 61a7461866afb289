// CivetSink: a page's response written to its civetweb connection. The
// status and headers go out with the first flush, each flush as one chunk
// of a chunked body, so a long page (a gathering run's progress) shows as it
// is written; Finish writes the closing chunk. Each flush is one write to
// the socket (head and chunk together): with Nagle's delay off, every write
// is a packet of its own.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/asp/response_sink.h"

struct mg_connection;

namespace ostrel::host {

class CivetSink : public asp::ResponseSink {
 public:
  // send_body false: a HEAD request, answered with the head alone.
  CivetSink(mg_connection* conn, bool send_body) : conn_(conn), send_body_(send_body) {}

  // The session id the head's Set-Cookie carries; "" sends none. Takes
  // effect when the head goes out, so a page may change it (a login gives
  // the browser a new session) until its first flush.
  void SetSessionCookie(std::string id) { session_cookie_ = std::move(id); }
  // Makes the head tell the browser to forget its session cookie (a log-out).
  void ClearSessionCookie() { clear_cookie_ = true; }

  void SendHead(const asp::ResponseHead& head) override;
  void SendBody(std::string_view bytes) override;
  bool IsConnected() const override { return connected_; }

  // Ends the body; call once, after the response has sent its head.
  void Finish();
  bool head_sent() const { return head_sent_; }

 private:
  mg_connection* conn_;
  bool send_body_;
  bool head_sent_ = false;
  void Send();  // writes pending_

  bool connected_ = true;  // false once a write has failed: the browser left
  std::string session_cookie_;
  bool clear_cookie_ = false;
  std::string pending_;  // the head until the first chunk joins it
};

}  // namespace ostrel::host
