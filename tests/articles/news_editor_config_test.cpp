// The article channel's base settings page: the form shows the stored row
// and a save stores it, refusing picture types and sizes that would be
// unsafe or break later runs.
#include <gtest/gtest.h>

#include <string>

#include "articles/news_editor_test_page.h"

namespace ostrel::articles {
namespace {

class EditorConfigTest : public NewsEditorTest {
 protected:
  std::map<std::string, std::string> Settings() {
    ado::Connection connection;
    connection.Open(ConnString());
    ado::Recordset rs = connection.Execute("SELECT * FROM QX_NewsConfig WHERE id=1");
    std::map<std::string, std::string> row;
    for (int32_t i = 0; i < rs.Fields().Count(); ++i) {
      row[rs.Fields(i).Name()] = vb::CStr(rs.Fields(i).Value());
    }
    return row;
  }
  Fields Form(const std::string& stop, const std::string& repeat, const std::string& size,
              const std::string& ext, const std::string& interval) {
    return {{"ChannelID", "1"},   {"stopGather", stop}, {"RepeatDeal", repeat},
            {"MaxPicSize", size}, {"AllowPicExt", ext}, {"setInterval", interval}};
  }
};

TEST_F(EditorConfigTest, FormShowsTheStoredSettings) {
  RunSql(
      "UPDATE QX_NewsConfig SET stopGather=9, RepeatDeal=7, MaxPicSize=300, "
      "AllowPicExt='gif|jpg''<', setInterval=2500 WHERE id=1");
  const std::string page = Request("action=config&ChannelID=1");
  EXPECT_TRUE(
      page.starts_with("<form name=myform method=post action='?action=save'>\r\n"
                       "<input type=hidden name='ChannelID' value='1'>\r\n"))
      << page;
  EXPECT_NE(page.find("<tr><th colspan=2>文章采集基本设置</th></tr>"), std::string::npos);
  EXPECT_NE(page.find("重复文章处理："), std::string::npos);
  EXPECT_TRUE(page.ends_with("</table></form> "));
  const Fields form = ReadForm(page);
  EXPECT_EQ(FieldOf(form, "stopGather"), "9");
  EXPECT_EQ(FieldOf(form, "RepeatDeal"), "2");  // above 1 shows "添加"
  ExpectFields(form,
               {{"MaxPicSize", "300"}, {"AllowPicExt", "gif|jpg'<"}, {"setInterval", "2500"}});
  // Rows alternate from TableRow1.
  EXPECT_LT(page.find("class=TableRow1"), page.find("class=TableRow2"));
  EXPECT_LT(page.find("采集功能开关："), page.find("重复文章处理："));
}

TEST_F(EditorConfigTest, SaveStoresTheRowAndDropsTheCachedSettings) {
  Request("ChannelID=1");  // the settings are cached now
  ASSERT_TRUE(Cached("NewsConfig"));
  const std::string page = Post("action=save", Form("5", "1", "abc", "  gif|JPG|png2  ", "-4"));
  EXPECT_NE(page.find("alert(\"保存采集基本设置成功!\");"), std::string::npos);
  EXPECT_FALSE(Cached("NewsConfig"));
  auto row = Settings();
  EXPECT_EQ(row["stopGather"], "5");
  EXPECT_EQ(row["RepeatDeal"], "1");
  EXPECT_EQ(row["MaxPicSize"], "0");
  EXPECT_EQ(row["AllowPicExt"], "gif|JPG|png2");
  EXPECT_EQ(row["setInterval"], "0");
  // The next request reads the new row.
  Request("action=config");
  EXPECT_EQ(last_->settings().AllowPicExt, "gif|JPG|png2");
}

TEST_F(EditorConfigTest, SaveRefusesUnsafeTypesAndSizesAndChangesNothing) {
  const auto before = Settings();
  Request("ChannelID=1");
  const struct {
    const char* ext;
    const char* size;
    const char* message;
  } cases[] = {
      {"", "10", "请输入允许下载的文件类型!"},
      {"gif|asp", "10", "不能是asp"},
      {"gif|PHP", "10", "不能是asp"},
      {"gif|shtml|jpg", "10", "不能是asp"},
      {"gif||jpg", "10", "只能由字母和数字组成"},
      {"gif|jp g", "10", "只能由字母和数字组成"},
      {"gif|.jpg", "10", "只能由字母和数字组成"},
      {"gif|asp;.jpg", "10", "只能由字母和数字组成"},
      {"gif", "2097152", "允许下载的图片大小不能超过2097151KB!"},
      {"gif", "99999999999", "允许下载的图片大小不能超过2097151KB!"},
  };
  for (const auto& c : cases) {
    const std::string page = Post("action=save", Form("0", "0", c.size, c.ext, "10"));
    EXPECT_NE(page.find("alert(\""), std::string::npos) << c.ext;
    EXPECT_NE(page.find(c.message), std::string::npos) << c.ext << " " << page;
    EXPECT_NE(page.find("history.back();"), std::string::npos) << c.ext;
    EXPECT_EQ(Settings(), before) << c.ext;
    EXPECT_TRUE(Cached("NewsConfig")) << c.ext;
  }
  EXPECT_NE(Post("action=save", Form("40000", "0", "1", "gif", "10")).find("数值超出范围"),
            std::string::npos);
  EXPECT_EQ(Settings(), before);
  // Blanks alone are no empty field: they store an empty list.
  EXPECT_NE(Post("action=save", Form("0", "0", "1", "   ", "10")).find("成功"), std::string::npos);
  EXPECT_EQ(Settings()["AllowPicExt"], "");
  EXPECT_FALSE(Cached("NewsConfig"));
  // The largest size still fits.
  EXPECT_NE(Post("action=save", Form("0", "0", "2097151", "gif", "10")).find("成功"),
            std::string::npos);
  EXPECT_EQ(Settings()["MaxPicSize"], "2097151");
}

}  // namespace
}  // namespace ostrel::articles
