#include "platform/asp/session_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

namespace ostrel::asp {
namespace {

using std::chrono::milliseconds;
using std::chrono::minutes;
using std::chrono::steady_clock;
using Status = SessionLease::Status;

constexpr milliseconds kLong{30'000};

class SessionTest : public ::testing::Test {
 protected:
  std::string NewSession() {
    SessionLease lease = store_.Create();
    return lease.session()->SessionID();
  }
  steady_clock::time_point now_{};
  SessionStore store_{minutes(20), [this] { return now_; }, 3};
};

TEST_F(SessionTest, OnlyCreateMakesSessionsAndTheCookieIdFindsThem) {
  std::string id;
  {
    SessionLease lease = store_.Create();
    EXPECT_TRUE(lease.created());
    id = lease.session()->SessionID();
    EXPECT_EQ(id.size(), 24u);
    lease.session()->SetItem("AdminName", vb::Variant("admin"));
  }
  SessionLease again = store_.Acquire(id, kLong);
  EXPECT_EQ(again.status(), Status::kHeld);
  EXPECT_EQ(again.session()->Item("adminname").AsString(), "admin");

  // A missing or forged id is served with an empty session that is not kept.
  for (const char* other : {"", "FORGEDIDFORGEDIDFORGEDID"}) {
    SessionLease lease = store_.Acquire(other, kLong);
    EXPECT_EQ(lease.status(), Status::kTransient);
    lease.session()->SetItem("AdminName", vb::Variant("x"));
  }
  EXPECT_EQ(store_.Count(), 1u);
}

TEST_F(SessionTest, AnIdleSessionExpiresAndABusyOneDoesNot) {
  std::string idle_id = NewSession();
  SessionLease busy = store_.Create();
  std::string busy_id = busy.session()->SessionID();
  now_ += minutes(19);
  EXPECT_EQ(store_.Acquire(idle_id, kLong).status(), Status::kHeld);  // the clock restarts
  now_ += minutes(20);
  EXPECT_EQ(store_.Acquire(idle_id, kLong).status(), Status::kTransient);
  EXPECT_EQ(store_.Users(busy_id), 1);  // the running request kept its session
}

TEST_F(SessionTest, TheFullStoreDropsTheSessionIdleLongest) {
  std::string oldest = NewSession();
  now_ += minutes(1);
  std::string older = NewSession();
  now_ += minutes(1);
  std::string newer = NewSession();
  EXPECT_EQ(store_.Acquire(oldest, kLong).status(), Status::kHeld);  // now the newest use
  std::string fourth = NewSession();
  EXPECT_EQ(store_.Count(), 3u);
  EXPECT_EQ(store_.Acquire(older, kLong).status(), Status::kTransient);
  for (const std::string& kept : {oldest, newer, fourth}) {
    EXPECT_EQ(store_.Acquire(kept, kLong).status(), Status::kHeld);
  }
}

TEST_F(SessionTest, RequestsOfOneSessionRunOneAtATimeAndWaitBoundedly) {
  std::optional<SessionLease> first(store_.Create());
  std::string id = first->session()->SessionID();
  // Held for the whole wait: the second request gives up.
  EXPECT_EQ(store_.Acquire(id, milliseconds(20)).status(), Status::kBusy);

  std::atomic<bool> second_running{false};
  std::string seen;
  std::thread second([&] {
    SessionLease lease = store_.Acquire(id, kLong);
    second_running = true;
    seen = vb::Variant(lease.session()->Item("SucceedCount")).AsString();
  });
  while (store_.Users(id) < 2) std::this_thread::yield();
  EXPECT_FALSE(second_running);
  // Another session is not held up meanwhile.
  EXPECT_TRUE(store_.Create().created());
  first->session()->SetItem("SucceedCount", vb::Variant("7"));
  first.reset();
  second.join();
  EXPECT_EQ(seen, "7");
}

TEST_F(SessionTest, StopWakesTheWaitersAndRemoveDropsTheSession) {
  std::optional<SessionLease> holder(store_.Create());
  std::string id = holder->session()->SessionID();
  std::thread waiter([&] { EXPECT_EQ(store_.Acquire(id, kLong).status(), Status::kStopped); });
  while (store_.Users(id) < 2) std::this_thread::yield();
  store_.Stop();
  waiter.join();
  holder.reset();
  store_.Remove(id);
  EXPECT_EQ(store_.Count(), 0u);
}

}  // namespace
}  // namespace ostrel::asp
