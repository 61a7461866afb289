#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gathering/common/link_list_index.h"
#include "news_run_fixture.h"
#include "platform/fs/path_map.h"
#include "platform/text/charset.h"

namespace ostrel::articles {
namespace {

using ostrel::testing::HttpAnswer;

class GatherStepTest : public NewsRunTest {
 protected:
  // The pages of a whole run of item 1 (begin, each step, the end), followed
  // as a browser follows the refresh chain.
  std::vector<std::string> RunAll(const std::string& first = "action=begin&ItemID=1") {
    return testing::FollowRun(
        first, "Admin_ArticleGather.asp",
        [this](const std::string& query) { return Request(query); }, last_query_);
  }
  std::string Article(const std::string& column, const std::string& title) {
    return Value("SELECT " + column + " FROM QX_Article WHERE title='" + title + "'");
  }

  std::string last_query_;
};

TEST_F(GatherStepTest, WholeRunStoresEachArticleAndEnds) {
  AddRunItem(1, "IsDown=1");
  session_->SetItem("AdminName", vb::Variant("O'Neil"));
  std::vector<std::string> pages = RunAll();
  // begin, five links, the end.
  ASSERT_EQ(pages.size(), 7u);
  EXPECT_EQ(last_query_, "action=yes&ChannelID=1&page=6&D=43200");
  const std::string meta =
      "<meta http-equiv=\"refresh\" content=\"1;url='Admin_ArticleGather.asp?action=yes&"
      "ChannelID=1&page=6&D=43200'\">";
  ASSERT_GT(pages[6].size(), meta.size());
  EXPECT_EQ(pages[6].substr(pages[6].size() - meta.size()), meta);
  EXPECT_FALSE(std::filesystem::exists(LinkListPath(1)));

  // Progress of the first step: line 0 of 5, 0.00 %, the run's start time.
  EXPECT_NE(pages[1].find("总共需要采集 <font color='blue'><b>5</b></font> 个页面，正在采集第 "
                          "<font color='red'><b>0</b></font>  个页面…… 成功采集：<font "
                          "color='blue'><b>0</b></font></td>\r\n"),
            std::string::npos);
  EXPECT_NE(pages[1].find("<td align='center'>0.00 %</td>\r\n"), std::string::npos);
  EXPECT_NE(pages[1].find("window.location.href='Admin_ArticleGather.asp?action=yes&ChannelID=1&"
                          "D=43200&page=0'"),
            std::string::npos);
  EXPECT_NE(pages[1].find("function buildRefresh(){window.location.href='Admin_ArticleGather.asp?"
                          "action=savenew&ChannelID=1&page=1&ItemID=1&D=43200';}\r\n"
                          "setTimeout('buildRefresh()',1000);\r\n</script>\r\n"),
            std::string::npos);
  EXPECT_NE(pages[5].find("<td align='center'>80.00 %</td>"), std::string::npos);
  EXPECT_NE(pages[5].find("<table width='320' height='12'"), std::string::npos);

  // Four articles stored; the broken one showed its table and the run went on.
  EXPECT_EQ(Count("QX_Article"), 4);
  EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), "4");
  EXPECT_NE(pages[3].find("获取标题代码出错！请确定你的代码输入正确。"), std::string::npos);
  EXPECT_NE(pages[3].find("buildRefresh()"), std::string::npos);
  for (int i : {1, 2, 4, 5}) {
    EXPECT_NE(
        pages[static_cast<size_t>(i)].find(
            "<script>txt1.innerHTML='采集成功';txt2.innerHTML='恭喜您！采集成功';</script>\r\n"),
        std::string::npos)
        << i;
  }
  // Counters of the class and its parent, once per stored article.
  EXPECT_EQ(Value("SELECT ShowCount FROM QX_Classify WHERE ClassID=2"), "4");
  EXPECT_EQ(Value("SELECT ShowCount FROM QX_Classify WHERE ClassID=1"), "4");
  EXPECT_EQ(Value("SELECT isUpdate FROM QX_Classify WHERE ClassID=1"), "1");
  EXPECT_EQ(Value("SELECT ShowCount FROM QX_Classify WHERE ClassID=3"), "0");

  // A second run finds every title known: nothing new, nothing counted.
  pages = RunAll();
  ASSERT_EQ(pages.size(), 7u);
  EXPECT_EQ(Count("QX_Article"), 4);
  EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), "0");
  EXPECT_NE(pages[1].find("txt2.innerHTML='目标文章已存在，不予采集';"), std::string::npos);
  EXPECT_EQ(Value("SELECT ShowCount FROM QX_Classify WHERE ClassID=2"), "4");
}

TEST_F(GatherStepTest, ArticleRowWithLocalPictures) {
  AddRunItem(1, "IsDown=1");
  session_->SetItem("AdminName", vb::Variant("O'Neil"));
  WriteLinkList(1, Url("/news/art1.htm"));
  std::string page = Request("action=savenew&ChannelID=1&ItemID=1");

  const std::string title = "春天的故事";
  ExpectRow("QX_Article WHERE title='" + title + "'", {{"ChannelID", "1"},
                                                       {"ClassID", "2"},
                                                       {"SpecialID", "0"},
                                                       {"Author", "张三"},
                                                       {"ComeFrom", "新华社"},
                                                       {"WriteTime", "2025-8-8 10:20:30"},
                                                       {"HitsTime", "2026-3-1 12:00:00"},
                                                       {"AllHits", "50"},
                                                       {"star", "3"},
                                                       {"Related", "春天的故|天的故事"},
                                                       {"username", "O'Neil"},
                                                       {"isUpdate", "1"},
                                                       {"isAccept", "1"},
                                                       {"AlphaIndex", "C-Z"}});
  EXPECT_EQ(Article("HtmlFileDate", title).substr(0, 8), "20260301");

  // Both pictures saved: the content points at the copies, the list keeps
  // them from "UploadPic" on, the first picture is the article's image.
  const std::string content = Article("content", title);
  const std::string upload = Article("UploadImage", title);
  const std::string image = Article("ImageUrl", title);
  EXPECT_EQ(content.find(Url("")), std::string::npos) << content;
  EXPECT_EQ(content.find("<script"), std::string::npos);
  EXPECT_EQ(CountOf(content, "src=\"/article/UploadPic/"), 1) << content;
  EXPECT_EQ(CountOf(content, "src='/article/UploadPic/"), 1) << content;
  EXPECT_EQ(CountOf(upload, "|UploadPic/"), 2) << upload;
  EXPECT_EQ(upload.substr(0, 11), "|UploadPic/");
  EXPECT_EQ(image, upload.substr(1, image.size()));
  EXPECT_EQ(image.substr(image.size() - 4), ".jpg");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "article" / image));
  EXPECT_EQ(Article("BriefTopic", title), "1");

  // The panel.
  EXPECT_NE(
      page.find("<p></p><br><table border=0 align=center cellpadding=3 cellspacing=1 "
                "class=TableBorder>  <tr>   <th><span id=txt1>正在采集，请稍候....</span>"
                "</th>  </tr>  <tr>   <td class=TableRow1><strong><font color=blue>"
                "文章标题：</font></strong><font color=red>春天的故事</font>&nbsp;&nbsp;<br>"),
      std::string::npos);
  ExpectShows(page, {"文章作者：</font></strong>张三<br>",
                     "采集时间：</font></strong>2026-3-1 12:00:00<br>",
                     "目标地址：</font></strong><a href='" + Url("/news/art1.htm") +
                         "' target=_blank>" + Url("/news/art1.htm") + "</a>",
                     "[<a href='?ChannelID=1'><font color=blue>停止采集</font></a>]"});
  EXPECT_EQ(page.find("文章类别："), std::string::npos);  // AutoClass off
}

TEST_F(GatherStepTest, PictureFlagsAndKinds) {
  AddRunItem(1, "IsDown=1");
  // Three saved files: flag 2; the swf comes first but is no image.
  SetConfig("AllowPicExt='swf|jpg|png'");
  WriteLinkList(1, Url("/news/threepic.htm"));
  Request("action=savenew&ItemID=1");
  EXPECT_EQ(Article("BriefTopic", "三张图片"), "2");
  EXPECT_EQ(CountOf(Article("UploadImage", "三张图片"), "|"), 3);
  EXPECT_EQ(Article("ImageUrl", "三张图片").substr(Article("ImageUrl", "三张图片").size() - 4),
            ".jpg");

  // Pictures kept remote (IsDown 0): flag 1, absolute addresses, no files.
  SetItem(1, "IsDown=0");
  WriteLinkList(1, Url("/news/art1.htm"));
  Request("action=savenew&ItemID=1");
  EXPECT_EQ(Article("BriefTopic", "春天的故事"), "1");
  EXPECT_NE(Article("content", "春天的故事").find("src=\"" + Url("/news/pic/p1.jpg") + "\""),
            std::string::npos);
  EXPECT_EQ(Article("ImageUrl", "春天的故事"), "");
  EXPECT_EQ(Article("UploadImage", "春天的故事"), "");

  // No picture at all: flag 0.
  WriteLinkList(1, Url("/other/art3.htm"));
  Request("action=savenew&ItemID=1");
  EXPECT_EQ(Article("BriefTopic", "第三篇文章"), "0");
}

TEST_F(GatherStepTest, PicturesThatAllFailDoNotStopTheRun) {
  AddRunItem(1, "IsDown=1");
  WriteLinkList(1, Url("/news/nopic.htm") + "\r\n" + Url("/news/art1.htm"));
  std::string page = Request("action=savenew&ItemID=1");
  EXPECT_NE(page.find("txt1.innerHTML='采集成功'"), std::string::npos);
  EXPECT_NE(page.find("buildRefresh()"), std::string::npos);
  ExpectRow("QX_Article WHERE title='图片全失败'",
            {{"BriefTopic", "1"}, {"ImageUrl", ""}, {"UploadImage", ""}});
  EXPECT_NE(Article("content", "图片全失败").find(Url("/news/pic/missing1.jpg")),
            std::string::npos);
}

TEST_F(GatherStepTest, ContentPagesJoined) {
  AddRunItem(1);
  WriteLinkList(1, Url("/news/art2.htm"));
  Request("action=savenew&ItemID=1");
  EXPECT_EQ(Article("content", "分页的文章"),
            "<p>第一页内容</p>[page_break]<p>第二页内容</p>[page_break]<p>第三页内容</p>");
  // The article's own address in another letter case is not fetched again.
  EXPECT_TRUE(site_.RequestsFor("/news/ART2.htm").empty());
  EXPECT_EQ(site_.RequestsFor("/news/art2_2.htm").size(), 1u);

  // Mode 2 cuts the paging area from the whole page; here it lies inside the
  // content, so the same pages are found.
  SetItem(1, "IsNextPage=2");
  SetConfig("RepeatDeal=1");
  Request("action=savenew&ItemID=1");
  EXPECT_EQ(Count("QX_Article"), 1);
  EXPECT_EQ(CountOf(Article("content", "分页的文章"), "[page_break]"), 2);

  // Paging off: the first page alone, its paging area left in.
  SetItem(1, "IsNextPage=0");
  Request("action=savenew&ItemID=1");
  EXPECT_EQ(Article("content", "分页的文章").find("[page_break]"), std::string::npos);
  EXPECT_NE(Article("content", "分页的文章").find("class=\"pages\""), std::string::npos);
}

TEST_F(GatherStepTest, PagingAreaOutsideTheContent) {
  // Mode 1 looks for the paging area in the cut content only; mode 2 in the
  // whole page.
  site_.Route("/news/outside.htm",
              HttpAnswer::Page("<h1 class=\"title\">页外分页</h1><div class=\"content\">"
                               "<p>第一页</p></div><!--/content--><div class=\"pages\">"
                               "<a href=\"art2_2.htm\">2</a></div>",
                               "text/html; charset=utf-8"));
  AddRunItem(1);
  WriteLinkList(1, Url("/news/outside.htm"));
  Request("action=savenew&ItemID=1");
  EXPECT_EQ(Article("content", "页外分页"), "<p>第一页</p>");
  EXPECT_TRUE(site_.RequestsFor("/news/art2_2.htm").empty());

  SetItem(1, "IsNextPage=2");
  SetConfig("RepeatDeal=1");
  Request("action=savenew&ItemID=1");
  EXPECT_EQ(Article("content", "页外分页"), "<p>第一页</p>[page_break]<p>第二页内容</p>");
}

TEST_F(GatherStepTest, ShortTitleKeys) {
  // Brackets and dollar signs do not count towards the four characters; a
  // short title stands whole on both sides.
  const std::string tail = "</h1><div class=\"content\">x</div><!--/content-->";
  site_.Route("/keys/long.htm", HttpAnswer::Page("<h1 class=\"title\">[AB]$CD$EFGH" + tail,
                                                 "text/html; charset=utf-8"));
  site_.Route("/keys/short.htm",
              HttpAnswer::Page("<h1 class=\"title\">AB" + tail, "text/html; charset=utf-8"));
  AddRunItem(1);
  WriteLinkList(1, Url("/keys/long.htm") + "\r\n" + Url("/keys/short.htm"));
  Request("action=savenew&ItemID=1");
  Request("action=savenew&ItemID=1&page=1&D=1");
  EXPECT_EQ(Article("Related", "[AB]$CD$EFGH"), "ABCD|EFGH");
  EXPECT_EQ(Article("Related", "AB"), "AB|AB");
}

TEST_F(GatherStepTest, CarriesStartTimeAndInterval) {
  AddRunItem(1);
  SetConfig("setInterval=0");
  WriteLinkList(1, "zz://one-1234\r\nzz://two-1234\r\nzz://three-1234");
  std::string page = Request("action=savenew&ChannelID=1&ItemID=1&page=1&D=43100.1234");
  ExpectShows(page, {"正在采集第 <font color='red'><b>1</b></font>  个页面",
                     "<td align='center'>33.33 %</td>",
                     "获取远程信息出错！请确定你的远程连接代码输入无误。"});
  EXPECT_NE(page.find("action=savenew&ChannelID=1&page=2&ItemID=1&D=43100.1234';}\r\n"
                      "setTimeout('buildRefresh()',0);"),
            std::string::npos);
  EXPECT_EQ(site_.RequestCount(), 0u);
}

TEST_F(GatherStepTest, BadLinkListsAndPages) {
  AddRunItem(1);
  const std::string table =
      "<tr><td colspan=2 align=center height=50 class=TableRow1>获取软件列表错误！";
  // No file at all, or one shorter than ten characters: the error table.
  EXPECT_NE(Request("action=savenew&ItemID=1").find(table), std::string::npos);
  WriteLinkList(1, "zz://1234");
  EXPECT_NE(Request("action=savenew&ItemID=1").find(table), std::string::npos);
  // Ten characters are a list of one line.
  WriteLinkList(1, "zz://12345");
  std::string page = Request("action=savenew&ItemID=1");
  EXPECT_EQ(page.find(table), std::string::npos);
  EXPECT_NE(page.find("<b>1</b></font> 个页面"), std::string::npos);

  // A page that is no number ends the step before the table; a negative one
  // after it. Neither leads anywhere.
  std::string bad = Request("action=savenew&ItemID=1&page=x&D=1");
  EXPECT_EQ(bad.find("总共需要采集"), std::string::npos);
  EXPECT_EQ(NextQuery(bad), "");
  std::string negative = Request("action=savenew&ItemID=1&page=-1&D=1");
  EXPECT_NE(negative.find("总共需要采集"), std::string::npos);
  EXPECT_EQ(NextQuery(negative), "");
}

// A step reads its own line of the list as the file stands: rewritten
// between two steps (at another size, or at the same size and time with its
// line breaks moved), or with no index kept of it.
TEST_F(GatherStepTest, StepReadsTheListAsItStandsOnDisk) {
  AddRunItem(1);
  auto step = [&](const std::string& path, size_t times = 1) {
    const std::string page = Request("action=savenew&ItemID=1&page=1&D=1");
    EXPECT_EQ(site_.RequestsFor(path).size(), times) << path;
    return page;
  };
  const std::string shown = "总共需要采集 <font color='blue'><b>";
  WriteLinkList(1, Url("/news/art1.htm") + "\r\n" + Url("/news/art2.htm"));
  EXPECT_NE(step("/news/art2.htm").find(shown + "2</b>"), std::string::npos);
  const std::string three =
      Url("/news/art1.htm") + "\r\n" + Url("/news/nopic.htm") + "\r\n" + Url("/news/art1.htm");
  WriteLinkList(1, three);
  EXPECT_NE(step("/news/nopic.htm").find(shown + "3</b>"), std::string::npos);
  const auto time = std::filesystem::last_write_time(LinkListPath(1));
  std::string two = Url("/news/art1.htm") + "\r\n" + Url("/other/art3.htm?");
  two += std::string(three.size() - two.size(), 'x');
  WriteLinkList(1, two);
  std::filesystem::last_write_time(LinkListPath(1), time);
  EXPECT_NE(step("/other/art3.htm").find(shown + "2</b>"), std::string::npos);
  gathering::LinkListIndex::Forget(fs::ToWindows(LinkListPath(1).string()));
  EXPECT_NE(step("/other/art3.htm", 2).find(shown + "2</b>"), std::string::npos);

  // A line read alone decodes as in the whole list: no character of the
  // list's code page swallows the CR of a line break.
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    const std::string line = "a" + std::string(1, static_cast<char>(lead));
    EXPECT_EQ(text::Decode(line + "\r\nb", "GB2312"), text::Decode(line, "GB2312") + "\r\nb")
        << lead;
  }
}

// A code list of fewer parts than a step reads ends that step, never read
// as unset codes: the start writes no link list and leads nowhere; a step
// stores nothing and leads nowhere.
TEST_F(GatherStepTest, ShortCodeListsEndTheStep) {
  AddRunItem(1, "FindListCode='<ul class=\"list\">$$$</ul>'");
  EXPECT_EQ(NextQuery(Request("action=begin&ItemID=1")), "");
  EXPECT_FALSE(std::filesystem::exists(LinkListPath()));

  AddRunItem(2, "FindInfoCode='" +
                    SqlText("<h1 class=\"title\">$$$</h1>$$$<div class=\"content\">$$$</div>"
                            "<!--/content-->") +
                    "'");
  Request("action=begin&ItemID=2");
  const std::string step = Request("action=savenew&ItemID=2&page=0&D=1");
  EXPECT_NE(step.find("总共需要采集"), std::string::npos);
  EXPECT_EQ(NextQuery(step), "");
  EXPECT_EQ(Value("SELECT count(*) FROM QX_Article"), "0");
}

}  // namespace
}  // namespace ostrel::articles
