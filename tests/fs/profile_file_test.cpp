#include "platform/fs/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "platform/text/charset.h"
#include "support/drive_folder.h"

using namespace ostrel::fs;
using std::nullopt;

namespace {

constexpr size_t kBuffer = 255;

class ProfileTest : public ::testing::Test {
 protected:
  std::string Get(std::optional<std::string_view> section, std::optional<std::string_view> key,
                  std::string_view def = "unknown value", size_t size = kBuffer) {
    return GetPrivateProfileStringA(section, key, def, size, "D:\\zemble.ini");
  }
  bool Put(std::optional<std::string_view> section, std::optional<std::string_view> key,
           std::optional<std::string_view> value) {
    return WritePrivateProfileStringA(section, key, value, "D:\\zemble.ini");
  }
  ostrel::testing::DriveFolder dir;
};

TEST_F(ProfileTest, RoundTripStoresGbkWithCrlf) {
  ASSERT_TRUE(Put("网站", "名称", "采集 系统"));
  ASSERT_TRUE(Put("网站", "Path", "C:\\srv\\站点\\"));
  ASSERT_TRUE(Put("Other", "k", "v"));
  EXPECT_EQ(Get("网站", "名称"), "采集 系统");
  EXPECT_EQ(Get("网站", "path"), "C:\\srv\\站点\\");
  std::string expected = ostrel::text::ToAnsi(
      "[网站]\r\n名称=采集 系统\r\nPath=C:\\srv\\站点\\\r\n\r\n[Other]\r\nk=v\r\n");
  EXPECT_EQ(dir.Read("zemble.ini"), expected);
  EXPECT_EQ(dir.Read("zemble.ini").substr(0, 6), "[\xCD\xF8\xD5\xBE]");  // 网站 in GBK
}

TEST_F(ProfileTest, ReadsFollowThePlatformRules) {
  dir.Write("zemble.ini",
            "; comment\r\n[Main]\r\n  Name  =  spaced value  \r\nQuoted=\"  q  \"\r\n"
            "Single='s'\r\nEmpty=\r\nNoEquals\r\n[main]\r\nName=second\nLf=yes\n");
  EXPECT_EQ(Get("MAIN", "name"), "spaced value");
  EXPECT_EQ(Get("Main", "Quoted"), "  q  ");
  EXPECT_EQ(Get("Main", "Single"), "s");
  EXPECT_EQ(Get("Main", "Empty"), "");
  EXPECT_EQ(Get("Main", "NoEquals"), "unknown value");
  EXPECT_EQ(Get("Main", "Lf"), "unknown value");  // only the first [main] counts
  EXPECT_EQ(Get("Main", "Missing", "def   "), "def");
  EXPECT_EQ(Get("None", "Name"), "unknown value");
  EXPECT_EQ(Get("Main", "Name", "", 6), "space");  // a buffer of 6 holds 5 bytes
  EXPECT_EQ(Get("Main", "Name", "", 0), "");
}

TEST_F(ProfileTest, AMissingFileGivesTheDefault) {
  EXPECT_EQ(Get("a", "b", "unknown value"), "unknown value");
  EXPECT_EQ(Get("a", nullopt, ""), "");
  EXPECT_EQ(Get(nullopt, nullopt, ""), "");
  EXPECT_EQ(GetPrivateProfileStringA("a", "b", "d", kBuffer, "no-drive.ini"), "d");
}

TEST_F(ProfileTest, NullNamesListKeysAndSections) {
  dir.Write("zemble.ini", "[A]\r\nk1=1\r\n;c=2\r\nK2\r\nk3=3\r\n[B]\r\n[a]\r\nz=1\r\n");
  EXPECT_EQ(Get("a", nullopt, ""), std::string("k1\0K2\0k3\0", 9));
  EXPECT_EQ(Get(nullopt, nullopt, ""), std::string("A\0B\0", 4));
  EXPECT_EQ(Get("B", nullopt, ""), "");
  // Too small a buffer cuts the last name and returns size - 2.
  EXPECT_EQ(Get("a", nullopt, "", 7), std::string("k1\0K2\0", 5));
}

TEST_F(ProfileTest, ValuesAreCutBetweenCharacters) {
  ASSERT_TRUE(Put("s", "k", "中文字"));
  EXPECT_EQ(Get("s", "k", "", 7), "中文字");  // six GBK bytes fit
  EXPECT_EQ(Get("s", "k", "", 6), "中文");
  EXPECT_EQ(Get("s", "k", "", 2), "");
}

TEST_F(ProfileTest, RewritesKeepEveryUntouchedLine) {
  std::string original =
      "; top comment\r\n[Main]\r\n; about name\r\nname = old\r\nkeep=1\r\n\r\n"
      "[Raw]\r\nbytes=\xff\xfe\x81\r\n";
  dir.Write("zemble.ini", original);
  ASSERT_TRUE(Put("main", "NAME", "new"));
  ASSERT_TRUE(Put("Main", "added", "2"));
  EXPECT_EQ(dir.Read("zemble.ini"),
            "; top comment\r\n[Main]\r\n; about name\r\nname=new\r\nkeep=1\r\nadded=2\r\n\r\n"
            "[Raw]\r\nbytes=\xff\xfe\x81\r\n");
}

TEST_F(ProfileTest, NullValueDeletesTheKeyAndNullKeyTheSection) {
  dir.Write("zemble.ini", "[A]\r\nx=1\r\ny=2\r\n; note\r\n[B]\r\nz=3\r\n");
  ASSERT_TRUE(Put("a", "X", nullopt));
  EXPECT_EQ(dir.Read("zemble.ini"), "[A]\r\ny=2\r\n; note\r\n[B]\r\nz=3\r\n");
  ASSERT_TRUE(Put("A", nullopt, ""));
  EXPECT_EQ(dir.Read("zemble.ini"), "[B]\r\nz=3\r\n");
  ASSERT_TRUE(Put("Gone", "k", nullopt));
  EXPECT_EQ(Get("B", "z"), "3");
}

TEST_F(ProfileTest, WritesThatWouldBreakTheFileAreRefused) {
  ASSERT_TRUE(Put("S", "k", "v"));
  std::string before = dir.Read("zemble.ini");
  EXPECT_FALSE(Put("S", "k", "v\r\n[Admin]\r\npassword=x"));
  EXPECT_FALSE(Put("S\n[T]", "k", "v"));
  EXPECT_FALSE(Put("S]x", "k", "v"));
  EXPECT_FALSE(Put("S", "a=b", "v"));
  EXPECT_FALSE(Put("S", ";k", "v"));
  EXPECT_FALSE(Put("S", "  ", "v"));
  EXPECT_FALSE(Put(nullopt, "k", "v"));
  EXPECT_EQ(dir.Read("zemble.ini"), before);
  EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", "D:\\missing\\x.ini"));
  EXPECT_FALSE(dir.Exists("missing"));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", "relative.ini"));
}

TEST_F(ProfileTest, RewriteReplacesTheFileWhole) {
  ASSERT_TRUE(Put("S", "k", "old"));
  chmod(dir.Native("zemble.ini").c_str(), 0600);
  // A second name for the old file sees the old content: the new one was
  // written elsewhere and renamed into place.
  ASSERT_EQ(link(dir.Native("zemble.ini").c_str(), dir.Native("before.ini").c_str()), 0);
  ASSERT_TRUE(Put("S", "k", "new"));
  EXPECT_EQ(dir.Read("before.ini"), "[S]\r\nk=old\r\n");
  EXPECT_EQ(dir.Read("zemble.ini"), "[S]\r\nk=new\r\n");
  struct stat st;
  ASSERT_EQ(stat(dir.Native("zemble.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(dir.Names().size(), 2u);  // no temporary file left behind
}

TEST_F(ProfileTest, ConcurrentWritersLoseNoKey) {
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([this, t] {
      for (int i = 0; i < 25; ++i) {
        std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
        EXPECT_TRUE(Put("S", key, std::to_string(i)));
      }
    });
  }
  for (std::thread& w : writers) w.join();
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 25; ++i) {
      EXPECT_EQ(Get("S", "k" + std::to_string(t) + "_" + std::to_string(i)), std::to_string(i));
    }
  }
}

}  // namespace
