// CivetSink: a page's response written to its civetweb connection. The
// status and headers go out with the first flush, each later flush as one
// chunk of a chunked body, so a long page (a gathering run's progress) shows
// as it is written; Finish writes the closing chunk.
#pragma once

#include <string_view>

#include "platform/asp/response_sink.h"

struct mg_connection;

namespace ostrel::host {

class CivetSink : public asp::ResponseSink {
 public:
  // send_body false: a HEAD request, answered with the head alone.
  CivetSink(mg_connection* conn, bool send_body) : conn_(conn), send_body_(send_body) {}

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
  bool connected_ = true;  // false once a write has failed: the browser left
};

}  // namespace ostrel::host
