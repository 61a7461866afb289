// The editor's source views and trial run against a remote site on
// 127.0.0.1: what they fetch, what they show, and that the trial stores
// nothing.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "articles/news_editor_test_page.h"
#include "platform/vb/datetime.h"
#include "support/remote_site_test.h"
#include "support/run_steps.h"

namespace ostrel::articles {
namespace {

constexpr const char* kList =
    "<html><body><div id=list>\n<a href=\"/a1.html\">一</a>\n<a href=\"a2.html\">二</a></div>"
    "</body></html>";
constexpr const char* kArticle =
    "<html><body><h1>标题<b>一</b></h1><span class=au>作者甲</span>\n"
    "<div id=c><p>正文内容<script>parent.hacked=1</script><img src=\"p.gif\"></p></div>\n"
    "<div id=pg><a href=\"/a1_2.html\">2</a><a href=\"/A1.html\">1</a></div></body></html>";
// An article whose paging list lies inside its content.
constexpr const char* kInnerPaging =
    "<html><body><h1>内页</h1><div id=c><p>甲</p><p id=pg><a href=\"/a1_2.html\">2</a></p></div>"
    "</body></html>";
constexpr const char* kSecondPage = "<html><body><div id=c>第二页</div></body></html>";

class EditorTrialTest : public testing::RemoteSiteTest<NewsEditorTest> {
 protected:
  void SetUp() override {
    RemoteSiteTest::SetUp();
    ServeUtf8({{"/list.html", kList},
               {"/a1.html", kArticle},
               {"/a2.html", kArticle},
               {"/a1_2.html", kSecondPage},
               {"/A1.html", kArticle},
               {"/inner.html", kInnerPaging}});
    InsertItem();
  }

  // The item's article codes, with some of them changed, quoted for SQL.
  static std::string InfoCodes(const testing::CodeParts& changes = {}) {
    return testing::SqlText(testing::JoinCodes(36,
                                               {{0, "<h1>"},
                                                {1, "</h1>"},
                                                {2, "<div id=c>"},
                                                {3, "</div>"},
                                                {5, " 国内 "},
                                                {8, "<span class=au>"},
                                                {9, "</span>"},
                                                {13, "2005-8-8"},
                                                {14, "<div id=pg>"},
                                                {15, "</div>"},
                                                {16, "<a href=\""},
                                                {17, "\">"},
                                                {18, "正文"}},
                                               changes));
  }

  void InsertItem() {
    RunSql(
        "INSERT INTO QX_NewsItem (ItemID, ItemName, SiteUrl, ChannelID, ClassID, Encoding, "
        "AutoClass, RemoveCode, RemoteListUrl, FindListCode, FindInfoCode, IsNextPage, "
        "NamedDemourl, strReplace) VALUES (1, '试验', 'http://127.0.0.1/', 1, 2, 'UTF-8', 1, "
        "'1|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0', '" +
        server_.Url("/list.html") +
        "', '<div id=list>$$$</div>$$$<a href=\"$$$\">$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0', '" +
        InfoCodes() + "', 2, 'http://x/', '第二页|第2页')");
  }
};

TEST_F(EditorTrialTest, TrialCutsTheFirstListedArticleAndStoresNothing) {
  vb::DateTime now = vb::CDate(vb::Variant("2026-3-4 10:20:30"));
  ::ostrel::testing::ClockGuard clock(&now);
  const std::string page = TrialStoringNothing("action=demo&ChannelID=1&ItemID=1", "QX_Article");
  EXPECT_NE(page.find("<tr><th colspan=2>采集项目第三步</th></tr>"), std::string::npos);
  EXPECT_NE(page.find("<b>文章标题：</b><span class=\"style1\">标题一</span>"), std::string::npos)
      << page;
  ExpectShows(page, {"<b>更新时间：</b>2005-8-8 10:20:30<br>", "<b>文章作者：</b>作者甲<br>",
                     "<b>文章来源：</b>不详<br>", "<b>文章类别：</b>国内 / <br>"});
  const std::string address = server_.Url("/a1.html");
  EXPECT_NE(page.find("<b>目标地址：</b><a href='" + address + "' target=_blank>" + address),
            std::string::npos);

  // The content: scripts filtered, the filter string gone, the picture made
  // absolute, the second page joined behind a visible marker with the text
  // rule applied, all of it inside a sandboxed frame whose base is the
  // article's address.
  const size_t frame = page.find("<iframe sandbox=\"\" srcdoc=\"");
  ASSERT_NE(frame, std::string::npos);
  const size_t frame_end = page.find("\" style=", frame);
  const std::string shown = DecodeEntities(page.substr(frame + 27, frame_end - frame - 27));
  EXPECT_EQ(shown, "<base href=\"" + address + "\"><p>内容<img src=\"" + server_.Url("/p.gif") +
                       "\"></p><br/><span style=\"color:red;font-size:12px;font-family:tahoma;"
                       "font-weight:bold;\">此处是内容分页标签：[page_break]</span><br/>第2页");
  EXPECT_EQ(page.find("<p>"), std::string::npos);
  // The closing row follows a successful trial.
  EXPECT_NE(page.find("全部设置完成"), std::string::npos);

  // The article's own address in another letter case is not fetched again;
  // only the first listed article was fetched.
  EXPECT_TRUE(server_.RequestsFor("/A1.html").empty());
  EXPECT_TRUE(server_.RequestsFor("/a2.html").empty());
  EXPECT_EQ(server_.RequestsFor("/a1_2.html").size(), 1u);
}

TEST_F(EditorTrialTest, TrialFollowsTheSwitchesOfTheCodes) {
  vb::DateTime now = vb::CDate(vb::Variant("2026-3-4 10:20:30"));
  ::ostrel::testing::ClockGuard clock(&now);
  // A literal author, an empty source, a time that is no date, a match
  // filter set on one side only, paging mode 1 with the paging list outside
  // the content, and no automatic class.
  RunSql("UPDATE QX_NewsItem SET AutoClass=0, IsNextPage=1, FindInfoCode='" +
         InfoCodes({{8, "0"}, {9, " 某人 "}, {10, ""}, {11, ""}, {13, "不是日期"}, {22, "<img"}}) +
         "'");
  std::string page = Request("action=demo&ChannelID=1&ItemID=1");
  EXPECT_NE(page.find("<b>文章作者：</b>某人<br>"), std::string::npos) << page;
  EXPECT_NE(page.find("<b>文章来源：</b>不详<br>"), std::string::npos);
  EXPECT_NE(page.find("<b>更新时间：</b>2026-3-4 10:20:30<br>"), std::string::npos);
  EXPECT_EQ(page.find("文章类别："), std::string::npos);
  EXPECT_NE(page.find("&lt;img src="), std::string::npos);
  EXPECT_EQ(page.find("[page_break]"), std::string::npos);
  EXPECT_TRUE(server_.RequestsFor("/a1_2.html").empty());
  // Both author codes unset: the default.
  RunSql("UPDATE QX_NewsItem SET FindInfoCode='" + InfoCodes({{8, "0"}, {9, "0"}}) + "'");
  EXPECT_NE(Request("action=demo&ChannelID=1&ItemID=1").find("<b>文章作者：</b>佚名<br>"),
            std::string::npos);

  // Mode 1 with the paging list inside the content: the list is cut out of
  // the content and the next page joined.
  RunSql("UPDATE QX_NewsItem SET NamedDemourl='" + server_.Url("/inner.html") +
         "', FindInfoCode='" + InfoCodes({{14, "<p id=pg>"}, {15, "</p>"}}) + "'");
  page = Request("action=demo&ChannelID=1&ItemID=1");
  EXPECT_NE(page.find("&lt;p&gt;甲&lt;/p&gt;&lt;br/&gt;&lt;span"), std::string::npos) << page;
  EXPECT_NE(page.find("第2页"), std::string::npos);
  EXPECT_EQ(server_.RequestsFor("/a1_2.html").size(), 1u);
  // Mode 0 skips paging.
  RunSql("UPDATE QX_NewsItem SET IsNextPage=0");
  page = Request("action=demo&ChannelID=1&ItemID=1");
  EXPECT_EQ(page.find("[page_break]"), std::string::npos);
  EXPECT_EQ(server_.RequestsFor("/a1_2.html").size(), 1u);
}

TEST_F(EditorTrialTest, DemoAddressOfTenCharactersOrMoreIsUsedWithoutQuotes) {
  RunSql("UPDATE QX_NewsItem SET NamedDemourl='\"" + server_.Url("/a2.html") +
         "\"' WHERE ItemID=1");
  const std::string page = Request("action=demo&ChannelID=1&ItemID=1");
  EXPECT_NE(page.find("标题一"), std::string::npos);
  EXPECT_EQ(server_.RequestsFor("/a2.html").size(), 1u);
  EXPECT_TRUE(server_.RequestsFor("/list.html").empty());
  // Nine characters are no address: the first listed article is tried.
  RunSql("UPDATE QX_NewsItem SET NamedDemourl='http://x/'");
  EXPECT_NE(Request("action=demo&ChannelID=1&ItemID=1").find("标题一"), std::string::npos);
  EXPECT_EQ(server_.RequestsFor("/list.html").size(), 1u);
  EXPECT_EQ(server_.RequestsFor("/a1.html").size(), 1u);
}

TEST_F(EditorTrialTest, FailingStepsAlertAndEndThePage) {
  const struct {
    const char* sql;
    const char* message;
  } cases[] = {
      {"UPDATE QX_NewsItem SET RemoteListUrl='http://127.0.0.1:1/x.html'",
       "获取远程信息出错！请确定你的远程列表URL输入无误。"},
      {"UPDATE QX_NewsItem SET FindListCode='<ul>$$$</ul>$$$a$$$b'",
       "获取远程列表出错！请确定你的远程列表开始和结束代码输入无误。"},
      {"UPDATE QX_NewsItem SET FindListCode='<div id=list>$$$</div>$$$<i>$$$</i>'",
       "获取远程连接出错！请确定你的连接开始和结束代码输入无误。"},
      {"UPDATE QX_NewsItem SET NamedDemourl='http://127.0.0.1:1/none.html'",
       "获取远程信息出错！请确定你的远程连接代码输入无误。"},
      {"UPDATE QX_NewsItem SET FindInfoCode='<h2>$$$</h2>$$$<div id=c>$$$</div>'",
       "获取标题代码出错！请确定你的代码输入正确。"},
      {"UPDATE QX_NewsItem SET FindInfoCode='<h1>$$$</h1>$$$<div id=x>$$$</div>'",
       "获取文章内容代码出错！请确定你的代码输入正确。"},
  };
  for (const auto& c : cases) {
    RunSql("DELETE FROM QX_NewsItem");
    InsertItem();
    RunSql(c.sql);
    ExpectTrialAlert(std::string(c.message) + "\");history.back();",
                     "action=demo&ChannelID=1&ItemID=1");
  }
}

TEST_F(EditorTrialTest, StepFourWithShowCodeStoresThenRunsTheTrial) {
  Fields form = WithField(ReadForm(Request("action=step3&ChannelID=1&ItemID=1")), "FindInfoCode9",
                          "</span>\n");
  form.emplace_back("ShowCode", "1");
  const std::string page = Post("ChannelID=1", form);
  EXPECT_NE(page.find("<b>文章作者：</b>作者甲<br>"), std::string::npos) << page;
  EXPECT_NE(ItemRow(1)["FindInfoCode"].find("</span>\n$$$"), std::string::npos);
}

TEST_F(EditorTrialTest, SourceViewsShowTheRemotePagesEncoded) {
  // Step 3's preview: the first article the list leads to.
  const std::string step3 = Request("action=step3&ChannelID=1&ItemID=1&showcode=1");
  EXPECT_NE(step3.find("项 目 编 辑 -- 采集目标网站源代码"), std::string::npos);
  EXPECT_NE(step3.find("<textarea name=\"content\" id=\"content\" rows=\"20\" wrap=\"off\" "
                       "style=\"width:100%\">\r\n&lt;html&gt;&lt;body&gt;&lt;h1&gt;标题"),
            std::string::npos);
  ExpectShows(step3, {"javascript:admin_Size(-20,'content')", "javascript:admin_Size(20,'content')",
                      "<a href='view-source:" + server_.Url("/a1.html") + "' target=_blank>"});
  EXPECT_EQ(step3.find("<script>parent"), std::string::npos);
  EXPECT_TRUE(server_.RequestsFor("/a2.html").empty());
  EXPECT_NE(step3.find("FindInfoCode25"), std::string::npos);

  // Step 2's source view: the list page the first page's form names.
  Fields form = ReadForm(Request("action=edit&ChannelID=1&ItemID=1"));
  form.emplace_back("ShowCode", "1");
  const std::string step2 = Post("ChannelID=1", form);
  EXPECT_NE(step2.find("&lt;div id=list&gt;"), std::string::npos) << step2;
  ExpectShows(step2, {"<font color=red>" + server_.Url("/list.html") + "</font>", "列表连接设置"});
}

}  // namespace
}  // namespace ostrel::articles
