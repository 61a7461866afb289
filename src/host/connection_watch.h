// ConnectionWatch: the deadlines of the host's open connections. The HTTP
// library itself only drops a connection that stays silent, so a client
// that trickles its header a byte at a time would keep its connection for
// as long as it liked. Here every connection has a deadline while the host
// waits on it: its whole request header within the header deadline
// (counted from its opening, or from the end of its previous answer), a
// body at the minimum rate. A connection past its deadline has its socket
// shut down, which the library sees as the client leaving. While a page
// answers, the connection has no deadline.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace ostrel::host {

class ConnectionWatch {
 public:
  using Clock = std::chrono::steady_clock;
  struct Entry {
    int fd = -1;
    Clock::time_point deadline = Clock::time_point::max();
  };

  ConnectionWatch() = default;
  ~ConnectionWatch() { Stop(); }
  ConnectionWatch(const ConnectionWatch&) = delete;
  ConnectionWatch& operator=(const ConnectionWatch&) = delete;

  void Start();
  void Stop();

  // A connection opened on socket fd. The entry stays valid until Remove,
  // which must come before the socket is closed.
  Entry* Add(int fd, Clock::time_point deadline);
  void Remove(Entry* entry);
  void SetDeadline(Entry* entry, Clock::time_point deadline);
  void ClearDeadline(Entry* entry) { SetDeadline(entry, Clock::time_point::max()); }

 private:
  void Run();

  std::mutex mu_;
  std::condition_variable wake_;
  std::unordered_set<Entry*> entries_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace ostrel::host
