#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/text/charset.h"
#include "processing/files_folders.h"
#include "soft_run_fixture.h"
#include "support/clock_guard.h"

namespace ostrel::software {
namespace {

using ostrel::testing::HttpAnswer;

std::string DatePath() { return processing::BuildDatePath(1); }

std::string ReadFixtureBytes(const std::string& demo_path) {
  std::ifstream in(std::string(OSTREL_SOURCE_DIR) + "/demo/" + demo_path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(SoftRunTest, StartWritesTheLinkListOfEveryPage) {
  AddRunItem();
  session_->SetItem("SucceedCount", vb::Variant(int32_t{4}));
  session_->SetItem("tmpDirCount", vb::Variant(int32_t{9}));
  const std::string page = Request("action=begin&ItemID=1&ChannelID=2");
  EXPECT_NE(page.find("function reFresh(){window.location.href='admin_SoftGather.asp?action="
                      "savenew&ChannelID=2&ItemID=1';}\r\nsetTimeout('reFresh()',1000);"),
            std::string::npos);
  // Made absolute against the last page walked; no line break at the end.
  std::string expected;
  for (int i = 1; i <= 5; ++i) {
    expected += (i > 1 ? "\r\n" : "") + site_.Url("/soft/soft_0" + std::to_string(i) + ".html");
  }
  EXPECT_EQ(LinkListBytes(), text::Encode(expected, "GB2312"));
  EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), "0");
  EXPECT_EQ(vb::CStr(session_->Item("tmpDirCount")), "0");

  // A list without links is refused before anything is written.
  std::filesystem::remove(LinkListPath());
  SetItem("IsPagination=0, FindListCode='<ul class=\"none\">$$$</ul>$$$<a href=\"$$$\"'");
  EXPECT_NE(Request("action=begin&ItemID=1&ChannelID=2").find("获取分类列表出错"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(LinkListPath()));
  // The link list is never served: the host refuses .dat files (tested there).
}

// The start's list rules: a paged list adds only pages of more than 10
// characters (all 404 here: no list), links are made absolute against the
// list address as built even when its text came from the item's list
// address, and a list code of fewer than four parts ends the start
// silently, after the banner.
TEST_F(SoftRunTest, StartKeepsTheListRulesOfItsChannel) {
  AddRunItem();
  struct Case {
    std::string item;
    const char* shows;  // nullptr: neither an alert nor a next step
    std::string first_line;
  } cases[] = {
      {"PaginalList='" + site_.Url("/soft/none_{$pageid}.html") + "', startid=2, lastid=3",
       "获取分类列表出错，请重新设置分类列表代码！", ""},
      {"PaginalList='" + site_.Url("/soft/sub/none_{$pageid}.html") + "', startid=1, lastid=1",
       "reFresh()", site_.Url("/soft/sub/soft_01.html")},
      {"FindListCode='<ul class=\"softlist\">$$$</ul>'", nullptr, ""},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(LinkListPath());
    SetItem(c.item);
    const std::string page = Request("action=begin&ItemID=1&ChannelID=2");
    if (c.shows) {
      EXPECT_NE(page.find(c.shows), std::string::npos) << c.item;
    } else {
      EXPECT_EQ(page.find("获取分类列表出错"), std::string::npos) << c.item;
      EXPECT_EQ(page.find("reFresh()"), std::string::npos) << c.item;
    }
    EXPECT_EQ(std::filesystem::exists(LinkListPath()), !c.first_line.empty()) << c.item;
    if (!c.first_line.empty()) {
      const std::string text = LinkList();
      EXPECT_EQ(text.substr(0, text.find('\r')), c.first_line);
    }
  }
}

// A file that comes at once, within a tick of the clock (held still here),
// and ends off the Space-th block: its last progress text shows the whole
// file at a speed above 0.
TEST_F(SoftRunTest, ProgressOfAFileThatComesAtOnce) {
  AddRunItem("IsPagination=0, IsDown=1");
  SetConfig("UseDownload=1, isProgress=1, isZipFile=0, AllowDownExt='rar', setInterval=0");
  const ostrel::testing::ClockGuard still(ostrel::testing::At(2026, 12, 1, 12));
  Request("action=begin&ItemID=1&ChannelID=2");
  const std::string page = Request("action=savenew&ChannelID=2&ItemID=1&page=2&d=1");
  const size_t last = page.rfind("Proess1.innerHTML='") + 19;
  const std::string text = page.substr(last, page.find("';", last) - last);
  EXPECT_EQ(text.rfind("进度：40,293 / 速度：", 0), 0u) << text;
  EXPECT_TRUE(text.ends_with(" / 大小：40293")) << text;
  EXPECT_EQ(text.find("速度：0 字节"), std::string::npos) << text;
}

// An info code of fewer than 40 parts ends the entry silently: no panel,
// nothing stored; the run goes on with the next line.
TEST_F(SoftRunTest, AShortInfoCodeEndsTheEntry) {
  const std::string codes = SoftInfoCodes();
  AddRunItem("IsPagination=0, FindInfoCode='" +
             SqlText(codes.substr(0, codes.rfind("$$$<span class=\"ver\">"))) + "'");
  Request("action=begin&ItemID=1&ChannelID=2");
  const std::string page = Request("action=savenew&ChannelID=2&ItemID=1&page=0&d=1");
  EXPECT_EQ(page.find("目标软件"), std::string::npos);
  EXPECT_NE(page.find("buildRefresh()"), std::string::npos);
  EXPECT_EQ(Count("QX_SoftList"), 0);
}

// The class codes' tags: the parent's codes take none of the class tags,
// the child's "{@ParentName}" only; a tag not taken is searched as written.
TEST_F(SoftRunTest, ClassCodesTakeOnlyTheirOwnTags) {
  AddRunItem("IsPagination=0, AutoClass=1, downpage=0, FindInfoCode='" +
             SqlText(SoftInfoCodes({{4, "<span class=\"parent\">{@ChildName}{@ParentName}"},
                                    {6, "<span class=\"child\">{@ParentName}/{@ChildName}"}})) +
             "'");
  site_.Route(
      "/soft/soft_01.html",
      HttpAnswer::Page(text::Encode("<h1 class=\"softname\">标签</h1>"
                                    "<span class=\"parent\">{@ChildName}{@ParentName}软件</span>"
                                    "<span class=\"child\">软件/{@ChildName}工具软件</span>"
                                    "<ul class=\"downlist\"><a href=\"x.zip\">x</a></ul>",
                                    "GB2312")));
  Request("action=begin&ItemID=1&ChannelID=2");
  Request("action=savenew&ChannelID=2&ItemID=1&page=0&d=1");
  EXPECT_EQ(Soft("ClassID", "标签"), "6");
}

TEST_F(SoftRunTest, WholeRunDownloadsRepacksStoresAndCounts) {
  AddRunItem();
  DownloadAndRepack();
  RunSql("UPDATE QX_SoftConfig SET MaxZipsize=50 WHERE id=1");  // viewer.zip is re-packed no more
  session_->SetItem("AdminName", vb::Variant("admin"));
  std::vector<std::string> pages = RunAll();
  ASSERT_EQ(pages.size(), 7u);  // begin, five entries, the end
  EXPECT_NE(last_query_.find("action=yes&ChannelID=2&page=6&D="), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(LinkListPath()));

  // The step with page 2 of 5: a bar of 160 pixels, 40.00 %.
  ExpectShows(pages[3],
              {"bgcolor=#36D91A><tr><td></td></tr></table></td>", "<table width='160' height='12'",
               "<td align='center'>40.00 %</td>", "成功采集：<font color='blue'><b>2</b>"});

  // The panel of the first entry: the spans the scripts fill, the size and
  // address before the transfer, the progress, the re-pack and the status.
  const std::string& first = pages[1];
  for (const char* part :
       {"<span id=txt1>", "id=txt2", "id=txt3", "<span  id='showaddre'></span>", "id=Proess1",
        "id=tablePros", "<script>txt3.innerHTML=\"47.3KB (48,420 Bytes)\";</script>",
        "<script>Proess1.innerHTML='进度：5,120 / 速度：", "<script>tablePros.style.width=400;",
        "恭喜您！压缩文档处理成功。", "txt1.innerHTML='软件采集成功';"}) {
    EXPECT_NE(first.find(part), std::string::npos) << part;
  }
  EXPECT_NE(first.find(site_.Url("/soft/files/tool1.zip") + "<\\/font><\\/a>\";</script>"),
            std::string::npos);

  // The rows, in the order gathered, with every field the pages give and
  // the defaults where a code is unset.
  ASSERT_EQ(Count("QX_SoftList", "ChannelID=2"), 5);
  const std::string tool = "演示压缩工具";
  ExpectRow("QX_SoftList WHERE SoftName='" + tool + "'", {{"SoftVer", "2.1"},
                                                          {"Languages", "简体中文"},
                                                          {"SoftType", "国产软件"},
                                                          {"impower", "免费软件"},
                                                          {"RunSystem", "Win2000/WinXP/Win2003"},
                                                          {"Contact", "demo@soft.example"},
                                                          {"Homepage", "http://www.soft.example"},
                                                          {"ClassID", "6"},
                                                          {"star", "4"},
                                                          {"AllHits", "50"},
                                                          {"username", "admin"},
                                                          {"substr(SoftTime,1,10)", "2026-11-20"}});
  EXPECT_EQ(Soft("SoftImage", tool).rfind("UploadPic/" + DatePath(), 0), 0u);
  EXPECT_EQ(Soft("SoftImage", tool).substr(Soft("SoftImage", tool).size() - 4), ".jpg");
  EXPECT_EQ(Soft("instr(content,'广告')", tool), "0");
  EXPECT_NE(Soft("instr(content,'/soft/UploadPic/')", tool), "0");
  EXPECT_EQ(Soft("Languages", "演示看图精灵"), "英文");
  EXPECT_EQ(Soft("SoftType", "演示安装向导"), "国产软件");
  EXPECT_EQ(Soft("impower", "演示安装向导"), "注册/破解补丁");
  EXPECT_EQ(Row("SELECT ShowCount FROM QX_Classify WHERE ClassID=5")["ShowCount"], "5");

  // The re-packed archive is a zip with the readme and without ad.url; the
  // downloads waiting for it are gone; viewer.zip, too large for the
  // re-packer, is moved in unchanged.
  const std::string address = Soft("DownAddress", tool);
  const std::string prefix = "点击此处下载|||/soft/UploadFile/" + DatePath();
  ASSERT_EQ(address.rfind(prefix, 0), 0u) << address;
  const std::string saved =
      (dir_ / "soft" / "UploadFile" / DatePath()).string() + address.substr(prefix.size());
  const auto names = ostrel::testing::ListArchive(saved);
  EXPECT_EQ(names.count("tool1/site.txt"), 1u);
  EXPECT_EQ(names.count("tool1/ad.url"), 0u);
  EXPECT_EQ(Soft("DownAddress", "演示看图精灵"),
            "点击此处下载|||/soft/UploadFile/" + DatePath() + "viewer.zip");
  EXPECT_EQ(Soft("SoftSize", "演示看图精灵"), "51");
  EXPECT_TRUE(FilesIn("soft/DownFile").empty());
  EXPECT_EQ(FilesIn("soft/UploadFile").size(), 5u);
  for (const char* name : {"演示音乐播放器", "演示安装向导"}) {
    EXPECT_NE(Soft("DownAddress", name).find(".zip"), std::string::npos) << name;
  }

  // The summary, then a second run stores nothing new.
  const std::string summary = Request(last_query_);
  EXPECT_NE(summary.find("成功采集软件 <font color=\"#FF0000\">5</font> 个"), std::string::npos);
  pages = RunAll();
  EXPECT_NE(pages[2].find("目标软件已存在，不予采集"), std::string::npos);
  EXPECT_EQ(Count("QX_SoftList"), 5);
  EXPECT_EQ(FilesIn("soft/UploadFile").size(), 5u);
}

// Unset codes give the defaults; an unset begin code makes the end code the
// value.
TEST_F(SoftRunTest, UnsetCodesGiveTheDefaults) {
  AddRunItem("downpage=0");
  SetItem("FindInfoCode='" +
          SqlText(SoftInfoCodes({{12, "0"},
                                 {13, "0"},
                                 {14, "0"},
                                 {15, "0"},
                                 {16, "0"},
                                 {17, "共享软件"},
                                 {18, "0"},
                                 {19, "0"},
                                 {20, "0"},
                                 {21, "0"},
                                 {22, "0"},
                                 {23, "0"},
                                 {24, "0"},
                                 {38, "0"}})) +
          "'");
  Request("action=begin&ItemID=1&ChannelID=2");
  Request("action=savenew&ChannelID=2&ItemID=1&page=0&d=1");
  EXPECT_EQ(Row("SELECT Languages, SoftType, impower, RunSystem, Contact, Homepage, SoftImage, "
                "SoftVer FROM QX_SoftList"),
            (std::map<std::string, std::string>{{"Languages", "简体中文"},
                                                {"SoftType", "国产软件"},
                                                {"impower", "共享软件"},
                                                {"RunSystem", "Win9X/Win2000/WinXP/Win2003"},
                                                {"Contact", ""},
                                                {"Homepage", "http://"},
                                                {"SoftImage", ""},
                                                {"SoftVer", ""}}));
}

// RepeatDeal 0, 1 and 2 and test mode, with a download server and the
// addresses kept (no download).
TEST_F(SoftRunTest, KnownNamesAndTestModeWithADownloadServer) {
  AddRunItem("downid=1, downpage=0, SaveFilePath='/files/'");
  RunSql(
      "INSERT INTO QX_DownServer (downid, ChannelID, DownloadName, depth, rootid) VALUES "
      "(9, 1, 'other', 0, 9)");
  const std::string q = "action=savenew&ChannelID=2&ItemID=1&page=0&d=1";
  Request("action=begin&ItemID=1&ChannelID=2");
  Request(q);
  const std::string id = Soft("softid", "演示压缩工具");
  EXPECT_EQ(Soft("DownAddress", "演示压缩工具"), "|||");
  EXPECT_EQ(
      Row("SELECT DownFileName, downid FROM QX_DownAddress WHERE softid=" + id),
      (std::map<std::string, std::string>{{"DownFileName", "soft/down_01.html"}, {"downid", "1"}}));
  struct Case {
    int repeat;
    int rows;
    int counter;
    const char* status;
  } cases[] = {{0, 1, 1, "目标软件已存在，不予采集"},
               {1, 1, 1, "软件采集成功"},
               {2, 2, 2, "软件采集成功"},
               {9, 2, 2, "软件采集成功"}};
  for (const Case& c : cases) {
    if (c.repeat == 9) {
      SetConfig("UseDownload=9, RepeatDeal=2");
    } else {
      SetConfig("RepeatDeal=" + std::to_string(c.repeat));
    }
    session_->SetItem("SucceedCount", vb::Variant(int32_t{0}));
    const std::string page = Request(q);
    EXPECT_NE(page.find(c.status), std::string::npos) << c.repeat;
    EXPECT_EQ(Count("QX_SoftList", "SoftName='演示压缩工具'"), c.rows) << c.repeat;
    EXPECT_EQ(Row("SELECT ShowCount FROM QX_Classify WHERE ClassID=6")["ShowCount"],
              std::to_string(c.counter))
        << c.repeat;
    EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), c.repeat == 0 ? "0" : "1");
  }
  // Updated in place kept its id; each stored row has its own server link,
  // the added one read back by its own id.
  EXPECT_EQ(Soft("min(softid)", "演示压缩工具"), id);
  EXPECT_EQ(Count("QX_DownAddress", "ChannelID=2"), 2);
  EXPECT_EQ(Count("QX_DownAddress", "softid=(SELECT max(softid) FROM QX_SoftList)"), 1);
}

TEST_F(SoftRunTest, FailedDownloadStoresNothingAndLeavesNoFile) {
  AddRunItem();
  DownloadAndRepack();
  // Each failure shows its text: a missing file, a redirect to an IPv6
  // literal, a file of 2 GB or more.
  HttpAnswer huge = HttpAnswer::Stalled();
  huge.generated_bytes = 3'000'000'000;
  const std::pair<HttpAnswer, const char*> cases[] = {
      {HttpAnswer::NotFound(), "无法创建连接！"},
      {HttpAnswer::Redirect("http://[::1]:1/tool1.zip"), "无法创建连接！"},
      {huge, "文件下载失败！"},
  };
  for (const auto& [answer, text] : cases) {
    site_.Route("/soft/down/tool1.zip", answer);
    Request("action=begin&ItemID=1&ChannelID=2");
    const std::string page = Request("action=savenew&ChannelID=2&ItemID=1&page=0&d=1");
    ExpectShows(page, {"txt1.innerHTML='软件下载失败';", text, "buildRefresh()"});
    EXPECT_EQ(Count("QX_SoftList"), 0);
    EXPECT_EQ(vb::CStr(session_->Item("SucceedCount")), "0");
    EXPECT_TRUE(FilesIn("soft").size() == 1u) << "only the readme stays";  // thumbnail removed
  }
}

TEST_F(SoftRunTest, TrueAddressFollowsTheRedirect) {
  AddRunItem("downpage=0");
  SetConfig("TrueAddress=1");
  SetItem(
      "FindInfoCode='" +
      SqlText(SoftInfoCodes({{26, "<div class=\"intro\">"}, {27, "</div>"}, {28, "<a href=\""}})) +
      "'");
  // The first link of the list leads through a 302 to the file.
  site_.Route(
      "/soft/soft_01.html",
      HttpAnswer::Page(text::Encode("<h1 class=\"softname\">重定向软件</h1><div class=\"intro\">"
                                    "<a href=\"/soft/down/tool1.zip\">下载</a></div>",
                                    "GB2312")));
  Request("action=begin&ItemID=1&ChannelID=2");
  const std::string page = Request("action=savenew&ChannelID=2&ItemID=1&page=0&d=1");
  const std::string real = site_.Url("/soft/files/tool1.zip");
  EXPECT_NE(page.find("<span  id='showaddre'><a href='" + real + "'"), std::string::npos);
  EXPECT_EQ(Soft("DownAddress", "重定向软件"), "点击此处下载|||" + real);
  EXPECT_EQ(Soft("SoftSize", "重定向软件"), "47");
}

// Remote addresses and names the page must not trust: a thumbnail address
// that names no picture type, a file address with a quote, the same file
// name twice, a name longer than 220 characters.
TEST_F(SoftRunTest, RemoteAddressesAndNamesAreHandledSafely) {
  AddRunItem("downpage=0");
  DownloadAndRepack();
  SetConfig("isZipFile=0, RepeatDeal=2");
  const std::string name(230, 'n');
  site_.Route("/soft/soft_01.html",
              HttpAnswer::Page("<h1 class=\"softname\">" + name +
                               "</h1><img class=\"thumb\" "
                               "src=\"pic.php?id=1\"><ul class=\"downlist\"><a href=\"/q.zip\">"
                               "</a></ul>"));
  site_.Route("/q.zip", HttpAnswer::Redirect("/x'y.zip"));
  const std::string zip = ReadFixtureBytes("soft/files/notes.zip");
  site_.Route("/x'y.zip", HttpAnswer::Page(zip, "application/zip"));
  site_.Route("/x%27y.zip", HttpAnswer::Page(zip, "application/zip"));
  Request("action=begin&ItemID=1&ChannelID=2");
  const std::string step = "action=savenew&ChannelID=2&ItemID=1&page=0&d=1";
  const std::string page = Request(step);
  EXPECT_NE(page.find("y.zip<\\/font>"), std::string::npos);
  EXPECT_EQ(page.find("x'y.zip<\\/font>"), std::string::npos);
  EXPECT_NE(page.find("x&#39;y.zip"), std::string::npos);
  EXPECT_EQ(Soft("SoftImage", std::string(220, 'n')), "");

  // Again: the long name is found as stored, the file gets a name of its own.
  Request(step);
  EXPECT_EQ(Count("QX_SoftList", "SoftName='" + std::string(220, 'n') + "'"), 2);
  EXPECT_EQ(FilesIn("soft/UploadFile").size(), 2u);
  SetConfig("RepeatDeal=0");
  EXPECT_NE(Request(step).find("目标软件已存在"), std::string::npos);
}

// An answer of unknown length that ends on a whole block: the last event
// brings 0 bytes; with Space 0 every event writes. Nothing divides by zero,
// and the unknown size (0) is reached at every event: the bar is full.
TEST_F(SoftRunTest, ProgressWithoutSizeOrLastBlock) {
  HttpAnswer chunked = HttpAnswer::Page(std::string(10240, 'z'), "application/zip");
  chunked.chunked = true;
  site_.Route("/c.zip", chunked);
  auto soft = std::make_shared<SoftCollection>();
  soft->SetSpace(0);
  EXPECT_EQ(soft->FileDownload(site_.Url("/c.zip"), "/got/c.zip", 3),
            folder_->Windows("got/c.zip"));
  const std::string out = Output();
  EXPECT_EQ(CountOf(out, "Proess1.innerHTML='进度："), 3);
  EXPECT_EQ(CountOf(out, "tablePros.style.width="), 3);
  EXPECT_EQ(CountOf(out, "tablePros.style.width=400;"), 3);
  EXPECT_NE(out.find("全部下载任务完成"), std::string::npos);
}

TEST_F(SoftRunTest, PublicMembers) {
  auto soft = std::make_shared<SoftCollection>();
  struct Case {
    const char* type;
    const char* rules;
    const char* result;
  } cases[] = {{" 国外软件 ", "ab", "国外软件"},
               {"国外软件", "国外|进口$$$x", "进口软件"},
               {"国外软件", "国外|进口$$$进口|引进", "引进软件"},
               {"", "国外|进口", ""}};
  for (const Case& c : cases) EXPECT_EQ(soft->ReplaceSoftType(c.type, c.rules), c.result);

  soft->SetMaxCount(2);
  soft->SetUseItemPath(true);
  EXPECT_EQ(soft->GetTempDirectory(), "UpzipFile/temp1_0");
  EXPECT_EQ(soft->GetTempDirectory(), "UpzipFile/temp2_0");
  EXPECT_EQ(soft->GetTempDirectory(), "UpzipFile/temp1_0");

  // FileDownload outside a run: size first, then the outcome.
  const std::string path = soft->FileDownload(site_.Url("/soft/down/notes.zip"), "/got/n.zip", 2);
  EXPECT_EQ(path, folder_->Windows("got/n.zip"));
  EXPECT_EQ(std::filesystem::file_size(dir_ / "got" / "n.zip"), 36420u);
  const std::string out = Output();
  ExpectShows(out, {"<script>txt2.innerHTML=\"35.6KB (36,420 Bytes)\";</script>",
                    "tablePros.style.width=400;", "全部下载任务完成"});
  EXPECT_EQ(soft->FileDownload(site_.Url("/missing.zip"), "/got/m.zip"), "");
  EXPECT_NE(Output().find("软件下载失败：<font color=blue>无法创建连接！"), std::string::npos);
}

}  // namespace
}  // namespace ostrel::software
