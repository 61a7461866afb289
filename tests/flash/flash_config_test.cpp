#include <gtest/gtest.h>

#include "flash_page.h"
#include "gathering/flash/player_markup.h"

namespace ostrel::flash {
namespace {

using FlashConfigTest = FlashPageTest;

Fields FullForm() {
  return {{"ChannelID", "5"},
          {"UseDownload", "1"},
          {"RepeatDeal", "1"},
          {"isProgress", "1"},
          {"setInterval", "2500"},
          {"MaxDownSize", "800"},
          {"AllowDownExt", " swf|gif "},
          {"FilePrefix", " 0 "},
          {"FileSuffix", "x'<\""}};
}

TEST_F(FlashConfigTest, EveryFieldSavedAndShownAgain) {
  const auto row = SaveConfig(FullForm());
  EXPECT_EQ(row.at("AllowDownExt"), "swf|gif");
  EXPECT_EQ(row.at("FilePrefix"), "0");
  EXPECT_EQ(row.at("FileSuffix"), "x'<\"");
  EXPECT_EQ(row.at("isProgress"), "1");

  const std::string page = Request("action=config");
  // The table holds the form, which opens after the heading.
  EXPECT_NE(page.find("class=\"TableBorder\">\r\n<tr><th colspan=2>动画采集基本设置</th></tr>\r\n"
                      "<form name=myform method=post action='?action=save'>\r\n"
                      "<input type=hidden name='ChannelID' value='5'>"),
            std::string::npos);
  EXPECT_TRUE(page.ends_with("</td>\r\n  </tr></form> \r\n</table> "));
  EXPECT_EQ(page.find("TrueAddress"), std::string::npos);
  EXPECT_NE(page.find("value='x&#39;&lt;&quot;'"), std::string::npos);
  // The rows keep their classes without the address row.
  ExpectShows(page, {"<tr><td class=TableRow1 align=right><b>采集过程间隔时间：</b>",
                     "<tr><td class=TableRow2 align=right>&nbsp;</td>"});
  const Fields shown = ReadForm(page);
  for (const auto& [name, value] : FullForm()) {
    std::string expected = vb::Trim(value);
    EXPECT_EQ(FieldOf(shown, name), expected) << name;
  }
  Post("action=save", shown);
  EXPECT_EQ(ConfigRow(), row);
}

TEST_F(FlashConfigTest, MarksAndRefusals) {
  RunSql("UPDATE QX_FlashConfig SET RepeatDeal=2, isProgress=3 WHERE id=1");
  const std::string page = Request("action=config");
  EXPECT_NE(page.find("value='1' checked> 更新"), std::string::npos);
  EXPECT_EQ(page.find("添加"), std::string::npos);
  EXPECT_NE(page.find("value='1' checked> 显示速度"), std::string::npos);
  EXPECT_NE(page.find("value='3' checked> 显示速度+进度条"), std::string::npos);

  ExpectConfigRefused(WithField(FullForm(), "AllowDownExt", ""), "请输入允许下载的文件类型!");
}

TEST_F(FlashConfigTest, ShowModes) {
  FlashCollection flash;
  EXPECT_EQ(flash.ShowFlashMode(0),
            "<input type=\"radio\" name=\"showmode\" value=\"0\"  checked>不显示 "
            "<input type=\"radio\" name=\"showmode\" value=\"1\" >FLASH "
            "<input type=\"radio\" name=\"showmode\" value=\"2\" >图片 "
            "<input type=\"radio\" name=\"showmode\" value=\"3\" >Media "
            "<input type=\"radio\" name=\"showmode\" value=\"4\" >Real "
            "<input type=\"radio\" name=\"showmode\" value=\"5\" >DCR ");
  EXPECT_EQ(CountOf(flash.ShowFlashMode(3), "checked"), 1);
  EXPECT_NE(flash.ShowFlashMode(3).find("value=\"3\"  checked>Media"), std::string::npos);
  EXPECT_EQ(flash.ShowFlashMode(9).find("checked"), std::string::npos);
}

TEST(PlayerMarkup, EveryModeAndNothingElse) {
  const PlayerHosts hosts{.download = "dl.example", .web = "web.example", .media = "wm.example"};
  const vb::Variant url("/flash/a\"b.swf");
  const struct {
    int mode;
    int lines;
    const char* first;
    const char* inside;
  } modes[] = {
      {1, 7,
       "<object "
       "codebase=\"http://dl.example/pub/shockwave/cabs/flash/swflash.cab#version=4,0,0,0\" "
       "height=\"400\" width=\"550\" classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\">\r\n",
       "       <param name=\"movie\" value=\"/flash/a&quot;b.swf\">\r\n"},
      {2, 0, "<img src=\"/flash/a&quot;b.swf\" border=\"0\" onload=\"return imgzoom(this,550)\">",
       ""},
      {3, 7,
       "<object classid=\"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\" class=\"OBJECT\" "
       "id=\"MediaPlayer\" width=\"220\" height=\"220\">\r\n"
       "       <param name= value=\"-1\">\r\n"
       "       <param name=\"CaptioningID\" value>\r\n",
       "<embed src=\"/flash/a&quot;b.swf\"  width= 220 height=\"220\" "
       "type=\"application/x-oleobject\" "
       "codebase=\"http://wm.example/activex/controls/mplayer/en/nsmp2inf.cab#Version=0,1,1,1\" "
       "flename=\"mp\"></embed>\r\n</object>\r\n"},
      {4, 16,
       "<object classid=\"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\" height=\"288\" "
       "id=\"video1\" width=\"305\" VIEWASTEXT>\r\n",
       "       <param name=\"SRC\" value=\"/flash/a&quot;b.swf\">\r\n"},
      {5, 8,
       "<object classid=\"clsid:166B1BCA-3F9C-11CF-8075-444553540000\" "
       "codebase=\"http://dl.example/pub/shockwave/cabs/director/sw.cab#version=8,5,1,0\" "
       "width=\"100%\" height=\"100%\">\r\n",
       "       <PARAM name=logo value=\"false\">\r\n       <embed src=\"/flash/a&quot;b.swf\" "
       "bgColor=\"#000000\" logo=\"FALSE\" width=\"550\" height=\"400\" swRemote=\""
       "swSaveEnabled='false' swVolume='false' swRestart='false' swPausePlay='false' "
       "swFastForward='false' swContextMenu='false' \" swStretchStyle=\"fill\" "
       "type=\"application/x-director\" pluginspage=\"http://web.example/shockwave/download/\">"
       "</embed>\r\n</object>\r\n"},
  };
  for (const auto& m : modes) {
    const std::string html = PlayerHtml(url, vb::Variant(m.mode), hosts);
    EXPECT_TRUE(html.starts_with(m.first)) << m.mode << "\n" << html;
    EXPECT_NE(html.find(m.inside), std::string::npos) << m.mode << "\n" << html;
    EXPECT_EQ(CountOf(html, "\r\n"), m.lines) << m.mode;
    EXPECT_EQ(html.find("a\"b"), std::string::npos) << m.mode;
  }
  EXPECT_NE(PlayerHtml(url, vb::Variant(1), hosts)
                .find("pluginspage=\"http://web.example/shockwave/download/index.cgi?"
                      "P1_Prod_Version=ShockwaveFlash\" type=\"application/x-shockwave-flash\" "
                      "width=\"550\" height=\"400\">\r\n</embed>\r\n</object>\r\n"),
            std::string::npos);
  for (const vb::Variant& mode :
       {vb::Variant(0), vb::Variant(6), vb::Variant(-1), vb::Variant("x")}) {
    EXPECT_EQ(PlayerHtml(url, mode, hosts), "");
  }
  for (int mode = 1; mode <= 5; ++mode) {
    EXPECT_EQ(PlayerHtml(vb::Variant("ab"), vb::Variant(mode), hosts), "") << mode;
  }
}

TEST_F(FlashConfigTest, ShowPlayerHtmlWritesTheMarkupWithTheHostsSet) {
  const PlayerHosts before = GetPlayerHosts();
  SetPlayerHosts({.download = "a.test", .web = "b.test", .media = "c.test"});
  FlashCollection flash;
  flash.ShowPlayerHtml(vb::Variant("/x.wmv"), vb::Variant("3"));
  SetPlayerHosts(before);
  const std::string page = Output();
  EXPECT_TRUE(page.starts_with("<object classid=\"CLSID:22D6F312"));
  EXPECT_NE(page.find("codebase=\"http://c.test/activex/"), std::string::npos);
}

}  // namespace
}  // namespace ostrel::flash
