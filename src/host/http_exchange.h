// HttpExchange: one request on a connection of the HTTP library
// (libmicrohttpd, a thread per connection), and the way its answer goes
// out. The connection's thread fills in the request when its header is
// complete and collects its body; then it runs the page itself, as a
// coroutine (started on a small stack of its own, from which the PagePool
// switches it onto a page stack), so no other thread is woken for a page.
// The page runs until its first flush: the head it set is queued as the
// answer, and the page is left where it is. Each time the library can send
// more, the page goes on to its next flush, whose bytes leave as one chunk
// of a chunked body. A browser that reads slowly thus holds its page back,
// and the page's output never piles up in memory.
#pragma once

#include <sys/types.h>
#include <ucontext.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct MHD_Connection;
struct MHD_Response;

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

class HttpExchange : public std::enable_shared_from_this<HttpExchange> {
 public:
  explicit HttpExchange(MHD_Connection* connection) : connection_(connection) {}
  ~HttpExchange();
  HttpExchange(const HttpExchange&) = delete;
  HttpExchange& operator=(const HttpExchange&) = delete;

  HttpRequest request;
  // The connection thread's record of the request while it is read.
  std::string body;
  bool header_seen = false;  // the first call for the request has come
  bool answered = false;     // answered at its header (a refusal)
  std::chrono::steady_clock::time_point header_end;

  // The connection's thread, in the library's request call: a whole
  // answer; the connection closes after it when close is set.
  void Answer(int status, const HeaderList& headers, std::string_view bytes, bool close);
  // A file's content (the exchange closes fd) of size bytes, with status 200.
  void AnswerFile(const HeaderList& headers, int fd, uint64_t size);
  // Runs page as described above; returns at its first flush or its end.
  void RunPage(std::function<void()> page);
  // The library is done with the request (answered, or the browser left):
  // a page still under way runs to its end, its output going nowhere.
  void Completed();

  // The page's side: the head, then the flushed chunks (Write) and the
  // last bytes with the end. A page that ends before it flushes is sent as
  // one answer with its length.
  void Begin(int status, const HeaderList& headers);
  void Write(std::string_view bytes);
  void End(std::string last = {});
  // True once the browser has left: what is written goes nowhere.
  bool gone() const { return gone_; }

 private:
  static void PageEntry();
  static ssize_t Read(void* cls, uint64_t pos, char* buf, size_t max);
  static void Release(void* cls);
  // Frees a whole answer's bytes (a std::string) once the library is done.
  static void FreeBody(void* cls);
  void Queue(int status, MHD_Response* response, const HeaderList& headers);
  // Queues the page's head: with all its output (whole), or for a chunked body.
  void QueueHead(bool whole);
  // Switches from the connection to the page and back.
  void SwitchToPage();
  void SwitchToConnection();

  MHD_Connection* const connection_;
  std::string out_;  // output not yet taken, from out_at_ on
  size_t out_at_ = 0;
  bool head_set_ = false;
  int head_status_ = 200;
  HeaderList head_headers_;
  bool queued_ = false;
  bool ended_ = false;
  bool gone_ = false;

  std::function<void()> page_;
  bool page_running_ = false;  // started and not yet returned
  ucontext_t connection_context_{};
  ucontext_t page_context_{};
  // The stacks on either side, for the address sanitizer.
  const void* connection_bottom_ = nullptr;
  size_t connection_size_ = 0;
  const void* page_side_bottom_ = nullptr;
  size_t page_side_size_ = 0;
};

}  // namespace ostrel::host
