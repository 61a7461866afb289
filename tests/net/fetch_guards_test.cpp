// The guards every remote transfer carries: the overall deadline, the
// address rule and the stop of every transfer.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/net/address_rule.h"
#include "platform/net/fetch_limits.h"
#include "platform/net/net_error.h"
#include "platform/net/run_origin.h"
#include "platform/net/xml_http.h"
#include "platform/vb/vb_error.h"
#include "support/fetch_limits_guard.h"
#include "support/http_server.h"

namespace ostrel::net {
namespace {

using namespace std::chrono_literals;
using testing::FetchLimitsGuard;
using testing::HttpAnswer;
using testing::HttpServer;

// The error number of a GET of url under the process-wide limits, 0 when
// it succeeds.
int32_t GetError(const std::string& url, std::string* description = nullptr) {
  try {
    XmlHttp http;
    http.open("GET", url, false);
    http.send();
  } catch (const vb::VbError& e) {
    if (description != nullptr) *description = e.description();
    return e.number();
  }
  return 0;
}

FetchLimits Limits(bool allow_private) {
  FetchLimits limits = FetchLimitsGuard::Short();
  limits.allow_private = allow_private;
  return limits;
}

TEST(AddressRuleTest, ClassifiesAddresses) {
  for (const char* ip : {"127.0.0.1",
                         "127.9.9.9",
                         "10.1.2.3",
                         "172.16.0.1",
                         "172.31.255.255",
                         "192.168.1.1",
                         "100.64.0.1",
                         "100.127.255.255",
                         "169.254.169.254",
                         "0.0.0.0",
                         "224.0.0.1",
                         "255.255.255.255",
                         "::",
                         "::1",
                         "fc00::1",
                         "fd12:3456::1",
                         "fe80::1",
                         "fe80::1%eth0",
                         "ff02::1",
                         "::ffff:127.0.0.1",
                         "::ffff:10.0.0.1",
                         "64:ff9b::a00:1",
                         "not an address",
                         ""}) {
    EXPECT_TRUE(IsPrivateAddress(ip)) << ip;
  }
  for (const char* ip : {"8.8.8.8", "172.15.255.255", "172.32.0.1", "100.63.255.255", "100.128.0.1",
                         "192.169.0.1", "2001:db8::1", "2606:4700::1111", "::ffff:8.8.8.8"}) {
    EXPECT_FALSE(IsPrivateAddress(ip)) << ip;
  }
}

class FetchGuardsTest : public ::testing::Test {
 protected:
  HttpServer server_;
  HttpServer other_;
};

TEST_F(FetchGuardsTest, ATricklingRemoteEndsAtTheDeadline) {
  // Two bytes a second never trips the idle limit; only the deadline ends it.
  server_.Route("/trickle", HttpAnswer::Slow(std::string(400, 'x'), 0ms, 500ms, 1));
  FetchLimits limits = Limits(true);
  limits.idle_timeout = 5s;
  limits.total_timeout = 1500ms;
  FetchLimitsGuard guard(limits);
  EXPECT_EQ(GetError(server_.Url("/trickle")), kErrTimeout);
}

TEST_F(FetchGuardsTest, PrivateAddressesOnlyWhenAllowed) {
  server_.Route("/page", HttpAnswer::Page("inside"));
  other_.Route("/to-loopback", HttpAnswer::Redirect(server_.Url("/page")));
  {
    FetchLimitsGuard guard(Limits(false));
    std::string why;
    EXPECT_EQ(GetError(server_.Url("/page"), &why), kErrCannotConnect);
    EXPECT_NE(why.find("127.0.0.1"), std::string::npos) << why;
    EXPECT_EQ(GetError(other_.Url("/to-loopback")), kErrCannotConnect);
    EXPECT_EQ(server_.RequestCount() + other_.RequestCount(), 0u);
    // Nor by a connection that an allowed fetch left open.
    FetchLimitsGuard allowed(Limits(true));
    EXPECT_EQ(GetError(server_.Url("/page")), 0);
  }
  FetchLimitsGuard guard(Limits(false));
  EXPECT_EQ(GetError(server_.Url("/page")), kErrCannotConnect);
  EXPECT_EQ(server_.RequestCount(), 1u);

  FetchLimitsGuard allowed(Limits(true));
  EXPECT_EQ(GetError(other_.Url("/to-loopback")), 0);
  EXPECT_EQ(server_.RequestsFor("/page").size(), 2u);
}

TEST_F(FetchGuardsTest, APublicSiteNeverLeadsToAPrivateOne) {
  // `other_` stands for a site on the internet.
  SetPublicEndpointsForTesting({other_.Host()});
  server_.Route("/page", HttpAnswer::Page("inside"));
  other_.Route("/public", HttpAnswer::Page("outside"));
  other_.Route("/to-private", HttpAnswer::Redirect(server_.Url("/page")));
  FetchLimitsGuard allowed(Limits(true));
  EXPECT_EQ(GetError(other_.Url("/public")), 0);
  // Refused whether the private site's connection is new or one kept open.
  EXPECT_EQ(GetError(other_.Url("/to-private")), kErrCannotConnect);
  EXPECT_EQ(GetError(server_.Url("/page")), 0);
  std::string why;
  EXPECT_EQ(GetError(other_.Url("/to-private"), &why), kErrCannotConnect);
  EXPECT_NE(why.find("public site"), std::string::npos) << why;
  EXPECT_EQ(server_.RequestsFor("/page").size(), 1u);
  SetPublicEndpointsForTesting({});
}

TEST_F(FetchGuardsTest, ARunWhoseListAddressIsPublicNeverReachesAPrivateOne) {
  SetPublicEndpointsForTesting({other_.Host()});
  server_.Route("/page", HttpAnswer::Page("inside"));
  other_.Route("/public", HttpAnswer::Page("outside"));
  FetchLimitsGuard allowed(Limits(true));
  {
    RunOrigin run([&] { return other_.Url("/list.html"); });
    std::string why;
    EXPECT_EQ(GetError(server_.Url("/page"), &why), kErrCannotConnect);
    EXPECT_NE(why.find("list address is public"), std::string::npos) << why;
    EXPECT_EQ(GetError(other_.Url("/public")), 0);
    // A thread that fetches for the run carries the run's decision.
    const RunOrigin::Decided decided{RunOrigin::AdmitsPrivate()};
    std::thread([&] {
      const RunOrigin carried(decided);
      EXPECT_EQ(GetError(server_.Url("/page")), kErrCannotConnect);
    }).join();
  }
  {
    RunOrigin run([&] { return server_.Url("/list.html"); });
    EXPECT_EQ(GetError(server_.Url("/page")), 0);
  }
  EXPECT_EQ(server_.RequestsFor("/page").size(), 1u);
  SetPublicEndpointsForTesting({});
}

// The stop is for good, so it runs in a process of its own.
TEST_F(FetchGuardsTest, CancellingEndsStalledTransfersAndRefusesNewOnes) {
  auto stop = [this] {
    server_.Route("/stalled", HttpAnswer::Stalled());
    server_.Route("/page", HttpAnswer::Page("fine"));
    // Time-outs far beyond the test's own: only the stop can end the fetch.
    FetchLimits limits = Limits(true);
    limits.idle_timeout = 600s;
    limits.total_timeout = 600s;
    FetchLimitsGuard guard(limits);
    std::thread stopper([this] {
      while (server_.RequestsFor("/stalled").empty()) std::this_thread::sleep_for(10ms);
      std::this_thread::sleep_for(100ms);
      CancelAllTransfers();
    });
    int32_t stalled = GetError(server_.Url("/stalled"));
    stopper.join();
    std::string why;
    int32_t later = GetError(server_.Url("/page"), &why);
    bool refused = why.find("stopping") != std::string::npos;
    std::exit(stalled == kErrConnectionAborted && later == kErrConnectionAborted && refused &&
                      server_.RequestsFor("/page").empty()
                  ? 0
                  : 1);
  };
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(stop(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace ostrel::net
