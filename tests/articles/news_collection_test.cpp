#include "gathering/articles/news_collection.h"

#include <gtest/gtest.h>

#include "platform/vb/convert.h"
#include "processing/page_fixture.h"

namespace ostrel::articles {
namespace {

class NewsCollectionTest : public testing::PageFixture {};

TEST_F(NewsCollectionTest, OpenConnectionOpensBoth) {
  {
    NewsCollection news;
    news.SetConnString(ConnString());
    news.SetDBConnstr(ConnString());
    EXPECT_FALSE(component::HostState().HostConnected);
    news.OpenConnection();
    EXPECT_TRUE(component::HostState().HostConnected);
    ASSERT_TRUE(news.gather_connection());
    ASSERT_TRUE(component::HostState().HostConnection);
    auto rs = news.gather_connection()->Execute("SELECT stopGather FROM QX_NewsConfig");
    EXPECT_FALSE(rs.Eof());
  }
  // The release closes the request's host connection.
  EXPECT_FALSE(component::HostState().HostConnection);
  EXPECT_EQ(Output(), "");
}

TEST_F(NewsCollectionTest, WrongConnStringWritesOneMessageAndEnds) {
  NewsCollection news;
  news.SetConnString("Data Source=" + dir_.string() + "/nothing.mdb");
  news.SetDBConnstr(ConnString());
  news.OpenConnection();
  EXPECT_FALSE(news.gather_connection());
  EXPECT_TRUE(component::HostState().HostConnected);
  EXPECT_TRUE(component::HostState().HostConnection);  // still attempted
  EXPECT_EQ(Output(), "数据库连接出错，请检查连接字串。");
  EXPECT_TRUE(context_->Response->IsEnded());
}

TEST_F(NewsCollectionTest, ReleaseWithoutConnectionsIsHarmless) {
  { NewsCollection news; }
  EXPECT_EQ(Output(), "");
  EXPECT_FALSE(context_->Response->IsEnded());
}

TEST_F(NewsCollectionTest, PropertiesAreSetOnlyAndFoundInAnyCase) {
  auto news = std::make_shared<NewsCollection>();
  news->Let("imagemark", vb::Variant(false));
  news->Let("PAGELISTNUM", vb::Variant("20"));
  try {
    news->Get("PageListNum");
    FAIL() << "set-only property was read";
  } catch (const vb::VbError& e) {
    EXPECT_EQ(e.number(), 438);
  }
  EXPECT_EQ(news->Type().members()[7].name, "Imagemark");
}

}  // namespace
}  // namespace ostrel::articles
