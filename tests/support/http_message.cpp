#include "support/http_message.h"

#include <strings.h>

namespace ostrel::testing {

std::string HttpRequest::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (key.size() == name.size() && strncasecmp(key.data(), name.data(), key.size()) == 0) {
      return value;
    }
  }
  return "";
}

bool HttpRequest::HasHeader(std::string_view name) const {
  for (const auto& header : headers) {
    const std::string& key = header.first;
    if (key.size() == name.size() && strncasecmp(key.data(), name.data(), key.size()) == 0) {
      return true;
    }
  }
  return false;
}

HttpAnswer HttpAnswer::Page(std::string body, std::string content_type) {
  HttpAnswer answer;
  answer.body = std::move(body);
  answer.headers.emplace_back("Content-Type", std::move(content_type));
  return answer;
}

HttpAnswer HttpAnswer::Status(int status, std::string body) {
  HttpAnswer answer;
  answer.status = status;
  if (body.empty()) {
    body = "<html><body><h1>" + std::to_string(status) + " " + std::string(ReasonPhrase(status)) +
           "</h1></body></html>";
  }
  answer.body = std::move(body);
  answer.headers.emplace_back("Content-Type", "text/html");
  return answer;
}

HttpAnswer HttpAnswer::NotFound() { return Status(404); }

HttpAnswer HttpAnswer::Redirect(std::string location, int status) {
  HttpAnswer answer = Status(status, "<html><body>Moved</body></html>");
  answer.headers.emplace_back("Location", std::move(location));
  return answer;
}

HttpAnswer HttpAnswer::Slow(std::string body, std::chrono::milliseconds before,
                            std::chrono::milliseconds between, size_t piece) {
  HttpAnswer answer = Page(std::move(body));
  answer.delay_before = before;
  answer.delay_between = between;
  answer.piece_bytes = piece == 0 ? 1 : piece;
  return answer;
}

HttpAnswer HttpAnswer::Endless() {
  HttpAnswer answer;
  answer.kind = Body::kEndless;
  answer.headers.emplace_back("Content-Type", "application/octet-stream");
  return answer;
}

HttpAnswer HttpAnswer::Stalled() {
  HttpAnswer answer;
  answer.kind = Body::kStalled;
  answer.generated_bytes = 1000000;
  answer.headers.emplace_back("Content-Type", "text/html");
  return answer;
}

HttpAnswer HttpAnswer::Huge(uint64_t n, std::string content_type) {
  HttpAnswer answer;
  answer.kind = Body::kGenerated;
  answer.generated_bytes = n;
  answer.headers.emplace_back("Content-Type", std::move(content_type));
  return answer;
}

HttpAnswer& HttpAnswer::With(std::string name, std::string value) {
  headers.emplace_back(std::move(name), std::move(value));
  return *this;
}

std::string GeneratedBytes(uint64_t offset, size_t count) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>('a' + (offset + i) % 26);
  return bytes;
}

std::string_view ReasonPhrase(int status) {
  switch (status) {
    case 100:
      return "Continue";
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 206:
      return "Partial Content";
    case 300:
      return "Multiple Choices";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 303:
      return "See Other";
    case 304:
      return "Not Modified";
    case 307:
      return "Temporary Redirect";
    case 308:
      return "Permanent Redirect";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Unknown";
  }
}

}  // namespace ostrel::testing
