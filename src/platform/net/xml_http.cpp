#include "platform/net/xml_http.h"

#include <curl/curl.h>
#include <strings.h>

#include <memory>

#include "platform/net/curl_common.h"
#include "platform/net/fetch_log.h"
#include "platform/net/net_error.h"
#include "platform/net/remote_handle.h"
#include "platform/text/charset.h"
#include "platform/vb/ascii_case.h"
#include "platform/vb/vb_error.h"

namespace ostrel::net {

namespace {

constexpr char kSource[] = "MSXML2.XMLHTTP";
constexpr long kMaxRedirects = 10;
// Sites answer a request without a browser name differently, or not at all.
constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) {
    s.remove_suffix(1);
  }
  return s;
}

[[noreturn]] void Fail(int32_t number, std::string description) {
  throw vb::VbError(number, kSource, std::move(description));
}

// A fetch that fails for its address or its answer: the operator hears why.
[[noreturn]] void FailFetch(int32_t number, std::string description) {
  ReportFetchFailure(description);
  Fail(number, std::move(description));
}

bool IsToken(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || c == ':' || c == '(' || c == ')' || c == '<' || c == '>' ||
        c == '@' || c == ',' || c == ';' || c == '\\' || c == '"' || c == '/' || c == '[' ||
        c == ']' || c == '?' || c == '=' || c == '{' || c == '}') {
      return false;
    }
  }
  return true;
}

}  // namespace

// What libcurl's callbacks collect during one send. Each answer on the way
// (a redirect, a "100 Continue") starts with its status line and replaces
// what the one before it left, so the final answer is what remains.
struct XmlHttp::Transfer {
  uint64_t max_body = 0;
  bool too_large = false;
  std::string status_line;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    std::string_view line = TrimView(std::string_view(data, size * count));
    if (line.substr(0, 5) == "HTTP/") {
      transfer->status_line = std::string(line);
      transfer->headers.clear();
      transfer->body.clear();
    } else if (!line.empty() && (data[0] == ' ' || data[0] == '\t')) {
      if (!transfer->headers.empty()) {  // a folded continuation line
        transfer->headers.back().second += " ";
        transfer->headers.back().second += line;
      }
    } else if (size_t colon = line.find(':'); colon != std::string_view::npos) {
      transfer->headers.emplace_back(std::string(TrimView(line.substr(0, colon))),
                                     std::string(TrimView(line.substr(colon + 1))));
    }
    return size * count;
  }

  static size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->max_body) {
      transfer->too_large = true;
      return 0;  // anything but `bytes` ends the transfer with an error
    }
    transfer->body.append(data, bytes);
    return bytes;
  }
};

XmlHttp::XmlHttp() : limits_(GetFetchLimits()) {}

void XmlHttp::SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds idle) {
  limits_.connect_timeout = connect;
  limits_.idle_timeout = idle;
}

void XmlHttp::SetMaxBodyBytes(uint64_t bytes) { limits_.max_body_bytes = bytes; }

void XmlHttp::open(std::string_view method, std::string_view url, bool /*async*/) {
  std::string upper;
  for (char c : method) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (upper != "GET" && upper != "HEAD" && upper != "POST") {
    Fail(vb::kErrInvalidCall, "Unsupported request method \"" + std::string(method) + "\"");
  }
  std::string scheme = SchemeOf(url);
  if (scheme != "http" && scheme != "https") {
    FailFetch(scheme.empty() ? kErrInvalidUrl : kErrUnsupportedScheme,
              "Only http and https addresses can be fetched: \"" + std::string(url) + "\"");
  }
  std::string encoded = EncodeUrl(url);
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
  char* host = nullptr;
  if (curl_url_set(parsed.get(), CURLUPART_URL, encoded.c_str(), 0) != CURLUE_OK ||
      curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK || *host == '\0') {
    curl_free(host);
    FailFetch(kErrInvalidUrl, "The URL is invalid: \"" + std::string(url) + "\"");
  }
  curl_free(host);

  method_ = std::move(upper);
  url_ = std::move(encoded);
  request_headers_.clear();
  status_ = 0;
  status_text_.clear();
  response_headers_.clear();
  body_.clear();
  ready_state_ = 1;
}

void XmlHttp::setRequestHeader(std::string_view name, std::string_view value) {
  if (ready_state_ != 1) Fail(vb::kErrInvalidCall, "setRequestHeader before open");
  // A line break in a header would let the text forge further headers.
  if (!IsToken(name) || value.find_first_of("\r\n") != std::string_view::npos) {
    Fail(vb::kErrInvalidCall, "Invalid request header \"" + std::string(name) + "\"");
  }
  for (auto& header : request_headers_) {
    if (vb::EqualsNoCase(header.first, name)) {
      header.second = std::string(value);
      return;
    }
  }
  request_headers_.emplace_back(std::string(name), std::string(value));
}

void XmlHttp::send(std::string_view body) {
  if (ready_state_ != 1) Fail(vb::kErrInvalidCall, "send before open");
  RemoteHandle handle(url_);
  CURL* h = handle.get();

  Transfer transfer;
  transfer.max_body = limits_.max_body_bytes;
  char error[CURL_ERROR_SIZE] = "";
  TransferGuard guard;
  PrepareRemoteHandle(h, limits_, guard);

  curl_easy_setopt(h, CURLOPT_URL, url_.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);

  if (method_ == "HEAD") {
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  } else {
    // Refuse an announced oversized body before it is transferred; a body
    // without a length is stopped by OnBody.
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.max_body_bytes));
    if (method_ == "POST") {
      curl_easy_setopt(h, CURLOPT_POST, 1L);
      curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
      curl_easy_setopt(h, CURLOPT_COPYPOSTFIELDS, std::string(body).c_str());
    } else {
      curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    }
  }

  struct curl_slist* headers = nullptr;
  // A large POST would otherwise wait for "100 Continue" first.
  headers = curl_slist_append(headers, "Expect:");
  for (const auto& [name, value] : request_headers_) {
    // "Name;" is libcurl's way of sending a header with an empty value.
    std::string line = value.empty() ? name + ";" : name + ": " + value;
    headers = curl_slist_append(headers, line.c_str());
  }
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);

  CURLcode rc = curl_easy_perform(h);
  curl_slist_free_all(headers);

  if (rc == CURLE_FILESIZE_EXCEEDED || (rc == CURLE_WRITE_ERROR && transfer.too_large)) {
    FailFetch(kErrTooLarge, "The response of " + url_ + " is larger than the allowed " +
                                std::to_string(limits_.max_body_bytes) + " bytes");
  }
  if (rc != CURLE_OK) RaiseTransferError(rc, url_, error, kSource, guard);

  long code = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
  status_ = static_cast<int32_t>(code);
  // "HTTP/1.1 200 OK": the text after the code.
  size_t first = transfer.status_line.find(' ');
  size_t second = first == std::string::npos ? first : transfer.status_line.find(' ', first + 1);
  status_text_ = second == std::string::npos ? "" : transfer.status_line.substr(second + 1);
  response_headers_ = std::move(transfer.headers);
  body_ = std::move(transfer.body);
  ready_state_ = 4;
}

void XmlHttp::RequireAnswer() const {
  if (ready_state_ != 4) {
    Fail(kErrNotReady, "The data necessary to complete this operation is not yet available.");
  }
}

int32_t XmlHttp::status() const {
  RequireAnswer();
  return status_;
}

std::string XmlHttp::statusText() const {
  RequireAnswer();
  return status_text_;
}

std::string XmlHttp::getResponseHeader(std::string_view name) const {
  RequireAnswer();
  std::string value;
  bool found = false;
  for (const auto& header : response_headers_) {
    if (!vb::EqualsNoCase(header.first, name)) continue;
    if (found) value += ", ";
    value += header.second;
    found = true;
  }
  return value;
}

std::string XmlHttp::getAllResponseHeaders() const {
  RequireAnswer();
  std::string all;
  for (const auto& [name, value] : response_headers_) all += name + ": " + value + "\r\n";
  return all;
}

const std::string& XmlHttp::responseBody() const {
  RequireAnswer();
  return body_;
}

std::string XmlHttp::responseText() const {
  RequireAnswer();
  std::string type = getResponseHeader("Content-Type");
  std::string charset;
  for (size_t i = 0; i + 8 <= type.size(); ++i) {
    if (strncasecmp(type.c_str() + i, "charset=", 8) != 0) continue;
    std::string_view rest = std::string_view(type).substr(i + 8);
    rest = TrimView(rest.substr(0, rest.find(';')));
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
      rest = rest.substr(1, rest.size() - 2);
    }
    charset = std::string(rest);
  }
  if (charset.empty() || !text::IsKnownCharset(charset)) charset = "UTF-8";
  return text::Decode(body_, charset);
}

}  // namespace ostrel::net
