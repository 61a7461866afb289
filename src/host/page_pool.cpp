#include "host/page_pool.h"

#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <utility>

#include "host/console_bursts.h"
#include "host/stack_switch.h"

namespace ostrel::host {

namespace {

// One page stack's mapping: a guard page below the stack, so that an
// overrun stops the process at once instead of writing over other memory.
size_t GuardBytes() { return static_cast<size_t>(sysconf(_SC_PAGESIZE)); }

void* MapStack() {
  const size_t guard = GuardBytes();
  void* base = mmap(nullptr, PagePool::kStackBytes + guard, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK | MAP_NORESERVE, -1, 0);
  if (base == MAP_FAILED) return nullptr;
  if (mprotect(base, guard, PROT_NONE) != 0) {
    munmap(base, PagePool::kStackBytes + guard);
    return nullptr;
  }
  return static_cast<char*>(base) + guard;
}

void UnmapStack(void* stack) {
  const size_t guard = GuardBytes();
  munmap(static_cast<char*>(stack) - guard, PagePool::kStackBytes + guard);
}

// The page being run on this thread's page stack, for PageEntry.
struct PageCall {
  const std::function<void()>* job = nullptr;
  ucontext_t caller{};
  // The caller's stack, as the sanitizer (when built with it) knows it.
  void* caller_fake_stack = nullptr;
  const void* caller_bottom = nullptr;
  size_t caller_size = 0;
};
thread_local PageCall* current_call = nullptr;

void PageEntry() {
  FinishSwitch(nullptr, &current_call->caller_bottom, &current_call->caller_size);
  try {
    (*current_call->job)();
  } catch (const std::exception& error) {
    // A fault of one page must not end the host; it is logged and the
    // request ends where it stopped.
    PageFailureLines().Write(std::string("a page failed: ") + error.what());
  } catch (...) {
    PageFailureLines().Write("a page failed");
  }
  // The page's stack ends here: nothing of it is kept.
  StartSwitch(nullptr, current_call->caller_bottom, current_call->caller_size);
  // Returning resumes uc_link: the request thread's own stack.
}

// Runs job on stack and returns when it has ended, on the calling thread.
void RunOnStack(void* stack, const std::function<void()>& job) {
  PageCall call;
  call.job = &job;
  ucontext_t page{};
  getcontext(&page);
  page.uc_stack.ss_sp = stack;
  page.uc_stack.ss_size = PagePool::kStackBytes;
  page.uc_link = &call.caller;
  makecontext(&page, &PageEntry, 0);
  PageCall* outer = std::exchange(current_call, &call);
  StartSwitch(&call.caller_fake_stack, stack, PagePool::kStackBytes);
  swapcontext(&call.caller, &page);
  FinishSwitch(call.caller_fake_stack, nullptr, nullptr);
  current_call = outer;
}

}  // namespace

PagePool::PagePool(int threads, int remote_share) {
  threads_ = std::max(threads, 1);
  remote_share_ = std::clamp(remote_share, 1, std::max(threads_ - 1, 1));
  for (int i = 0; i < threads_; ++i) {
    void* stack = MapStack();
    if (stack == nullptr) {
      // Without its page stacks the host cannot serve a page at all.
      std::fprintf(stderr, "ostrel-host: cannot make a page stack\n");
      std::abort();
    }
    free_stacks_.push_back(stack);
  }
}

PagePool::~PagePool() {
  Stop();
  for (void* stack : free_stacks_) UnmapStack(stack);
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
  void* stack = nullptr;
  if (!free_stacks_.empty()) {
    stack = free_stacks_.back();
    free_stacks_.pop_back();
    ++running_;
  } else {
    Waiter waiter;
    queue_.push_back(&waiter);
    waiter.granted.wait(lock, [&] { return waiter.stack != nullptr; });
    stack = waiter.stack;  // handed over: still counted as running
  }
  lock.unlock();
  RunOnStack(stack, job);
  lock.lock();
  if (!queue_.empty()) {
    Waiter* next = queue_.front();
    queue_.pop_front();
    next->stack = stack;
    next->granted.notify_one();
  } else {
    free_stacks_.push_back(stack);
    if (--running_ == 0) ended_.notify_all();
  }
  if (kind == Kind::kRemote) {
    --remote_running_;
    share_.notify_one();
  }
  return Outcome::kDone;
}

void PagePool::Stop() {
  std::unique_lock lock(mu_);
  stopping_ = true;
  share_.notify_all();
  // What is queued still runs: a waiting job gets its stack as one ends.
  ended_.wait(lock, [this] { return running_ == 0; });
}

}  // namespace ostrel::host
