#include "platform/asp/request_context.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ostrel::asp {
namespace {

struct Connection {
  std::vector<std::string>* log = nullptr;
  std::string name;
  ~Connection() {
    if (log != nullptr) log->push_back("closed " + name);
  }
};

TEST(RequestContextTest, ScopesBindTheContextToTheThread) {
  EXPECT_EQ(CurrentContext(), nullptr);
  RequestContext outer, inner;
  {
    ContextScope a(outer);
    EXPECT_EQ(CurrentContext(), &outer);
    {
      ContextScope b(inner);
      EXPECT_EQ(CurrentContext(), &inner);
    }
    EXPECT_EQ(CurrentContext(), &outer);
  }
  EXPECT_EQ(CurrentContext(), nullptr);
}

TEST(RequestContextTest, ExtensionsBelongToOneRequestAndEndWithIt) {
  std::vector<std::string> log;
  {
    RequestContext first, second;
    first.Extension<Connection>().log = &log;
    first.Extension<Connection>().name = "first";
    first.Extension<int>() = 5;
    EXPECT_EQ(second.Extension<Connection>().name, "");
    EXPECT_EQ(second.Extension<int>(), 0);
    EXPECT_EQ(first.Extension<int>(), 5);
    EXPECT_TRUE(log.empty());
  }
  EXPECT_EQ(log, (std::vector<std::string>{"closed first"}));
}

TEST(RequestContextTest, HoldsTheFiveObjects) {
  auto sink = std::shared_ptr<ResponseSink>();
  RequestContext context(std::make_shared<asp::Request>(), std::make_shared<asp::Response>(sink),
                         std::make_shared<asp::Server>("C:\\site", "/a.asp"),
                         std::make_shared<asp::Session>("ID"),
                         std::make_shared<asp::Application>());
  ContextScope scope(context);
  ASSERT_TRUE(CurrentContext()->Session);
  EXPECT_EQ(CurrentContext()->Session->SessionID(), "ID");
  EXPECT_EQ(CurrentContext()->Server->MapPath("b.asp"), "C:\\site\\b.asp");
}

}  // namespace
}  // namespace ostrel::asp
