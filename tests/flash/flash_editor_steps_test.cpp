// The Flash item editor without a remote site: the first step's form for a
// new and an existing item, the saves of every step (an unchanged form
// keeps the row, a refused form changes nothing, the cache goes after the
// write), and the clone.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "flash_page.h"
#include "support/run_steps.h"

namespace ostrel::flash {
namespace {

class FlashEditorTest : public FlashPageTest {
 protected:
  // An item with every column set, rules of one and three characters and
  // markup in its codes.
  void AddFullItem(int id, int channel = 5) {
    RunSql(
        "INSERT INTO QX_Classify (ClassID, ChannelID, ClassName, depth, TurnLink, child, rootid, "
        "orders, parentid, Parentstr, ClassDir, HtmlFileDir) VALUES "
        "(51, 5, '动画', 0, 0, 0, 51, 0, 0, '0', 'f', 'f')");
    AddItem(id, channel, "全<项>");
    SetItem(id,
            "ClassID=51, SiteUrl='http://s/\"q', Encoding='UTF-8', IsDown=1, "
            "showmode=3, "
            "AutoClass=1, PathForm=9, SaveFilePath='f/', AutoRename=1, IsNowTime=1, AllHits=999, "
            "star=5, RemoveCode='0|1|0|0|0|0|0|0|0|0|1|0|0|0|0|0|0|0|0|0', "
            "PaginalList='http://s/{$pageid}', IsPagination=1, startid=3, lastid=9, "
            "FindListCode='<ul class=\"l\">$$$</ul>$$$<a href=''$$$''>$$$1$$$<img src=\"$$$\"$$$"
            "it''s$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0', "
            "downpage=1, "
            "RetuneClass='a|b$$$长名|短', NamedDemourl='http://s/d''\"1.html', "
            "strReplace='x$$$甲|乙'");
    std::string info = "<h1>$$$</h1>";
    for (int i = 2; i < 43; ++i) {
      info += i == 20 ? "$$$/files/\"dl'/" : "$$$" + (i < 33 ? std::to_string(i) : "0");
    }
    SetItem(id, "FindInfoCode='" + testing::SqlText(info) + "'");
  }
  std::string Step(const std::string& action, const Fields& fields) {
    return Post("action=" + action, fields);
  }
};

TEST_F(FlashEditorTest, NewItemFormShowsTheDefaultsAndIsStoredPadded) {
  const std::string page = Request("action=add");
  Fields form = ReadForm(page);
  ExpectFields(form, {{"action", "step2"},
                      {"ItemID", "0"},
                      {"SiteUrl", "http://"},
                      {"Encoding", "GB2312"},
                      {"showmode", "1"},
                      {"PathForm", "1"},
                      {"SaveFilePath", "UploadFile/"},
                      {"AllHits", "0"},
                      {"star", "3"},
                      {"RemoveCode0", "1"},
                      {"RemoveCode1", "1"},
                      {"startid", "1"},
                      {"lastid", "2"},
                      {"IsPagination", "0"}});
  EXPECT_FALSE(HasField(form, "RemoveCode2"));
  EXPECT_EQ(page.find("RemoveCode11"), std::string::npos);  // eleven filters
  EXPECT_NE(page.find("DIV <br>"), std::string::npos);
  EXPECT_EQ(page.find("设置第一步"), std::string::npos);
  EXPECT_NE(page.find("<tr id=\"RetuneClassID\" style=\"display:none\">"), std::string::npos);

  form = WithField(WithField(form, "ItemName", "新项目"), "RemoteListUrl", "http://s/l.html");
  form = WithField(WithField(form, "AutoClass", "1"), "SaveFilePath", "up\\files\\");
  const std::string second = Step("step2", form);
  const auto row = Row("SELECT * FROM QX_FlashItem WHERE ItemName='新项目'");
  ASSERT_FALSE(row.empty()) << second;
  EXPECT_EQ(CountOf(row.at("FindListCode"), "$$$"), 17);
  EXPECT_EQ(CountOf(row.at("FindInfoCode"), "$$$"), 43);
  EXPECT_EQ(row.at("RemoveCode"), "1|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0");
  EXPECT_EQ(row.at("SaveFilePath"), "up/files/");
  EXPECT_EQ(row.at("showmode"), "1");
  EXPECT_EQ(row.at("downpage"), "0");
  const Fields next = ReadForm(second);
  EXPECT_EQ(FieldOf(next, "ItemID"), row.at("ItemID"));
  EXPECT_EQ(FieldOf(next, "FindListCode4"), "0");
  EXPECT_NE(second.find("<tr id=\"ListCode5\" style=\"display:none\">"), std::string::npos);
}

TEST_F(FlashEditorTest, EveryStepPostedUnchangedKeepsTheRow) {
  AddFullItem(7);
  const auto before = ItemRow(7);
  const auto pages = PostEveryStepUnchanged(7);
  ExpectShows(pages[0], {"<option value=\"a|b\">a|b</option>", "<option value=\"x\">x</option>",
                         "value=\"全&lt;项&gt;\"", "value=\"3\"  checked>Media"});
  EXPECT_NE(pages[1].find("<tr id=\"ListCode5\">"), std::string::npos);  // the switch is on
  EXPECT_EQ(FieldOf(ReadForm(pages[1]), "FindListCode7"), "it's");
  EXPECT_NE(pages[2].find("<tr id=\"InfoCode25\">"), std::string::npos);  // downpage 1
  EXPECT_NE(pages[2].find("<tr id=\"InfoCode21\" style=\"display:none\">"), std::string::npos);
  EXPECT_EQ(FieldOf(ReadForm(pages[2]), "FindInfoCode20"), "/files/dl/");

  auto after = ItemRow(7);
  // The code columns take the lengths the steps write; their codes stay,
  // but for the fixed path, shown and saved without quotes.
  EXPECT_EQ(CountOf(after["FindListCode"], "$$$"), 20);
  EXPECT_EQ(after["FindListCode"].substr(0, 60), before.at("FindListCode").substr(0, 60));
  EXPECT_EQ(CountOf(after["FindInfoCode"], "$$$"), 42);
  EXPECT_EQ(after["FindInfoCode"],
            vb::Replace(vb::Replace(before.at("FindInfoCode"), "\"", ""), "'", ""));
  EXPECT_EQ(after["NamedDemourl"], "http://s/d1.html");
  ExpectSameColumns(after, before, {"FindListCode", "FindInfoCode", "NamedDemourl"});
}

TEST_F(FlashEditorTest, RefusedFormsChangeNothing) {
  AddFullItem(7);
  const Fields good = ReadForm(Request("action=edit&ItemID=7"));
  const auto before = ItemRow(7);
  const testing::RefusedField cases[] = {
      {"Encoding", "gb", "请选择目标站点的文件编码！"},
      {"AutoClass", "0", "该一级分类已经有下属分类，不能采集；请重新选择分类！"},
      {"showmode", "40000", "输入的数值超出范围，请重新输入！"}};
  for (const auto& c : cases) {
    // A class that takes no entries, with the class not from the page.
    const Fields base =
        c.field == std::string("AutoClass") ? WithField(good, "ClassID", "0") : good;
    ExpectStepRefuses("action=step2", WithField(base, c.field, c.value), c.message);
  }
  EXPECT_NE(Step("step4", {{"ItemID", "7"}, {"change", "yes"}, {"downpage", "40000"}})
                .find("输入的数值超出范围"),
            std::string::npos);
  EXPECT_EQ(ItemRow(7), before);
  ExpectStepsRefuseAnotherChannelsItem(7, good);
}

TEST_F(FlashEditorTest, CloneCopiesEveryColumnOfTheChannelsItem) {
  AddFullItem(7);
  ExpectCloneCopiesEveryColumn(7);
}

}  // namespace
}  // namespace ostrel::flash
