// HttpExchange: one request of a connection of the host, its header and
// body read whole by the host's connection loop, and the way its answer
// goes out. The answer is written straight to the connection's socket by
// the worker thread that answers the request: a page's head and first
// chunk leave at its first flush, each later flush is one chunk of a
// chunked body, so a long page (a gathering run's progress) shows as it is
// written. A page that ends before it flushes leaves as one answer with its
// length.
//
// Only a page that is still running waits for its browser to read (its
// flushes; one that reads nothing for the write deadline is taken as gone).
// The last bytes of an answer never hold the worker: what the socket does
// not take at once of a complete answer (a static file, a redirect, the
// host's short answers, a page's end) stays with the exchange (pending)
// and the connection loop writes it as the socket allows.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel::host {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
  std::string method;
  std::string path;     // percent-decoded, any ".." left in place
  std::string query;    // after "?", as sent
  std::string version;  // "HTTP/1.1"
  std::string remote_address;
  int server_port = 0;
  HeaderList headers;  // in the order sent
  // The first value of a header (name without regard to case); "" if none.
  std::string Header(std::string_view name) const;
};

// Whether the request carries a urlencoded form: a POST of that type (any
// letter case). The cross-site check, the page and the page-stack share all
// read the form by this one rule.
bool HasForm(const HttpRequest& request);

class HttpExchange {
 public:
  // The request read on socket fd (which stays the connection's: the
  // exchange never closes it). keep_alive: the client may send another
  // request on it.
  // handed_max: the largest rest of a complete answer left pending (0:
  // none, the caller waits for every byte); a larger rest is written here.
  HttpExchange(int fd, bool keep_alive, std::chrono::milliseconds write_deadline,
               size_t handed_max = 0)
      : fd_(fd), keep_alive_(keep_alive), write_deadline_(write_deadline),
        handed_max_(handed_max) {}
  ~HttpExchange();
  HttpExchange(const HttpExchange&) = delete;
  HttpExchange& operator=(const HttpExchange&) = delete;

  HttpRequest request;
  std::string body;

  // A whole answer; the connection closes after it when close is set.
  void Answer(int status, const HeaderList& headers, std::string_view bytes, bool close);
  // The host's own short error answer, as plain text ("Error 404: Not
  // found").
  void AnswerError(int status, std::string_view text, bool close);
  // A file's content (the exchange closes fd) of size bytes, with status 200.
  void AnswerFile(const HeaderList& headers, int fd, uint64_t size);
  // Runs a page on the calling thread. A page that stopped without ending
  // its answer leaves the connection to be closed.
  void RunPage(const std::function<void()>& page);

  // The page's side: the head, then the flushed chunks (Write) and the
  // last bytes with the end. A page that ends before it flushes is sent as
  // one answer with its length.
  void Begin(int status, const HeaderList& headers);
  void Write(std::string_view bytes);
  void End(std::string last = {});
  // True once the browser has left: what is written goes nowhere.
  bool gone() const { return gone_; }

  // After the answer: whether the connection may carry the next request
  // (once its pending rest is out).
  bool Reusable() const { return ended_ && !gone_ && keep_alive_; }

  // What of a complete answer the socket has not taken yet: bytes in
  // memory (pending_bytes) and then the rest of a file.
  bool pending() const { return !gone_ && (pending_at_ < pending_.size() || file_fd_ >= 0); }
  size_t pending_bytes() const { return pending_.size(); }
  bool pending_file() const { return file_fd_ >= 0; }
  enum class Drained { kDone, kMore, kGone };
  // Writes what the socket takes now of the pending rest, never waiting;
  // *progressed tells whether it took anything.
  Drained Drain(bool* progressed);

 private:
  struct Pieces;
  // The status line and headers, with the body's framing.
  std::string Head(int status, const HeaderList& headers, const char* framing);
  // Writes every byte or marks the browser gone.
  void Send(std::string_view first, std::string_view second = {}, std::string_view third = {});
  // The last bytes of an answer: what the socket does not take at once is
  // left pending (when handed_max allows).
  void Complete(std::string_view first, std::string_view second = {},
                std::string_view third = {});
  // Writes what the socket takes now; false when the browser is gone.
  bool SendNow(Pieces* pieces);
  // Sends the pending file from its offset as far as the socket takes it.
  Drained SendFileNow(bool* progressed);
  void CloseFile();
  bool WaitWritable();
  bool head_only() const { return request.method == "HEAD"; }

  const int fd_;
  bool keep_alive_;
  const std::chrono::milliseconds write_deadline_;
  const size_t handed_max_;
  bool head_set_ = false;
  bool head_sent_ = false;
  bool chunked_ = false;
  int head_status_ = 200;
  HeaderList head_headers_;
  bool ended_ = false;
  bool gone_ = false;
  std::string pending_;
  size_t pending_at_ = 0;
  int file_fd_ = -1;
  off_t file_offset_ = 0;
  uint64_t file_end_ = 0;
};

}  // namespace ostrel::host
