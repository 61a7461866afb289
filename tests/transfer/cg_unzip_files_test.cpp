#include "transfer/cg_unzip_files.h"

#include <gtest/gtest.h>

#include "platform/archive/extract_limits.h"
#include "support/archive_fixtures.h"
#include "support/temp_dir.h"
#include "transfer/archive_routines.h"

namespace ostrel::transfer {
namespace {

TEST(CGUnzipFiles, UnzipsWithTheStoredOptionsAndKeepsTheRunsMessages) {
  testing::TempDir dir;
  testing::WriteZipFixture(dir.Native("a.zip"), {{"docs/a.txt", "alpha"}, {"b c.txt", "beta"}});
  CGUnzipFiles u;
  EXPECT_TRUE(u.HonorDirectories());
  EXPECT_TRUE(u.OverWriteFiles());
  EXPECT_TRUE(u.CaseSensitive());
  EXPECT_EQ(u.MessageLevel(), NoMessages);
  EXPECT_FALSE(u.ExtractNewer() || u.TestZip() || u.PromptOverwrite());

  u.SetZipFileName(dir.Windows("a.zip"));
  u.SetExtractDir(dir.Windows("out"));
  u.SetMessageLevel(All);
  EXPECT_EQ(u.Unzip("", ""), 0);
  EXPECT_EQ(dir.Read("out/docs/a.txt"), "alpha");
  EXPECT_NE(u.GetLastMessage().find("inflating: b c.txt"), std::string::npos);

  u.SetHonorDirectories(false);  // paths junked
  u.SetSpaceToUnderScore(true);
  EXPECT_EQ(u.Unzip(std::string(), dir.Windows("flat")), 0);
  EXPECT_EQ(dir.Read("flat/a.txt"), "alpha");
  EXPECT_EQ(dir.Read("flat/b_c.txt"), "beta");

  dir.Write("not.zip", "plain text");
  EXPECT_EQ(u.Unzip(dir.Windows("not.zip")), 9);
  EXPECT_EQ(u.GetLastMessage(), "");
}

TEST(ArchiveRoutines, RarExtractionAndAttributeLetters) {
  testing::TempDir dir;
  dir.Write("w/sub/a.txt", "in rar");
  ASSERT_EQ(testing::Shell(testing::RarToolPath() + " a -r -ep1 -- " + dir.Native("x.rar") + " " +
                           dir.Native("w") + "/"),
            0);
  dir.MakeFolder("out");
  // The folder entry (value 16) is passed over; the file makes its folder.
  EXPECT_EQ(ExtractRarFiles(dir.Windows("x.rar"), dir.Windows("out") + "\\", ""), 1);
  EXPECT_EQ(dir.Read("out/sub/a.txt"), "in rar");
  EXPECT_EQ(ExtractRarFiles(dir.Windows("missing.rar"), dir.Windows("out") + "\\", ""), -1);
  dir.Write("text.rar", "no archive");
  EXPECT_EQ(ExtractRarFiles(dir.Windows("text.rar"), dir.Windows("out") + "\\", "pw"), -1);

  // Entries pass on by the attribute value the archive stores: only a
  // plain folder (16) is passed over; hidden, system, read-only and
  // archive-marked folders are handed on like files.
  std::vector<testing::RarFixtureEntry> stored = {{"d16", "", 0x10}, {"d17", "", 0x11},
                                                  {"d18", "", 0x12}, {"d20", "", 0x14},
                                                  {"d48", "", 0x30}, {"f.txt", "data", 0x21}};
  dir.MakeFolder("attr");
  dir.Write("a4.rar", testing::Rar4Archive(stored));
  dir.Write("a5.rar", testing::Rar5Archive(stored));
  for (const char* name : {"a4.rar", "a5.rar"}) {
    EXPECT_EQ(ExtractRarFiles(dir.Windows(name), dir.Windows("attr") + "\\", ""), 5) << name;
  }
  EXPECT_EQ(dir.Read("attr/f.txt"), "data");

  for (auto [value, letters] : std::vector<std::pair<int32_t, std::string>>{
           {16, "D"}, {48, "AD"}, {32, "A"}, {0, ""}, {0x17, "DSHR"}}) {
    EXPECT_EQ(FileAttrLetters(value), letters) << value;
  }
}

}  // namespace
}  // namespace ostrel::transfer
