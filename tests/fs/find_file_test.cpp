#include "platform/fs/find_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/fs/kernel32_files.h"
#include "platform/fs/vb_files.h"
#include "platform/fs/wildcard.h"
#include "platform/vb/vb_error.h"
#include "support/drive_folder.h"
#include "support/error_of.h"

using namespace ostrel::fs;

namespace {

using ostrel::testing::ErrorOf;

std::vector<std::string> Find(const std::string& pattern) {
  std::vector<std::string> names;
  FindData data;
  std::unique_ptr<FindSearch> search = FindFirstFileA(pattern, &data);
  if (!search) return names;
  do {
    names.push_back(data.file_name);
  } while (FindNextFileA(search.get(), &data));
  EXPECT_TRUE(FindClose(search));
  return names;
}

using Names = std::vector<std::string>;

TEST(Wildcards, DosRules) {
  EXPECT_TRUE(MatchesPattern("*.*", "README"));
  EXPECT_TRUE(MatchesPattern("*.TXT", "a.txt"));
  EXPECT_TRUE(MatchesPattern("*.txt", "说明.TXT"));
  EXPECT_FALSE(MatchesPattern("*.txt", "a.txt.bak"));
  EXPECT_TRUE(MatchesPattern("?.htm", "说.htm"));  // one character, not one byte
  EXPECT_TRUE(MatchesPattern("a??.txt", "a.txt"));
  EXPECT_FALSE(MatchesPattern("a?b", "a.b"));
  EXPECT_TRUE(MatchesPattern("*.", "README"));
  EXPECT_FALSE(MatchesPattern("*.", "a.txt"));
  EXPECT_TRUE(MatchesPattern("readme.*", "README"));
  EXPECT_TRUE(MatchesPattern("*a*b*", "xxaYYbZZ"));
  EXPECT_FALSE(MatchesPattern("*a*b", "xxaYYbZZ"));
  EXPECT_TRUE(MatchesPattern("*", ".."));
  EXPECT_FALSE(MatchesPattern("*.txt", "."));
}

class FindTest : public ::testing::Test {
 protected:
  ostrel::testing::DriveFolder dir;
};

TEST_F(FindTest, EntriesComeSortedWithTheDotsFirst) {
  dir.MakeFolder("sub/Dir");
  dir.Write("sub/b.txt", "bb");
  dir.Write("sub/A.txt", "a");
  dir.Write("sub/c", "");
  dir.Write("sub/_x.htm", "");
  // Upper-cased order, as the platform's: "_" sorts after the letters.
  EXPECT_EQ(Find("D:\\sub\\*"), (Names{".", "..", "A.txt", "b.txt", "c", "Dir", "_x.htm"}));
  EXPECT_EQ(Find("D:\\sub\\*.TXT"), (Names{"A.txt", "b.txt"}));
  EXPECT_EQ(Find("D:\\sub\\*."), (Names{".", "..", "c", "Dir"}));
  EXPECT_EQ(Find("D:\\sub\\b.txt"), (Names{"b.txt"}));
  EXPECT_EQ(Find("D:\\sub\\B.TXT"), Names{});  // an exact name is exact
  EXPECT_EQ(Find("D:\\sub\\*.zip"), Names{});
  EXPECT_EQ(Find("D:\\nowhere\\*"), Names{});
  EXPECT_EQ(Find("D:\\sub\\"), Names{});
  EXPECT_EQ(Find("Q:\\sub\\*"), Names{});
  // A drive root has no "." or "..".
  EXPECT_EQ(Find("D:\\*"), (Names{"sub"}));
}

TEST_F(FindTest, RecordsCarryAttributesSizesAndTimes) {
  dir.MakeFolder("f");
  dir.Write("a.bin", "12345");
  dir.SetWriteTime("a.bin", 1131494703);
  FindData file = GetFileInfo("D:\\a.bin");
  EXPECT_EQ(file.file_name, "a.bin");
  EXPECT_EQ(file.file_attributes, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(file.file_size_low, 5u);
  EXPECT_EQ(file.file_size_high, 0u);
  EXPECT_EQ(file.last_write_time.ticks(), (1131494703ull + 11644473600ull) * 10000000ull);
  EXPECT_NE(file.creation_time.ticks(), 0u);
  EXPECT_EQ(GetFileInfo("D:\\f").file_attributes, FILE_ATTRIBUTE_DIRECTORY);
  dir.MakeReadOnly("a.bin");
  EXPECT_EQ(GetFileInfo("D:\\a.bin").file_attributes,
            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
}

TEST_F(FindTest, SizesPast4GiBFillTheHighHalf) {
  dir.Write("big", "");
  ASSERT_EQ(truncate(dir.Native("big").c_str(), (5ll << 30) + 7), 0);  // sparse
  FindData big = GetFileInfo("D:\\big");
  EXPECT_EQ(big.file_size_high, 1u);
  EXPECT_EQ(big.file_size_low, (1u << 30) + 7);
  uint64_t size = 0;
  ASSERT_TRUE(GetFileSize64("D:\\big", &size));
  EXPECT_EQ(size, (5ull << 30) + 7);
}

TEST_F(FindTest, NoMatchGivesAnAllZeroRecord) {
  dir.Write("a", "x");
  for (const char* path : {"D:\\missing.txt", "D:\\none\\*.*", "Q:\\a", "a", "", "D:\\"}) {
    FindData info = GetFileInfo(path);
    EXPECT_EQ(info.file_attributes, 0u) << path;
    EXPECT_EQ(info.creation_time.ticks(), 0u);
    EXPECT_EQ(info.last_access_time.ticks(), 0u);
    EXPECT_EQ(info.last_write_time.ticks(), 0u);
    EXPECT_EQ(info.size(), 0u);
    EXPECT_EQ(info.file_name, "");
  }
}

TEST_F(FindTest, LinksAreEntriesOfTheirOwn) {
  ostrel::testing::TempDir outside;
  outside.Write("big", std::string(100, 'x'));
  dir.MakeFolder("tree");
  ASSERT_EQ(symlink(outside.path().c_str(), dir.Native("tree/dirlink").c_str()), 0);
  ASSERT_EQ(symlink(outside.Native("big").c_str(), dir.Native("tree/filelink").c_str()), 0);
  FindData data;
  std::unique_ptr<FindSearch> search = FindFirstFileA("D:\\tree\\*link", &data);
  ASSERT_TRUE(search);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(data.file_attributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(data.size(), 0u);
    FindNextFileA(search.get(), &data);
  }
}

TEST(FileTimes, CalendarFieldsAsStoredOrLocal) {
  setenv("TZ", "Asia/Shanghai", 1);
  tzset();
  // 2005-11-09 00:05:03.250 UTC, a Wednesday.
  FileTime t = FileTime::FromTicks((1131494703ull + 11644473600ull) * 10000000ull + 2500000);
  SystemTime st;
  ASSERT_TRUE(FileTimeToSystemTime(t, &st));
  EXPECT_EQ(st.year, 2005);
  EXPECT_EQ(st.month, 11);
  EXPECT_EQ(st.day, 9);
  EXPECT_EQ(st.day_of_week, 3);
  EXPECT_EQ(st.hour, 0);
  EXPECT_EQ(st.minute, 5);
  EXPECT_EQ(st.second, 3);
  EXPECT_EQ(st.milliseconds, 250);
  FileTime local;
  ASSERT_TRUE(FileTimeToLocalFileTime(t, &local));
  ASSERT_TRUE(FileTimeToSystemTime(local, &st));
  EXPECT_EQ(st.hour, 8);
  ASSERT_TRUE(FileTimeToSystemTime(FileTime{}, &st));
  EXPECT_EQ(st.year, 1601);
  EXPECT_EQ(st.day_of_week, 1);
  EXPECT_FALSE(FileTimeToSystemTime(FileTime::FromTicks(~0ull), &st));
}

TEST_F(FindTest, Kernel32CopyAndMove) {
  dir.Write("a", "A");
  dir.Write("b", "B");
  EXPECT_FALSE(CopyFileA("D:\\a", "D:\\b", true));
  EXPECT_EQ(dir.Read("b"), "B");
  EXPECT_TRUE(CopyFileA("D:\\a", "D:\\b", false));
  EXPECT_EQ(dir.Read("b"), "A");
  EXPECT_FALSE(CopyFileA("D:\\none", "D:\\c", false));
  EXPECT_FALSE(CopyFileA("D:\\a", "D:\\no\\c", false));
  EXPECT_FALSE(dir.Exists("c"));

  dir.Write("b", "B");
  EXPECT_FALSE(MoveFileExA("D:\\a", "D:\\b", MOVEFILE_COPY_ALLOWED));
  EXPECT_EQ(dir.Read("a"), "A");
  EXPECT_EQ(dir.Read("b"), "B");
  EXPECT_TRUE(MoveFileExA("D:\\a", "D:\\b", MOVEFILE_REPLACE_EXISTING));
  EXPECT_FALSE(dir.Exists("a"));
  EXPECT_EQ(dir.Read("b"), "A");
  dir.MakeFolder("folder");
  EXPECT_FALSE(MoveFileExA("D:\\b", "D:\\folder", MOVEFILE_REPLACE_EXISTING));
  EXPECT_TRUE(MoveFileExA("D:\\folder", "D:\\moved", 0));
  EXPECT_TRUE(dir.Exists("moved"));

  dir.MakeReadOnly("b");
  EXPECT_FALSE(DeleteFileA("D:\\b"));
  EXPECT_FALSE(DeleteFileA("D:\\moved"));
  dir.Write("c", "");
  EXPECT_TRUE(DeleteFileA("D:\\c"));
  EXPECT_FALSE(dir.Exists("c"));
}

TEST_F(FindTest, VbFileStatements) {
  dir.MakeFolder("sub");
  dir.Write("sub/z.txt", "");
  dir.Write("x.txt", "");
  EXPECT_EQ(Dir("D:\\x.txt"), "x.txt");
  EXPECT_EQ(Dir("D:\\sub"), "");
  EXPECT_EQ(Dir("D:\\sub", kVbDirectory), "sub");
  EXPECT_EQ(Dir("D:\\sub\\", kVbDirectory), ".");
  EXPECT_EQ(Dir("D:\\sub\\"), "z.txt");
  EXPECT_EQ(Dir("D:\\*.htm"), "");
  EXPECT_EQ(Dir("relative"), "");
  EXPECT_EQ(ErrorOf([] { Dir("Q:\\x"); }), 52);

  MkDir("D:\\made");
  EXPECT_TRUE(dir.Exists("made"));
  EXPECT_EQ(ErrorOf([] { MkDir("D:\\made"); }), 75);
  EXPECT_EQ(ErrorOf([] { MkDir("D:\\none\\made"); }), 76);

  EXPECT_EQ(ErrorOf([] { Kill("D:\\*.htm"); }), 53);
  EXPECT_EQ(ErrorOf([] { Kill("D:\\sub"); }), 53);
  Kill("D:\\sub\\*.*");
  EXPECT_FALSE(dir.Exists("sub/z.txt"));
  dir.MakeReadOnly("x.txt");
  EXPECT_EQ(ErrorOf([] { Kill("D:\\x.txt"); }), 75);
}

}  // namespace
