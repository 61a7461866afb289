// MemorySink: a ResponseSink that keeps what it is sent, for pages run
// without a connection (tests, trial output).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/asp/response_sink.h"

namespace ostrel::asp {

class MemorySink : public ResponseSink {
 public:
  void SendHead(const ResponseHead& head) override;
  void SendBody(std::string_view bytes) override;
  bool IsConnected() const override { return connected; }

  // The body bytes received so far, all chunks together.
  std::string Body() const;
  // The body decoded from the code page into UTF-8.
  std::string Text(std::string_view code_page = "GB2312") const;
  // The value of a header sent with the head ("" when none).
  std::string Header(std::string_view name) const;

  std::optional<ResponseHead> head;
  std::vector<std::string> chunks;
  bool chunk_before_head = false;  // a body chunk arrived before the head
  bool connected = true;           // set false to play a browser that left
};

}  // namespace ostrel::asp
