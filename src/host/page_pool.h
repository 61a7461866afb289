// PagePool: the threads that run the host's pages. civetweb's own request
// threads have a small fixed stack, too small for a page (an error raised
// deep in a run step unwound through the dynamic loader and overran it,
// taking the whole process down), so a request thread hands its page here
// and waits: every page runs with a main thread's stack (8 MB).
//
// Pages that fetch from remote sites (a run step, a trial of an item) may
// wait on a slow remote for their whole fetch deadline. They may hold at
// most remote_share of the threads at once, so the other pages, and every
// other session, are still answered however many steps are stuck.
#pragma once

#include <pthread.h>
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

  // Runs job on a pool thread and returns when it has ended (kDone). A
  // remote job first waits at most max_wait for a free share: kBusy when
  // none came, and job never runs. kStopped once Stop was called.
  Outcome Run(const std::function<void()>& job, Kind kind, std::chrono::milliseconds max_wait);

  // Lets the running jobs end, refuses new ones, and joins the threads.
  void Stop();

  int remote_share() const { return remote_share_; }

 private:
  struct Job {
    const std::function<void()>* function = nullptr;
    bool done = false;
    std::condition_variable finished;  // the waiting request thread's own
  };
  struct Worker {
    std::condition_variable wake;
    Job* job = nullptr;
  };
  static void* ThreadMain(void* self);
  void Work();

  int remote_share_;
  std::mutex mu_;
  // Each wakes only whom it concerns: a freed share one remote page, a new
  // job the page thread idle the shortest time (its stack and caches are
  // still warm; handing jobs round all the threads made a page markedly
  // slower).
  std::condition_variable share_;
  std::vector<Worker*> idle_;  // newest last
  std::deque<Job*> queue_;     // jobs that found no idle thread
  int remote_running_ = 0;
  bool stopping_ = false;
  std::vector<pthread_t> threads_;
};

}  // namespace ostrel::host
