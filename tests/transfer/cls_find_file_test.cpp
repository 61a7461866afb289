#include "transfer/cls_find_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "component/registration.h"
#include "platform/text/charset.h"
#include "platform/vb/convert.h"
#include "support/temp_dir.h"

namespace ostrel::transfer {
namespace {

using testing::TempDir;

// Records the events of one search in the order raised.
struct Recorder {
  explicit Recorder(clsFindFile& f) {
    f.FileFound.Connect([this](std::string& p) { events.push_back("file " + p); });
    f.FolderFound.Connect([this](std::string& p) { events.push_back("folder " + p); });
  }
  std::vector<std::string> events;
};

class FindFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("b.htm", "<p>Hello</p>");
    dir_.Write("a.txt", std::string(600, 'x') + "Needle");  // across the first block
    dir_.Write("sub/c.txt", "needle");
    root_ = dir_.Windows("");
    if (root_.back() != '\\') root_ += '\\';
  }
  TempDir dir_;
  std::string root_;
};

TEST_F(FindFileTest, WalksInAFixedOrderRaisingEvents) {
  clsFindFile f;
  Recorder r(f);
  ASSERT_TRUE(f.BeginSearch(root_, "*.*", true));
  EXPECT_EQ(r.events,
            (std::vector<std::string>{"folder " + root_ + "sub", "file " + root_ + "a.txt",
                                      "file " + root_ + "b.htm", "file " + root_ + "sub",
                                      "file " + root_ + "sub\\c.txt"}));
  EXPECT_EQ(vb::CLng(f.srNumFilesFound()), 4);
  EXPECT_EQ(vb::CLng(f.srNumFoldersFound()), 1);
  EXPECT_EQ(f.srTotalSizeOfFilesFound(), 606 + 12 + 6);
  EXPECT_EQ(f.srFiles(0), root_ + "a.txt");
  EXPECT_EQ(f.srFiles(4), "");
  EXPECT_EQ(f.srFolders(0), root_ + "sub");
  EXPECT_EQ(f.state(), clsFindFile::kIdle);
}

TEST_F(FindFileTest, FoldersOnlyContentSearchAndFilters) {
  clsFindFile f;
  Recorder r(f);
  f.BeginSearch(root_, "*.*", true, std::string(), true);
  EXPECT_EQ(r.events, std::vector<std::string>{"folder " + root_ + "sub"});

  r.events.clear();
  f.BeginSearch(root_, "*.*", true, std::string("Needle"));
  EXPECT_EQ(r.events,
            std::vector<std::string>{"file " + root_ + "a.txt"});  // exact case, no folders

  r.events.clear();
  f.BeginSearch(root_, "*.", false);  // names without a dot
  EXPECT_EQ(r.events,
            (std::vector<std::string>{"folder " + root_ + "sub", "file " + root_ + "sub"}));

  // The file's bytes are ANSI text: 中文 is looked for in its GB2312 bytes.
  dir_.Write("cn/gb.txt", text::ToAnsi("前言中文"));
  dir_.Write("cn/utf8.txt", "前言中文");
  std::string cn = "中文";
  EXPECT_EQ(f.SearchFileContents(root_ + "cn\\gb.txt", cn), 1);
  EXPECT_EQ(f.SearchFileContents(root_ + "cn\\utf8.txt", cn), 0);
}

TEST_F(FindFileTest, EmptyMissingAndLinkedFolders) {
  TempDir outside;
  outside.Write("secret.txt", "outside");
  std::filesystem::create_symlink(outside.path(), dir_.path() / "link");
  clsFindFile f;
  f.BeginSearch(root_, "*.*", true);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(f.srFiles(i).find("secret"), std::string::npos);
  EXPECT_EQ(vb::CLng(f.srNumFoldersFound()), 1);  // the link is no folder

  dir_.MakeFolder("empty");
  f.BeginSearch(root_ + "empty", "*.*", true);
  EXPECT_EQ(vb::CLng(f.srNumFilesFound()), 0);
  EXPECT_EQ(f.srFiles(0), "");
  EXPECT_EQ(f.srTotalSizeOfFilesFound(), 0);

  EXPECT_TRUE(f.BeginSearch(root_ + "missing", "*.*", true));
  EXPECT_EQ(f.srTotalSizeOfFilesFound(), -1);
  EXPECT_EQ(f.state(), clsFindFile::kFailed);
}

TEST_F(FindFileTest, PagesReceiveTheEventsByName) {
  clsFindFile f;
  std::vector<std::string> seen;
  f.Advise("filefound", [&](com::Args args) { seen.push_back(vb::CStr(args[0])); });
  f.Advise("FolderFound", [&](com::Args args) { seen.push_back("folder " + vb::CStr(args[0])); });
  vb::Variant args[] = {vb::Variant(root_ + "sub"), vb::Variant("*.*"), vb::Variant(true)};
  f.Call("BeginSearch", args);
  EXPECT_EQ(seen, std::vector<std::string>{root_ + "sub\\c.txt"});
}

TEST_F(FindFileTest, CancelFromAHandlerStopsTheWalk) {
  clsFindFile f;
  int files = 0;
  f.FileFound.Connect([&](std::string&) {
    ++files;
    f.CancelSearch();
  });
  f.BeginSearch(root_, "*.*", true);
  EXPECT_EQ(files, 3);  // the root's pass ends; sub is never begun
}

TEST(FindFile, FormatsSizesAndIsRegistered) {
  clsFindFile f;
  EXPECT_EQ(f.FormatFileSize(512), "512 Bytes");
  EXPECT_EQ(f.FormatFileSize(1536), "1.50KB (1,536 Bytes)");
  EXPECT_EQ(f.FormatFileSize(5242880), "5.00MB (5,242,880 Bytes)");
  std::string text("abc\0def", 7);
  EXPECT_EQ(clsFindFile::StripNulls(text), "abc");
  EXPECT_EQ(text, "abc");
  auto ids = component::ClassProgIds();
  for (const char* id : {"Ostrel.clsFindFile", "Ostrel.RedoZipFile", "Ostrel.CGUnzipFiles",
                         "Ostrel.clsIniFile", "Ostrel.TFileIO"}) {
    EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
  }
}

}  // namespace
}  // namespace ostrel::transfer
