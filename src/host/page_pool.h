// PagePool: where the host's pages run. A server's request threads may have
// a small fixed stack, too small for a page (an error raised deep in a run
// step unwound through the dynamic loader and overran it, taking the whole
// process down), so every page runs on a page stack of its own, a main
// thread's size (8 MB).
//
// The request thread runs the page itself, switched onto a page stack for
// the page's length: handing each page to another thread and waiting for
// it cost two thread wake-ups per request, more than a short page itself.
// There are `threads` page stacks, so at most that many pages run at once;
// the others wait their turn in order of arrival.
//
// Pages that fetch from remote sites (a run step, a trial of an item) may
// wait on a slow remote for their whole fetch deadline. They may hold at
// most remote_share of the page stacks at once, so the other pages, and
// every other session, are still answered however many steps are stuck.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace ostrel::host {

class PagePool {
 public:
  static constexpr size_t kStackBytes = 8 << 20;

  enum class Kind { kLocal, kRemote };
  enum class Outcome { kDone, kBusy, kStopped };

  // threads >= 1; remote_share is clamped to 1..threads-1 (to 1 for a
  // single thread).
  PagePool(int threads, int remote_share);
  ~PagePool();
  PagePool(const PagePool&) = delete;
  PagePool& operator=(const PagePool&) = delete;

  // Runs job on a page stack and returns when it has ended (kDone). A
  // remote job first waits at most max_wait for a free share: kBusy when
  // none came, and job never runs. kStopped once Stop was called.
  Outcome Run(const std::function<void()>& job, Kind kind, std::chrono::milliseconds max_wait);

  // Lets the running and waiting jobs end, refuses new ones, and returns
  // when none is left.
  void Stop();

  int remote_share() const { return remote_share_; }

 private:
  // A job that found every page stack in use; the job that ends next hands
  // it its stack.
  struct Waiter {
    void* stack = nullptr;
    std::condition_variable granted;  // the waiting request thread's own
  };
  void* TakeStack();  // with mu_ held and a stack free

  int threads_;
  int remote_share_;
  std::mutex mu_;
  std::condition_variable share_;  // a remote share was freed
  std::condition_variable ended_;  // the last running job ended (for Stop)
  // Stacks not in use, the one used last at the back: its memory is still
  // warm. Made on first use, kept until the pool ends.
  std::vector<void*> free_stacks_;
  int made_stacks_ = 0;
  int running_ = 0;
  std::deque<Waiter*> queue_;
  int remote_running_ = 0;
  bool stopping_ = false;
};

}  // namespace ostrel::host
