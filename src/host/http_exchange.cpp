#include "host/http_exchange.h"

#include <errno.h>
#include <poll.h>
#include <strings.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <utility>

namespace ostrel::host {

namespace {

const char* ReasonOf(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 413: return "Content Too Large";
    case 417: return "Expectation Failed";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return status < 400 ? "OK" : "Error";
  }
}

std::string DateNow() {
  char text[64];
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  std::strftime(text, sizeof(text), "%a, %d %b %Y %H:%M:%S GMT", &tm);
  return text;
}

std::string Hex(size_t n) {
  char text[24];
  std::snprintf(text, sizeof(text), "%zx\r\n", n);
  return text;
}

}  // namespace

// Up to three pieces of bytes, written as one.
struct HttpExchange::Pieces {
  explicit Pieces(std::string_view first, std::string_view second = {},
                  std::string_view third = {})
      : parts{{const_cast<char*>(first.data()), first.size()},
              {const_cast<char*>(second.data()), second.size()},
              {const_cast<char*>(third.data()), third.size()}} {
    Skip();
  }
  size_t left() const {
    size_t n = 0;
    for (int i = at; i < 3; ++i) n += parts[i].iov_len;
    return n;
  }
  void Advance(size_t sent) {
    while (at < 3 && sent >= parts[at].iov_len) sent -= parts[at++].iov_len;
    if (at < 3) {
      parts[at].iov_base = static_cast<char*>(parts[at].iov_base) + sent;
      parts[at].iov_len -= sent;
    }
    Skip();
  }
  void Skip() {
    while (at < 3 && parts[at].iov_len == 0) ++at;
  }
  std::string Rest() const {
    std::string rest;
    rest.reserve(left());
    for (int i = at; i < 3; ++i) rest.append(static_cast<const char*>(parts[i].iov_base), parts[i].iov_len);
    return rest;
  }
  iovec parts[3];
  int at = 0;
};

std::string HttpRequest::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0) {
      return value;
    }
  }
  return "";
}

bool HasForm(const HttpRequest& request) {
  constexpr std::string_view kForm = "application/x-www-form-urlencoded";
  std::string type = request.Header("Content-Type");
  return request.method == "POST" && type.size() >= kForm.size() &&
         strncasecmp(type.data(), kForm.data(), kForm.size()) == 0;
}

std::string HttpExchange::Head(int status, const HeaderList& headers, const char* framing) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " + ReasonOf(status) + "\r\n";
  head += "Date: " + DateNow() + "\r\n";
  for (const auto& [name, value] : headers) head += name + ": " + value + "\r\n";
  head += framing;
  head += keep_alive_ ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
  head += "\r\n";
  return head;
}

void HttpExchange::Answer(int status, const HeaderList& headers, std::string_view bytes,
                          bool close) {
  if (gone_ || head_sent_) return;
  if (close) keep_alive_ = false;
  head_sent_ = true;
  ended_ = true;
  std::string head =
      Head(status, headers, ("Content-Length: " + std::to_string(bytes.size()) + "\r\n").c_str());
  Complete(head, head_only() ? std::string_view() : bytes);
}

void HttpExchange::AnswerError(int status, std::string_view text, bool close) {
  Answer(status, {{"Content-Type", "text/plain; charset=utf-8"}},
         "Error " + std::to_string(status) + ": " + std::string(text) + "\n", close);
}

void HttpExchange::AnswerFile(const HeaderList& headers, int fd, uint64_t size) {
  if (gone_ || head_sent_) {
    ::close(fd);
    return;
  }
  head_sent_ = true;
  ended_ = true;
  std::string head =
      Head(200, headers, ("Content-Length: " + std::to_string(size) + "\r\n").c_str());
  if (head_only() || size == 0) {
    ::close(fd);
    return Complete(head);
  }
  file_fd_ = fd;
  file_offset_ = 0;
  file_end_ = size;
  Complete(head);
  if (gone_ || pending_at_ < pending_.size()) return;  // the file follows the head
  bool progressed = false;
  while (SendFileNow(&progressed) == Drained::kMore) {
    if (handed_max_ > 0) return;  // the loop sends the rest
    if (!WaitWritable()) gone_ = true;
  }
  CloseFile();
}

HttpExchange::~HttpExchange() { CloseFile(); }

void HttpExchange::CloseFile() {
  if (file_fd_ >= 0) ::close(file_fd_);
  file_fd_ = -1;
}

HttpExchange::Drained HttpExchange::SendFileNow(bool* progressed) {
  while (!gone_ && static_cast<uint64_t>(file_offset_) < file_end_) {
    ssize_t n = ::sendfile(fd_, file_fd_, &file_offset_,
                           static_cast<size_t>(file_end_ - static_cast<uint64_t>(file_offset_)));
    if (n > 0) {
      *progressed = true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return Drained::kMore;
    // A file that shrank meanwhile cannot fill its announced length.
    gone_ = true;
  }
  CloseFile();
  return gone_ ? Drained::kGone : Drained::kDone;
}

HttpExchange::Drained HttpExchange::Drain(bool* progressed) {
  *progressed = false;
  if (gone_) {
    CloseFile();
    return Drained::kGone;
  }
  if (pending_at_ < pending_.size()) {
    Pieces pieces(std::string_view(pending_).substr(pending_at_));
    const size_t before = pieces.left();
    if (!SendNow(&pieces)) {
      CloseFile();
      return Drained::kGone;
    }
    pending_at_ += before - pieces.left();
    *progressed = pieces.left() < before;
    if (pieces.left() > 0) return Drained::kMore;
    std::string().swap(pending_);
    pending_at_ = 0;
  }
  if (file_fd_ >= 0) return SendFileNow(progressed);
  return Drained::kDone;
}

void HttpExchange::RunPage(const std::function<void()>& page) {
  page();
  // A page that never wrote anything is an empty answer.
  if (!head_sent_ && !ended_) End();
  // One that failed after its first flush cannot end its body: the
  // connection's end tells the browser the answer is cut.
  if (!ended_) keep_alive_ = false;
}

void HttpExchange::Begin(int status, const HeaderList& headers) {
  if (gone_ || head_set_) return;
  head_set_ = true;
  head_status_ = status;
  head_headers_ = headers;
}

void HttpExchange::Write(std::string_view bytes) {
  if (gone_ || ended_ || !head_set_ || bytes.empty()) return;
  if (!head_sent_) {
    head_sent_ = true;
    // An HTTP/1.0 client reads the body to the connection's end.
    chunked_ = request.version != "HTTP/1.0";
    std::string head =
        Head(head_status_, head_headers_, chunked_ ? "Transfer-Encoding: chunked\r\n" : "");
    if (head_only()) return Send(head);
    if (!chunked_) return Send(head, bytes);
    std::string size = Hex(bytes.size());
    head += size;
    return Send(head, bytes, "\r\n");
  }
  if (head_only()) return;
  if (!chunked_) return Send(bytes);
  Send(Hex(bytes.size()), bytes, "\r\n");
}

void HttpExchange::End(std::string last) {
  if (gone_ || ended_) return;
  if (!head_sent_) {
    if (!head_set_) Begin(200, {});
    ended_ = true;
    return Answer(head_status_, head_headers_, last, false);
  }
  ended_ = true;
  if (head_only()) return;
  if (!chunked_) {
    keep_alive_ = false;
    return Complete(last);
  }
  if (last.empty()) return Complete("0\r\n\r\n");
  Complete(Hex(last.size()), last, "\r\n0\r\n\r\n");
}

bool HttpExchange::WaitWritable() {
  pollfd p{fd_, POLLOUT, 0};
  for (;;) {
    int n = ::poll(&p, 1, static_cast<int>(write_deadline_.count()));
    if (n < 0 && errno == EINTR) continue;
    return n > 0 && (p.revents & POLLOUT) != 0 && (p.revents & (POLLERR | POLLHUP)) == 0;
  }
}

bool HttpExchange::SendNow(Pieces* pieces) {
  while (pieces->at < 3) {
    msghdr message{};
    message.msg_iov = pieces->parts + pieces->at;
    message.msg_iovlen = static_cast<size_t>(3 - pieces->at);
    ssize_t n = ::sendmsg(fd_, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) return true;
      gone_ = true;
      return false;
    }
    pieces->Advance(static_cast<size_t>(n));
  }
  return true;
}

void HttpExchange::Send(std::string_view first, std::string_view second, std::string_view third) {
  Pieces pieces(first, second, third);
  while (!gone_ && SendNow(&pieces) && pieces.at < 3) {
    if (!WaitWritable()) gone_ = true;
  }
}

void HttpExchange::Complete(std::string_view first, std::string_view second,
                            std::string_view third) {
  Pieces pieces(first, second, third);
  if (gone_ || !SendNow(&pieces) || pieces.at == 3) return;
  if (pieces.left() <= handed_max_) {
    pending_ = pieces.Rest();
    pending_at_ = 0;
    return;
  }
  while (!gone_ && pieces.at < 3) {
    if (!WaitWritable()) gone_ = true;
    else SendNow(&pieces);
  }
}

}  // namespace ostrel::host
