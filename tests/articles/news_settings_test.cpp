#include <gtest/gtest.h>

#include "component/host_access.h"
#include "news_page.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"

namespace ostrel::articles {
namespace {

using testing::ClockGuard;

class NewsSettingsTest : public NewsPageTest {
 protected:
  NewsSettings ReadSettingsInNewRequest() {
    StartRequest("");
    auto news = Make();
    news->ReadNewsConfig();
    return news->settings();
  }
  NewsItemFields ReadItemInNewRequest(int id) {
    StartRequest("");
    auto news = Make();
    news->ReadNewsConfig();
    vb::Variant item_id(int32_t{id});
    news->ReadNewsItem(item_id);
    return news->item();
  }
  std::string CachedText(const std::string& key) {
    vb::Variant entry = application_->Item(key);
    return entry.IsArray() ? vb::CStr(entry.At(0)) : "(none)";
  }
};

TEST_F(NewsSettingsTest, ReadNewsConfigLoadsSiteAndChannelSettings) {
  auto news = Make();
  news->ReadNewsConfig();
  const NewsSettings& s = news->settings();
  EXPECT_EQ(s.stopGather, 0);
  EXPECT_EQ(s.RepeatDeal, 0);
  EXPECT_EQ(s.MaxPicSize, 500);
  EXPECT_EQ(s.AllowPicExt, "gif|jpg|jpeg|png|bmp");
  EXPECT_EQ(s.setInterval, 1000);
  EXPECT_EQ(news->Process().SiteName, "我的网站");
  EXPECT_TRUE(application_->Item("myzemble_newsconfig").IsArray());

  // With everything cached a new request touches no database: the flag
  // cleared after the site configuration stays clear.
  StartRequest("");
  auto cached = Make();
  cached->ReadNewsConfig();
  EXPECT_EQ(cached->settings().MaxPicSize, 500);
  EXPECT_FALSE(component::HostState().HostConnected);
  EXPECT_FALSE(cached->gather_connection());
}

TEST_F(NewsSettingsTest, AnEarlierDateReloadsOnEveryCallAndStays) {
  vb::DateTime now = vb::DateAdd("h", 12, vb::DateSerial(2026, 3, 1));
  ClockGuard clock(&now);
  EXPECT_EQ(ReadSettingsInNewRequest().MaxPicSize, 500);
  EXPECT_EQ(CachedText("myzemble_date"), "2026-3-1");

  RunSql("UPDATE QX_NewsConfig SET MaxPicSize=700");
  EXPECT_EQ(ReadSettingsInNewRequest().MaxPicSize, 500);  // same day: the cache

  now = vb::DateAdd("d", 1, now);
  EXPECT_EQ(ReadSettingsInNewRequest().MaxPicSize, 700);
  EXPECT_EQ(CachedText("myzemble_date"), "2026-3-1");  // not rewritten
  RunSql("UPDATE QX_NewsConfig SET MaxPicSize=800, AllowPicExt='png'");
  NewsSettings again = ReadSettingsInNewRequest();
  EXPECT_EQ(again.MaxPicSize, 800);
  EXPECT_EQ(again.AllowPicExt, "png");
}

TEST_F(NewsSettingsTest, ReadNewsItemCopiesTheRowByPosition) {
  RunSql(
      "INSERT INTO QX_NewsItem (ItemID, ItemName, ChannelID, ClassID, SpecialID, StopItem, "
      "Encoding, IsDown, AutoClass, PathForm, IsNowTime, AllHits, star, RemoveCode, "
      "RemoteListUrl, PaginalList, IsPagination, startid, lastid, FindListCode, FindInfoCode, "
      "RetuneClass, IsNextPage, NamedDemourl, strReplace) VALUES (5, 'n', 1, 3, 4, 1, 'UTF-8', "
      "1, 1, 6, 1, 999, 4, '1|0|1', 'http://a/list', 'http://a/list_{$pageid}.html', 1, 2, 9, "
      "'l1$$$l2', 'i1$$$i2', '旧|新', 2, 'http://a/demo', 'x|y')");
  NewsItemFields f = ReadItemInNewRequest(5);
  EXPECT_EQ(f.ClassID, 3);
  EXPECT_EQ(f.SpecialID, 4);
  EXPECT_EQ(f.StopItem, 1);
  EXPECT_EQ(f.Encoding, "UTF-8");
  EXPECT_EQ(f.IsDown, 1);
  EXPECT_EQ(f.AutoClass, 1);
  EXPECT_EQ(f.PathForm, 6);
  EXPECT_EQ(f.IsNowTime, 1);
  EXPECT_EQ(f.AllHits, 999);
  EXPECT_EQ(f.star, 4);
  EXPECT_EQ(f.RemoveCode, "1|0|1");
  EXPECT_EQ(f.RemoteListUrl, "http://a/list");
  EXPECT_EQ(f.PaginalList, "http://a/list_{$pageid}.html");
  EXPECT_EQ(f.IsPagination, 1);
  EXPECT_EQ(f.startid, 2);
  EXPECT_EQ(f.lastid, 9);
  EXPECT_EQ(f.FindListCode, "l1$$$l2");
  EXPECT_EQ(f.FindInfoCode, "i1$$$i2");
  EXPECT_EQ(f.RetuneClass, "旧|新");
  EXPECT_EQ(f.IsNextPage, 2);
  EXPECT_EQ(f.strReplace, "x|y");

  // The row is served from "NewsItem5" until it is dropped.
  RunSql("UPDATE QX_NewsItem SET Encoding='BIG5' WHERE ItemID=5");
  EXPECT_EQ(ReadItemInNewRequest(5).Encoding, "UTF-8");
  EXPECT_TRUE(application_->Item("myzemble_newsitem5").IsArray());
}

TEST_F(NewsSettingsTest, StarAndNullRules) {
  RunSql(
      "INSERT INTO QX_NewsItem (ItemID, star, RetuneClass, strReplace) VALUES (1, 0, NULL, NULL), "
      "(2, 6, NULL, NULL), (3, 1, NULL, NULL), (4, 5, NULL, NULL), (5, -1, NULL, NULL)");
  for (int round = 0; round < 10; ++round) {
    for (int id : {1, 2}) {
      application_->contents().RemoveAll();
      int16_t star = ReadItemInNewRequest(id).star;
      EXPECT_GE(star, 2) << id;
      EXPECT_LE(star, 4) << id;
    }
  }
  EXPECT_EQ(ReadItemInNewRequest(3).star, 1);
  EXPECT_EQ(ReadItemInNewRequest(4).star, 5);
  EXPECT_EQ(ReadItemInNewRequest(5).star, -1);
  NewsItemFields nulls = ReadItemInNewRequest(3);
  EXPECT_EQ(nulls.RetuneClass, "");
  EXPECT_EQ(nulls.strReplace, "");
}

TEST_F(NewsSettingsTest, AMissingItemLeavesTheFieldsAndCachesNothing) {
  NewsItemFields f = ReadItemInNewRequest(999);
  EXPECT_EQ(f.ClassID, 0);
  EXPECT_EQ(f.Encoding, "");
  EXPECT_GE(f.star, 2);
  EXPECT_LE(f.star, 4);
  EXPECT_FALSE(application_->Item("myzemble_newsitem999").IsArray());

  // Text that is no item number reaches no SQL and finds no row.
  RunSql("INSERT INTO QX_NewsItem (ItemID, Encoding) VALUES (1, 'UTF-8')");
  StartRequest("");
  auto news = Make();
  vb::Variant injected("0 OR 1=1");
  news->ReadNewsItem(injected);
  EXPECT_EQ(news->item().Encoding, "");
}

TEST_F(NewsSettingsTest, LateBoundMembersKeepTheInterfaceOrder) {
  auto news = Make();
  const auto& members = news->Type().members();
  ASSERT_GE(members.size(), 13u);
  const char* expected[] = {"ReloadNewsItem", "ReloadNewsConfig", "ReadNewsConfig", "ReadNewsItem",
                            "ShowCollection"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(members[8 + i].name, expected[i]);

  news->Call("readnewsconfig");
  std::vector<vb::Variant> args{vb::Variant(int32_t{1})};
  news->Call("ReadNewsItem", args);
  news->Call("SHOWCOLLECTION");
  EXPECT_EQ(news->settings().MaxPicSize, 500);
  EXPECT_NE(Output().find("还没有添加任何采集项目！"), std::string::npos);
}

}  // namespace
}  // namespace ostrel::articles
