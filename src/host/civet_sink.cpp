#include "host/civet_sink.h"

#include <civetweb.h>

#include <string>

namespace ostrel::host {

namespace {

// "302 Object moved" -> 302. Response.Status always starts with three digits.
int StatusCode(const std::string& status) {
  int code = 0;
  for (size_t i = 0; i < 3 && i < status.size(); ++i) code = code * 10 + (status[i] - '0');
  return code;
}

}  // namespace

void CivetSink::SendHead(const asp::ResponseHead& head) {
  if (head_sent_) return;
  head_sent_ = true;
  mg_response_header_start(conn_, StatusCode(head.status));
  for (const auto& [name, value] : head.headers) {
    mg_response_header_add(conn_, name.c_str(), value.c_str(), static_cast<int>(value.size()));
  }
  mg_response_header_add(conn_, "Transfer-Encoding", "chunked", -1);
  if (mg_response_header_send(conn_) < 0) connected_ = false;
}

void CivetSink::SendBody(std::string_view bytes) {
  // An empty chunk would end the body.
  if (!send_body_ || bytes.empty() || !connected_) return;
  if (mg_send_chunk(conn_, bytes.data(), static_cast<unsigned>(bytes.size())) < 0) {
    connected_ = false;
  }
}

void CivetSink::Finish() {
  if (!send_body_ || !head_sent_ || !connected_) return;
  if (mg_send_chunk(conn_, "", 0) < 0) connected_ = false;
}

}  // namespace ostrel::host
