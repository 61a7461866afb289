// The Flash editor against a remote site on 127.0.0.1: step 3's source
// view, and the trial run of a plain entry (with its list thumbnail, fixed
// download path and file in each show mode), of a separate download page
// and of a hostile page. The trial shows what the codes cut and stores
// nothing.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "flash_page.h"
#include "platform/vb/datetime.h"
#include "support/quoted_markup.h"
#include "support/remote_site_test.h"
#include "support/run_steps.h"

namespace ostrel::flash {
namespace {

constexpr const char* kList =
    "<html><body><ul id=list>\n<li><img src=\"/t/1.jpg\"><a href=\"/f/1.html\">一</a></li>\n"
    "<li><img src=\"/t/2.jpg\"><a href=\"/f/2.html\">二</a></li></ul></body></html>";
constexpr const char* kEntry =
    "<html><body><h1>好动画 <b>一</b></h1>\n"
    "<div id=intro><p>简介文字<script>parent.hacked=1</script></p>广告</div>\n"
    "<span id=from>来自 http://src.test/a 网站</span><span id=size>1.5 MB</span>\n"
    "<ul id=down><li><a href=\"m/1.swf\">1</a></li></ul>"
    "<a id=dp href=\"/dl.html\">下载页</a></body></html>";
constexpr const char* kDownloadPage =
    "<html><body><div id=dl><a href=\"/m/real.swf\">镜像</a></div></body></html>";
constexpr const char* kHostile =
    "<html><body><h1>坏\"动画'</h1><div id=intro><img src=x onerror=\"parent.hacked=1\"></div>"
    "<span id=from>http://x.test/ onmouseover=parent.hacked=1</span>"
    "<ul id=down><li><a href=\"javascript:parent.hacked=1\">x</a></li></ul></body></html>";

class FlashTrialTest : public testing::RemoteSiteTest<FlashPageTest> {
 protected:
  void SetUp() override {
    RemoteSiteTest::SetUp();
    ServeUtf8({{"/list.html", kList},
               {"/f/1.html", kEntry},
               {"/f/2.html", kEntry},
               {"/dl.html", kDownloadPage},
               {"/hostile.html", kHostile}});
    AddItem(1, 5, "试验");
    SetItem("Encoding='UTF-8', AutoClass=1, showmode=1, RemoteListUrl='" +
            server_.Url("/list.html") +
            "', FindListCode='<ul id=list>$$$</ul>$$$<a href=\"$$$\">$$$1$$$<img src=\"$$$\">$$$"
            "0$$$0$$$0$$$0$$$0', FindInfoCode='" +
            InfoCodes() + "', strReplace='简介|介绍', RemoveCode='1|0'");
  }

  // The item's entry-page codes, with some of them changed.
  static std::string InfoCodes(const testing::CodeParts& changes = {}) {
    return testing::SqlText(testing::JoinCodes(43,
                                               {{0, "<h1>"},
                                                {1, "</h1>"},
                                                {2, "<div id=intro>"},
                                                {3, "</div>"},
                                                {5, "{@FlashTitle}类"},
                                                {7, " 子 "},
                                                {10, "<span id=size>"},
                                                {11, "</span>"},
                                                {12, "<span id=from>"},
                                                {13, "</span>"},
                                                {15, " 无名 "},
                                                {17, "x"},
                                                {21, "<ul id=down>"},
                                                {22, "</ul>"},
                                                {23, "<a href=\""},
                                                {24, "\">"},
                                                {25, "<div id=dl>"},
                                                {26, "</div>"},
                                                {27, "<a href=\""},
                                                {28, "\">"},
                                                {29, "广告"}},
                                               changes));
  }
};

TEST_F(FlashTrialTest, SourceViewOfStepThreeShowsTheFirstEntry) {
  const std::string third = Post("action=step3&showcode=1", {{"ItemID", "1"}});
  EXPECT_NE(third.find("&lt;span id=from&gt;"), std::string::npos);
  EXPECT_NE(third.find("<a href='" + server_.Url("/f/1.html")), std::string::npos);
  EXPECT_EQ(server_.RequestsFor("/f/2.html").size(), 0u);
}

TEST_F(FlashTrialTest, TrialOfAPlainEntryShowsEveryFieldAndStoresNothing) {
  vb::DateTime now = vb::CDate(vb::Variant("2026-3-4 10:20:30"));
  ::ostrel::testing::ClockGuard clock(&now);
  const std::string page = TrialStoringNothing("action=demo&ItemID=1", "QX_FlashList");
  const std::string file = server_.Url("/f/m/1.swf");
  for (const std::string& shown : {
           std::string("<span class='style1'>好动画 一</span>"),
           std::string("<b>更新时间：</b>2026-3-4 10:20:30<br>"),
           std::string("<b>文件大小：</b>1536 <b>KB</b>"),
           std::string("<b>原 作 者：</b>无名<br>"),
           // A literal class name takes no template tags.
           std::string("<b>作品类别：</b>{@FlashTitle}类 / 子<br>"),
           std::string("<b>目标地址：</b><a href='" + server_.Url("/f/1.html")),
           "<li><a href='" + file + "' target='_blank'>",
           // The linked source in a sandboxed frame that reads addresses
           // against the entry's; the file named where a run plays it.
           "srcdoc=\"&lt;base href=&quot;" + server_.Url("/f/1.html") +
               "&quot;&gt;来自 &lt;a target=&quot;_blank&quot; "
               "href=&quot;http://src.test/a&quot;&gt;",
           "演示中不能播放，请打开文件查看：<a href='" + file + "' target='_blank'>",
           // The list's first thumbnail before the introduction.
           "&lt;img src=&quot;" + server_.Url("/t/1.jpg") + "&quot; width=90",
           std::string("&lt;p&gt;介绍文字&lt;/p&gt;"),
           std::string("全部设置完成"),
       }) {
    EXPECT_NE(page.find(shown), std::string::npos) << shown << "\n" << page;
  }
  EXPECT_EQ(page.find("其它描述"), std::string::npos);  // one character is not shown
  EXPECT_EQ(page.find("广告"), std::string::npos);
  EXPECT_EQ(page.find("<script>parent"), std::string::npos);
  EXPECT_EQ(server_.RequestsFor("/dl.html").size(), 0u);  // downpage 0
}

TEST_F(FlashTrialTest, FixedPathsAndSeparateDownloadPages) {
  // No show mode writes a player into the trial: it could not play there.
  SetItem("showmode=3");
  EXPECT_EQ(CountOf(Request("action=demo&ItemID=1"), "<iframe"), 2);
  // A fixed path of nine characters or more goes straight before the link.
  SetItem("FindInfoCode='" + InfoCodes({{20, "http://cdn.test/"}}) + "'");
  EXPECT_NE(Request("action=demo&ItemID=1").find("<a href='http://cdn.test/m/1.swf'"),
            std::string::npos);
  // A demo address leads to the entry without its list thumbnail; the
  // separate download page gives the address.
  const size_t lists = server_.RequestsFor("/list.html").size();
  SetItem("downpage=1, NamedDemourl='\"" + server_.Url("/f/2.html") + "', FindInfoCode='" +
          InfoCodes({{21, "<body>"}, {22, "</body>"}, {23, "<a id=dp href=\""}}) + "'");
  const std::string page = Request("action=demo&ItemID=1");
  EXPECT_NE(page.find("<a href='" + server_.Url("/m/real.swf")), std::string::npos);
  EXPECT_EQ(page.find("/t/1.jpg"), std::string::npos);
  EXPECT_EQ(server_.RequestsFor("/list.html").size(), lists);
}

TEST_F(FlashTrialTest, HostilePageReachesTheAdminPageOnlyAsTextOrFramed) {
  SetItem("NamedDemourl='" + server_.Url("/hostile.html") + "'");
  const std::string page = Request("action=demo&ItemID=1");
  EXPECT_NE(page.find("<span class='style1'>坏动画</span>"), std::string::npos) << page;
  EXPECT_EQ(page.find("<img src=x"), std::string::npos);
  // The linked source stays inside its frame's srcdoc.
  EXPECT_EQ(page.find("<a target=\"_blank\" href=\"http://x.test"), std::string::npos);
  EXPECT_NE(page.find("&gt;&lt;a target=&quot;_blank&quot; href=&quot;http://x.test/&quot;"),
            std::string::npos);
  EXPECT_EQ(page.find("href='javascript"), std::string::npos);
  EXPECT_EQ(Count("QX_FlashList"), 0);
}

// Every page of the editor carries the markup the channel has always
// written.
TEST_F(FlashTrialTest, EditorPagesCarryTheChannelsMarkup) {
  SetItem("RemoveCode='1|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0'");  // every tag filter
  testing::ExpectQuotedPages("flash", EditorPages(1), server_.Url("/list.html"),
                             server_.Url("/f/1.html"));
}

TEST_F(FlashTrialTest, TrialAlertsSayWhichCodeFailed) {
  ExpectDownloadTrialAlerts(InfoCodes, 21, 23);
}

}  // namespace
}  // namespace ostrel::flash
