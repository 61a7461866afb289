// The software item editor without a remote site: the first step's form for
// a new and an existing item, the saves of every step (an unchanged form
// keeps the row, a refused form changes nothing, the cache goes after the
// write), and the clone.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "soft_page.h"

namespace ostrel::software {
namespace {

class SoftEditorTest : public SoftPageTest {
 protected:
  void SetUp() override {
    SoftPageTest::SetUp();
    AddClasses();
    RunSql(
        "INSERT INTO QX_DownServer (downid, ChannelID, DownloadName, depth, rootid) VALUES "
        "(3, 2, '电信', 0, 3)");
  }
  // An item with every column set, rules of one and three characters, a
  // file list and markup in its codes.
  void AddFullItem(int id, int channel = 2) {
    AddItem(id, channel, "全<项>");
    SetItem(id,
            "SiteUrl='http://s/\"q', Encoding='UTF-8', IsDown=1, downid=3, "
            "MaxAddress=2, AutoClass=1, PathForm=9, SaveFilePath='/d/', AutoRename=1, IsNowTime=1, "
            "AllHits=999, star=5, RemoveCode='0|1|0|0|0|0|0|0|0|0|0|0|0|0|1|0|0|0|0|0|0|0|0|0', "
            "PaginalList='http://s/{$pageid}', IsPagination=1, startid=3, lastid=9, "
            "FindListCode='<ul class=\"l\">$$$</ul>$$$<a "
            "href=''$$$''>$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$"
            "0$$$0$$$0', downpage=1, RetuneClass='a|b$$$长名|短', RemoveFile='r.txt|s.url', "
            "strLeachName='[x]', NamedDemourl='http://s/d''\"1.html', strReplace='x$$$甲|乙'");
  }
  std::string Step(const std::string& action, const Fields& fields) {
    return Post("action=" + action, fields);
  }
};

TEST_F(SoftEditorTest, NewItemFormShowsTheDefaults) {
  const std::string page = Request("action=add");
  const Fields form = ReadForm(page);
  ExpectFields(form, {{"action", "step2"},
                      {"ItemID", "0"},
                      {"change", "yes"},
                      {"SiteUrl", "http://"},
                      {"Encoding", "GB2312"},
                      {"MaxAddress", "1"},
                      {"SaveFilePath", "/soft/UploadFile/"},
                      {"AllHits", "0"},
                      {"star", "3"},
                      {"PathForm", "1"},
                      {"StopItem", "0"},
                      {"IsPagination", "0"},
                      {"startid", "1"},
                      {"lastid", "2"},
                      {"downid", "0"},
                      {"RemoveCode0", "1"},
                      {"RemoveCode1", "1"},
                      {"RemoveFile", ""}});
  EXPECT_FALSE(HasField(form, "RemoveCode2"));
  EXPECT_NE(page.find("<th colspan=2>添加新的采集项目</th>"), std::string::npos);
  EXPECT_EQ(page.find("设置第一步"), std::string::npos);  // no navigation row
  ExpectShows(page, {"<tr id=\"RetuneClassID\" style=\"display:none\">",
                     "<tr id=\"Pageinate1\" style=\"display:none\">",
                     "href='admin_Servered.asp?action=add&ChannelID=2'",
                     "<option value=\"9\">分类目录名称</option>"});
  zip_switch_ = false;
  EXPECT_EQ(Request("action=add").find("RemoveFile"), std::string::npos);
}

TEST_F(SoftEditorTest, NewItemIsStoredWithPaddedCodesAndGoesOnUnderItsOwnKey) {
  const Fields form = WithFields(
      ReadForm(Request("action=add")),
      {{"ItemName", "新项目"}, {"RemoteListUrl", "http://s/list.html"}, {"ClassID", "6"}});
  const std::string page = Step("step2", form);
  const auto row = Row("SELECT * FROM QX_SoftItem WHERE ItemName='新项目'");
  ASSERT_FALSE(row.empty()) << page;
  EXPECT_EQ(CountOf(row.at("FindListCode"), "$$$"), 19);
  EXPECT_EQ(CountOf(row.at("FindInfoCode"), "$$$"), 51);
  EXPECT_EQ(row.at("RemoveCode"), "1|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0");
  EXPECT_EQ(row.at("ChannelID"), "2");
  const Fields next = ReadForm(page);
  ExpectFields(next,
               {{"ItemID", row.at("ItemID")}, {"FindListCode0", "0"}, {"FindListCode4", "0"}});
  EXPECT_EQ(page.find("设置第一步"), std::string::npos);
}

TEST_F(SoftEditorTest, EveryStepPostedUnchangedKeepsTheRow) {
  AddFullItem(7);
  const auto before = ItemRow(7);
  const auto pages = PostEveryStepUnchanged(7);
  // Every rule is listed, so none is lost; values come back encoded.
  ExpectShows(pages[0], {"<option value=\"a|b\">a|b</option>", "<option value=\"x\">x</option>",
                         "value=\"全&lt;项&gt;\"", "<tr id=\"RetuneClassID\">",
                         "<option value=\"3\" selected>电信</option>"});
  EXPECT_NE(pages[1].find("设置第一步"), std::string::npos);
  EXPECT_NE(pages[2].find("<tr id=\"InfoCode30\">"), std::string::npos);  // downpage 1 shows them
  EXPECT_NE(pages[2].find("<tr id=\"InfoCode38\" style=\"display:none\">"), std::string::npos);

  auto after = ItemRow(7);
  // The code columns take the lengths the steps write; their codes stay.
  EXPECT_EQ(CountOf(after["FindListCode"], "$$$"), 14);
  EXPECT_EQ(after["FindListCode"].substr(0, 40), before.at("FindListCode").substr(0, 40));
  EXPECT_EQ(CountOf(after["FindInfoCode"], "$$$"), 52);
  EXPECT_EQ(after["NamedDemourl"], "http://s/d1.html");  // quotes dropped on show and save
  ExpectSameColumns(after, before, {"FindListCode", "FindInfoCode", "NamedDemourl"});
}

TEST_F(SoftEditorTest, RefusedFormsChangeNothing) {
  AddFullItem(7);
  const Fields good = ReadForm(Request("action=edit&ItemID=7"));
  const auto before = ItemRow(7);
  const testing::RefusedField cases[] = {
      {"ItemName", " ", "请填写项目名称！"},
      {"SiteUrl", "ftp://x", "目标站点URL输入错误，请在URL前面加上“http://”！"},
      {"Encoding", " ", "请选择目标站点的文件编码！"},
      {"RemoteListUrl", "", "请填写远程列表URL！"},
      {"PaginalList", " ", "请填写远程分页列表URL！"},
      {"MaxAddress", "70000", "输入的数值超出范围，请重新输入！"},
      {"AllHits", "99999999999", "输入的数值超出范围，请重新输入！"},
  };
  for (const auto& c : cases) {
    ExpectStepRefuses("action=step2", WithField(good, c.field, c.value), c.message);
  }
  const Fields codes = {
      {"ItemID", "7"}, {"change", "yes"}, {"FindInfoCode0", "x"}, {"downpage", "40000"}};
  EXPECT_NE(Step("step4", codes).find("输入的数值超出范围"), std::string::npos);
  EXPECT_EQ(ItemRow(7), before);

  // An item of another channel, or none, is no item here.
  ExpectStepsRefuseAnotherChannelsItem(7, good);
  EXPECT_NE(Request("action=edit&ItemID=8").find("错误的系统参数!"), std::string::npos);
}

TEST_F(SoftEditorTest, ArchiveFieldsOnlyWithZipSwitch) {
  AddFullItem(7);
  EXPECT_EQ(FieldOf(ReadForm(Request("action=edit&ItemID=7")), "RemoveFile"), "r.txt\r\ns.url");
  zip_switch_ = false;
  Fields form = ReadForm(Request("action=edit&ItemID=7"));
  EXPECT_FALSE(HasField(form, "RemoveFile"));
  form.emplace_back("RemoveFile", "gone");
  Post("action=step2", form);
  EXPECT_EQ(
      Row("SELECT RemoveFile, strLeachName FROM QX_SoftItem WHERE ItemID=7"),
      (std::map<std::string, std::string>{{"RemoveFile", "r.txt|s.url"}, {"strLeachName", "[x]"}}));
}

TEST_F(SoftEditorTest, CloneCopiesEveryColumnOfTheChannelsItem) {
  AddFullItem(7);
  ExpectCloneCopiesEveryColumn(7);
}

}  // namespace
}  // namespace ostrel::software
