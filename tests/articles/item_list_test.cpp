#include <gtest/gtest.h>

#include "news_page.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"

namespace ostrel::articles {
namespace {

using testing::ClockGuard;

class ShowCollectionTest : public NewsPageTest {
 protected:
  void SetUp() override {
    NewsPageTest::SetUp();
    now_ = vb::DateAdd("h", 12, vb::DateSerial(2026, 3, 1));
    clock_ = std::make_unique<ClockGuard>(&now_);
  }
  void TearDown() override {
    clock_.reset();
    NewsPageTest::TearDown();
  }
  void AddItems(int count, int channel) {
    for (int i = 1; i <= count; ++i) AddItem(i, channel, "项目" + std::to_string(i));
  }

  vb::DateTime now_;
  std::unique_ptr<ClockGuard> clock_;
};

constexpr const char* kRow = "<tr align=center>";

TEST_F(ShowCollectionTest, ChannelFallsBackToOne) {
  ExpectChannelFallsBackTo(1, {"ChannelID=1.4"});
  Request("ChannelID=2");
  EXPECT_EQ(last_->channel_id(), 2);
}

TEST_F(ShowCollectionTest, ActionIsTrimmedAndLowerCased) {
  session_->SetItem("AdminName", vb::Variant("O'Neil"));
  EXPECT_EQ(Request("action=%20EDIT%20"),
            "<script language=\"javascript\">\r\nalert(\"请选择正确的项目ID!\");history.back();\r\n"
            "</script>\r\n");
  EXPECT_EQ(last_->action(), " edit ");
  EXPECT_FALSE(last_->edit_mode());
  EXPECT_EQ(last_->admin_name(), "O''Neil");

  // An item number without a row reaches the editor, which refuses it.
  EXPECT_NE(Request("action=Edit&ItemID=7").find("错误的系统参数"), std::string::npos);
  EXPECT_TRUE(last_->edit_mode());
  EXPECT_EQ(last_->item_id(), 7);
  Request("action=ADD");
  EXPECT_FALSE(last_->edit_mode());
  EXPECT_NE(last_->wait_banner().find("...正在收集数据...请稍候..."), std::string::npos);

  // Anything unknown shows the list.
  EXPECT_NE(Request("action=whatever").find("还没有添加任何采集项目！"), std::string::npos);
}

TEST_F(ShowCollectionTest, ThirtyOneItemsMakeTwoPages) {
  AddItems(31, 1);
  std::string page2 = Request("page=5");
  EXPECT_EQ(CountOf(page2, kRow), 1);
  EXPECT_NE(page2.find("项目1</a>"), std::string::npos);  // the lowest ItemID comes last
  EXPECT_NE(page2.find("<script>ShowListPage(2,2,31,30,'','文章采集');</script>\r\n"),
            std::string::npos);
  for (const char* query : {"page=0", "page=-1", "page=x", "page=99999999999", ""}) {
    std::string page1 = Request(query);
    EXPECT_EQ(CountOf(page1, kRow), 30) << query;
    EXPECT_NE(page1.find("ShowListPage(1,2,31,30,'','文章采集');"), std::string::npos) << query;
    EXPECT_NE(page1.find("项目31</a>"), std::string::npos) << query;
  }
  // Row classes alternate, starting with TableRow1.
  std::string page1 = Request("");
  size_t first = page1.find(kRow);
  size_t second = page1.find(kRow, first + 1);
  EXPECT_EQ(page1.compare(first + 17, 21, " <td class=TableRow1 "), 0);
  EXPECT_EQ(page1.compare(second + 17, 21, " <td class=TableRow2 "), 0);
  EXPECT_EQ(CountOf(page1, "class=TableRow1"), 15 * 6);
  EXPECT_EQ(CountOf(page1, "class=TableRow2"), 15 * 6);

  // A page size below 1 counts as 30.
  page_list_num_ = 0;
  EXPECT_NE(Request("page=2").find("ShowListPage(2,2,31,30,'','文章采集');"), std::string::npos);
}

TEST_F(ShowCollectionTest, APageThatSetsNothingShowsThirtyRows) {
  AddItems(31, 1);
  StartRequest("");
  auto news = Make();
  news->ReadNewsConfig();
  news->ShowCollection();
  std::string page = Output();
  EXPECT_EQ(CountOf(page, kRow), 30);
  EXPECT_NE(page.find("ShowListPage(1,2,31,30,'','文章采集');"), std::string::npos);
}

TEST_F(ShowCollectionTest, AnEmptyChannel) {
  AddItems(3, 2);
  std::string page = Request("ChannelID=1");
  EXPECT_EQ(page,
            "<script language=\"JavaScript\" src=\"include/showpage.js\"></script>\r\n"
            "<table border=\"0\" align=\"center\" cellpadding=\"3\" cellspacing=\"1\" "
            "class=\"tableborder\"><tr> <th>项目名称</th> <th>所属分类</th> <th>所属专题</th> "
            "<th>状态</th> <th>上次采集时间</th> <th>管理操作</th></tr>"
            "<tr><td align=center colspan=9 class=TableRow2>还没有添加任何采集项目！</td></tr>"
            "<tr> <td colspan=\"9\" class=\"tablerow2\" align=\"right\">"
            "<script>ShowListPage(0,0,0,30,'','文章采集');</script>\r\n</td></tr></table>");
}

TEST_F(ShowCollectionTest, OneRowToTheCharacter) {
  RunSql("INSERT INTO QX_Special (SpecialID, ChannelID, SpecialName) VALUES (1, 1, '专题')");
  RunSql(
      "INSERT INTO QX_NewsItem (ItemID, ItemName, SiteUrl, ChannelID, ClassID, SpecialID, "
      "StopItem, lastime, RemoteListUrl) VALUES (8, '名称', 'http://site/', 1, 2, 1, 0, "
      "'2026-02-28 23:00:00', 'http://site/list')");
  std::string page = Request("");
  EXPECT_NE(
      page.find("<tr align=center> <td class=TableRow1 title='点击打开目标网站'><a "
                "href='http://site/' target=_blank>名称</a></td> <td class=TableRow1 "
                "title='点击查看目标网站列表'><a href='http://site/list' "
                "target=_blank>国内</a></td> <td class=TableRow1>专题</td> <td "
                "class=TableRow1><font color=blue>√</font></td> <td class=TableRow1>2026-2-28 "
                "23:00:00</td> <td class=TableRow1><a "
                "href='?action=edit&ItemID=8&ChannelID=1'>编辑</a> | <a "
                "href='?action=begin&ItemID=8&ChannelID=1'>采集</a> | <a "
                "href='?action=demo&ItemID=8&ChannelID=1'>演示</a> | <a "
                "href='?action=copy&ItemID=8&ChannelID=1'>克隆</a> | <a "
                "href='?action=del&ItemID=8&ChannelID=1' "
                "onclick=\"{if(confirm('您确定要删除此项目吗?')){return "
                "true;}return false;}\">删除</a></td></tr><tr>"),
      std::string::npos)
      << page;
}

TEST_F(ShowCollectionTest, TodaysRunInRedStoppedItemsAndUnknownNames) {
  RunSql(
      "INSERT INTO QX_NewsItem (ItemID, ChannelID, ClassID, SpecialID, StopItem, lastime) "
      "VALUES (1, 1, 77, 5, 1, '2026-03-01 08:00:00'), (2, 1, 2, 0, 0, '2026-02-28 23:59:59')");
  std::string page = Request("");
  ExpectShows(page, {"<font color=red>2026-3-1 8:00:00</font>", ">2026-2-28 23:59:59</td>",
                     "<font color=red>×</font>", ">没有分类</a>", ">没有指定专题</td>"});
}

TEST_F(ShowCollectionTest, ATopicTableThatCannotBeReadLeavesTheClassNames) {
  RunSql("DROP TABLE QX_Special");
  RunSql("INSERT INTO QX_NewsItem (ItemID, ChannelID, ClassID, SpecialID) VALUES (1, 1, 2, 1)");
  ExpectShows(Request(""), {">国内</a>", ">没有指定专题</td>"});
}

TEST_F(ShowCollectionTest, AClassThatIsNoNumberEndsTheListInItsRow) {
  RunSql(
      "INSERT INTO QX_NewsItem (ItemID, ItemName, ChannelID, ClassID, lastime) VALUES "
      "(1, 'a', 1, 2, '2026-02-03 00:00:00'), (2, 'b', 1, 'x', '2026-02-02 00:00:00'), "
      "(3, 'c', 1, 2, '2026-02-01 00:00:00')");
  std::string page = Request("");
  EXPECT_EQ(CountOf(page, kRow), 2);
  EXPECT_TRUE(
      page.ends_with("<tr align=center> <td class=TableRow2 title='点击打开目标网站'><a "
                     "href='' target=_blank>b</a></td>"))
      << page;
}

TEST_F(ShowCollectionTest, DatabaseTextIsEncoded) {
  RunSql("INSERT INTO QX_Classify (ClassID, ChannelID, ClassName) VALUES (20, 1, '<i>c</i>')");
  RunSql(
      "INSERT INTO QX_NewsItem (ItemID, ItemName, SiteUrl, ChannelID, ClassID, "
      "RemoteListUrl) VALUES (1, '<b>x&y</b>', 'http://a/?q=''1''&b=\"2\"', 1, 20, "
      "'javascript:''><script>')");
  std::string page = Request("");
  EXPECT_NE(page.find("<a href='http://a/?q=&#39;1&#39;&amp;b=&quot;2&quot;' "
                      "target=_blank>&lt;b&gt;x&amp;y&lt;/b&gt;</a>"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("<a href='javascript:&#39;&gt;&lt;script&gt;' "
                      "target=_blank>&lt;i&gt;c&lt;/i&gt;</a>"),
            std::string::npos)
      << page;
  EXPECT_EQ(page.find("<b>x"), std::string::npos);
}

TEST_F(ShowCollectionTest, TheRunSummaryShowsOnce) {
  session_->SetItem("SucceedCount", vb::Variant(int32_t{12}));
  std::string page = Request("action=yes&D=43195");  // the clock reads 12:00:00
  const std::string summary =
      "<tr> <td colspan=9 class=tablerow2><b class=style2>恭喜您！采集文章全部完成..."
      "成功采集文章 <font color=\"#FF0000\">12</font> 个，总费时 <font "
      "color=\"#FF0000\">5.00</font> 秒,完成时间2026-3-1 12:00:00</b></td></tr></table>";
  EXPECT_NE(page.find("ShowListPage(0,0,0,30,'','文章采集');</script>\r\n</td></tr>" + summary),
            std::string::npos)
      << page;
  EXPECT_EQ(vb::CLng(session_->Item("SucceedCount")), 0);
  EXPECT_NE(Request("action=yes&D=43195").find("<font color=\"#FF0000\">0</font> 个"),
            std::string::npos);

  // The summary test does not trim: " yes" shows the plain list.
  session_->SetItem("SucceedCount", vb::Variant(int32_t{3}));
  EXPECT_EQ(Request("action=%20yes&D=43195").find("恭喜您"), std::string::npos);
  EXPECT_EQ(vb::CLng(session_->Item("SucceedCount")), 3);
}

TEST_F(ShowCollectionTest, ARunAcrossMidnightCountsTheDay) {
  now_ = vb::DateAdd("s", 10, vb::DateSerial(2026, 3, 2));  // 00:00:10
  std::string page = Request("action=yes&D=86390.5");
  EXPECT_NE(page.find(">19.50</font> 秒,完成时间2026-3-2 0:00:10</b>"), std::string::npos) << page;
}

TEST_F(ShowCollectionTest, AGoneClientEndsTheList) {
  AddItems(3, 1);
  StartRequest("");
  sink_->connected = false;
  auto news = Make();
  news->ReadNewsConfig();
  news->ShowCollection();
  EXPECT_TRUE(context_->Response->IsEnded());
  EXPECT_EQ(CountOf(sink_->Text(), kRow), 0);
}

}  // namespace
}  // namespace ostrel::articles
