// PagePool: a page called from a thread with a small connection stack still
// has a full stack, and the pool keeps its bounds (pages at once, the
// remote share).
#include "host/page_pool.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

namespace ostrel::host {
namespace {

// Runs fn on a thread with a 128 KB stack, as a small connection thread has.
void OnSmallStack(const std::function<void()>& fn) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 128 << 10);
  pthread_t thread;
  auto call = [](void* f) -> void* {
    (*static_cast<const std::function<void()>*>(f))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, call, const_cast<std::function<void()>*>(&fn)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

// Uses n bytes of stack; the compiler cannot drop the buffer.
__attribute__((noinline)) int UseStack(size_t n) {
  char* buf = static_cast<char*>(__builtin_alloca(n));
  std::memset(buf, 1, n);
  return buf[0] + buf[n - 1];
}

TEST(PagePoolTest, APageFromASmallStackThreadHasAFullStack) {
  PagePool pool(2, 1);
  int used = 0;
  PagePool::Outcome outcome = PagePool::Outcome::kBusy;
  OnSmallStack([&] {
    outcome = pool.Run([&] { used = UseStack(6 << 20); }, PagePool::Kind::kLocal,
                       std::chrono::milliseconds(0));
  });
  EXPECT_EQ(outcome, PagePool::Outcome::kDone);
  EXPECT_EQ(used, 2);
}

TEST(PagePoolTest, RemotePagesKeepToTheirShareAndOthersStillRun) {
  PagePool pool(2, 1);
  std::mutex mu;
  std::condition_variable cv;
  bool started = false, release = false;
  std::thread holder([&] {
    pool.Run(
        [&] {
          std::unique_lock lock(mu);
          started = true;
          cv.notify_all();
          cv.wait(lock, [&] { return release; });
        },
        PagePool::Kind::kRemote, std::chrono::milliseconds(1000));
  });
  {
    std::unique_lock lock(mu);
    cv.wait(lock, [&] { return started; });
  }
  bool ran = false;
  EXPECT_EQ(pool.Run([&] { ran = true; }, PagePool::Kind::kRemote, std::chrono::milliseconds(20)),
            PagePool::Outcome::kBusy);
  EXPECT_FALSE(ran);
  EXPECT_EQ(pool.Run([&] { ran = true; }, PagePool::Kind::kLocal, std::chrono::milliseconds(0)),
            PagePool::Outcome::kDone);
  EXPECT_TRUE(ran);
  {
    std::lock_guard lock(mu);
    release = true;
  }
  cv.notify_all();
  holder.join();
  pool.Stop();
  EXPECT_EQ(pool.Run([] {}, PagePool::Kind::kLocal, std::chrono::milliseconds(0)),
            PagePool::Outcome::kStopped);
}

}  // namespace
}  // namespace ostrel::host
