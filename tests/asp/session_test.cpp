#include "platform/asp/session_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace ostrel::asp {
namespace {

using std::chrono::minutes;
using std::chrono::steady_clock;

class SessionTest : public ::testing::Test {
 protected:
  steady_clock::time_point now_{};
  SessionStore store_{minutes(20), [this] { return now_; }};
};

TEST_F(SessionTest, TheCookieIdFindsTheSameSession) {
  std::string id;
  {
    SessionLease lease = store_.Acquire("");
    EXPECT_TRUE(lease.created());
    id = lease.session()->SessionID();
    EXPECT_EQ(id.size(), 24u);
    lease.session()->SetItem("AdminName", vb::Variant("admin"));
  }
  SessionLease again = store_.Acquire(id);
  EXPECT_FALSE(again.created());
  EXPECT_EQ(again.session()->Item("adminname").AsString(), "admin");
  EXPECT_TRUE(again.session()->Item("SucceedCount").IsEmpty());
}

TEST_F(SessionTest, AnUnknownIdGetsANewSessionWithAFreshId) {
  SessionLease lease = store_.Acquire("FORGEDIDFORGEDIDFORGEDID");
  EXPECT_TRUE(lease.created());
  EXPECT_NE(lease.session()->SessionID(), "FORGEDIDFORGEDIDFORGEDID");
}

TEST_F(SessionTest, AnIdleSessionExpiresAndABusyOneDoesNot) {
  std::string idle_id, busy_id;
  {
    SessionLease idle = store_.Acquire("");
    idle_id = idle.session()->SessionID();
  }
  SessionLease busy = store_.Acquire("");
  busy_id = busy.session()->SessionID();
  now_ += minutes(19);
  EXPECT_FALSE(store_.Acquire(idle_id).created());  // used again: the clock restarts
  now_ += minutes(20);
  SessionLease late = store_.Acquire(idle_id);
  EXPECT_TRUE(late.created());
  EXPECT_EQ(store_.Users(busy_id), 1);  // the running request kept its session
}

TEST_F(SessionTest, RequestsOfOneSessionRunOneAtATime) {
  SessionLease first = store_.Acquire("");
  std::string id = first.session()->SessionID();
  std::atomic<bool> second_running{false};
  std::string seen;
  std::thread second([&] {
    SessionLease lease = store_.Acquire(id);
    second_running = true;
    seen = vb::Variant(lease.session()->Item("SucceedCount")).AsString();
  });
  while (store_.Users(id) < 2) std::this_thread::yield();
  EXPECT_FALSE(second_running);
  // Another session is not held up meanwhile.
  EXPECT_TRUE(store_.Acquire("").created());
  first.session()->SetItem("SucceedCount", vb::Variant("7"));
  { SessionLease done = std::move(first); }
  second.join();
  EXPECT_TRUE(second_running);
  EXPECT_EQ(seen, "7");
}

TEST_F(SessionTest, RemoveDropsTheSession) {
  std::string id;
  {
    SessionLease lease = store_.Acquire("");
    id = lease.session()->SessionID();
  }
  store_.Remove(id);
  EXPECT_EQ(store_.Count(), 0u);
  EXPECT_TRUE(store_.Acquire(id).created());
}

}  // namespace
}  // namespace ostrel::asp
