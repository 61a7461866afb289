#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "news_run_fixture.h"
#include "platform/text/charset.h"

namespace ostrel::articles {
namespace {

using BeginGatherTest = NewsRunTest;

constexpr const char* kRefresh =
    "<script language='JavaScript'>\r\n"
    "function reFresh(){window.location.href='Admin_ArticleGather.asp?action=savenew&ChannelID=1&"
    "ItemID=1';}\r\n"
    "setTimeout('reFresh()',1000);\r\n"
    "</script>\r\n";

TEST_F(BeginGatherTest, WritesBannerLinkListAndRefresh) {
  AddRunItem(1);
  session_->SetItem("SucceedCount", vb::Variant(int32_t{7}));
  std::string page = Request("action=begin&ItemID=1&ChannelID=1");

  const std::string banner = last_->wait_banner();
  ASSERT_FALSE(banner.empty());
  EXPECT_EQ(page, banner + kRefresh);

  // One absolute link per line in GB2312, CRLF between lines; "a.htm" is too
  // short and the last link gets no line break.
  const std::string h = Url("");
  EXPECT_EQ(LinkListBytes(1), text::Encode(h + "/news/art1.htm\r\n" + h + "/news/art2.htm\r\n" + h +
                                               "/news/broken.htm\r\n" + h + "/other/art3.htm\r\n" +
                                               h + "/news/nopic.htm",
                                           "GB2312"));
  EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), "0");
  EXPECT_EQ(Value("SELECT lastime FROM QX_NewsItem WHERE ItemID=1"), "2026-3-1 12:00:00");
}

TEST_F(BeginGatherTest, PagedListWalksUpwardAndResolvesEachPageAgainstItsOwnAddress) {
  // Pages 4 down to 1: walked 1 to 4. Page 1 has no numbered address, so the
  // plain list is fetched; pages 2 to 4 are fetched without a check.
  AddRunItem(1, "IsPagination=1, startid=4, lastid=1, PaginalList='" +
                    Url("/pages/{$PageID}/list.htm") + "'");
  std::string page = Request("action=begin&ItemID=1");
  EXPECT_NE(page.find("reFresh()"), std::string::npos);

  const std::string h = Url("");
  // The list begins with an empty piece (no line); the last page has no
  // links, so the file ends with the line break of the line before.
  EXPECT_EQ(LinkList(1), h + "/news/art1.htm\r\n" + h + "/news/art2.htm\r\n" + h +
                             "/news/broken.htm\r\n" + h + "/other/art3.htm\r\n" + h +
                             "/news/nopic.htm\r\n" + h + "/pages/2/item21.htm\r\n" + h +
                             "/pages/2/item22.htm\r\n" + h + "/pages/3/item31.htm\r\n");

  std::vector<std::string> seen;
  for (const auto& request : site_.Requests()) seen.push_back(request.method + " " + request.path);
  EXPECT_EQ(seen, (std::vector<std::string>{"HEAD /pages/1/list.htm", "GET /news/list.htm",
                                            "GET /pages/2/list.htm", "GET /pages/3/list.htm",
                                            "GET /pages/4/list.htm"}));
}

TEST_F(BeginGatherTest, SinglePageOfPagedList) {
  // "*" stands for the number too; the page answers its check.
  AddRunItem(1,
             "IsPagination=1, startid=2, lastid=2, PaginalList='" + Url("/pages/*/list.htm") + "'");
  Request("action=begin&ItemID=1");
  const std::string h = Url("");
  EXPECT_EQ(LinkList(1), h + "/pages/2/item21.htm\r\n" + h + "/pages/2/item22.htm");

  // A page that does not answer is replaced by the plain list, whose links
  // are then resolved against the plain list's own address.
  AddRunItem(2,
             "IsPagination=1, startid=1, lastid=1, PaginalList='" + Url("/pages/*/list.htm") + "'");
  Request("action=begin&ItemID=2");
  EXPECT_EQ(LinkList(2).substr(0, h.size() + 16), h + "/news/art1.htm\r\n");
}

TEST_F(BeginGatherTest, PageNumberStandsForStarAndPageidInAnyCase) {
  AddRunItem(1, "IsPagination=1, startid=3, lastid=3, PaginalList='" +
                    Url("/pages/*/list.htm?p={$PAGEID}&q={$pageid}") + "'");
  Request("action=begin&ItemID=1");
  std::vector<std::string> seen;
  for (const auto& request : site_.Requests())
    seen.push_back(request.method + " " + request.target);
  EXPECT_EQ(seen, (std::vector<std::string>{"HEAD /pages/3/list.htm?p=3&q=3",
                                            "GET /pages/3/list.htm?p=3&q=3"}));
  EXPECT_EQ(LinkList(1), Url("/pages/3/item31.htm"));
}

TEST_F(BeginGatherTest, RefusesWithAlerts) {
  AddRunItem(1);
  const std::string no_item =
      "<script language=\"javascript\">\r\nalert(\"错误的系统参数，请输入项目ID！\");"
      "history.back();\r\n</script>\r\n";
  EXPECT_EQ(Request("action=begin"), no_item);
  EXPECT_EQ(Request("action=begin&ItemID=abc"), no_item);
  EXPECT_EQ(Request("action=begin&ItemID=99999999999"), no_item);

  RunSql("UPDATE QX_NewsItem SET StopItem=1 WHERE ItemID=1");
  EXPECT_EQ(Request("action=begin&ItemID=1"),
            "<script language=\"javascript\">\r\nalert(\"此项目已经关闭，不能采集！\");"
            "history.back();\r\n</script>\r\n");

  // Closed gathering wins over a closed item; the alert has a second line.
  SetConfig("stopGather=1");
  std::string closed = Request("action=begin&ItemID=1");
  EXPECT_NE(
      closed.find("alert(\"采集功能已经关闭，如果要进行采集，请在采集基本设置中打采集功能。\\n"),
      std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(LinkListPath(1)));
  EXPECT_EQ(site_.RequestCount(), 0u);
}

TEST_F(BeginGatherTest, EmptyListPageWritesNothing) {
  AddRunItem(1, "RemoteListUrl='" + Url("/news/missing.htm") + "'");
  session_->SetItem("SucceedCount", vb::Variant(int32_t{3}));
  std::string page = Request("action=begin&ItemID=1");
  EXPECT_NE(page.find("alert(\"获取远程信息出错！请确定你的远程列表URL输入无误。\");"),
            std::string::npos);
  EXPECT_EQ(page.find("reFresh"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(LinkListPath(1)));
  EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), "3");
  EXPECT_EQ(Value("SELECT lastime FROM QX_NewsItem WHERE ItemID=1"), "2020-1-1");
}

TEST_F(BeginGatherTest, AFailingStepEndsTheRunThere) {
  // The link list cannot be written (the admin page's folder is gone): the
  // step ends after the counter is reset, before the stamp and the script.
  AddRunItem(1);
  session_->SetItem("SucceedCount", vb::Variant(int32_t{3}));
  std::filesystem::remove_all(dir_ / "admin");
  std::string page = Request("action=begin&ItemID=1");
  EXPECT_EQ(page, last_->wait_banner());
  EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), "0");
  EXPECT_EQ(Value("SELECT lastime FROM QX_NewsItem WHERE ItemID=1"), "2020-1-1");
}

TEST_F(BeginGatherTest, ListWithoutLinksGivesEmptyFileAndRefresh) {
  AddRunItem(1, "FindListCode='<ol>$$$</ol>$$$<a href=\"$$$\"'");
  EXPECT_NE(Request("action=begin&ItemID=1").find(kRefresh), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(LinkListPath(1)));
  EXPECT_EQ(LinkListBytes(1), "");
}

}  // namespace
}  // namespace ostrel::articles
