// Flash gathering runs against the demo's Flash site (demo/flash: GB2312
// list pages with thumbnails, entry pages, real .swf, picture and sound
// files) served on 127.0.0.1, with the admin page's folder and database of
// PageFixture.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "flash_page.h"
#include "host/demo_flash_codes.h"
#include "platform/text/charset.h"
#include "platform/vb/convert.h"
#include "processing/files_folders.h"
#include "support/fetch_limits_guard.h"
#include "support/http_server.h"
#include "support/run_steps.h"

namespace ostrel::flash {
namespace {

using ostrel::testing::HttpAnswer;

class FlashRunTest : public FlashPageTest {
 protected:
  void SetUp() override {
    FlashPageTest::SetUp();
    std::filesystem::create_directories(dir_ / "admin");
    site_.ServeFolder(std::filesystem::path(OSTREL_SOURCE_DIR) / "demo");
    RunSql(
        "INSERT INTO QX_Classify (ClassID, ChannelID, ClassName, depth, TurnLink, child, rootid, "
        "orders, parentid, Parentstr, ClassDir, HtmlFileDir) VALUES "
        "(10, 5, '动画', 0, 0, 0, 10, 0, 0, '0', 'flash', 'flash')");
    AddItem(1, 5, "演示", "ClassID=10");
    SetItem(
        "Encoding='GB2312', IsDown=1, showmode=1, PathForm=1, AllHits=50, star=4, "
        "RemoteListUrl='" +
        site_.Url("/flash/list_1.html") + "', PaginalList='" +
        site_.Url("/flash/list_{$PageID}.html") +
        "', IsPagination=1, startid=2, lastid=1, FindListCode='" +
        testing::JoinCodes(host::kFlashListCodes) + "', FindInfoCode='" +
        testing::JoinCodes(host::kFlashInfoCodes) + "'");
    SetConfig("UseDownload=1, isProgress=3, setInterval=0, AllowDownExt='swf|jpg|wav'");
  }
  // Every page of a whole run up to the summary (whose query is
  // last_query_).
  std::vector<std::string> RunAll() {
    return testing::FollowRun(
        "action=begin&ItemID=1&ChannelID=5", "Admin_FlashGather.asp",
        [this](const std::string& query) { return Request(query); }, last_query_);
  }
  std::string Flash(const std::string& column, const std::string& title) {
    return Row("SELECT " + column + " AS v FROM QX_FlashList WHERE title='" + title + "'")["v"];
  }
  std::string Entry(int n) const {
    return site_.Url("/flash/flash_0" + std::to_string(n) + ".html");
  }
  std::string Picture(const std::string& name) const { return site_.Url("/images/" + name); }

  ostrel::testing::HttpServer site_;
  std::string last_query_;
};

// Each link keeps the thumbnail beside it on its own page: a link without
// one gets none, and two entries showing the same picture both keep it.
TEST_F(FlashRunTest, StartPairsEachLinkWithItsOwnThumbnail) {
  EXPECT_NE(Request("action=begin&ItemID=1&ChannelID=5").find("setTimeout('reFresh()',1000);"),
            std::string::npos);
  EXPECT_EQ(LinkList(), Entry(1) + "|" + Picture("bus.png") + "\r\n" + Entry(2) + "|" +
                            Picture("tea.png") + "\r\n" + Entry(3) + "\r\n" + Entry(4) + "|" +
                            Picture("trees.png") + "\r\n" + Entry(5) + "|" + Picture("trees.png") +
                            "\r\n" + Entry(6) + "|" + Picture("hill.jpg"));
  // Thumbnails before their links pair the same way.
  site_.Route(
      "/flash/list_1.html",
      HttpAnswer::Page("<ul class=\"flashlist\"><img src=\"a.gif\"><a href=\"flash_01.html\">"
                       "<a href=\"flash_02.html\"><img src=\"c.gif\"><a href=\"flash_03.html\">"
                       "</ul>"));
  SetItem("IsPagination=0");
  Request("action=begin&ItemID=1&ChannelID=5");
  EXPECT_EQ(LinkList(), Entry(1) + "|" + site_.Url("/flash/a.gif") + "\r\n" + Entry(2) + "\r\n" +
                            Entry(3) + "|" + site_.Url("/flash/c.gif"));
  // Switch 0, or an unset thumbnail code: the links alone.
  for (const auto& change : {std::pair<int, std::string>{4, "0"}, {5, "0"}}) {
    SetItem("FindListCode='" + testing::JoinCodes(host::kFlashListCodes, {change}) + "'");
    Request("action=begin&ItemID=1&ChannelID=5");
    EXPECT_EQ(LinkList(), Entry(1) + "\r\n" + Entry(2) + "\r\n" + Entry(3)) << change.first;
  }
}

TEST_F(FlashRunTest, WholeRunDownloadsStoresAndCounts) {
  session_->SetItem("AdminName", vb::Variant("a&<b>"));
  std::vector<std::string> pages = RunAll();
  ASSERT_EQ(pages.size(), 8u);  // begin, six entries, the end
  EXPECT_NE(last_query_.find("action=yes&ChannelID=5&page=7&D="), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(LinkListPath()));

  const std::string& first = pages[1];
  for (const char* part :
       {"<span id=txt1>", "id=txt2", "<span id=txt3", "<span  id='showaddre'></span>", "id=Proess1",
        "id=tablePros", "标题名称：</font></strong><font color=red>蓝色星空",
        "作品来源：</font></strong>演示动画站", "原 作 者：</font></strong>星空工作室",
        "<script>txt3.innerHTML=\"239 Bytes\";</script>", "tablePros.style.width=400;",
        "txt1.innerHTML='文件采集成功';"}) {
    EXPECT_NE(first.find(part), std::string::npos) << part;
  }
  EXPECT_NE(first.find(site_.Url("/flash/files/blue_sky.swf") + "<\\/font><\\/a>\";</script>"),
            std::string::npos);

  ASSERT_EQ(Count("QX_FlashList", "ChannelID=5"), 6);
  const std::string day = processing::BuildDatePath(1);
  EXPECT_EQ(Flash("showurl", "蓝色星空"), "UploadFile/" + day + "blue_sky.swf");
  EXPECT_EQ(Flash("showurl", "提示音"), "UploadFile/" + day + "tone.wav");
  EXPECT_EQ(Flash("filesize", "集市图片"), "4");  // the downloaded 4696 bytes
  ExpectRow("QX_FlashList WHERE title='集市图片'",
            {{"Describe", "图片"},
             {"instr(Introduce,'广告')", "0"},
             {"substr(addTime,1,10)", "2026-11-08"},
             {"UserName", "a&<b>"},
             {"showmode || ClassID || star || AllHits", "110450"}});
  EXPECT_EQ(Flash("miniature", "城市夜景").rfind("UploadPic/" + day, 0), 0u);
  EXPECT_EQ(Flash("substr(miniature,-4)", "城市夜景"), ".png");
  EXPECT_EQ(Flash("substr(miniature,-4)", "绿色草地"), ".jpg");  // the page's own
  EXPECT_EQ(FilesIn("flash/UploadFile").size(), 6u);
  EXPECT_EQ(FilesIn("flash/UploadPic").size(), 6u);
  EXPECT_EQ(Row("SELECT ShowCount FROM QX_Classify WHERE ClassID=10")["ShowCount"], "6");
  EXPECT_NE(Request(last_query_).find("<font color=\"#FF0000\">6</font>"), std::string::npos);

  // Test mode: downloaded, shown and counted, nothing stored.
  SetConfig("UseDownload=9, RepeatDeal=2");
  pages = RunAll();
  EXPECT_NE(pages[6].find("成功采集：<font color='blue'><b>5</b>"), std::string::npos);
  EXPECT_EQ(Count("QX_FlashList"), 6);
  EXPECT_EQ(Row("SELECT ShowCount FROM QX_Classify WHERE ClassID=10")["ShowCount"], "6");
  EXPECT_EQ(FilesIn("flash/UploadPic").size(), 12u);

  // A known title is skipped.
  SetConfig("UseDownload=1, RepeatDeal=0");
  Request("action=begin&ItemID=1&ChannelID=5");
  EXPECT_NE(
      Request("action=savenew&ChannelID=5&ItemID=1&page=0&d=1").find("目标文件已存在，不予采集"),
      std::string::npos);
}

// A failed download or a database error is a failure, in the panel: no
// row, no counter, no file left behind.
TEST_F(FlashRunTest, FailuresStoreNothingAndLeaveNoFile) {
  SetItem("IsPagination=0");
  site_.Route("/flash/files/blue_sky.swf", HttpAnswer::NotFound());
  Request("action=begin&ItemID=1&ChannelID=5");
  const std::string step = "action=savenew&ChannelID=5&ItemID=1&page=0&d=1";
  std::string page = Request(step);
  ExpectShows(page, {"txt1.innerHTML='文件下载失败';", "无法创建连接！", "buildRefresh()"});

  RunSql(
      "CREATE TRIGGER full BEFORE INSERT ON QX_FlashList BEGIN SELECT RAISE(ABORT, 'disk full'); "
      "END");
  page = Request("action=savenew&ChannelID=5&ItemID=1&page=1&d=1");
  EXPECT_NE(page.find("txt1.innerHTML='文件采集失败';"), std::string::npos);
  EXPECT_NE(page.find("保存数据出错："), std::string::npos);
  EXPECT_EQ(page.find("文件采集成功"), std::string::npos);
  EXPECT_EQ(Count("QX_FlashList"), 0);
  EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), "0");
  EXPECT_EQ(Row("SELECT ShowCount FROM QX_Classify WHERE ClassID=10")["ShowCount"], "0");
  EXPECT_TRUE(FilesIn("flash").empty());
}

// Remote text the run must not trust: a thumbnail that names no picture
// type, a file address far longer than 200 characters, markup in a title.
TEST_F(FlashRunTest, RemoteAddressesAndTextAreHandledSafely) {
  SetItem("IsPagination=0");
  SetConfig("UseDownload=0");
  const std::string file = "files/" + std::string(230, 'f') + ".swf";
  site_.Route("/flash/flash_01.html",
              HttpAnswer::Page("<h1 class=\"title\">a&lt;i&gt;b</h1><img class=\"thumb\" "
                               "src=\"pic.php?id=1\"><div class=\"down\"><a href=\"" +
                               file + "\">x</a></div>"));
  site_.Route("/flash/list_1.html",
              HttpAnswer::Page("<ul class=\"flashlist\"><a href=\"flash_01.html\"></ul>"));
  Request("action=begin&ItemID=1&ChannelID=5");
  const std::string page = Request("action=savenew&ChannelID=5&ItemID=1&page=0&d=1");
  EXPECT_NE(page.find("<font color=red>a&amp;lt;i&amp;gt;b</font>"), std::string::npos);
  EXPECT_EQ(Flash("miniature", "a&lt;i&gt;b"), "");
  EXPECT_EQ(Flash("showurl", "a&lt;i&gt;b"), site_.Url("/flash/" + file));
}

// The start's list rules, as the software channel's: a paged list adds
// only pages of more than 10 characters, links are made absolute against
// the list address as built; but a list code of fewer than four parts is
// passed over as every failing statement, and leads to the alert.
TEST_F(FlashRunTest, StartKeepsTheListRulesOfItsChannel) {
  struct Case {
    std::string item;
    std::string first_line;  // "": the alert, no link list
  } cases[] = {
      {"PaginalList='" + site_.Url("/flash/none_{$pageid}.html") + "', startid=2, lastid=3", ""},
      {"PaginalList='" + site_.Url("/flash/sub/none_{$pageid}.html") + "', startid=1, lastid=1",
       site_.Url("/flash/sub/flash_01.html")},
      {"FindListCode='<ul class=\"flashlist\">$$$</ul>'", ""},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(LinkListPath());
    SetItem(c.item);
    const std::string page = Request("action=begin&ItemID=1&ChannelID=5");
    EXPECT_EQ(page.find("获取分类列表出错，请重新设置分类列表代码！") != std::string::npos,
              c.first_line.empty())
        << c.item;
    EXPECT_EQ(std::filesystem::exists(LinkListPath()), !c.first_line.empty()) << c.item;
    if (!c.first_line.empty()) {
      EXPECT_EQ(LinkList().rfind(c.first_line + "|", 0), 0u) << LinkList();
    }
  }
}

// A step passes a failing statement over: a page that is no number is
// line 0, a line that is not there is not gathered, a start time that is no
// number is 0 in every address; the run leads on.
TEST_F(FlashRunTest, AStepPassesFailuresOver) {
  SetItem("IsPagination=0");
  SetConfig("UseDownload=0");
  Request("action=begin&ItemID=1&ChannelID=5");
  struct Case {
    const char* page;
    const char* next;
    bool gathered;
  } cases[] = {{"abc", "&page=1&", true}, {"-1", "&page=0&", false}};
  for (const Case& c : cases) {
    const std::string out =
        Request(std::string("action=savenew&ChannelID=5&ItemID=1&d=1&page=") + c.page);
    EXPECT_NE(out.find("总共需要采集"), std::string::npos) << c.page;
    EXPECT_EQ(out.find("标题名称：") != std::string::npos, c.gathered) << c.page;
    EXPECT_NE(out.find("buildRefresh(){window.location.href='Admin_FlashGather.asp?action=savenew"
                       "&ChannelID=5" +
                       std::string(c.next)),
              std::string::npos)
        << c.page;
  }
  const std::string out = Request("action=savenew&ChannelID=5&ItemID=1&page=0&D=abc");
  for (const char* address : {"?action=yes&ChannelID=5&D=0&page=0", "&page=1&ItemID=1&D=0';}",
                              "&D=0'><font color=red>跳过采集"}) {
    EXPECT_NE(out.find(address), std::string::npos) << address;
  }
}

// An entry's page: a negative size is 0; a file address too large a size
// limit to hand over is passed over, the download shown and stored all the
// same; an info code of fewer parts than the step reads stores nothing.
TEST_F(FlashRunTest, EntryStepsPassFailuresOver) {
  SetItem("IsPagination=0");
  site_.Route("/flash/list_1.html",
              HttpAnswer::Page("<ul class=\"flashlist\"><a href=\"flash_01.html\"></ul>"));
  site_.Route("/flash/flash_01.html",
              HttpAnswer::Page(
                  text::Encode("<h1 class=\"title\">负号</h1><span class=\"size\">-5K</span>"
                               "<div class=\"down\"><a href=\"files/blue_sky.swf\">x</a></div>",
                               "GB2312")));
  SetConfig("UseDownload=0");
  Request("action=begin&ItemID=1&ChannelID=5");
  const std::string step = "action=savenew&ChannelID=5&ItemID=1&page=0&d=1";
  EXPECT_NE(Request(step).find(">0 <b>KB</b>"), std::string::npos);
  EXPECT_EQ(Flash("filesize", "负号"), "0");

  SetConfig("UseDownload=1, MaxDownSize=3000000, RepeatDeal=1");
  const std::string page = Request(step);
  ExpectShows(page, {"<script>txt3.innerHTML=\"239 Bytes\";</script>", "文件采集成功"});
  EXPECT_EQ(Flash("showurl", "负号"),
            "UploadFile/" + processing::BuildDatePath(1) + "blue_sky.swf");

  SetItem("FindInfoCode='" + testing::JoinCodes(20, {{0, "<h1 class=\"title\">"}, {1, "</h1>"}}) +
          "'");
  SetConfig("RepeatDeal=2");
  EXPECT_NE(Request(step).find("buildRefresh()"), std::string::npos);
  EXPECT_EQ(Count("QX_FlashList"), 1);
}

TEST_F(FlashRunTest, ReadComeFromLinksAddresses) {
  auto flash = std::make_shared<FlashCollection>();
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"  ", ""},
      {"见 http://a.cn/x.swf 页",
       "见 <a target=\"_blank\" href=\"http://a.cn/x.swf\">http://a.cn/x.swf</a> 页"},
      {"http://a.cn/?q=1&x=2",
       "<a target=\"_blank\" href=\"http://a.cn/?q=1&amp;x=2\">http://a.cn/?q=1&amp;x=2</a>"},
      {"来自 www.demo.com",
       "来自<a target=\"_blank\" href=\"http://www.demo.com\">www.demo.com</a>"},
      // Addresses already in an attribute, quoted or not, stay as they are.
      {"<a href=\"http://a.cn/\">x</a>", "<a href=\"http://a.cn/\">x</a>"},
      {"<a href='http://a.cn/'>x</a>", "<a href='http://a.cn/'>x</a>"},
      {"<a href=http://a.cn/>x</a>", "<a href=http://a.cn/>x</a>"},
      // Nothing after an address can become an attribute.
      {"http://a.cn/ onmouseover=alert(1)",
       "<a target=\"_blank\" href=\"http://a.cn/\">http://a.cn/</a> onmouseover=alert(1)"},
  };
  for (const Case& c : cases) EXPECT_EQ(flash->ReadComeFrom(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace ostrel::flash
