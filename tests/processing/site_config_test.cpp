#include <gtest/gtest.h>

#include "component/host_access.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "processing/page_fixture.h"
#include "processing/vb_process.h"

namespace ostrel::processing {
namespace {

using testing::ClockGuard;

class SiteConfigTest : public testing::PageFixture {
 protected:
  // What a page's toolbox reads in a new request; whether it ran a query
  // shows in HostConnected, which only a database call sets.
  struct Read {
    std::string site_name;
    bool queried;
  };
  Read ReadInNewRequest() {
    StartRequest("");
    VBProcess p;
    p.SetConnectstr(ConnString());
    p.ReadConfig();
    return {p.SiteName, component::HostState().HostConnected};
  }
  std::string CachedText(const std::string& key) {
    vb::Variant entry = application_->Item(key);
    return entry.IsArray() ? vb::CStr(entry.At(0)) : "(none)";
  }
};

TEST_F(SiteConfigTest, ReadConfigFillsTheFieldsFromTheFirstRow) {
  VBProcess p;
  p.SetConnectstr(ConnString());
  p.ReadConfig();
  EXPECT_EQ(p.SiteName, "我的网站");
  EXPECT_EQ(p.InstallDir, "/");
  EXPECT_EQ(p.FSO_ScriptName, "Scripting.FileSystemObject");
  EXPECT_EQ(p.VersionID, 1);
  EXPECT_EQ(p.PreviewSetting, "4,0,1,120,90,0,12,#FF0000,宋体,0,images/mark.gif,0.5,0,88,31,4");
  ASSERT_EQ(p.CacheData.Rank(), 2);
  EXPECT_GE(p.CacheData.UBound(1), 39);
}

TEST_F(SiteConfigTest, ReadConfigGoesToTheDatabaseOnceADay) {
  vb::DateTime now = vb::DateAdd("h", 10, vb::DateSerial(2026, 3, 1));
  ClockGuard clock(&now);

  Read first = ReadInNewRequest();
  EXPECT_TRUE(first.queried);
  EXPECT_EQ(first.site_name, "我的网站");
  EXPECT_EQ(CachedText("myzemble_dated"), "2026-3-1");
  EXPECT_TRUE(application_->Item("myzemble_myconfig").IsArray());

  RunSql("UPDATE QX_Config SET SiteName='第二'");
  Read same_day = ReadInNewRequest();
  EXPECT_FALSE(same_day.queried);
  EXPECT_EQ(same_day.site_name, "我的网站");

  now = vb::DateAdd("h", 23, now);  // 09:00 next day
  Read next_day = ReadInNewRequest();
  EXPECT_TRUE(next_day.queried);
  EXPECT_EQ(next_day.site_name, "第二");
  EXPECT_EQ(CachedText("myzemble_dated"), "2026-3-2");

  RunSql("UPDATE QX_Config SET SiteName='第三'");
  Read later = ReadInNewRequest();
  EXPECT_FALSE(later.queried);
  EXPECT_EQ(later.site_name, "第二");
}

TEST_F(SiteConfigTest, UnreadableColumnsLeaveTheirFields) {
  RunSql("UPDATE QX_Config SET InstallDir=NULL, VersionID=NULL");
  VBProcess p;
  p.SetConnectstr(ConnString());
  p.InstallDir = "/kept/";
  p.VersionID = 7;
  p.ReadConfig();
  EXPECT_EQ(p.SiteName, "我的网站");
  EXPECT_EQ(p.InstallDir, "/kept/");
  EXPECT_EQ(p.VersionID, 7);

  // No row at all: nothing is cached and every field stays.
  application_->contents().RemoveAll();
  RunSql("DELETE FROM QX_Config");
  VBProcess q;
  q.SetConnectstr(ConnString());
  q.SiteName = "kept";
  q.ReadConfig();
  EXPECT_EQ(q.SiteName, "kept");
  EXPECT_FALSE(application_->Item("myzemble_myconfig").IsArray());
}

class SelectClassTest : public testing::PageFixture {
 protected:
  std::string Load(vb::Variant channel) {
    VBProcess p;
    p.SetConnectstr(ConnString());
    return p.LoadSelectClass(channel);
  }
};

TEST_F(SelectClassTest, TheFirstChannelsTree) {
  EXPECT_EQ(Load(vb::Variant(int32_t{1})),
            "<option {ClassID=1}>新闻</option>\r\n"
            "<option value=\"2\" {ClassID=2}>\u3000\u251c 国内</option>\r\n"
            "<option value=\"3\" {ClassID=3}>\u3000\u251c 国际</option>\r\n"
            "<option value=\"4\" {ClassID=4}>技术</option>\r\n");
}

TEST_F(SelectClassTest, DepthLinksAndMarkup) {
  RunSql(
      "INSERT INTO QX_Classify (ClassID, ChannelID, ClassName, depth, TurnLink, child, rootid, "
      "orders) VALUES (10, 2, '顶', 0, 0, 1, 10, 0), (11, 2, 'A&<B>\"', 3, 0, 0, 10, 1), "
      "(12, 2, '外链', 0, 1, 2, 12, 0), (13, 2, '深外链', 2, 1, 0, 12, 1)");
  EXPECT_EQ(Load(vb::Variant("2")),
            "<option {ClassID=10}>顶</option>\r\n"
            "<option value=\"11\" {ClassID=11}>\u3000\u3000\u3000\u251c "
            "A&amp;&lt;B&gt;&quot;</option>\r\n"
            "<option value=\"0\" {ClassID=12}>外链</option>\r\n"
            "<option value=\"0\" {ClassID=13}>\u3000\u3000\u251c 深外链</option>\r\n");
}

TEST_F(SelectClassTest, EmptyChannelAndCache) {
  EXPECT_EQ(Load(vb::Variant(int32_t{9})), "<option>没有添加分类</option>");
  // Text that is no channel number reaches no SQL: it is channel 0.
  EXPECT_EQ(Load(vb::Variant("1 OR 1=1")), "<option>没有添加分类</option>");

  std::string first = Load(vb::Variant(int32_t{1}));
  RunSql("DELETE FROM QX_Classify");
  StartRequest("");
  EXPECT_EQ(Load(vb::Variant(int32_t{1})), first);  // served from "SelectClass1"
  EXPECT_TRUE(application_->Item("myzemble_selectclass1").IsArray());
}

TEST_F(SelectClassTest, AFailingQueryReachesTheCaller) {
  RunSql("DROP TABLE QX_Classify");
  EXPECT_THROW(Load(vb::Variant(int32_t{1})), vb::VbError);
  EXPECT_FALSE(application_->Item("myzemble_selectclass1").IsArray());
}

}  // namespace
}  // namespace ostrel::processing
