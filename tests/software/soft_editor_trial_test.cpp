// The software editor against a remote site on 127.0.0.1: the source
// views of steps 2 and 3, and the trial run of a plain entry, of an entry
// whose links lie on a separate download page and of a hostile page. The
// trial shows what the codes cut and stores nothing.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/vb/datetime.h"
#include "soft_page.h"
#include "support/quoted_markup.h"
#include "support/remote_site_test.h"
#include "support/run_steps.h"

namespace ostrel::software {
namespace {

constexpr const char* kList =
    "<html><body><ul id=list>\n<li><a href=\"/soft/1.html\">一</a></li>\n"
    "<li><a href=\"/soft/2.html\">二</a></li></ul></body></html>";
constexpr const char* kEntry =
    "<html><body><h1>好软件 <b>2.0</b></h1><span id=v>V2.0</span>\n"
    "<div id=intro><p>简介文字<script>parent.hacked=1</script></p>广告</div>\n"
    "<span id=lang>英文</span><span id=type>国外软件</span><span id=size>1.5 MB</span>\n"
    "<ul id=down><li><a href=\"/f/a.zip\">1</a></li><li><a href=\"b.zip\">2</a></li>"
    "<li><a href=\"/dl.html\">3</a></li></ul></body></html>";
// Links on a page of their own, reached through the entry's first link.
constexpr const char* kPagedEntry =
    "<html><body><h1>分页软件</h1><div id=intro>短</div>"
    "<ul id=down><li><a href=\"/dl.html\">下载页</a></li></ul></body></html>";
constexpr const char* kDownloadPage =
    "<html><body><div id=dl><a href=\"/m/1.zip\">镜像一</a> <a href=\"/m/2.zip\">镜像二</a>"
    "</div></body></html>";
constexpr const char* kHostile =
    "<html><body><h1>坏\"软件'</h1><div id=intro><img src=x onerror=\"parent.hacked=1\"></div>"
    "<ul id=down><li><a href=\"javascript:parent.hacked=1\">x</a></li></ul></body></html>";

class SoftTrialTest : public testing::RemoteSiteTest<SoftPageTest> {
 protected:
  void SetUp() override {
    RemoteSiteTest::SetUp();
    ServeUtf8({{"/list.html", kList},
               {"/soft/1.html", kEntry},
               {"/soft/2.html", kEntry},
               {"/paged.html", kPagedEntry},
               {"/dl.html", kDownloadPage},
               {"/hostile.html", kHostile}});
    AddItem(1, 2, "试验");
    SetItem("Encoding='UTF-8', AutoClass=1, RemoteListUrl='" + server_.Url("/list.html") +
            "', FindListCode='<ul id=list>$$$</ul>$$$<a href=\"$$$\">$$$0$$$0$$$0$$$0$$$0', "
            "FindInfoCode='" +
            InfoCodes() + "', strReplace='简介|介绍'");
  }

  // The item's detail-page codes, with some of them changed.
  static std::string InfoCodes(const testing::CodeParts& changes = {}) {
    return testing::SqlText(testing::JoinCodes(
        53,
        {{0, "<h1>"},     {1, "</h1>"},           {2, "<div id=intro>"},  {3, "</div>"},
         {5, "工具"},     {12, "<span id=lang>"}, {13, "</span>"},        {14, "<span id=type>"},
         {15, "</span>"}, {17, " 共享软件 "},     {10, "<span id=size>"}, {11, "</span>"},
         {9, "2005-8-8"}, {26, "<ul id=down>"},   {27, "</ul>"},          {28, "<a href=\""},
         {29, "\">"},     {30, "<div id=dl>"},    {31, "</div>"},         {32, "<a href=\""},
         {33, "\">"},     {34, "广告"},           {38, "<span id=v>"},    {39, "</span>"}},
        changes));
  }
};

TEST_F(SoftTrialTest, SourceViewsShowTheListAndTheFirstEntry) {
  Fields first = ReadForm(Request("action=edit&ItemID=1"));
  first.emplace_back("ShowCode", "1");
  const std::string second = Post("action=step2&showcode=1", first);
  ExpectShows(second,
              {"&lt;ul id=list&gt;", "采集的目标地址 → <a href='" + server_.Url("/list.html")});
  const std::string third = Post("action=step3&showcode=1", ReadForm(second));
  EXPECT_NE(third.find("&lt;span id=v&gt;V2.0"), std::string::npos);
  EXPECT_NE(third.find("<a href='" + server_.Url("/soft/1.html")), std::string::npos);
  EXPECT_EQ(server_.RequestsFor("/soft/2.html").size(), 0u);  // the first link only

  // A list address that answers nothing sends the browser back to step 1.
  const std::string failed = Post("action=step2&showcode=1",
                                  WithField(first, "RemoteListUrl", server_.Url("/missing.html")));
  EXPECT_NE(failed.find("alert('获取远程信息出错！请确定你的远程列表URL输入无误。');"
                        "location.replace('?action=edit&ChannelID=2&ItemID=1');"),
            std::string::npos);
}

TEST_F(SoftTrialTest, TrialOfAPlainEntryShowsEveryFieldAndStoresNothing) {
  vb::DateTime now = vb::CDate(vb::Variant("2026-3-4 10:20:30"));
  ::ostrel::testing::ClockGuard clock(&now);
  const std::string page = TrialStoringNothing("action=demo&ItemID=1", "QX_SoftList");
  const std::string entry = server_.Url("/soft/1.html");
  for (const std::string& shown : {
           std::string("<span class='style1'>好软件 2.0 V2.0</span>"),
           std::string("<b>更新时间：</b>2005-8-8 10:20:30<br>"),
           std::string("<b>软件大小：</b>1536 <b>KB</b>"),
           std::string("<b>软件语言：</b>英文<br>"),
           std::string("<b>软件类别：</b>国外软件 / 工具 / <br>"),
           std::string("<b>授权方式：</b>共享软件<br>"),
           std::string("<b>运行环境：</b>Win9X/Win2000/WinXP/Win2003<br>"),
           std::string("<b>联系方式：</b><br><b>程序主页：</b><br>"),
           std::string("<b>目标地址：</b><a href='" + entry + "' target='_blank'>"),
           "0、</span><a href='" + server_.Url("/f/a.zip") + "'",
           "1、</span><a href='" + server_.Url("/soft/b.zip") + "'",
           "2、</span><a href='" + server_.Url("/dl.html") + "'",
           std::string("全部设置完成"),
       }) {
    EXPECT_NE(page.find(shown), std::string::npos) << shown << "\n" << page;
  }
  // The introduction: tag filters and the filter string applied, shown only
  // inside the sandboxed frame.
  EXPECT_NE(page.find("<iframe sandbox=\"\" srcdoc=\"&lt;base href=&quot;" + entry +
                      "&quot;&gt;&lt;p&gt;介绍文字&lt;/p&gt;\""),
            std::string::npos);
  EXPECT_EQ(page.find("<script>parent"), std::string::npos);
  EXPECT_EQ(page.find("广告"), std::string::npos);
  EXPECT_EQ(server_.RequestsFor("/dl.html").size(), 0u);  // downpage 0
}

TEST_F(SoftTrialTest, TrialFollowsASeparateDownloadPage) {
  SetItem("downpage=1, NamedDemourl='" + server_.Url("/paged.html") + "'");
  std::string page = Request("action=demo&ItemID=1");
  ExpectShows(page, {"<b>目标地址：</b><a href='" + server_.Url("/paged.html"),
                     "0、</span><a href='" + server_.Url("/m/1.zip"),
                     "1、</span><a href='" + server_.Url("/m/2.zip"),
                     "&gt;短\""});  // short, yet no fallback

  // A download page without the area: the entry's own links stay.
  SetItem("FindInfoCode='" + InfoCodes({{30, "<div id=none>"}}) + "'");
  page = Request("action=demo&ItemID=1");
  EXPECT_NE(page.find("0、</span><a href='" + server_.Url("/dl.html")), std::string::npos);
  EXPECT_EQ(page.find("/m/1.zip"), std::string::npos);
}

TEST_F(SoftTrialTest, HostilePageReachesTheAdminPageOnlyAsText) {
  SetItem("NamedDemourl='" + server_.Url("/hostile.html") + "', FindInfoCode='" +
          InfoCodes({{23, "javascript:parent.hacked=1"}}) + "'");
  const std::string page = Request("action=demo&ItemID=1");
  ExpectShows(page, {"<span class='style1'>坏软件 </span>",
                     "&gt;&lt;img src=x onerror=&quot;parent.hacked=1&quot;&gt;\""});
  EXPECT_EQ(page.find("<img src=x"), std::string::npos);
  EXPECT_EQ(page.find("href='javascript"), std::string::npos);
  EXPECT_EQ(Count("QX_SoftList"), 0);
}

// Every page of the editor carries the markup the channel has always
// written.
TEST_F(SoftTrialTest, EditorPagesCarryTheChannelsMarkup) {
  const std::string first = Request("action=edit&ItemID=1");
  const std::string second =
      Post("action=step2&showcode=1", WithField(ReadForm(first), "ShowCode", "1"));
  const std::string third = Post("action=step3&showcode=1", ReadForm(second));
  testing::ExpectQuotedPages("soft",
                             {{"step1", first},
                              {"step2", second},
                              {"step3", third},
                              {"step4", Request("action=step4&ItemID=1")},
                              {"trial", Request("action=demo&ItemID=1")}},
                             server_.Url("/list.html"), server_.Url("/soft/1.html"));
}

TEST_F(SoftTrialTest, TrialAlertsSayWhichCodeFailed) {
  ExpectDownloadTrialAlerts(InfoCodes, 26, 28);
  // A trial address of nine characters is no address: the list leads.
  SetItem("NamedDemourl='http://x', FindInfoCode='" + InfoCodes() + "'");
  EXPECT_NE(Request("action=demo&ItemID=1").find(server_.Url("/soft/1.html")), std::string::npos);
}

}  // namespace
}  // namespace ostrel::software
