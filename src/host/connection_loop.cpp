#include "host/connection_loop.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "host/console_bursts.h"
#include "host/request_head.h"

namespace ostrel::host {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kReadBlock = 16 << 10;
constexpr int kAcceptsPerTurn = 64;
constexpr auto kSweepEvery = std::chrono::milliseconds(100);
// How long a worker that has answered a request waits for the next one on
// the same connection before it gives the connection back to the loop: a
// busy client's next request (a page's refresh, the next picture) then
// costs no handoff between threads, and a client that stays silent costs
// the worker no more than this.
constexpr auto kNextRequestWait = std::chrono::milliseconds(2);
// How long a closing connection's unread input is drained (Linger).
constexpr auto kLinger = std::chrono::milliseconds(2000);
// What a connection waiting for its request is watched for.
constexpr uint32_t kReading = EPOLLIN | EPOLLRDHUP;

// "%XX" becomes the byte XX; a "+" stays (it is a blank only in a query).
std::string DecodePath(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '%' && i + 2 < raw.size() &&
        std::isxdigit(static_cast<unsigned char>(raw[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(raw[i + 2]))) {
      out += static_cast<char>(std::stoi(std::string(raw.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += raw[i];
    }
  }
  return out;
}

std::string AddressText(const sockaddr_storage& address) {
  char buffer[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, buffer,
              sizeof(buffer));
  } else if (address.ss_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, buffer,
              sizeof(buffer));
  }
  return buffer;
}

// The descriptors the host keeps for itself: databases, remote fetches,
// files being written, the archiver's pipes.
int ConnectionCap(int wanted) {
  rlimit limit{};
  long long soft = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                       ? static_cast<long long>(limit.rlim_cur)
                       : 65536;
  long long fit = std::clamp<long long>(soft - 256 - soft / 8, 16, 32768);
  return wanted > 0 ? static_cast<int>(std::min<long long>(wanted, fit)) : static_cast<int>(fit);
}

// Passes over the empty lines before a request and finds where its head
// ends (past its blank line); npos while it has not all come, with *bad
// set when what came can never be a request. scanned keeps how far the
// buffer was searched, so a head that trickles in is not searched from its
// start again and again.
size_t HeadEnd(std::string* in, size_t* scanned, bool* bad) {
  size_t blank = 0;
  while (in->compare(blank, 2, "\r\n") == 0) blank += 2;
  if (blank > 0) {
    in->erase(0, blank);
    *scanned = 0;
  }
  size_t end = in->find("\r\n\r\n", *scanned > 3 ? *scanned - 3 : 0);
  if (end == std::string::npos) {
    *bad = CannotBeRequest(*in, *scanned);
    *scanned = in->size();
    return end;
  }
  return end + 4;
}

}  // namespace

void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  rlim_t target = limit.rlim_max;
  if (target == RLIM_INFINITY) {
    // No hard limit: the kernel's own ceiling for one process.
    unsigned long long ceiling = 1 << 20;
    if (FILE* f = std::fopen("/proc/sys/fs/nr_open", "r")) {
      if (std::fscanf(f, "%llu", &ceiling) != 1) ceiling = 1 << 20;
      std::fclose(f);
    }
    target = static_cast<rlim_t>(ceiling);
  }
  if (target <= limit.rlim_cur) return;
  limit.rlim_cur = target;
  setrlimit(RLIMIT_NOFILE, &limit);
}

struct ConnectionLoop::Address {
  std::string text;
  int connections = 0;
  std::list<Conn*> waiting;  // oldest first
  size_t held = 0;           // bytes its connections hold
};

struct ConnectionLoop::Conn {
  int fd = -1;
  Address* address = nullptr;
  State state = State::kHeader;
  std::string in;       // read and not yet taken
  size_t scanned = 0;   // how far the header's end was looked for
  Clock::time_point since;  // the wait began (header) or the header ended (body)
  Clock::time_point linger_end;
  bool listed = false;
  std::list<Conn*>::iterator in_all, in_address;
  RequestHead head;
  std::shared_ptr<HttpExchange> exchange;
  ChunkedDecoder chunks;
  uint64_t body_left = 0;
  size_t held = 0;          // bytes of its body, or of its answer's rest
  bool holds_file = false;  // its answer's rest is a file, open
  uint32_t events = 0;      // what epoll watches for
};

ConnectionLoop::ConnectionLoop(LoopSettings settings, Handler handler)
    : settings_(std::move(settings)), handler_(std::move(handler)) {}

ConnectionLoop::~ConnectionLoop() { Stop(); }

bool ConnectionLoop::Start(int listen_fd, int port) {
  cap_ = ConnectionCap(settings_.max_connections);
  listen_fd_ = listen_fd;
  port_ = port;
  epoll_fd_ = epoll_create1(EPOLL_CLOEXEC);
  wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (epoll_fd_ < 0 || wake_fd_ < 0) return false;
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.ptr = &listen_fd_;
  epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, listen_fd_, &event);
  event.data.ptr = &wake_fd_;
  epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, wake_fd_, &event);
  thread_ = std::thread([this] { Run(); });
  return true;
}

void ConnectionLoop::Stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_fd_, &one, sizeof(one));
    thread_.join();
    // The loop has closed every waiting connection and shut the others
    // down; the workers end their answers (and the queued ones) at once.
    {
      std::lock_guard lock(mu_);
      workers_stopping_ = true;
    }
    work_.notify_all();
    for (auto& worker : workers_) worker.join();
    workers_.clear();
    for (Conn* c : returns_) Close(c);
    returns_.clear();
    for (Conn* c : closed_) delete c;
    closed_.clear();
  }
  if (listen_fd_ >= 0) ::close(listen_fd_);
  if (epoll_fd_ >= 0) ::close(epoll_fd_);
  if (wake_fd_ >= 0) ::close(wake_fd_);
  listen_fd_ = epoll_fd_ = wake_fd_ = -1;
}

void ConnectionLoop::Run() {
  epoll_event events[256];
  next_sweep_ = Clock::now() + kSweepEvery;
  while (!stopping_) {
    int n = epoll_wait(epoll_fd_, events, 256, static_cast<int>(kSweepEvery.count()));
    now_ = Clock::now();
    for (int i = 0; i < n; ++i) {
      void* tag = events[i].data.ptr;
      if (tag == &listen_fd_) {
        Accept();
      } else if (tag == &wake_fd_) {
        uint64_t count;
        [[maybe_unused]] ssize_t r = ::read(wake_fd_, &count, sizeof(count));
        TakeReturns();
      } else {
        auto* c = static_cast<Conn*>(tag);
        if (c->fd < 0) continue;  // closed earlier in this turn
        if (c->state == State::kWrite) {
          OnWritable(c);
        } else {
          OnReadable(c);
        }
      }
    }
    if (accept_paused_ && now_ >= accept_resume_ && connections_ + files_ < cap_) {
      epoll_event event{};
      event.events = EPOLLIN;
      event.data.ptr = &listen_fd_;
      epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, listen_fd_, &event);
      accept_paused_ = false;
    }
    if (now_ >= next_sweep_) {
      Sweep();
      next_sweep_ = now_ + kSweepEvery;
    }
    for (Conn* c : closed_) delete c;
    closed_.clear();
  }
  // Stopping: no new connections; the waiting ones close, the answered
  // ones are shut down so that their workers' writes end at once.
  ::close(listen_fd_);
  listen_fd_ = -1;
  while (!waiting_.empty()) Close(waiting_.front());
  for (Conn* c : active_) ::shutdown(c->fd, SHUT_RDWR);
  for (Conn* c : closed_) delete c;
  closed_.clear();
}

void ConnectionLoop::Accept() {
  for (int i = 0; i < kAcceptsPerTurn; ++i) {
    sockaddr_storage from{};
    socklen_t from_size = sizeof(from);
    int fd = accept4(listen_fd_, reinterpret_cast<sockaddr*>(&from), &from_size,
                     SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        // Out of descriptors: make room if a waiting connection can give
        // it, else stop taking connections for a moment (the pending ones
        // would wake the loop again and again).
        if (!EvictOldest(nullptr)) PauseAccepting();
        continue;
      }
      return;  // EAGAIN: none left
    }
    if (connections_ + files_ >= cap_ && !EvictOldest(nullptr)) {
      // Every connection has a request being answered.
      ::close(fd);
      PauseAccepting();
      return;
    }
    std::string text = AddressText(from);
    std::unique_ptr<Address>& slot = addresses_[text];
    if (!slot) {
      slot = std::make_unique<Address>();
      slot->text = text;
    }
    Address* address = slot.get();
    int on = 1;
    // Without it every small flushed chunk and keep-alive answer waits for
    // the peer's delayed acknowledgement.
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    auto* c = new Conn;
    c->fd = fd;
    c->address = address;
    c->since = now_;
    // Counted before any older one is displaced, so that the address
    // outlives the displacement.
    ++address->connections;
    ++connections_;
    MakeWaitingRoom(c);
    ListWaiting(c);
    Watch(c, kReading);
  }
}

void ConnectionLoop::PauseAccepting() {
  if (accept_paused_) return;
  epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, listen_fd_, nullptr);
  accept_paused_ = true;
  accept_resume_ = now_ + std::chrono::milliseconds(100);
}

void ConnectionLoop::Watch(Conn* c, uint32_t events) {
  if (events == c->events) return;
  epoll_event event{};
  event.events = events;
  event.data.ptr = c;
  int op = events == 0 ? EPOLL_CTL_DEL : c->events == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD;
  epoll_ctl(epoll_fd_, op, c->fd, events == 0 ? nullptr : &event);
  c->events = events;
}

void ConnectionLoop::MakeWaitingRoom(Conn* c) {
  if (settings_.connections_per_address > 0 &&
      static_cast<int>(c->address->waiting.size()) >= settings_.connections_per_address) {
    EvictOldest(c->address);
  }
}

void ConnectionLoop::ListWaiting(Conn* c) {
  if (c->listed) return;
  c->in_all = waiting_.insert(waiting_.end(), c);
  c->in_address = c->address->waiting.insert(c->address->waiting.end(), c);
  c->listed = true;
}

void ConnectionLoop::UnlistWaiting(Conn* c) {
  if (!c->listed) return;
  waiting_.erase(c->in_all);
  c->address->waiting.erase(c->in_address);
  c->listed = false;
}

bool ConnectionLoop::EvictOldest(Address* address) {
  std::list<Conn*>& list = address ? address->waiting : waiting_;
  if (list.empty()) return false;
  Close(list.front());
  return true;
}

void ConnectionLoop::Close(Conn* c) {
  if (c->fd < 0) return;
  UnlistWaiting(c);
  Release(c);
  c->exchange.reset();  // with the file its answer was sending
  ::close(c->fd);  // also takes it out of the epoll set
  c->fd = -1;
  Address* address = c->address;
  --connections_;
  if (--address->connections == 0) addresses_.erase(address->text);
  c->address = nullptr;
  // Freed after the turn: an event of this turn may still name it.
  closed_.push_back(c);
}

bool ConnectionLoop::Hold(Conn* c, size_t bytes, bool may_displace) {
  if (bytes == 0) return true;
  const size_t per_address = settings_.held_bytes_per_address;
  const size_t all = settings_.held_bytes;
  if (!may_displace) {
    // A large body leaves a quarter of each bound to the small ones.
    if (c->address->held + bytes > per_address - per_address / 4 ||
        held_ + bytes > all - all / 4) {
      return false;
    }
  } else if (!MakeRoom(c, bytes)) {
    return false;
  }
  c->held += bytes;
  c->address->held += bytes;
  held_ += bytes;
  return true;
}

ConnectionLoop::Conn* ConnectionLoop::OldestHolder(const Address* address, const Conn* spared) {
  for (Conn* w : address->waiting) {
    if (w != spared && w->held > 0) return w;
  }
  return nullptr;
}

bool ConnectionLoop::MakeRoom(Conn* c, size_t bytes) {
  Address* address = c->address;
  while (address->held + bytes > settings_.held_bytes_per_address) {
    Conn* victim = OldestHolder(address, c);
    if (!victim) return false;
    Close(victim);
  }
  while (held_ + bytes > settings_.held_bytes) {
    // The oldest holder of the address that holds most: a crowd of many
    // addresses displaces its own before it displaces anyone else.
    Conn* victim = nullptr;
    size_t most = 0;
    for (const auto& [text, other] : addresses_) {
      if (other->held <= most) continue;
      if (Conn* oldest = OldestHolder(other.get(), c)) {
        victim = oldest;
        most = other->held;
      }
    }
    if (!victim) return false;
    Close(victim);
  }
  return true;
}

void ConnectionLoop::Release(Conn* c) {
  held_ -= c->held;
  c->address->held -= c->held;
  c->held = 0;
  if (c->holds_file) {
    c->holds_file = false;
    --files_;
  }
}

bool ConnectionLoop::HoldBody(Conn* c, size_t bytes) {
  const uint64_t whole = c->head.chunked ? c->exchange->body.size() : c->head.content_length;
  return Hold(c, bytes, whole <= settings_.body.small_bytes);
}

void ConnectionLoop::OnReadable(Conn* c) {
  char block[kReadBlock];
  size_t want = sizeof(block);
  // A header never holds more than its limit (and one byte to tell).
  if (c->state == State::kHeader) {
    want = std::min(want, settings_.max_header_bytes + 1 - std::min(c->in.size(),
                                                                  settings_.max_header_bytes));
  }
  ssize_t n = ::recv(c->fd, block, want, 0);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (n <= 0) return Close(c);  // the client left (or half-closed before its request)
  if (c->state == State::kLinger) return;  // drained, not read
  c->in.append(block, static_cast<size_t>(n));
  Process(c);
}

void ConnectionLoop::Process(Conn* c) {
  if (c->state == State::kHeader) {
    bool bad = false;
    const size_t end = HeadEnd(&c->in, &c->scanned, &bad);
    if (end == std::string::npos) {
      // Bytes that can never be a request are answered at once, not after
      // the header deadline.
      if (bad) return Reject(c, 400, "Bad request");
      if (c->in.size() > settings_.max_header_bytes) {
        Reject(c, 431, "Request header too large");
      }
      return;
    }
    if (end > settings_.max_header_bytes) return Reject(c, 431, "Request header too large");
    HeadStatus status = ParseRequestHead(std::string_view(c->in).substr(0, end), &c->head);
    c->in.erase(0, end);
    c->scanned = 0;
    if (status == HeadStatus::kTooLarge) return Reject(c, 431, "Request header too large");
    if (status == HeadStatus::kBadExpectation) return Reject(c, 417, "Expectation failed");
    if (status != HeadStatus::kOk) return Reject(c, 400, "Bad request");
    StartBody(c);
    if (c->state != State::kBody) return;
  }
  if (c->state != State::kBody) return;
  std::string& body = c->exchange->body;
  if (!c->head.chunked) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(c->body_left, c->in.size()));
    if (!HoldBody(c, n)) return Reject(c, 503, "Server busy");
    body.append(c->in, 0, n);
    c->in.erase(0, n);
    c->body_left -= n;
    if (c->body_left == 0) Dispatch(c);
    return;
  }
  size_t used = 0;
  size_t before = body.size();
  ChunkedDecoder::Result result = c->chunks.Feed(c->in, &body, &used);
  c->in.erase(0, used);
  if (result == ChunkedDecoder::Result::kBad) return Reject(c, 400, "Bad request");
  if (body.size() > settings_.body.max_bytes) return Reject(c, 413, "Request body too large");
  if (!HoldBody(c, body.size() - before)) return Reject(c, 503, "Server busy");
  if (result == ChunkedDecoder::Result::kDone) Dispatch(c);
}

std::shared_ptr<HttpExchange> ConnectionLoop::MakeExchange(const Conn* c) const {
  const RequestHead& head = c->head;
  auto exchange =
      std::make_shared<HttpExchange>(c->fd, head.keep_alive, settings_.write_deadline,
                                     settings_.max_handed_answer);
  HttpRequest& request = exchange->request;
  request.method = head.method;
  request.version = head.version;
  std::string_view target = head.target;
  size_t question = target.find('?');
  request.path = DecodePath(target.substr(0, question));
  if (question != std::string_view::npos) request.query = target.substr(question + 1);
  request.remote_address = c->address->text;
  request.server_port = port_;
  request.headers = head.headers;
  return exchange;
}

void ConnectionLoop::StartBody(Conn* c) {
  const RequestHead& head = c->head;
  auto exchange = MakeExchange(c);
  c->exchange = std::move(exchange);
  if (!head.chunked && head.content_length == 0) return Dispatch(c);
  // Too large a body is refused at its header, before a byte of it; what
  // a body holds is counted as it arrives.
  if (head.content_length > settings_.body.max_bytes) {
    return Reject(c, 413, "Request body too large");
  }
  c->state = State::kBody;
  c->since = now_;
  c->body_left = head.content_length;
  c->chunks = ChunkedDecoder();
  if (head.expect_continue) {
    static constexpr char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
    [[maybe_unused]] ssize_t n = ::send(c->fd, kContinue, sizeof(kContinue) - 1, MSG_NOSIGNAL);
  }
}

void ConnectionLoop::Dispatch(Conn* c) {
  UnlistWaiting(c);
  Watch(c, 0);
  c->state = State::kQueued;
  active_.insert(c);
  {
    std::lock_guard lock(mu_);
    queue_.push_back(c);
    // Each idle worker takes one request; one more is made for a request
    // that none is left to take (a woken worker counts as idle until it
    // takes its request, so two requests never fall to one of them).
    if (static_cast<int>(queue_.size()) > idle_workers_ &&
        static_cast<int>(workers_.size()) < settings_.workers) {
      workers_.emplace_back([this] { Work(); });
      return;
    }
  }
  work_.notify_one();
}

void ConnectionLoop::Reject(Conn* c, int status, const char* text) {
  // Small enough for the socket's buffer: written at once or not at all.
  HttpExchange answer(c->fd, false, std::chrono::milliseconds(0));
  answer.AnswerError(status, text, true);
  Release(c);
  c->exchange.reset();
  Linger(c);
  ListWaiting(c);
}

void ConnectionLoop::Linger(Conn* c) {
  // What the client still sends is drained for a moment, so that it reads
  // the answer before the close resets the connection.
  ::shutdown(c->fd, SHUT_WR);
  c->in.clear();
  c->state = State::kLinger;
  c->linger_end = now_ + kLinger;
}

void ConnectionLoop::Sweep() {
  const BodyLimits& limits = settings_.body;
  for (auto it = waiting_.begin(); it != waiting_.end();) {
    Conn* c = *it++;
    bool late = false;
    switch (c->state) {
      case State::kHeader:
        late = now_ - c->since > settings_.header_timeout;
        break;
      case State::kBody:
        late = CheckBody(limits, c->exchange->body.size(), now_ - c->since) ==
               BodyStatus::kTooSlow;
        break;
      case State::kLinger:
        late = now_ >= c->linger_end;
        break;
      case State::kWrite:
        late = now_ - c->since > settings_.write_deadline;
        break;
      case State::kQueued:
        break;
    }
    if (late) Close(c);
  }
}

void ConnectionLoop::TakeReturns() {
  std::vector<Conn*> back;
  {
    std::lock_guard lock(mu_);
    back.swap(returns_);
  }
  for (Conn* c : back) {
    active_.erase(c);
    Release(c);  // its body
    c->since = now_;
    MakeWaitingRoom(c);
    ListWaiting(c);
    HttpExchange& exchange = *c->exchange;
    if (!exchange.pending()) {
      AnswerOut(c);
      continue;
    }
    // The socket would not take the whole answer: the rest is written from
    // here as the browser reads, and the connection's next request waits.
    c->state = State::kWrite;
    if (!Hold(c, exchange.pending_bytes(), true)) {
      Close(c);
      continue;
    }
    if (exchange.pending_file()) {
      c->holds_file = true;
      ++files_;
    }
    Watch(c, EPOLLOUT);
  }
}

void ConnectionLoop::OnWritable(Conn* c) {
  bool progressed = false;
  HttpExchange::Drained drained = c->exchange->Drain(&progressed);
  if (progressed) c->since = now_;
  if (drained == HttpExchange::Drained::kGone) return Close(c);
  if (drained == HttpExchange::Drained::kDone) AnswerOut(c);
}

void ConnectionLoop::AnswerOut(Conn* c) {
  Release(c);  // its answer's rest
  bool reuse = c->exchange->Reusable();
  c->exchange.reset();
  if (!reuse) {
    // The answer asked for the close, or the browser is gone.
    Linger(c);
  } else {
    c->state = State::kHeader;
  }
  // An idle connection keeps no buffer.
  if (c->in.empty()) std::string().swap(c->in);
  c->since = now_;
  Watch(c, kReading);
  // A request that came right behind the last one is already here.
  if (c->state == State::kHeader && !c->in.empty()) Process(c);
}

bool ConnectionLoop::NextRequestHere(Conn* c) {
  // An answer still pending goes out from the loop, and its connection's
  // next request waits for it.
  if (stopping_ || !c->exchange->Reusable() || c->exchange->pending()) return false;
  if (c->in.empty()) {
    pollfd ready{c->fd, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(kNextRequestWait.count())) <= 0) return false;
    char block[kReadBlock];
    ssize_t n = ::recv(c->fd, block, sizeof(block), MSG_DONTWAIT);
    // The loop sees the client's leaving again, and reads what is late.
    if (n <= 0) return false;
    c->in.append(block, static_cast<size_t>(n));
  }
  // Only a whole request without a body, plainly framed; anything else
  // (or anything to refuse) is the loop's, from the same buffer. The loop
  // looks at that buffer from where it had looked itself, not from where
  // this look stopped: bytes that can never be a request would otherwise
  // pass unjudged and wait out the header deadline instead of their 400.
  bool bad = false;
  size_t scanned = c->scanned;
  const size_t end = HeadEnd(&c->in, &scanned, &bad);
  if (end == std::string::npos || end > settings_.max_header_bytes) return false;
  RequestHead head;
  if (ParseRequestHead(std::string_view(c->in).substr(0, end), &head) != HeadStatus::kOk ||
      head.chunked || head.content_length > 0) {
    return false;
  }
  c->head = std::move(head);
  c->in.erase(0, end);
  c->scanned = 0;
  c->exchange = MakeExchange(c);
  return true;
}

void ConnectionLoop::Work() {
  std::unique_lock lock(mu_);
  for (;;) {
    if (queue_.empty()) {
      if (workers_stopping_) return;
      ++idle_workers_;
      work_.wait(lock, [this] { return !queue_.empty() || workers_stopping_; });
      --idle_workers_;
      continue;
    }
    Conn* c = queue_.front();
    queue_.pop_front();
    lock.unlock();
    do {
      try {
        handler_(c->exchange);
      } catch (const std::exception& error) {
        RequestFailureLines().Write(std::string("a request failed: ") + error.what());
      } catch (...) {
        RequestFailureLines().Write("a request failed");
      }
    } while (NextRequestHere(c));
    lock.lock();
    returns_.push_back(c);
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_fd_, &one, sizeof(one));
  }
}

}  // namespace ostrel::host
