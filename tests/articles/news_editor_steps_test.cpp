// The item editor's four pages as forms: what each writes, what each stores,
// and that an item saved through every page without changes comes back
// exactly as it was.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "articles/news_editor_test_page.h"
#include "platform/ado/recordset.h"

namespace ostrel::articles {
namespace {

const std::string kInfo36 = [] {
  std::string s;
  for (int i = 0; i < 26; ++i) s += "<i" + std::to_string(i) + " class=\"x\">'$$$";
  return s + "0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0";
}();

class EditorStepsTest : public NewsEditorTest {
 protected:
  // An item with every column set, values chosen to survive nothing but an
  // exact round trip: quotes, markup, ampersands, Chinese text, rules of
  // the shortest kept lengths.
  int AddFullItem(int channel = 1) {
    ado::Connection connection;
    connection.Open(ConnString());
    ado::Recordset rs;
    rs.Open("SELECT * FROM QX_NewsItem WHERE (ItemID is null)", connection, ado::adOpenKeyset,
            ado::adLockOptimistic);
    rs.AddNew();
    const std::map<std::string, vb::Variant> values = {
        {"ItemName", vb::Variant("新闻 \"甲\" & 'b' <i>")},
        {"SiteUrl", vb::Variant("http://127.0.0.1/?a=1&b='2'")},
        {"ChannelID", vb::Variant(int32_t{channel})},
        {"ClassID", vb::Variant(int32_t{3})},
        {"SpecialID", vb::Variant(int32_t{1})},
        {"StopItem", vb::Variant(int32_t{1})},
        {"Encoding", vb::Variant("UTF-8")},
        {"IsDown", vb::Variant(int32_t{1})},
        {"AutoClass", vb::Variant(int32_t{1})},
        {"PathForm", vb::Variant(int32_t{6})},
        {"IsNowTime", vb::Variant(int32_t{1})},
        {"AllHits", vb::Variant(int32_t{999})},
        {"star", vb::Variant(int32_t{0})},
        {"RemoveCode", vb::Variant("1|0|1|0|0|0|0|1|0|0|0|0|0|0|1|0|0|0|0|0|0|0|0|0")},
        {"lastime", vb::Variant("2005-08-08 10:20:30")},
        {"RemoteListUrl", vb::Variant("http://127.0.0.1/list.html?x=\"1\"&y=<2>")},
        {"PaginalList", vb::Variant("http://127.0.0.1/list_{$pageid}.html")},
        {"IsPagination", vb::Variant(int32_t{1})},
        {"startid", vb::Variant(int32_t{9})},
        {"lastid", vb::Variant(int32_t{1})},
        {"FindListCode",
         vb::Variant(
             "<ul id=\"l\">$$$</ul>$$$<a href='$$$'>$$$0$$$a&amp;b$$$0$$$0$$$0$$$0$$$0$$$0")},
        {"FindInfoCode", vb::Variant(kInfo36)},
        {"RetuneClass", vb::Variant("a|b$$$国内新闻|国内$$$<x>|\"y\"")},
        {"IsNextPage", vb::Variant(int32_t{2})},
        {"NamedDemourl", vb::Variant("http://127.0.0.1/a.html")},
        {"strReplace", vb::Variant("x|$$$&nbsp;| $$$'|\"")},
    };
    for (const auto& [column, value] : values) rs.Fields(column).SetValue(value);
    rs.Update();
    return vb::CLng(rs.Fields("ItemID").Value());
  }

  void SetUp() override {
    NewsEditorTest::SetUp();
    RunSql(
        "INSERT INTO QX_Special (SpecialID, ChannelID, SpecialName, orders) VALUES "
        "(1, 1, '专题<一>', 1), (2, 1, '专题二', 2)");
  }

  // The add page's form with the fields a new item needs.
  Fields NewItemForm() {
    return WithFields(ReadForm(Request("action=add")),
                      {{"ItemName", "新项目"},
                       {"RemoteListUrl", "http://127.0.0.1/list.html"},
                       {"ClassID", "2"}});
  }
};

TEST_F(EditorStepsTest, AddPageShowsTheDefaultsWithoutMenu) {
  const std::string page = Request("action=add");
  ExpectShows(page, {"<script language=\"JavaScript\" src=\"include/Ostrel.js\"></script>",
                     "onsubmit=\"return CheckForm();\"", "添加新的采集项目"});
  EXPECT_EQ(page.find("设置第一步"), std::string::npos);
  // The class options keep their number marks in add mode.
  ExpectShows(page, {"{ClassID=2}", "<tr id=\"RetuneClassID\" style=\"display:none\">",
                     "<tr id=\"Pageinate1\" style=\"display:none\">",
                     "<tr id=\"Pageinate2\" style=\"display:none\">",
                     "<input type=\"text\" name=\"ItemName\" size=\"30\">"});

  const Fields form = ReadForm(page);
  ExpectFields(form, {{"action", "step2"},
                      {"ItemID", "0"},
                      {"change", "yes"},
                      {"SiteUrl", "http://"},
                      {"Encoding", "GB2312"},
                      {"PathForm", "1"},
                      {"star", "3"},
                      {"AllHits", "0"},
                      {"startid", "1"},
                      {"lastid", "2"},
                      {"SpecialID", "0"}});
  for (const char* radio : {"StopItem", "IsDown", "AutoClass", "IsNowTime", "IsPagination"}) {
    EXPECT_EQ(FieldOf(form, radio), "0") << radio;
  }
  EXPECT_EQ(FieldOf(form, "RemoveCode0"), "1");
  EXPECT_EQ(FieldOf(form, "RemoveCode1"), "1");
  EXPECT_FALSE(HasField(form, "RemoveCode2"));
  EXPECT_FALSE(HasField(form, "ShowCode"));
}

TEST_F(EditorStepsTest, EditPageShowsTheStoredValuesEncoded) {
  const int id = AddFullItem();
  RunSql(
      "UPDATE QX_NewsItem SET StopItem=2, star=6, "
      "RetuneClass='a|$$$ab|c$$$x|y', strReplace='|$$$q|' WHERE ItemID=" +
      std::to_string(id));
  const std::string page = Request("action=edit&ChannelID=1&ItemID=" + std::to_string(id));
  // The menu stands right below the title.
  const size_t title = page.find("编辑采集项目 第一步</th></tr>\r\n");
  ASSERT_NE(title, std::string::npos);
  EXPECT_EQ(page.find("<tr>\r\n <td colspan=2 align=center class=tablerow2>"),
            page.find("\r\n", title) + 2);
  ExpectShows(page, {"value=\"新闻 &quot;甲&quot; &amp; &#39;b&#39; &lt;i&gt;\"",
                     "<option value=\"3\" selected>", "{ClassID=2}"});
  // Class rules of three characters and more are listed, text rules of two.
  EXPECT_EQ(page.find("<option value=\"a|\">"), std::string::npos);
  ExpectShows(page, {"<option value=\"ab|c\">ab|c</option>", "<option value=\"x|y\">x|y</option>",
                     "<option value=\"q|\">q|</option>"});
  EXPECT_EQ(page.find("<option value=\"|\">"), std::string::npos);
  EXPECT_NE(page.find("<tr id=\"RetuneClassID\">"), std::string::npos);
  EXPECT_NE(page.find("<tr id=\"Pageinate1\">"), std::string::npos);

  const Fields form = ReadForm(page);
  EXPECT_EQ(FieldOf(form, "ItemID"), std::to_string(id));
  EXPECT_EQ(FieldOf(form, "StopItem"), "1");
  // 6 is no option: none is selected (a browser then sends the first).
  const size_t stars = page.find("<select name=\"star\">");
  EXPECT_EQ(page.substr(stars, page.find("</select>", stars) - stars).find("selected"),
            std::string::npos);
  ExpectFields(form, {{"SpecialID", "1"}, {"PathForm", "6"}, {"RemoveCode0", "1"}});
  EXPECT_FALSE(HasField(form, "RemoveCode1"));
  ExpectFields(form, {{"RemoveCode2", "1"},
                      {"RemoveCode14", "1"},
                      {"ClassList", "ab|c$$$x|y"},
                      {"ReplaceList", "q|"}});
}

TEST_F(EditorStepsTest, DateFolderFormsAreOfferedInTheirOrder) {
  const int id = AddFullItem();
  const std::string item = std::to_string(id);
  RunSql("UPDATE QX_NewsItem SET PathForm=7 WHERE ItemID=" + item);
  std::string page = Request("action=edit&ChannelID=1&ItemID=" + item);
  EXPECT_NE(page.find("<select name=\"PathForm\"><option value=\"0\">不使用日期目录</option>"
                      "<option value=\"1\">2005-8</option><option value=\"2\">2005_8</option>"
                      "<option value=\"3\">20058</option><option value=\"4\">2005</option>"
                      "<option value=\"5\">2005/8</option><option value=\"6\">2005/8/8</option>"
                      "<option value=\"7\" selected>200588</option></select>"),
            std::string::npos)
      << page;
  // 8 is no form: nothing is selected.
  RunSql("UPDATE QX_NewsItem SET PathForm=8 WHERE ItemID=" + item);
  page = Request("action=edit&ChannelID=1&ItemID=" + item);
  const size_t forms = page.find("<select name=\"PathForm\">");
  ASSERT_NE(forms, std::string::npos);
  EXPECT_EQ(page.substr(forms, page.find("</select>", forms) - forms).find("selected"),
            std::string::npos);
}

TEST_F(EditorStepsTest, EditRefusesAnItemOfAnotherChannel) {
  const int id = AddFullItem(1);
  const std::string page = Request("action=edit&ChannelID=2&ItemID=" + std::to_string(id));
  EXPECT_NE(page.find("alert(\"错误的系统参数!\");history.back();"), std::string::npos);
  EXPECT_EQ(page.find("<form"), std::string::npos);
}

TEST_F(EditorStepsTest, StepTwoRefusesAnIncompleteFirstPageAndStoresNothing) {
  const RefusedField cases[] = {
      {"ItemName", "  ", "请填写项目名称！"},
      {"SiteUrl", "", "请填写目标站点URL！"},
      {"SiteUrl", " http://a/", "目标站点URL输入错误，请在URL前面加上“http://”！"},
      {"Encoding", "GB", "请选择目标站点的文件编码！"},
      {"ClassID", "", "该一级分类已经有下属分类，不能采集；请重新选择分类！"},
      {"RemoteListUrl", " ", "请填写远程列表URL！"},
      {"AllHits", "99999999999", "输入的数值超出范围，请重新输入！"},
  };
  for (const auto& c : cases) {
    ExpectStepRefuses("action=step2", WithField(NewItemForm(), c.field, c.value),
                      std::string(c.message) + "\");history.back();");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM QX_NewsItem"), 0);
  }
  // A paged list needs its address; an unpaged one does not.
  Fields form = WithField(NewItemForm(), "IsPagination", "1");
  EXPECT_NE(Post("action=step2", form).find("请填写远程分页列表URL！"), std::string::npos);
  // A number out of range does not hide the checks that come first.
  form = WithField(form, "AllHits", "99999999999");
  EXPECT_NE(Post("action=step2", form).find("请填写远程分页列表URL！"), std::string::npos);
  form = WithFields(
      NewItemForm(),
      {{"AutoClass", "1"}, {"ClassID", ""}, {"Encoding", "GBK"}, {"SiteUrl", "HTTP://A/ "}});
  EXPECT_EQ(Post("action=step2", form).find("alert("), std::string::npos);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM QX_NewsItem WHERE SiteUrl='HTTP://A/'"), 1);
}

TEST_F(EditorStepsTest, NewItemGoesOnUnderTheKeyItWasGiven) {
  AddItem(40, 2, "别的频道", "lastime='2005-01-01 00:00:00'");
  Fields form = NewItemForm();
  for (auto& [name, value] : form) {
    if (name == "RemoveCode1") name = "RemoveCode9";  // SCRIPT and FORM
  }
  const std::string page = Post("action=step2&ChannelID=1", form);
  ado::Connection connection;
  connection.Open(ConnString());
  ado::Recordset rs = connection.Execute("SELECT * FROM QX_NewsItem WHERE ItemName='新项目'");
  ASSERT_FALSE(rs.Eof());
  const std::string id = vb::CStr(rs.Fields("ItemID").Value());
  EXPECT_NE(id, "40");
  EXPECT_EQ(vb::CStr(rs.Fields("ChannelID").Value()), "1");
  EXPECT_EQ(vb::CStr(rs.Fields("RemoveCode").Value()),
            "1|0|0|0|0|0|0|0|0|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0");
  EXPECT_EQ(vb::Split(vb::CStr(rs.Fields("FindListCode").Value()), "$$$").size(), 15u);
  EXPECT_EQ(vb::Split(vb::CStr(rs.Fields("FindInfoCode").Value()), "$$$").size(), 39u);
  EXPECT_EQ(vb::CStr(rs.Fields("NamedDemourl").Value()), "");
  EXPECT_EQ(vb::CStr(rs.Fields("RetuneClass").Value()), "");

  const Fields next = ReadForm(page);
  EXPECT_EQ(FieldOf(next, "action"), "step3");
  EXPECT_EQ(FieldOf(next, "ItemID"), id);
  // A page that has just added its item has no menu yet.
  EXPECT_EQ(page.find("设置第一步"), std::string::npos);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(FieldOf(next, "FindListCode" + std::to_string(i)), "0");
  EXPECT_EQ(FieldOf(next, "FindListCode4"), "0");
  EXPECT_EQ(FieldOf(next, "FindListCode5"), "0");
  EXPECT_NE(page.find("value=\"0\" checked onclick=\"document.getElementById('especial')"),
            std::string::npos);
}

TEST_F(EditorStepsTest, SourceViewFailureSendsBackToTheNewItemsFirstPage) {
  Fields form = WithField(NewItemForm(), "RemoteListUrl", "http://127.0.0.1:1/none.html");
  form.emplace_back("ShowCode", "1");
  const std::string page = Post("action=step2&ChannelID=1", form);
  const std::string id =
      vb::CStr(vb::Variant(static_cast<int32_t>(Count("SELECT MAX(ItemID) FROM QX_NewsItem"))));
  EXPECT_NE(page.find("alert('获取远程信息出错！请确定你的远程列表URL输入无误。');"
                      "location.replace('?action=edit&ChannelID=1&ItemID=" +
                      id + "');</script>"),
            std::string::npos);
  EXPECT_EQ(page.find("列表连接设置"), std::string::npos);
}

TEST_F(EditorStepsTest, StepTwoSaveKeepsTheLaterColumnsAndDropsTheCache) {
  const int id = AddFullItem();
  const auto before = ItemRow(id);
  Fields form = ReadForm(Request("action=edit&ItemID=" + std::to_string(id)));
  // The item's row is cached by a reader; the save must drop it.
  Cache("NewsItem" + std::to_string(id));
  ASSERT_TRUE(Cached("NewsItem" + std::to_string(id)));
  Post("action=step2", WithField(form, "ItemName", "  改名  "));
  EXPECT_FALSE(Cached("NewsItem" + std::to_string(id)));
  auto after = ItemRow(id);
  EXPECT_EQ(after["ItemName"], "改名");
  after["ItemName"] = before.at("ItemName");
  EXPECT_EQ(after, before);
}

TEST_F(EditorStepsTest, StepTwoWithoutAFormShowsTheNewestItemOrMovesTheSavedOne) {
  AddItem(4, 1, "四", "lastime='2005-01-01 00:00:00'");
  AddItem(9, 1, "九", "lastime='2005-01-01 00:00:00'");
  AddItem(12, 2, "十二", "lastime='2005-01-01 00:00:00'");
  RunSql("UPDATE QX_NewsItem SET FindListCode='a$$$b$$$c$$$d$$$0$$$0' WHERE ItemID=9");
  const std::string page = Request("action=step2&ChannelID=1");
  EXPECT_EQ(FieldOf(ReadForm(page), "ItemID"), "9");
  EXPECT_EQ(FieldOf(ReadForm(page), "FindListCode2"), "c");
  EXPECT_EQ(page.find("设置第一步"), std::string::npos);

  // The save finds the row by its number alone and gives it this channel.
  const int id = AddFullItem(2);
  Fields form = ReadForm(Request("action=edit&ChannelID=2&ItemID=" + std::to_string(id)));
  const std::string saved = Post("ChannelID=1", form);
  EXPECT_EQ(ItemRow(id)["ChannelID"], "1");
  EXPECT_NE(saved.find("采集项目第二步"), std::string::npos);
}

TEST_F(EditorStepsTest, StepThreeStoresTheSixListCodesAsPosted) {
  const int id = AddFullItem();
  const std::string item = std::to_string(id);
  Fields form = {{"ItemID", item},       {"change", "yes"},     {"FindListCode0", "a"},
                 {"FindListCode1", "b"}, {"FindListCode2", ""}, {"FindListCode3", "d"},
                 {"FindListCode4", "0"}};
  Cache("NewsItem" + item);
  Post("action=step3", form);
  EXPECT_EQ(ItemRow(id)["FindListCode"], "a$$$b$$$$$$d$$$0$$$$$$0$$$0$$$0$$$0$$$0$$$0");
  EXPECT_FALSE(Cached("NewsItem" + item));

  form[1].second = " yes ";
  form[2].second = "A2";
  Post("action=step3", form);
  EXPECT_EQ(ItemRow(id)["FindListCode"].substr(0, 5), "A2$$$");
  form[1].second = "YES";
  form[2].second = "A3";
  Post("action=step3", form);
  EXPECT_EQ(ItemRow(id)["FindListCode"].substr(0, 5), "A2$$$");
}

TEST_F(EditorStepsTest, StepThreeShowsTheArticleCodes) {
  const int id = AddFullItem();
  RunSql(
      "UPDATE QX_NewsItem SET NamedDemourl=' http://127.0.0.1/\"a\".html?b=''1'' ' "
      "WHERE ItemID=" +
      std::to_string(id));
  const std::string page = Request("action=step3&ChannelID=1&ItemID=" + std::to_string(id));
  ExpectShows(page, {"采集项目第三步", "设置第一步", "项 目 编 辑 -- 文章信息设置"});
  // Paging mode 2 shows its rows at once; the other groups start hidden.
  ExpectShows(page, {"<tr id=\"InfoCode14\">", "<tr id=\"InfoCode17\">",
                     "<tr id=\"InfoCode4\" style=\"display:none\">",
                     "<tr id=\"InfoCode25\" style=\"display:none\">"});
  EXPECT_EQ(page.find("display:'none';\">"), std::string::npos);
  EXPECT_NE(page.find("&lt;i0 class=&quot;x&quot;&gt;'</textarea>"), std::string::npos);

  const Fields form = ReadForm(page);
  ExpectFields(form, {{"action", "step4"},
                      {"IsNextPage", "2"},
                      {"selClass", "0"},
                      {"NamedDemourl", "http://127.0.0.1/a.html?b=1"},
                      {"FindInfoCode25", "<i25 class=\"x\">'"}});
  // Without showcode nothing remote is fetched and no source view is shown.
  EXPECT_EQ(page.find("采集目标网站源代码"), std::string::npos);
}

TEST_F(EditorStepsTest, StepFourStoresTheArticleCodesAndSaysTheItemIsComplete) {
  const int id = AddFullItem();
  const std::string item = std::to_string(id);
  Fields form = {{"ItemID", item},
                 {"change", "yes"},
                 {"IsNextPage", "1"},
                 {"NamedDemourl", " http://127.0.0.1/'x'\"y\".html "}};
  for (int i = 0; i < 26; ++i)
    form.emplace_back("FindInfoCode" + std::to_string(i), "c" + std::to_string(i));
  const std::string page = Post("action=step4&ChannelID=1", form);
  auto row = ItemRow(id);
  EXPECT_EQ(row["NamedDemourl"], "http://127.0.0.1/x\"y\".html");
  EXPECT_EQ(row["IsNextPage"], "1");
  const auto parts = vb::Split(row["FindInfoCode"], "$$$");
  ASSERT_EQ(parts.size(), 36u);
  EXPECT_EQ(parts[25], "c25");
  EXPECT_EQ(parts[26], "0");
  EXPECT_NE(
      page.find("<li>恭喜您！采集项目设置全部完成。</li><li>如果要查看项目设置是否正确，请点击"
                "<a href='?action=demo&ChannelID=1&ItemID=" +
                item + "' class=showmenu>项目演示</a>"),
      std::string::npos);
  ExpectShows(page, {"onclick=\"location.href='?ChannelID=1'\"",
                     "onclick=\"location.href='?action=begin&ChannelID=1&ItemID=" + item + "'\""});

  // An item of another channel is neither stored nor shown.
  form[2].second = "2";
  const std::string refused = Post("action=step4&ChannelID=2", form);
  EXPECT_NE(refused.find("alert(\"错误的系统参数！\");history.back();"), std::string::npos);
  EXPECT_EQ(ItemRow(id)["IsNextPage"], "1");
}

TEST_F(EditorStepsTest, SavingEveryStepWithoutChangesKeepsEveryColumn) {
  const int id = AddFullItem();
  const auto before = ItemRow(id);
  const std::string item = std::to_string(id);

  const std::string step1 = Request("action=edit&ChannelID=1&ItemID=" + item);
  const std::string step2 = Post("ChannelID=1", ReadForm(step1));
  ASSERT_NE(step2.find("采集项目第二步"), std::string::npos) << step2;
  EXPECT_EQ(ItemRow(id), before);
  const std::string step3 = Post("ChannelID=1", ReadForm(step2));
  ASSERT_NE(step3.find("采集项目第三步"), std::string::npos) << step3;
  EXPECT_EQ(ItemRow(id), before);
  const std::string step4 = Post("ChannelID=1", ReadForm(step3));
  ASSERT_NE(step4.find("恭喜您！采集项目设置全部完成。"), std::string::npos) << step4;
  EXPECT_EQ(ItemRow(id), before);
}

}  // namespace
}  // namespace ostrel::articles
