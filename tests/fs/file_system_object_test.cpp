#include "platform/fs/file_system_object.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>

#include "platform/vb/vb_error.h"
#include "support/drive_folder.h"
#include "support/error_of.h"

using namespace ostrel::fs;

namespace {

using ostrel::testing::ErrorOf;

std::vector<std::string> Names(const std::vector<File>& files) {
  std::vector<std::string> names;
  for (const File& f : files) names.push_back(f.Name());
  return names;
}

class FsoTest : public ::testing::Test {
 protected:
  ostrel::testing::DriveFolder dir;
  FileSystemObject fso;
};

TEST_F(FsoTest, ExistenceTestsTellFilesFromFolders) {
  dir.Write("a.txt", "x");
  dir.MakeFolder("sub");
  EXPECT_TRUE(fso.FileExists("D:\\a.txt"));
  EXPECT_FALSE(fso.FolderExists("D:\\a.txt"));
  EXPECT_TRUE(fso.FolderExists("D:\\sub"));
  EXPECT_TRUE(fso.FolderExists("d:/sub/"));
  EXPECT_FALSE(fso.FileExists("D:\\sub"));
  EXPECT_FALSE(fso.FileExists("D:\\*.txt"));
  EXPECT_FALSE(fso.FileExists("D:\\missing.txt"));
  EXPECT_FALSE(fso.FolderExists("Q:\\sub"));
  EXPECT_FALSE(fso.FolderExists("sub"));
}

TEST_F(FsoTest, CreateFolderMakesOneLevel) {
  Folder made = fso.CreateFolder("D:\\new");
  EXPECT_EQ(made.Path(), "D:\\new");
  EXPECT_EQ(made.Name(), "new");
  EXPECT_TRUE(dir.Exists("new"));
  EXPECT_EQ(ErrorOf([&] { fso.CreateFolder("D:\\new"); }), 58);
  dir.Write("file", "");
  EXPECT_EQ(ErrorOf([&] { fso.CreateFolder("D:\\file"); }), 58);
  EXPECT_EQ(ErrorOf([&] { fso.CreateFolder("D:\\missing\\deeper"); }), 76);
  EXPECT_EQ(ErrorOf([&] { fso.CreateFolder("D:\\bad|name"); }), 52);
  EXPECT_EQ(ErrorOf([&] { fso.CreateFolder("Q:\\x"); }), 76);
  EXPECT_FALSE(dir.Exists("missing"));
}

TEST_F(FsoTest, DeleteFileTakesWildcardsInTheLastPart) {
  dir.MakeFolder("w");
  dir.Write("w/a.txt", "");
  dir.Write("w/B.TXT", "");
  dir.Write("w/c.htm", "");
  dir.MakeFolder("w/folder.txt");
  fso.DeleteFile("D:\\w\\*.txt");
  EXPECT_FALSE(dir.Exists("w/a.txt"));
  EXPECT_FALSE(dir.Exists("w/B.TXT"));
  EXPECT_TRUE(dir.Exists("w/c.htm"));
  EXPECT_TRUE(dir.Exists("w/folder.txt"));  // folders are not files
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFile("D:\\w\\*.txt"); }), 53);
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFile("D:\\w\\nothing.htm"); }), 53);
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFile("D:\\w\\folder.txt"); }), 53);
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFile("D:\\w\\missing\\*"); }), 76);
  fso.DeleteFile("D:\\w\\?.HTM?");  // a trailing "?" may match nothing
  EXPECT_FALSE(dir.Exists("w/c.htm"));
}

TEST_F(FsoTest, ReadOnlyFilesNeedForce) {
  dir.Write("locked.txt", "keep");
  dir.MakeReadOnly("locked.txt");
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFile("D:\\locked.txt"); }), 70);
  EXPECT_TRUE(dir.Exists("locked.txt"));
  fso.DeleteFile("D:\\locked.txt", true);
  EXPECT_FALSE(dir.Exists("locked.txt"));

  dir.MakeFolder("tree/inner");
  dir.Write("tree/inner/locked", "");
  dir.MakeReadOnly("tree/inner/locked");
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFolder("D:\\tree"); }), 70);
  fso.DeleteFolder("D:\\tree", true);
  EXPECT_FALSE(dir.Exists("tree"));
}

TEST_F(FsoTest, DeleteFolderTakesWildcardsAndContent) {
  dir.MakeFolder("w/x1/deep/deeper");
  dir.Write("w/x1/deep/deeper/f", "1");
  dir.MakeFolder("w/X2");
  dir.MakeFolder("w/y");
  dir.Write("w/x3", "a file, not a folder");
  fso.DeleteFolder("D:\\w\\x*");
  EXPECT_FALSE(dir.Exists("w/x1"));
  EXPECT_FALSE(dir.Exists("w/X2"));
  EXPECT_TRUE(dir.Exists("w/y"));
  EXPECT_TRUE(dir.Exists("w/x3"));
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFolder("D:\\w\\x*"); }), 76);
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFolder("D:\\w\\x3"); }), 76);
}

TEST_F(FsoTest, PatternsOverAWholeDriveAreRefused) {
  dir.Write("a.txt", "");
  dir.MakeFolder("f");
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFile("D:\\*"); }), 70);
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFolder("D:\\*"); }), 70);
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFolder("D:\\"); }), 70);
  EXPECT_TRUE(dir.Exists("a.txt"));
  EXPECT_TRUE(dir.Exists("f"));
}

TEST_F(FsoTest, MovesNeverReplace) {
  dir.Write("a.txt", "A");
  dir.Write("b.txt", "B");
  EXPECT_EQ(ErrorOf([&] { fso.MoveFile("D:\\a.txt", "D:\\b.txt"); }), 58);
  EXPECT_EQ(dir.Read("a.txt"), "A");
  EXPECT_EQ(dir.Read("b.txt"), "B");
  EXPECT_EQ(ErrorOf([&] { fso.MoveFile("D:\\none.txt", "D:\\c.txt"); }), 53);
  EXPECT_EQ(ErrorOf([&] { fso.MoveFile("D:\\a.txt", "D:\\missing\\a.txt"); }), 76);

  dir.MakeFolder("into");
  fso.MoveFile("D:\\a.txt", "D:\\into\\");
  EXPECT_EQ(dir.Read("into/a.txt"), "A");
  fso.MoveFile("D:\\b.txt", "D:\\into\\renamed.txt");
  EXPECT_EQ(dir.Read("into/renamed.txt"), "B");

  dir.MakeFolder("other");
  EXPECT_EQ(ErrorOf([&] { fso.MoveFolder("D:\\into", "D:\\other"); }), 58);
  EXPECT_EQ(ErrorOf([&] { fso.MoveFolder("D:\\nothing", "D:\\z"); }), 76);
  EXPECT_EQ(ErrorOf([&] { fso.MoveFolder("D:\\into\\a.txt", "D:\\z"); }), 76);
  fso.MoveFolder("D:\\into", "D:\\other\\");
  EXPECT_EQ(dir.Read("other/into/renamed.txt"), "B");
  EXPECT_FALSE(dir.Exists("into"));
}

TEST_F(FsoTest, CopyFileHonoursOverwrite) {
  dir.Write("src.txt", "new");
  dir.Write("dst.txt", "old");
  dir.SetWriteTime("src.txt", 1131494703);

  EXPECT_EQ(ErrorOf([&] { fso.CopyFile("D:\\src.txt", "D:\\dst.txt", false); }), 58);
  EXPECT_EQ(dir.Read("dst.txt"), "old");
  fso.CopyFile("D:\\src.txt", "D:\\dst.txt");
  EXPECT_EQ(dir.Read("dst.txt"), "new");
  EXPECT_EQ(dir.Read("src.txt"), "new");
  struct stat st;
  ASSERT_EQ(stat(dir.Native("dst.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1131494703);

  dir.MakeFolder("into");
  fso.CopyFile("D:\\src.txt", "D:\\into\\");
  EXPECT_EQ(dir.Read("into/src.txt"), "new");
  EXPECT_EQ(ErrorOf([&] { fso.CopyFile("D:\\src.txt", "D:\\into"); }), 58);
  EXPECT_EQ(ErrorOf([&] { fso.CopyFile("D:\\none", "D:\\x"); }), 53);
  dir.MakeReadOnly("dst.txt");
  EXPECT_EQ(ErrorOf([&] { fso.CopyFile("D:\\src.txt", "D:\\dst.txt"); }), 70);
}

TEST_F(FsoTest, GetFolderWalksSortedEntries) {
  setenv("TZ", "Asia/Shanghai", 1);
  tzset();
  dir.MakeFolder("up/b_sub/inner");
  dir.MakeFolder("up/A_sub");
  dir.Write("up/b.jpg", "12345");
  dir.Write("up/A.gif", "12");
  dir.Write("up/c.png", "");
  dir.Write("up/b_sub/inner/deep.txt", "1234567");
  dir.SetWriteTime("up/b.jpg", 1131494703);

  Folder up = fso.GetFolder("d:/up/");
  EXPECT_EQ(up.Path(), "D:\\up");
  EXPECT_EQ(up.Name(), "up");
  std::vector<File> files = up.Files();
  EXPECT_EQ(Names(files), (std::vector<std::string>{"A.gif", "b.jpg", "c.png"}));
  EXPECT_EQ(files[1].Path(), "D:\\up\\b.jpg");
  EXPECT_EQ(files[1].Size(), 5u);
  // 2005-11-09 00:05:03 UTC is 08:05:03 in Shanghai.
  EXPECT_DOUBLE_EQ(files[1].DateLastModified().serial, 38665 + 29103.0 / 86400);
  std::vector<Folder> subs = up.SubFolders();
  ASSERT_EQ(subs.size(), 2u);
  EXPECT_EQ(subs[0].Name(), "A_sub");
  EXPECT_EQ(subs[1].Path(), "D:\\up\\b_sub");
  EXPECT_EQ(up.Size(), 14u);
  EXPECT_EQ(fso.GetFile("D:\\up\\b.jpg").Size(), 5u);

  EXPECT_EQ(ErrorOf([&] { fso.GetFolder("D:\\nowhere"); }), 76);
  EXPECT_EQ(ErrorOf([&] { fso.GetFolder("D:\\up\\b.jpg"); }), 76);
  EXPECT_EQ(ErrorOf([&] { fso.GetFile("D:\\up\\A_sub"); }), 53);
  EXPECT_TRUE(fso.GetFolder("D:\\").IsRootFolder());
}

TEST_F(FsoTest, LinksAreNeverWalkedOrDeletedThrough) {
  ostrel::testing::TempDir outside_holder;
  std::string outside = outside_holder.path().string();
  outside_holder.Write("keep.txt", "precious");
  dir.MakeFolder("tree");
  ASSERT_EQ(symlink(outside.c_str(), dir.Native("tree/link").c_str()), 0);
  ASSERT_EQ(symlink((outside + "/keep.txt").c_str(), dir.Native("tree/filelink").c_str()), 0);

  Folder tree = fso.GetFolder("D:\\tree");
  EXPECT_TRUE(tree.SubFolders().empty());
  EXPECT_EQ(Names(tree.Files()), (std::vector<std::string>{"filelink", "link"}));
  EXPECT_EQ(tree.Size(), 0u);
  // The path a caller names is followed; entries inside are not.
  EXPECT_TRUE(fso.FolderExists("D:\\tree\\link"));
  EXPECT_EQ(ErrorOf([&] { fso.DeleteFolder("D:\\tree\\*"); }), 76);

  fso.DeleteFile("D:\\tree\\*link");
  EXPECT_FALSE(dir.Exists("tree/link"));
  EXPECT_FALSE(dir.Exists("tree/filelink"));
  EXPECT_EQ(outside_holder.Read("keep.txt"), "precious");

  ASSERT_EQ(symlink(outside.c_str(), dir.Native("tree/link").c_str()), 0);
  fso.DeleteFolder("D:\\tree", true);
  EXPECT_FALSE(dir.Exists("tree"));
  EXPECT_EQ(outside_holder.Read("keep.txt"), "precious");
}

TEST_F(FsoTest, PathTextHelpers) {
  EXPECT_EQ(fso.GetExtensionName("C:\\a.b\\c.tar.GZ"), "GZ");
  EXPECT_EQ(fso.GetExtensionName("C:\\a.b\\c"), "");
  EXPECT_EQ(fso.GetFileName("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(fso.GetFileName("C:\\a\\b\\"), "b");
  EXPECT_EQ(fso.GetFileName("C:\\"), "");
  EXPECT_EQ(fso.GetParentFolderName("C:\\a\\b.txt"), "C:\\a");
  EXPECT_EQ(fso.GetParentFolderName("C:\\a"), "C:\\");
  EXPECT_EQ(fso.BuildPath("C:\\a", "b.txt"), "C:\\a\\b.txt");
  EXPECT_EQ(fso.BuildPath("C:\\a\\", "b.txt"), "C:\\a\\b.txt");
}

}  // namespace
