// ConnectionLoop: the host's connections, from accept to a complete
// request, on one event-driven thread. While a connection has not yet
// delivered a whole request (its header, then its body), or sits idle
// between requests, it costs a socket and a small buffer, no thread; a
// complete request is handed to a worker thread, which answers it (a page,
// a static file) by writing to the socket itself and then gives the
// connection back for its next request.
//
// What a client may hold:
// - A connection waiting for a request (header, body, idle keep-alive) has
//   the header deadline: its whole header within it, counted from its
//   opening or from the end of its previous answer. A body must keep the
//   minimum rate after its grace period and arrive whole within its
//   deadline (request_body.h). Past that the connection is closed. Bytes
//   that can never be a request (a bare LF, another protocol) are refused
//   at once.
// - A worker never waits for a browser to read a complete answer: what the
//   socket does not take at once (http_exchange.h) is written by the loop
//   as the socket allows, and the connection's next request is not read
//   until it is out. Such a connection waits too: it counts with the
//   waiting ones and is closed when the browser reads nothing for the write
//   deadline. Only a page still running waits on its socket itself.
// - Waiting connections are bounded per client address and in all; when a
//   new connection would pass a bound, the oldest waiting connection (of
//   that address, or of all) is closed to make room. So a crowd of slow
//   clients only ever displaces itself, and a new connection that delivers
//   its request at once is never refused for its address.
// - All connections, and the files their answers are sending, stay within
//   what the process's descriptors allow, with room left for the databases,
//   fetches and files.
// - The memory connections hold (bodies as they arrive, until their
//   request is answered; the rest of answers being written) is bounded per
//   client address and in all. A small body (any admin form) or an
//   answer's rest that finds no room displaces the oldest waiting holder of
//   its address, or of the address that holds most; a large body leaves a
//   quarter of each bound free for those and is refused (503) when it
//   finds no room, as is one above the body limit at its header (413).
// - A request whose framing is ambiguous or malformed gets 400, and its
//   connection is closed (request_head.h).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/http_exchange.h"
#include "host/request_body.h"

namespace ostrel::host {

struct LoopSettings {
  // Connections waiting for a request (its header or body, or idle
  // between requests) that one client address may hold at once (0: no
  // bound but the overall one).
  int connections_per_address = 1024;
  // All connections (0: as many as the descriptors allow, less a reserve).
  int max_connections = 0;
  std::chrono::milliseconds header_timeout{10'000};
  size_t max_header_bytes = 16 << 10;
  BodyLimits body;
  // What connections hold in memory (bodies being received, the rest of
  // answers being written), per client address and in all.
  size_t held_bytes_per_address = 8 << 20;
  size_t held_bytes = 64 << 20;
  // The largest rest of an answer a worker hands to the loop; a worker
  // writes a larger one itself (only a large page can leave so much).
  size_t max_handed_answer = 2 << 20;
  // Threads answering complete requests; more requests wait their turn.
  int workers = 128;
  // How long a browser may read nothing of an answer.
  std::chrono::milliseconds write_deadline{30'000};
};

class ConnectionLoop {
 public:
  using Handler = std::function<void(const std::shared_ptr<HttpExchange>&)>;

  ConnectionLoop(LoopSettings settings, Handler handler);
  ~ConnectionLoop();
  ConnectionLoop(const ConnectionLoop&) = delete;
  ConnectionLoop& operator=(const ConnectionLoop&) = delete;

  // Serves the listening socket (taken over) of port. False when the loop
  // cannot be set up.
  bool Start(int listen_fd, int port);
  // Closes the waiting connections and shuts the answered ones down (their
  // writes fail at once), and returns when every worker has ended.
  void Stop();

  // The bound on all connections in force.
  int connection_cap() const { return cap_; }

 private:
  struct Address;
  struct Conn;
  enum class State { kHeader, kBody, kQueued, kWrite, kLinger };

  void Run();
  void Accept();
  void OnReadable(Conn* c);
  // Writes more of a pending answer.
  void OnWritable(Conn* c);
  // The connection's answer is out: on to its next request, or closing.
  void AnswerOut(Conn* c);
  // Reads what the connection's buffer holds as far as it goes.
  void Process(Conn* c);
  void StartBody(Conn* c);
  std::shared_ptr<HttpExchange> MakeExchange(const Conn* c) const;
  // On a worker that has answered c: takes the connection's next request
  // when it comes at once, whole and without a body.
  bool NextRequestHere(Conn* c);
  void Dispatch(Conn* c);
  // Answers with a short error of the host's own and closes.
  void Reject(Conn* c, int status, const char* text);
  void Close(Conn* c);
  // Ends the connection's writing side and drains its input until it
  // closes or its moment is up.
  void Linger(Conn* c);
  void ListWaiting(Conn* c);
  void UnlistWaiting(Conn* c);
  bool EvictOldest(Address* address);
  // Makes room for c among its address's waiting connections.
  void MakeWaitingRoom(Conn* c);
  // Counts bytes as held by c; false when there is no room for them (only
  // after displacing others, when may_displace).
  bool Hold(Conn* c, size_t bytes, bool may_displace);
  bool HoldBody(Conn* c, size_t bytes);
  bool MakeRoom(Conn* c, size_t bytes);
  static Conn* OldestHolder(const Address* address, const Conn* spared);
  void Release(Conn* c);
  void Sweep();
  void TakeReturns();
  void Work();
  void Watch(Conn* c, uint32_t events);
  void PauseAccepting();

  const LoopSettings settings_;
  const Handler handler_;
  int cap_ = 0;
  int listen_fd_ = -1;
  int port_ = 0;
  int epoll_fd_ = -1;
  int wake_fd_ = -1;
  std::thread thread_;
  std::atomic<bool> stopping_{false};

  // The loop thread's own.
  std::chrono::steady_clock::time_point now_;
  std::unordered_map<std::string, std::unique_ptr<Address>> addresses_;
  std::list<Conn*> waiting_;  // oldest first
  std::unordered_set<Conn*> active_;  // with a worker, or waiting for one
  std::vector<Conn*> closed_;  // closed this turn, freed at its end
  int connections_ = 0;
  int files_ = 0;      // files that pending answers are sending
  size_t held_ = 0;    // bytes that connections hold
  bool accept_paused_ = false;
  std::chrono::steady_clock::time_point accept_resume_;
  std::chrono::steady_clock::time_point next_sweep_;

  // Shared with the workers.
  std::mutex mu_;
  std::condition_variable work_;
  std::deque<Conn*> queue_;
  std::vector<Conn*> returns_;
  std::vector<std::thread> workers_;
  int idle_workers_ = 0;
  bool workers_stopping_ = false;
};

// Raises the process's soft descriptor limit as far as its hard limit
// allows, so the connection bounds can be set from it.
void RaiseDescriptorLimit();

}  // namespace ostrel::host
