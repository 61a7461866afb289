#include "host/civet_sink.h"

#include <civetweb.h>
#include <strings.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "host/host_page.h"

namespace ostrel::host {

namespace {

// "302 Object moved" -> 302. Response.Status always starts with three digits.
int StatusCode(const std::string& status) {
  int code = 0;
  for (size_t i = 0; i < 3 && i < status.size(); ++i) code = code * 10 + (status[i] - '0');
  return code;
}

// True when a comma-separated header value names option (any case).
bool HasOption(std::string_view value, std::string_view option) {
  size_t at = 0;
  while (at <= value.size()) {
    size_t end = value.find(',', at);
    if (end == std::string_view::npos) end = value.size();
    std::string_view part = value.substr(at, end - at);
    while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) part.remove_prefix(1);
    while (!part.empty() && (part.back() == ' ' || part.back() == '\t')) part.remove_suffix(1);
    if (part.size() == option.size() &&
        strncasecmp(part.data(), option.data(), option.size()) == 0) {
      return true;
    }
    at = end + 1;
  }
  return false;
}

// Whether civetweb keeps the connection open after this request: the
// answer's Connection header must say the same.
bool KeepsAlive(mg_connection* conn) {
  const char* connection = mg_get_header(conn, "Connection");
  if (connection != nullptr) return HasOption(connection, "keep-alive");
  const char* version = mg_get_request_info(conn)->http_version;
  return version == nullptr || std::string_view(version) != "1.0";
}

std::string DateHeader() {
  char text[64];
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  std::strftime(text, sizeof(text), "%a, %d %b %Y %H:%M:%S GMT", &tm);
  return text;
}

void AppendChunk(std::string* out, std::string_view bytes) {
  char size[24];
  std::snprintf(size, sizeof(size), "%zx\r\n", bytes.size());
  out->append(size);
  out->append(bytes);
  out->append("\r\n");
}

}  // namespace

void CivetSink::SendHead(const asp::ResponseHead& head) {
  if (head_sent_) return;
  head_sent_ = true;
  int code = StatusCode(head.status);
  pending_ =
      "HTTP/1.1 " + std::to_string(code) + " " + mg_get_response_code_text(conn_, code) + "\r\n";
  for (const auto& [name, value] : head.headers) pending_ += name + ": " + value + "\r\n";
  // Strict: a request that another site makes the browser send carries no
  // session, so it reaches the admin pages logged out.
  if (!session_cookie_.empty()) {
    pending_ += std::string("Set-Cookie: ") + kSessionCookie + "=" + session_cookie_ +
                "; path=/; HttpOnly; SameSite=Strict\r\n";
  } else if (clear_cookie_) {
    pending_ += std::string("Set-Cookie: ") + kSessionCookie +
                "=; path=/; HttpOnly; SameSite=Strict; Max-Age=0\r\n";
  }
  pending_ += "Date: " + DateHeader() + "\r\n";
  pending_ += KeepsAlive(conn_) ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
  pending_ += "Transfer-Encoding: chunked\r\n\r\n";
  // The head leaves with the first chunk (or alone, when no body follows):
  // one write instead of one per line.
  if (!send_body_) Send();
}

void CivetSink::SendBody(std::string_view bytes) {
  // An empty chunk would end the body.
  if (!send_body_ || bytes.empty() || !connected_) return;
  AppendChunk(&pending_, bytes);
  Send();
}

void CivetSink::Finish() {
  if (!head_sent_ || !connected_) return;
  if (send_body_) pending_ += "0\r\n\r\n";
  Send();
}

void CivetSink::Send() {
  if (pending_.empty() || !connected_) return;
  if (mg_write(conn_, pending_.data(), pending_.size()) < 0) connected_ = false;
  pending_.clear();
}

}  // namespace ostrel::host
