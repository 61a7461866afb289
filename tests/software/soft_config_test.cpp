#include <gtest/gtest.h>

#include "soft_page.h"

namespace ostrel::software {
namespace {

using SoftConfigTest = SoftPageTest;

// Every field of the form with a value of its own.
Fields FullForm() {
  return {{"ChannelID", "2"},
          {"UseDownload", "9"},
          {"RepeatDeal", "2"},
          {"isProgress", "1"},
          {"TrueAddress", "1"},
          {"setInterval", "2500"},
          {"MaxDownSize", "800"},
          {"AllowDownExt", " zip|rar "},
          {"FilePrefix", " 0 "},
          {"FileSuffix", "_x"},
          {"isZipFile", "1"},
          {"ZipMode", "1"},
          {"ZipTimeout", "300"},
          {"MaxZipsize", "4096"},
          {"AllowFileExt", "zip"},
          {"WinRarPath", "C:\\rar\\"},
          {"DownFilePath", "tmp/"},
          {"ReadmePath", "readme/"},
          {"ReadmeFile", "a.txt\r\nb'<.txt"},
          {"RarNoteFile", "note.txt"}};
}

TEST_F(SoftConfigTest, EveryFieldSavedAndShownAgain) {
  const auto row = SaveConfig(FullForm());
  EXPECT_EQ(row.at("AllowDownExt"), "zip|rar");
  EXPECT_EQ(row.at("FilePrefix"), "0");
  EXPECT_EQ(row.at("ReadmeFile"), "a.txt|b'<.txt");
  EXPECT_EQ(row.at("WinRarPath"), "C:\\rar\\");

  // The form posted back unchanged stores the same row.
  const std::string page = Request("action=config");
  ExpectShows(page, {"<tr><th colspan=2>软件采集基本设置　　（版本：1.1.1282）</th></tr>",
                     "<tr><th colspan=2>压缩包处理设置</th></tr>", "width=\"23%\" nowrap",
                     "b'&lt;.txt</textarea>"});
  const Fields shown = ReadForm(page);
  for (const auto& [name, value] : FullForm()) {
    std::string expected = value;
    if (name == "AllowDownExt") expected = "zip|rar";
    if (name == "FilePrefix") expected = "0";
    EXPECT_EQ(FieldOf(shown, name), expected) << name;
  }
  Post("action=save", shown);
  EXPECT_EQ(ConfigRow(), row);
}

TEST_F(SoftConfigTest, MarksAndTheArchiveSwitch) {
  RunSql("UPDATE QX_SoftConfig SET RepeatDeal=2, isProgress=2, WinRarPath='keep' WHERE id=1");
  zip_switch_ = false;
  const std::string page = Request("action=config");
  ExpectShows(page, {"value='1' checked> 显示速度", "value='2' checked> 显示进度条",
                     "value='2' checked> 添加"});
  EXPECT_EQ(page.find("压缩包处理设置"), std::string::npos);
  EXPECT_NE(page.find("<tr><td class=TableRow2 align=right>&nbsp;</td>"), std::string::npos);
  // Off: the archive columns stay, whatever the request carries.
  EXPECT_NE(Post("action=save", WithField(FullForm(), "WinRarPath", "")).find("成功"),
            std::string::npos);
  EXPECT_EQ(Row("SELECT WinRarPath FROM QX_SoftConfig")["WinRarPath"], "keep");
}

TEST_F(SoftConfigTest, RefusedSavesChangeNothing) {
  const testing::RefusedField cases[] = {
      {"AllowDownExt", "", "请输入允许下载的文件类型!"},
      {"AllowFileExt", "", "允许处理的文件类型没有输入!"},
      {"WinRarPath", "", "WinRar的安装路径没有填写!"},
      {"DownFilePath", "", "下载文件的临时目录没有输入!"},
      {"ReadmePath", "", "说明文件路径没有输入!"},
      {"RarNoteFile", "", "请输入rar注释文件!"},
      {"UseDownload", "40000", "下载功能开关的数值超出范围!"},
      {"MaxDownSize", "99999999999", "允许下载的文件大小的数值超出范围!"},
  };
  for (const auto& c : cases)
    ExpectConfigRefused(WithField(FullForm(), c.field, c.value), c.message);
}

}  // namespace
}  // namespace ostrel::software
