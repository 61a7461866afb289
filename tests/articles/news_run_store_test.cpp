#include <gtest/gtest.h>

#include <string>

#include "news_run_fixture.h"

namespace ostrel::articles {
namespace {

constexpr const char* kStored =
    "<script>txt1.innerHTML='采集成功';txt2.innerHTML='恭喜您！采集成功';</script>\r\n";
constexpr const char* kSkipped =
    "<script>txt1.innerHTML='采集失败';txt2.innerHTML='目标文章已存在，不予采集';</script>\r\n";

class StoreArticleTest : public NewsRunTest {
 protected:
  void SetUp() override {
    NewsRunTest::SetUp();
    AddRunItem(1);
    WriteLinkList(1, Url("/news/art1.htm"));
  }
  std::string GatherArt1() { return Request("action=savenew&ChannelID=1&ItemID=1"); }
  int Rows(const std::string& condition = "") {
    return Count("QX_Article WHERE title='春天的故事'" + condition);
  }
  std::string Counter(int class_id) {
    return Value("SELECT ShowCount FROM QX_Classify WHERE ClassID=" + std::to_string(class_id));
  }
};

TEST_F(StoreArticleTest, KnownTitleSkipped) {
  EXPECT_NE(GatherArt1().find(kStored), std::string::npos);
  std::string again = GatherArt1();
  EXPECT_NE(again.find(kSkipped), std::string::npos);
  EXPECT_NE(again.find("buildRefresh()"), std::string::npos);
  EXPECT_EQ(Rows(), 1);
  EXPECT_EQ(Counter(2), "1");
  EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), "1");
}

TEST_F(StoreArticleTest, KnownTitleUpdatedInItsOwnChannelOnly) {
  SetConfig("RepeatDeal=1");
  // The same title in channel 2 is another channel's article: a new row is
  // added in channel 1 and channel 2's row stays as it was.
  RunSql(
      "INSERT INTO QX_Article (ChannelID, ClassID, title, Author) VALUES (2, 9, '春天的故事', "
      "'别人')");
  GatherArt1();
  EXPECT_EQ(Rows(), 2);
  EXPECT_EQ(Value("SELECT Author FROM QX_Article WHERE ChannelID=2"), "别人");
  EXPECT_EQ(Counter(2), "1");

  // Gathered again: channel 1's row is rewritten under its key, without
  // raising the counters.
  const std::string key = Value("SELECT ArticleID FROM QX_Article WHERE ChannelID=1");
  RunSql("UPDATE QX_Article SET Author='旧', HitsTime='2001-01-01 00:00:00' WHERE ChannelID=1");
  EXPECT_NE(GatherArt1().find(kStored), std::string::npos);
  EXPECT_EQ(Rows(), 2);
  EXPECT_EQ(Value("SELECT ArticleID FROM QX_Article WHERE ChannelID=1"), key);
  EXPECT_EQ(Value("SELECT Author FROM QX_Article WHERE ChannelID=1"), "张三");
  EXPECT_EQ(Value("SELECT HitsTime FROM QX_Article WHERE ChannelID=1"), "2026-3-1 12:00:00");
  EXPECT_EQ(Value("SELECT Author FROM QX_Article WHERE ChannelID=2"), "别人");
  EXPECT_EQ(Counter(2), "1");
  EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), "2");
}

TEST_F(StoreArticleTest, KnownTitleAddedAgain) {
  SetConfig("RepeatDeal=2");
  GatherArt1();
  GatherArt1();
  EXPECT_EQ(Rows(), 2);
  EXPECT_EQ(Counter(2), "2");
  EXPECT_EQ(Counter(1), "2");
}

TEST_F(StoreArticleTest, TestModeStoresNothingButCounts) {
  SetConfig("stopGather=9");
  std::string page = GatherArt1();
  EXPECT_NE(page.find(kStored), std::string::npos);
  EXPECT_EQ(Count("QX_Article"), 0);
  EXPECT_EQ(Counter(2), "0");
  EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), "1");
}

TEST_F(StoreArticleTest, ClosedGatheringShowsTableAndGoesOn) {
  SetConfig("stopGather=1");
  std::string page = GatherArt1();
  ExpectShows(page, {"采集功能已经关闭，如果要进行采集，请在采集基本设置中打采集功能</td>",
                     "buildRefresh()"});
  EXPECT_EQ(Count("QX_Article"), 0);
  EXPECT_EQ(site_.RequestCount(), 0u);
}

TEST_F(StoreArticleTest, FailedInsertRaisesNoCounter) {
  RunSql(
      "CREATE TRIGGER refuse BEFORE INSERT ON QX_Article BEGIN SELECT RAISE(ABORT, 'full'); END");
  std::string page = GatherArt1();
  // The panel was shown; the run stops at this line.
  EXPECT_NE(page.find("正在采集，请稍候...."), std::string::npos);
  EXPECT_EQ(page.find("txt1.innerHTML"), std::string::npos);
  EXPECT_EQ(NextQuery(page), "");
  EXPECT_EQ(Counter(2), "0");
  EXPECT_EQ(Counter(1), "0");
  EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), "");
  // Nothing of the failed row stays behind to hold the next one back.
  RunSql("DROP TRIGGER refuse");
  EXPECT_NE(GatherArt1().find(kStored), std::string::npos);
  EXPECT_EQ(Counter(2), "1");
}

TEST_F(StoreArticleTest, FailedCounterKeepsTheRow) {
  RunSql("CREATE TRIGGER refuse BEFORE UPDATE ON QX_Classify BEGIN SELECT RAISE(ABORT, 'x'); END");
  EXPECT_NE(GatherArt1().find(kStored), std::string::npos);
  EXPECT_EQ(Rows(), 1);
  EXPECT_EQ(Counter(2), "0");
}

TEST_F(StoreArticleTest, ItemClassMustBeALeafOfTheChannel) {
  const std::string table =
      "<li>分类ID错误！可能这个分类是外部连接。</li><li>请编辑采集项目重新选择分类。</li>";
  // A class with sub-classes, no class, and a class that is an external link.
  RunSql("UPDATE QX_Classify SET TurnLink=1 WHERE ClassID=4");
  for (const char* change : {"ClassID=1", "ClassID=0", "ClassID=4"}) {
    SetItem(1, change);
    std::string page = GatherArt1();
    EXPECT_NE(page.find(table), std::string::npos) << change;
    EXPECT_NE(page.find("buildRefresh()"), std::string::npos) << change;
  }
  EXPECT_EQ(Count("QX_Article"), 0);
  // In another channel the class does not count either.
  SetItem(1, "ClassID=2");
  EXPECT_NE(Request("action=savenew&ChannelID=2&ItemID=1").find(table), std::string::npos);
}

TEST_F(StoreArticleTest, ClassFromThePage) {
  SetItem(1, "AutoClass=1");
  std::string page = GatherArt1();
  EXPECT_NE(page.find("文章类别：</font></strong>新闻 / 国际<br>"), std::string::npos);
  EXPECT_EQ(Value("SELECT ClassID FROM QX_Article"), "3");
  EXPECT_EQ(Counter(3), "1");
  EXPECT_EQ(Counter(1), "1");
  EXPECT_EQ(Counter(2), "0");

  // A class rule turns the cut name into the local one.
  SetItem(1, "RetuneClass='国际|国内'");
  SetConfig("RepeatDeal=2");
  EXPECT_NE(GatherArt1().find("文章类别：</font></strong>新闻 / 国内<br>"), std::string::npos);
  EXPECT_EQ(Counter(2), "1");
}

TEST_F(StoreArticleTest, ClassRulesBeforeResolution) {
  // art3's parent 体育&"x without its quote is ruled into the leaf 技术 (4);
  // the child name is literally empty.
  SetItem(1, "AutoClass=1, RetuneClass='体育&x|技术', FindInfoCode='" +
                 SqlText(InfoCodes({{6, "0"}, {7, "0"}})) + "'");
  WriteLinkList(1, Url("/other/art3.htm"));
  EXPECT_NE(GatherArt1().find(kStored), std::string::npos);
  EXPECT_EQ(Value("SELECT ClassID FROM QX_Article"), "4");

  // Ruled into a name that is no class: the table shows both forms.
  SetItem(1, "RetuneClass='体育|运动'");
  EXPECT_NE(GatherArt1().find("<li>目标类别：体育&amp;&quot;x /  </li><li>当前类别：运动&amp;x / "
                              " </li>"),
            std::string::npos);
  EXPECT_EQ(Count("QX_Article"), 1);
}

TEST_F(StoreArticleTest, RemoteTextIsEncodedInThePage) {
  SetItem(1, "AutoClass=1");
  // Parent "体育&\"x" names no class: the table shows the names encoded.
  WriteLinkList(1, Url("/other/art3.htm"));
  std::string page = GatherArt1();
  EXPECT_NE(
      page.find("<li>自动获取分类错误！可能这个分类是外部连接。</li><li>目标类别：体育&amp;&quot;x"
                " / 足球 </li><li>当前类别：体育&amp;x / 足球 </li>"),
      std::string::npos);

  // The panel encodes the author; the row keeps it as cut.
  SetItem(1, "AutoClass=0");
  page = GatherArt1();
  EXPECT_NE(page.find("文章作者：</font></strong>王五 &amp;amp; &lt;赵六<br>"), std::string::npos);
  EXPECT_EQ(page.find("<赵六"), std::string::npos);
  EXPECT_EQ(Value("SELECT Author FROM QX_Article"), "王五 &amp; <赵六");
  EXPECT_EQ(Value("SELECT ComeFrom FROM QX_Article"), "本站");
}

TEST_F(StoreArticleTest, PanelShowsTheAddressAsPassed) {
  // The page is fetched at the trimmed address; the panel shows the line.
  const std::string line = Url("/news/art1.htm") + "  ";
  WriteLinkList(1, line);
  std::string page = GatherArt1();
  EXPECT_NE(page.find("目标地址：</font></strong><a href='" + line + "' target=_blank>" + line +
                      "</a><br>"),
            std::string::npos)
      << page;
  EXPECT_EQ(Rows(), 1);
}

TEST_F(StoreArticleTest, LongAuthorCutInTheRowOnly) {
  const std::string author(150, 'a');
  SetItem(1, "FindInfoCode='" + SqlText(InfoCodes({{8, "0"}, {9, author}})) + "'");
  std::string page = GatherArt1();
  EXPECT_NE(page.find(author + "<br>"), std::string::npos);
  EXPECT_EQ(Value("SELECT Author FROM QX_Article"), std::string(100, 'a'));
}

TEST_F(StoreArticleTest, RandomHitsWhenTheItemSays999) {
  SetItem(1, "AllHits=999");
  SetConfig("RepeatDeal=2");
  for (int i = 0; i < 3; ++i) GatherArt1();
  ado::Connection connection;
  connection.Open(ConnString());
  ado::Recordset rs = connection.Execute("SELECT AllHits FROM QX_Article");
  for (; !rs.Eof(); rs.MoveNext()) {
    int hits = vb::CLng(rs.Fields(0).Value());
    EXPECT_GE(hits, 100);
    EXPECT_LE(hits, 999);
  }
}

}  // namespace
}  // namespace ostrel::articles
