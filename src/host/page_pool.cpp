#include "host/page_pool.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>

namespace ostrel::host {

PagePool::PagePool(int threads, int remote_share) {
  threads = std::max(threads, 1);
  remote_share_ = std::clamp(remote_share, 1, std::max(threads - 1, 1));
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, kStackBytes);
  for (int i = 0; i < threads; ++i) {
    pthread_t thread;
    if (pthread_create(&thread, &attr, &PagePool::ThreadMain, this) != 0) {
      // Without its page threads the host cannot serve a page at all.
      std::fprintf(stderr, "ostrel-host: cannot start a page thread\n");
      std::abort();
    }
    threads_.push_back(thread);
  }
  pthread_attr_destroy(&attr);
}

PagePool::~PagePool() { Stop(); }

void* PagePool::ThreadMain(void* self) {
  static_cast<PagePool*>(self)->Work();
  return nullptr;
}

void PagePool::Work() {
  Worker self;
  std::unique_lock lock(mu_);
  for (;;) {
    Job* job = nullptr;
    if (!queue_.empty()) {
      job = queue_.front();
      queue_.pop_front();
    } else if (stopping_) {
      return;
    } else {
      idle_.push_back(&self);
      self.wake.wait(lock, [&] { return self.job != nullptr || stopping_; });
      if (self.job == nullptr) {
        std::erase(idle_, &self);
        continue;  // stopping: what is queued still runs
      }
      job = std::exchange(self.job, nullptr);
    }
    lock.unlock();
    try {
      (*job->function)();
    } catch (const std::exception& error) {
      // A fault of one page must not end the host; it is logged and the
      // request ends where it stopped.
      std::fprintf(stderr, "ostrel-host: a page failed: %s\n", error.what());
    } catch (...) {
      std::fprintf(stderr, "ostrel-host: a page failed\n");
    }
    lock.lock();
    job->done = true;
    job->finished.notify_one();
  }
}

PagePool::Outcome PagePool::Run(const std::function<void()>& job, Kind kind,
                                std::chrono::milliseconds max_wait) {
  std::unique_lock lock(mu_);
  if (stopping_) return Outcome::kStopped;
  if (kind == Kind::kRemote) {
    bool free = share_.wait_for(lock, max_wait,
                                [this] { return stopping_ || remote_running_ < remote_share_; });
    if (stopping_) return Outcome::kStopped;
    if (!free) return Outcome::kBusy;
    ++remote_running_;
  }
  Job entry;
  entry.function = &job;
  if (!idle_.empty()) {
    Worker* worker = idle_.back();
    idle_.pop_back();
    worker->job = &entry;
    worker->wake.notify_one();
  } else {
    queue_.push_back(&entry);
  }
  entry.finished.wait(lock, [&] { return entry.done; });
  if (kind == Kind::kRemote) {
    --remote_running_;
    share_.notify_one();
  }
  return Outcome::kDone;
}

void PagePool::Stop() {
  {
    std::lock_guard lock(mu_);
    if (stopping_ && threads_.empty()) return;
    stopping_ = true;
    for (Worker* worker : idle_) worker->wake.notify_one();
  }
  share_.notify_all();
  for (pthread_t thread : threads_) pthread_join(thread, nullptr);
  threads_.clear();
}

}  // namespace ostrel::host
