// The item actions of the article admin page: deleting, cloning, clearing
// the site's Application variables, the progress line and the editor menu.
#include <gtest/gtest.h>

#include <string>

#include "articles/news_editor_test_page.h"
#include "platform/vb/datetime.h"

namespace ostrel::articles {
namespace {

const std::vector<std::pair<std::string, std::string>> kFromList = {
    {"HTTP_HOST", "127.0.0.1:8080"},
    {"HTTP_REFERER", "http://127.0.0.1:8080/admin/Admin_ArticleGather.asp?ChannelID=1&page=2"}};

using EditorActionsTest = NewsEditorTest;

TEST_F(EditorActionsTest, DeleteTakesOnlyWholeNumbersOfThisChannel) {
  AddItem(3, 1, "三", "lastime='2005-01-01 00:00:00'");
  AddItem(5, 1, "五", "lastime='2005-01-01 00:00:00'");
  AddItem(6, 1, "六", "lastime='2005-01-01 00:00:00'");
  AddItem(7, 2, "七", "lastime='2005-01-01 00:00:00'");
  for (int id : {3, 5, 6, 7}) Cache("NewsItem" + std::to_string(id));

  for (const char* refused :
       {"", " ", "3,,5", "3;5", "3 or 1=1", "3)", "-3", "1.5", "99999999999", "3,x"}) {
    const std::string page =
        Request(std::string("action=del&ChannelID=1&ItemID=") + asp::UrlEncode(refused, "GB2312"));
    EXPECT_NE(page.find("alert(\"请选择正确的系统参数！\");history.back();"), std::string::npos)
        << refused;
    EXPECT_EQ(Count("SELECT COUNT(*) FROM QX_NewsItem"), 4) << refused;
  }

  Request("action=del&ChannelID=1&ItemID=" + asp::UrlEncode(" 3, 5 ,7", "GB2312"), "", kFromList);
  EXPECT_EQ(context_->Response->Status().substr(0, 3), "302");
  EXPECT_EQ(sink_->Header("Location"), kFromList[1].second);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM QX_NewsItem WHERE ItemID IN (3,5)"), 0);
  // Item 7 belongs to channel 2: neither it nor its cached row is touched.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM QX_NewsItem WHERE ItemID IN (6,7)"), 2);
  EXPECT_FALSE(Cached("NewsItem3"));
  EXPECT_FALSE(Cached("NewsItem5"));
  EXPECT_TRUE(Cached("NewsItem6"));
  EXPECT_TRUE(Cached("NewsItem7"));
}

TEST_F(EditorActionsTest, DeleteGoesBackToTheReferringPageOrToTheList) {
  AddItem(3, 1, "三", "lastime='2005-01-01 00:00:00'");
  AddItem(4, 1, "四", "lastime='2005-01-01 00:00:00'");
  AddItem(5, 1, "五", "lastime='2005-01-01 00:00:00'");
  Request("action=del&ChannelID=1&ItemID=3", "", kFromList);
  EXPECT_EQ(sink_->Header("Location"),
            "http://127.0.0.1:8080/admin/Admin_ArticleGather.asp?ChannelID=1&page=2");
  // Without a page of this site to go back to: the channel's list, never
  // the delete address itself.
  Request("action=del&ChannelID=1&ItemID=4", "", {{"HTTP_HOST", "127.0.0.1:8080"}});
  EXPECT_EQ(sink_->Header("Location"), "Admin_ArticleGather.asp?ChannelID=1");
  Request("action=del&ChannelID=1&ItemID=5", "",
          {{"HTTP_HOST", "127.0.0.1:8080"}, {"HTTP_REFERER", "http://elsewhere/x.asp"}});
  EXPECT_EQ(sink_->Header("Location"), "Admin_ArticleGather.asp?ChannelID=1");
  EXPECT_EQ(Count("SELECT COUNT(*) FROM QX_NewsItem"), 0);
}

TEST_F(EditorActionsTest, CloneCopiesEveryColumnUnderANewKeyAndStampsIt) {
  AddItem(3, 1, "源项目", "lastime='2005-01-01 00:00:00'");
  RunSql(
      "UPDATE QX_NewsItem SET FindInfoCode='a$$$b', NamedDemourl='http://x/', "
      "RetuneClass=NULL, strReplace='p|q', star=4 WHERE ItemID=3");
  vb::DateTime now = vb::CDate(vb::Variant("2026-3-4 5:06:07"));
  testing::ClockGuard clock(&now);
  const std::string page = Request("action=copy&ChannelID=1&ItemID=3", "", kFromList);
  EXPECT_NE(page.find("alert(\"恭喜您！采集项目克隆成功。\");"), std::string::npos);
  EXPECT_TRUE(context_->Response->IsEnded());

  const int clone = static_cast<int>(Count("SELECT MAX(ItemID) FROM QX_NewsItem"));
  ASSERT_GT(clone, 3);
  auto source = ItemRow(3);
  auto copy = ItemRow(clone);
  EXPECT_EQ(copy["ItemName"], "源项目");
  EXPECT_EQ(copy["RetuneClass"], "<null>");
  EXPECT_NE(copy["lastime"].find("2026"), std::string::npos);
  for (auto* row : {&source, &copy}) {
    row->erase("ItemID");
    row->erase("lastime");
  }
  EXPECT_EQ(copy, source);
  // The clone heads the list: its last run time is the newest.
  const std::string list = Request("ChannelID=1");
  EXPECT_LT(list.find("ItemID=" + std::to_string(clone) + "&"), list.find("ItemID=3&"));
}

TEST_F(EditorActionsTest, CloneRefusesAMissingOrForeignItem) {
  AddItem(3, 2, "别的频道", "lastime='2005-01-01 00:00:00'");
  for (const char* query : {"action=copy&ChannelID=1", "action=copy&ChannelID=1&ItemID=0",
                            "action=copy&ChannelID=1&ItemID=3"}) {
    EXPECT_NE(Request(query).find("alert(\"请选择正确的系统参数！\");history.back();"),
              std::string::npos)
        << query;
  }
  EXPECT_EQ(Count("SELECT COUNT(*) FROM QX_NewsItem"), 1);
}

TEST_F(EditorActionsTest, CloneWithoutARefererGoesToTheListInsteadOfCloningAgain) {
  AddItem(3, 1, "源项目", "lastime='2005-01-01 00:00:00'");
  const std::string page = Request("action=copy&ChannelID=1&ItemID=3");
  EXPECT_NE(page.find("alert(\"恭喜您！采集项目克隆成功。\");"
                      "location.replace(\"Admin_ArticleGather.asp?ChannelID=1\");"),
            std::string::npos);
  EXPECT_EQ(page.find("history.back()"), std::string::npos);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM QX_NewsItem"), 2);
}

TEST_F(EditorActionsTest, RemoveAllCacheEmptiesTheApplicationNameByName) {
  application_->contents().RemoveAll();
  application_->SetItem("alpha", vb::Variant(1));
  application_->SetItem("myzemble_newsitem3", vb::Variant(2));
  application_->SetItem("<b>odd</b>", vb::Variant(3));
  StartRequest("action=remove");
  auto news = Make();
  news->ShowCollection();  // no settings read first, so nothing is cached again
  const std::string page = Output();
  EXPECT_EQ(page,
            "<li>更新 <b>alpha</b> 完成</li><li>更新 <b>myzemble_newsitem3</b> 完成</li>"
            "<li>更新 <b>&lt;b&gt;odd&lt;/b&gt;</b> 完成</li><li>当前站点全部缓存清理完成。</li>");
  EXPECT_EQ(application_->contents().Count(), 0);
}

TEST_F(EditorActionsTest, InnerHtmlWritesOneListItemAndFlushes) {
  auto news = Make();
  vb::Variant empty;
  news->InnerHtml(empty);
  vb::Variant text("<b>x</b>");
  news->InnerHtml(text);
  EXPECT_EQ(sink_->Text(), "<li></li><li><b>x</b></li>");
  // Both are reachable by name, as a host page calls them.
  vb::ObjectRef object = news;
  std::vector<vb::Variant> args = {vb::Variant("y")};
  object->Call("InnerHtml", args);
  EXPECT_EQ(sink_->Text(), "<li></li><li><b>x</b></li><li>y</li>");
}

TEST_F(EditorActionsTest, MenuLeadsThroughTheEditorOfTheItem) {
  AddItem(7, 1, "七", "lastime='2005-01-01 00:00:00'");
  RunSql("UPDATE QX_NewsItem SET RemoveCode='0|0|0|0|0|0|0|0|0|0|0|0|0|0|0' WHERE ItemID=7");
  const std::string page = Request("action=edit&ChannelID=1&ItemID=7");
  EXPECT_NE(
      page.find("<tr>\r\n <td colspan=2 align=center class=tablerow2>"
                "<a href='?ChannelID=1' style=\"color: green;\">管理首页</a> | "
                "<a href='?action=edit&ChannelID=1&ItemID=7' class=showmenu>设置第一步</a> | "
                "<a href='?action=step2&ChannelID=1&ItemID=7' class=showmenu>设置第二步</a> | "
                "<a href='?action=step3&ChannelID=1&ItemID=7' class=showmenu>设置第三步</a> | "
                "<a href='?action=demo&ChannelID=1&ItemID=7' class=showmenu>项目演示</a> | "
                "<a href='?action=begin&ChannelID=1&ItemID=7' style=\"color: red;\">开始采集</a>"
                "</td>\r\n</tr>\r\n"),
      std::string::npos)
      << page;
}

}  // namespace
}  // namespace ostrel::articles
