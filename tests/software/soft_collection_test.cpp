#include <gtest/gtest.h>

#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"
#include "soft_page.h"

namespace ostrel::software {
namespace {

using SoftCollectionTest = SoftPageTest;

TEST_F(SoftCollectionTest, PropertiesThroughTheDispatchInterface) {
  auto soft = std::make_shared<SoftCollection>();
  const struct {
    const char* given;
    const char* stored;
  } paths[] = {{"a/b/c", "a\\b\\c\\"}, {" d:\\x\\ ", "d:\\x\\"}, {"", ""}};
  for (const auto& p : paths) {
    soft->Let("UnzipPath", vb::Variant(p.given));
    EXPECT_EQ(soft->unzip_path(), p.stored) << p.given;
  }
  EXPECT_EQ(std::make_shared<SoftCollection>()->unzip_path(), "UpzipFile/");
  for (const char* on : {"True", "1", "-1"}) {
    soft->Let("ZipSwitch", vb::Variant(on));
    EXPECT_TRUE(soft->zip_switch()) << on;
  }
  soft->Let("ZipSwitch", vb::Variant("False"));
  EXPECT_FALSE(soft->zip_switch());
  soft->Let("ZipSwitch", vb::Variant("1"));
  EXPECT_THROW(soft->Let("ZipSwitch", vb::Variant("maybe")), vb::VbError);
  EXPECT_TRUE(soft->zip_switch());  // kept
  soft->Let("SoftSize", vb::Variant(int32_t{42}));
  EXPECT_EQ(vb::CLng(soft->Get("SoftSize")), 42);
  EXPECT_EQ(soft->channel_id(), 2);
}

TEST_F(SoftCollectionTest, RecordsReadByPosition) {
  AddItem(1, 2, "甲", "star=0, strLeachName='x', RetuneClass=NULL, downid=4, downpage=1");
  AddItem(2, 2, "乙", "star=-1, strLeachName='keep', RemoveFile=NULL");
  AddItem(3, 2, "丙", "star=3");
  RunSql("UPDATE QX_SoftConfig SET isZipFile=1, ReadmeFile='a.txt|b.txt' WHERE id=1");
  for (bool zip : {false, true}) {
    zip_switch_ = zip;
    Request("");
    EXPECT_EQ(last_->settings().isZipFile, zip ? 1 : 0);
    EXPECT_EQ(last_->settings().ReadmeFile, "a.txt|b.txt");
    vb::Variant one(int32_t{1}), two(int32_t{2}), three(int32_t{3});
    last_->ReadSoftItem(one);
    EXPECT_GE(last_->item().star, 2);  // the toolbox's random star
    EXPECT_LE(last_->item().star, 4);
    EXPECT_EQ(last_->item().strLeachName, zip ? "x" : "");
    EXPECT_EQ(last_->item().RetuneClass, "");
    EXPECT_EQ(last_->item().downid, 4);
    EXPECT_EQ(last_->item().downpage, 1);
    last_->ReadSoftItem(two);
    EXPECT_EQ(last_->item().star, -1);
    EXPECT_EQ(last_->item().RemoveFile, "");
    last_->ReadSoftItem(three);
    EXPECT_EQ(last_->item().star, 3);
  }
  EXPECT_TRUE(Cached("SoftItem1"));
}

TEST_F(SoftCollectionTest, ActionsAndChannel) {
  ExpectChannelFallsBackTo(2);
  for (const char* query : {"action=edit", "action=Edit&ItemID=0", "action=edit&ItemID=x"}) {
    EXPECT_NE(Request(query).find("alert(\"请选择正确的项目ID!\");history.back();"),
              std::string::npos)
        << query;
  }
  for (const char* query : {"action=yes", "action=nothing", "action="}) {
    EXPECT_NE(Request(query).find("还没有找到任何采集项目！"), std::string::npos) << query;
  }
  EXPECT_NE(last_->wait_banner().find("<font color=#FFFFFF>...正在收集数据...请稍候...</font>"),
            std::string::npos);
}

TEST_F(SoftCollectionTest, ItemListPagesEncodesAndSummarises) {
  AddClasses();
  for (int i = 1; i <= 31; ++i) AddItem(i, 2, "软件" + std::to_string(i));
  AddItem(40, 3, "别的频道");
  RunSql("UPDATE QX_SoftItem SET ItemName='<b>x</b>', StopItem=1 WHERE ItemID=31");
  page_list_num_ = 0;  // a page size below 1 is 30
  const std::string page1 = Request("page=x");
  EXPECT_EQ(CountOf(page1, "<tr align=center>"), 30);
  EXPECT_NE(page1.find("ShowListPage(1,2,31,30,'','软件采集');"), std::string::npos);
  EXPECT_NE(page1.find("&lt;b&gt;x&lt;/b&gt;"), std::string::npos);
  EXPECT_EQ(page1.find("<b>x</b>"), std::string::npos);
  ExpectShows(page1,
              {"<font color=red>×</font>", ">工具软件</a>", "?action=del&ItemID=31&ChannelID=2'"});
  EXPECT_LT(page1.find("class=TableRow1"), page1.find("class=TableRow2"));
  const std::string page2 = Request("page=9");
  EXPECT_EQ(CountOf(page2, "<tr align=center>"), 1);
  EXPECT_NE(page2.find("ShowListPage(2,2,31,30,'','软件采集');"), std::string::npos);

  // A run that started before midnight and ends after it took seconds, not
  // a negative time.
  session_->SetItem("SucceedCount", vb::Variant(int32_t{12}));
  const std::string summary = Request("action=yes&D=86399");
  EXPECT_NE(summary.find("成功采集软件 <font color=\"#FF0000\">12</font> 个"), std::string::npos);
  EXPECT_EQ(summary.find("总费时 <font color=\"#FF0000\">-"), std::string::npos);
  EXPECT_EQ(vb::CLng(session_->Item("SucceedCount")), 0);
}

TEST_F(SoftCollectionTest, DeleteTakesWholeNumbersOfTheChannelAndDropsTheirCache) {
  ExpectDeleteKeepsToTheChannel(2, 3, "admin_SoftGather.asp?ChannelID=2");
}

TEST_F(SoftCollectionTest, RemoveAllCacheClearsEveryVariable) {
  for (const char* name : {"a", "b<", "c"}) application_->SetItem(name, vb::Variant(1));
  const std::string page = Request("action=remove");
  EXPECT_NE(page.find("<li>更新 <b>b&lt;</b> 完成</li>"), std::string::npos);
  EXPECT_NE(page.find("<li>当前站点全部缓存清理完成。</li>"), std::string::npos);
  EXPECT_EQ(application_->contents().Keys().size(), 0u);
}

TEST_F(SoftCollectionTest, ClassAndServerLookups) {
  AddClasses();
  RunSql(
      "INSERT INTO QX_Classify (ClassID, ChannelID, ClassName, child, TurnLink, parentid, "
      "Parentstr, ClassDir, HtmlFileDir) VALUES (20, 2, 'Kids Games', 0, 0, 0, '0', 'kg', 'kg'), "
      "(21, 2, '外链', 0, 1, 0, '0', 'out', 'out')");
  const struct {
    const char* parent;
    const char* child;
    int32_t id;
    const char* folder;
  } cases[] = {
      {"软件", "工具软件", 6, "soft/"}, {"软件", "", 0, "soft/"},
      {"Kid's Games", "x", 20, "kg/"},  {"", "游戏娱乐", 7, "soft/"},
      {"没有", "工具软件", 0, ""},      {"外链", "", 0, ""},
  };
  for (const auto& c : cases) {
    auto soft = Make();
    soft->ReadSoftConfig();
    EXPECT_EQ(soft->GetClassID(2, c.parent, c.child), c.id) << c.parent << "/" << c.child;
    EXPECT_EQ(soft->class_folder(), c.folder) << c.parent << "/" << c.child;
    EXPECT_EQ(soft->GetClassID(0, c.parent, c.child), 0);
  }
  // The counters and the servers need the host's connection only.
  auto soft = std::make_shared<SoftCollection>();
  soft->SetDBConnstr(ConnString());
  soft->ReadSoftConfig();
  vb::Variant channel(int32_t{2}), cls(int32_t{6});
  soft->ClassUpdateCount(channel, cls);
  EXPECT_EQ(Row("SELECT ShowCount, isUpdate FROM QX_Classify WHERE ClassID=5")["ShowCount"], "1");
  EXPECT_EQ(Row("SELECT ShowCount FROM QX_Classify WHERE ClassID=6")["ShowCount"], "1");
  EXPECT_EQ(Row("SELECT ShowCount FROM QX_Classify WHERE ClassID=7")["ShowCount"], "0");

  RunSql(
      "INSERT INTO QX_DownServer (downid, ChannelID, DownloadName, depth, rootid) VALUES "
      "(2, 2, '镜像<2>', 0, 2), (3, 2, '子', 1, 2), (4, 3, '别的', 0, 4)");
  StartRequest("");
  soft = std::make_shared<SoftCollection>();
  soft->SetDBConnstr(ConnString());
  soft->ReadSoftConfig();
  soft->SelDownServer(2);
  const std::string list = Output();
  EXPECT_TRUE(list.starts_with(" <select name=\"downid\" size=\"1\"><option value=\"0\">↓请选择"));
  EXPECT_NE(list.find("<option value=\"2\" selected>镜像&lt;2&gt;</option>"), std::string::npos);
  EXPECT_EQ(list.find("别的"), std::string::npos);
  EXPECT_EQ(list.find(">子<"), std::string::npos);
  EXPECT_TRUE(list.ends_with("<option value=\"0\">不使用下载服务器</option></select>"));

  soft->AddDownServer(2, 1, 9, "soft/a'b.zip");
  soft->AddDownServer(2, 3, 9, "soft/other.zip");  // one link per entry
  soft->AddDownServer(2, 0, 10, "soft/x.zip");
  soft->AddDownServer(2, 1, 11, "  ");
  EXPECT_EQ(Count("QX_DownAddress"), 1);
  EXPECT_EQ(Row("SELECT * FROM QX_DownAddress")["DownFileName"], "soft/a''b.zip");
}

}  // namespace
}  // namespace ostrel::software
