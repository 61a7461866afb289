#include "platform/asp/application.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "platform/asp/request_context.h"

namespace ostrel::asp {
namespace {

std::unique_ptr<RequestContext> NewRequest(const std::shared_ptr<Application>& app) {
  return std::make_unique<RequestContext>(nullptr, nullptr, nullptr, nullptr, app);
}

void WaitForWaiters(const Application& app, int n) {
  while (app.Waiters() < n) std::this_thread::yield();
}

TEST(ApplicationTest, KeysIgnoreCaseAndKeepTheirFirstSpelling) {
  Application app;
  app.SetItem("myzemble_MyConfig", vb::Variant(int32_t{1}));
  app.SetItem("MYZEMBLE_myconfig", vb::Variant(int32_t{2}));
  EXPECT_EQ(app.Item("myzemble_myconfig").AsLong(), 2);
  EXPECT_EQ(app.contents().Count(), 1);
  EXPECT_EQ(app.contents().Key(1), "myzemble_MyConfig");
  EXPECT_TRUE(app.Item("other").IsEmpty());
}

TEST(ApplicationTest, ContentsEnumeratesAndRemoves) {
  Application app;
  app.SetItem("a", vb::Variant("1"));
  app.SetItem("b", vb::Variant("2"));
  app.SetItem("c", vb::Variant("3"));
  app.contents().Remove("B");
  app.contents().Remove("nothing");
  EXPECT_EQ(app.contents().Keys(), (std::vector<std::string>{"a", "c"}));
  EXPECT_TRUE(app.Item("b").IsEmpty());
  app.contents().RemoveAll();
  EXPECT_EQ(app.contents().Count(), 0);
}

// A second request blocks in Lock until the first gives the lock up.
TEST(ApplicationTest, TheLockIsReentrantAndOwnedByOneRequest) {
  auto app = std::make_shared<Application>();
  auto first = NewRequest(app);
  std::atomic<bool> second_has_lock{false};
  std::thread other;
  {
    ContextScope scope(*first);
    app->Lock();
    app->Lock();  // the same request again: no wait
    other = std::thread([&] {
      auto second = NewRequest(app);
      ContextScope s(*second);
      app->Lock();
      second_has_lock = true;
      app->UnLock();
    });
    WaitForWaiters(*app, 1);
    app->UnLock();  // one level still held
    EXPECT_FALSE(second_has_lock);
    EXPECT_EQ(app->Waiters(), 1);
    app->UnLock();
  }
  other.join();
  EXPECT_TRUE(second_has_lock);
}

TEST(ApplicationTest, ARequestThatEndsHoldingTheLockReleasesIt) {
  auto app = std::make_shared<Application>();
  auto forgetful = NewRequest(app);
  {
    ContextScope scope(*forgetful);
    app->Lock();
    app->Lock();
  }
  std::atomic<bool> acquired{false};
  std::thread other([&] {
    auto next = NewRequest(app);
    ContextScope s(*next);
    app->Lock();
    acquired = true;
    app->UnLock();
  });
  WaitForWaiters(*app, 1);
  EXPECT_FALSE(acquired);
  forgetful.reset();  // the request ends
  other.join();
  EXPECT_TRUE(acquired);
}

TEST(ApplicationTest, UnLockByARequestThatHoldsNothingIsIgnored) {
  auto app = std::make_shared<Application>();
  auto holder = NewRequest(app);
  auto stranger = NewRequest(app);
  {
    ContextScope scope(*holder);
    app->Lock();
  }
  {
    ContextScope scope(*stranger);
    app->UnLock();
  }
  std::atomic<bool> acquired{false};
  std::thread other([&] {
    app->Lock();  // outside a request: the thread owns it
    acquired = true;
    app->UnLock();
  });
  WaitForWaiters(*app, 1);
  EXPECT_FALSE(acquired);
  {
    ContextScope scope(*holder);
    app->UnLock();
  }
  other.join();
  EXPECT_TRUE(acquired);
}

}  // namespace
}  // namespace ostrel::asp
