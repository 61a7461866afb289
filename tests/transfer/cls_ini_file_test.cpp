#include "transfer/cls_ini_file.h"

#include <gtest/gtest.h>

#include "platform/vb/convert.h"
#include "support/temp_dir.h"

namespace ostrel::transfer {
namespace {

TEST(ClsIniFile, ReadsAndWritesSettings) {
  testing::TempDir dir;
  clsIniFile ini;
  EXPECT_TRUE(ini.File.ends_with("\\zemble.ini"));
  ini.SetINIFilePath(dir.Windows("site.ini"));
  EXPECT_EQ(ini.GetSetting("Main", "Name"), "unknown value");  // no file yet
  EXPECT_EQ(vb::CInt(ini.SaveSetting("Main", "Name", "  奥斯特  ")), 1);
  ini.SaveSetting("Main", "Empty", "");
  ini.SaveSetting("Main", "Third", "3");
  EXPECT_EQ(ini.GetSetting("Main", "Missing"), "unknown value");
  EXPECT_EQ(ini.GetSetting("Main", "Empty"), "Unknown section or key");
  vb::Variant section("Main"), key("Name");
  EXPECT_EQ(ini.GetIniKey(section, key), "奥斯特");

  vb::Variant keys;
  EXPECT_EQ(ini.GetSection("Main", keys), 3);
  EXPECT_EQ(keys.UBound(), 3);
  EXPECT_EQ(vb::CStr(keys.At(0)), "");
  EXPECT_EQ(vb::CStr(keys.At(3)), "Third");

  ini.DeleteKey("Main", "Third");
  EXPECT_EQ(ini.GetSection("Main", keys), 2);
  ini.DeleteSection("Main");
  EXPECT_EQ(ini.GetSection("Main", keys), 0);
  EXPECT_EQ(keys.UBound(), 0);
}

}  // namespace
}  // namespace ostrel::transfer
