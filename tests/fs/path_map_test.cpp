#include "platform/fs/path_map.h"

#include <gtest/gtest.h>

#include "platform/vb/vb_error.h"
#include "support/error_of.h"

using namespace ostrel::fs;

namespace {

using ostrel::testing::ErrorOf;

class PathMapTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetDrives(); }
};

TEST_F(PathMapTest, DefaultDriveIsTheNativeRoot) {
  EXPECT_EQ(ToNative("C:\\srv\\ostrel\\site\\a.txt"), "/srv/ostrel/site/a.txt");
  EXPECT_EQ(ToNative("c:/srv//ostrel\\site/"), "/srv/ostrel/site/");
  EXPECT_EQ(ToNative("C:"), "/");
  EXPECT_EQ(ToNative("C:\\"), "/");
  EXPECT_EQ(ToWindows("/srv/ostrel/site/"), "C:\\srv\\ostrel\\site\\");
  EXPECT_EQ(ToWindows("/"), "C:\\");
  EXPECT_TRUE(HasDrive('c'));
  EXPECT_FALSE(HasDrive('D'));
}

TEST_F(PathMapTest, OtherDrivesMapToTheirFolder) {
  SetDrive('d', "/srv/data/");
  EXPECT_TRUE(HasDrive('D'));
  EXPECT_EQ(ToNative("D:\\up\\pic.jpg"), "/srv/data/up/pic.jpg");
  EXPECT_EQ(ToNative("d:\\"), "/srv/data/");
  EXPECT_EQ(ToNative("D:"), "/srv/data");
  // The longest root wins, but only on a whole folder name.
  EXPECT_EQ(ToWindows("/srv/data/up/pic.jpg"), "D:\\up\\pic.jpg");
  EXPECT_EQ(ToWindows("/srv/data"), "D:\\");
  EXPECT_EQ(ToWindows("/srv/database/x"), "C:\\srv\\database\\x");
  ResetDrives();
  EXPECT_FALSE(HasDrive('D'));
  EXPECT_EQ(ToWindows("/srv/data/up"), "C:\\srv\\data\\up");
}

TEST_F(PathMapTest, DotsResolveAndNeverClimbAboveTheDriveRoot) {
  SetDrive('D', "/srv/data");
  EXPECT_EQ(ToNative("D:\\..\\..\\etc\\passwd"), "/srv/data/etc/passwd");
  EXPECT_EQ(ToNative("D:\\a\\.\\b\\..\\..\\..\\c"), "/srv/data/c");
  EXPECT_EQ(ToNative("C:\\a\\..\\..\\b\\"), "/b/");
  EXPECT_EQ(ToNative("D:\\a\\.."), "/srv/data");
  EXPECT_EQ(NormalizeWindows("d:/a//b/../c/"), "D:\\a\\c\\");
  EXPECT_EQ(NormalizeWindows("C:\\..\\x"), "C:\\x");
  EXPECT_EQ(ToWindows("/srv/data/../../etc"), "C:\\etc");
}

TEST_F(PathMapTest, PathsWithoutAMappedDriveAreRefused) {
  EXPECT_EQ(ErrorOf([] { ToNative(""); }), 76);
  EXPECT_EQ(ErrorOf([] { ToNative("article\\x.htm"); }), 76);
  EXPECT_EQ(ErrorOf([] { ToNative("\\\\server\\share\\x"); }), 76);
  EXPECT_EQ(ErrorOf([] { ToNative("/etc/passwd"); }), 76);
  EXPECT_EQ(ErrorOf([] { ToNative("1:\\x"); }), 76);
  EXPECT_EQ(ErrorOf([] { ToNative("E:\\x"); }), 76);
  EXPECT_EQ(ErrorOf([] { NormalizeWindows("E:\\x"); }), 76);
  EXPECT_EQ(ErrorOf([] { ToNative(std::string_view("C:\\a\0b", 6)); }), 52);
  EXPECT_EQ(ErrorOf([] { SetDrive('D', "relative/path"); }), 5);
  EXPECT_EQ(ErrorOf([] { SetDrive('#', "/x"); }), 5);
}

TEST(FileNames, WindowsRulesHold) {
  for (const char* good : {"a.txt", "2005119853417.jpg", "说明.htm", "a b", ".hidden", "a..b"}) {
    EXPECT_TRUE(IsValidFileName(good)) << good;
  }
  for (const char* bad : {"", ".", "..", "a\\b", "a/b", "c:x", "a*", "a?", "a\"b", "<a>", "a|b",
                          "name.", "name ", "tab\there"}) {
    EXPECT_FALSE(IsValidFileName(bad)) << bad;
  }
  EXPECT_FALSE(IsValidFileName(std::string(256, 'x')));
  EXPECT_TRUE(IsValidFileName(std::string(255, 'x')));
}

}  // namespace
