// The upload clean-up on real folders and a real SQLite database: what is
// referenced stays, what is not goes, and what could be a mistake (a folder
// outside the channel, a link, a query that fails, a fresh file) is never
// taken.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "maintenance/cls_manager.h"
#include "processing/page_fixture.h"
#include "support/error_of.h"

namespace ostrel::maintenance {
namespace {

using testing::ErrorOf;
namespace stdfs = std::filesystem;

class ManagerTest : public testing::PageFixture {
 protected:
  // Upload files written an hour ago, old enough to be cleaned.
  void Old(const std::string& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      folder_->Write(folder + name, "x");
      folder_->SetWriteTime(folder + name, std::time(nullptr) - 3600);
    }
  }

  // A clean-up object of one request, set up as the maintenance page does.
  std::shared_ptr<clsManager> Manager(int16_t module, const std::string& channel_path,
                                      const std::string& upload_path,
                                      const std::string& upload_dir = "", int32_t channel = 1) {
    StartRequest("UploadDir=" + upload_dir);
    auto manager = std::make_shared<clsManager>();
    manager->SetDBConnstr(ConnString());
    manager->SetModuleID(module);
    manager->SetChannel(channel);
    manager->SetChannelPath(channel_path);
    manager->SetUploadPath(upload_path);
    return manager;
  }

  // The files left below a folder of the site, relative to it.
  std::set<std::string> Left(const std::string& relative) {
    std::set<std::string> names;
    const stdfs::path base = dir_ / relative;
    for (auto it = stdfs::recursive_directory_iterator(base); it != stdfs::end(it); ++it) {
      if (it->is_symlink() || !it->is_directory()) {
        names.insert(it->path().lexically_relative(base).string());
      }
    }
    return names;
  }
};

TEST_F(ManagerTest, DeletesExactlyTheUnreferencedPlainFiles) {
  const std::string up = "article/UploadPic/";
  // Referenced: another letter case and folder, the tail of a longer name,
  // a picture shown only inside an article's text, a name holding "|".
  Old(up, {"2005-8/Ref.JPG", "tail.jpg", "inline.gif", "x|y.jpg", "aXb.jpg"});
  // Unreferenced: plain, in a date folder, read-only, oddly named.
  Old(up,
      {"old.jpg", "2005-8/gone.png", "ro.jpg", " lead.jpg", "trail.jpg ", "名字.jpg", "a*b.jpg"});
  folder_->MakeReadOnly(up + "ro.jpg");
  // Never taken: a file one folder deeper, a fresh one, links to a file
  // and to a folder outside (whose files are unreferenced too), a name the
  // Windows path form cannot carry.
  Old(up, {"2005-8/deep/deep.jpg", "back\\slash.jpg"});
  Old("outside/", {"keep.jpg"});
  folder_->Write(up + "fresh.jpg", "x");
  stdfs::create_symlink(dir_ / "outside/keep.jpg", dir_ / (up + "link.jpg"));
  stdfs::create_symlink(dir_ / "outside", dir_ / (up + "linkdir"));
  RunSql(
      "INSERT INTO QX_Article (ChannelID, UploadImage, content) VALUES "
      "(1, '/other/uploadpic/REF.jpg', ''), (1, 'UploadPic/longtail.jpg', ''), "
      "(1, 'UploadPic/x|y.jpg', '<img src=\"/article/UploadPic/inline.gif\">'), "
      "(1, 'aXb.jpg', NULL), (2, 'old.jpg', '')");

  auto manager = Manager(1, "/article/", "UploadPic/");
  // The dry run (whose list the maintenance page shows) deletes nothing.
  EXPECT_EQ(manager->ListUselessFiles().UBound(), 6);
  EXPECT_EQ(manager->FilesCount, 7);
  EXPECT_EQ(Left(up).size(), 17u);

  manager->DelUselessFile();
  EXPECT_EQ(manager->FilesCount, 7);
  EXPECT_EQ(Left(up), (std::set<std::string>{"2005-8/Ref.JPG", "tail.jpg", "inline.gif", "x|y.jpg",
                                             "aXb.jpg", "2005-8/deep/deep.jpg", "fresh.jpg",
                                             "link.jpg", "linkdir", "back\\slash.jpg"}));
  EXPECT_TRUE(folder_->Exists("outside/keep.jpg"));
}

TEST_F(ManagerTest, EachModuleTakesItsOwnReferences) {
  RunSql(
      "INSERT INTO QX_SoftList (ChannelID, SoftImage, DownAddress, content) VALUES "
      "(2, 'UploadPic/shot.jpg', '下载|||UploadFile/a.zip', '<img src=UploadPic/intro.gif>')");
  RunSql("INSERT INTO QX_DownAddress (ChannelID, DownFileName) VALUES (2, 'b.zip')");
  RunSql("INSERT INTO QX_FlashList (ChannelID, miniature, showurl) VALUES (5, 'm.jpg', 's.swf')");
  RunSql("INSERT INTO QX_ShopList (ChannelID, ProductImage) VALUES (3, 'p.jpg')");
  RunSql("INSERT INTO QX_Adlist (Picurl) VALUES ('ad.gif')");
  // Every folder holds every name: what stays shows which references counted.
  const std::vector<std::string> names = {"shot.jpg", "intro.gif", "a.zip", "b.zip",
                                          "m.jpg",    "s.swf",     "p.jpg", "ad.gif"};
  struct Case {
    int16_t module;
    int32_t channel;
    std::string channel_path, upload_dir;
    std::set<std::string> kept;
  };
  const std::vector<Case> cases = {
      {2, 2, "/soft/", "UploadPic", {"shot.jpg", "intro.gif"}},
      {2, 2, "/soft/", "uploadFILE", {"a.zip", "b.zip"}},
      {5, 5, "/flash/", "UploadPic", {"m.jpg"}},
      {5, 5, "/flash/", "UploadFile", {"s.swf"}},
      {3, 3, "/shop/", "UploadPic", {"p.jpg"}},
      // Advertisements: any other module, every channel's pictures.
      {4, 7, "/ad/", "UploadPic", {"ad.gif"}},
      {0, 8, "/ad0/", "UploadPic", {"ad.gif"}},
      {9, 9, "/ad9/", "UploadPic", {"ad.gif"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channel_path + c.upload_dir);
    const std::string folder = c.channel_path.substr(1) + c.upload_dir + "/";
    Old(folder, names);
    auto manager = Manager(c.module, c.channel_path, c.upload_dir + "/", c.upload_dir, c.channel);
    manager->DelUselessFile();
    EXPECT_EQ(manager->FilesCount, static_cast<int32_t>(names.size() - c.kept.size()));
    EXPECT_EQ(Left(folder), c.kept);
  }
}

TEST_F(ManagerTest, NothingGoesWithoutRowsOrWithoutAFolder) {
  Old("article/UploadPic/", {"a.jpg"});
  RunSql("INSERT INTO QX_Article (ChannelID, UploadImage) VALUES (2, 'b.jpg')");
  auto manager = Manager(1, "/article/", "UploadPic/");
  manager->DelUselessFile();  // no row of channel 1
  EXPECT_EQ(manager->FilesCount, 0);
  EXPECT_TRUE(folder_->Exists("article/UploadPic/a.jpg"));

  manager = Manager(1, "/article/", "NoSuchFolder/", "", 2);
  manager->DelUselessFile();
  EXPECT_EQ(manager->FilesCount, 0);
}

// The object takes the request's host objects and leaves the host
// connection as the page left it; the folders are walked only with the
// file-system object the site configuration names.
TEST_F(ManagerTest, TheSiteConfigurationNamesTheFileSystemObject) {
  auto manager = Manager(1, "/article/", "UploadPic/");
  component::HostState().HostConnected = true;
  auto second = std::make_shared<clsManager>();
  EXPECT_TRUE(component::HostState().HostConnected);
  second.reset();

  Old("article/UploadPic/", {"a.jpg"});
  RunSql("INSERT INTO QX_Article (ChannelID, UploadImage) VALUES (1, 'b.jpg')");
  RunSql("UPDATE QX_Config SET FSO_ScriptName='Other.FileSystem'");
  manager->DelUselessFile();
  EXPECT_EQ(manager->FilesCount, 0);
  EXPECT_TRUE(folder_->Exists("article/UploadPic/a.jpg"));
}

TEST_F(ManagerTest, RefusesFoldersOutsideTheChannelAndForeignUploadDirs) {
  Old("", {"article/UploadPic/a.jpg", "article/b.jpg", "c.jpg", "elsewhere/d.jpg"});
  stdfs::create_symlink(dir_ / "elsewhere", dir_ / "article/Linked");
  stdfs::create_symlink(dir_ / "article", dir_ / "alias");
  RunSql("INSERT INTO QX_Article (ChannelID, UploadImage) VALUES (1, 'z.jpg')");
  RunSql("INSERT INTO QX_SoftList (ChannelID, SoftImage, DownAddress) VALUES (1, 'z', 'z')");
  struct Case {
    int16_t module;
    std::string channel_path, upload_path, upload_dir;
  };
  const std::vector<Case> cases = {
      {1, "/article/", "", ""},
      {1, "/article/", "..", ""},
      {1, "/article/", "C:\\", ""},
      {1, "/article/", "/article/UploadPic/", ""},
      {1, "/", "article/", ""},
      {1, "/article/", "Linked/", ""},
      {1, "/alias/", "UploadPic/", ""},
      // The software pictures judged by the download references, and the
      // other way round.
      {2, "/article/", "UploadPic/", "UploadFile"},
      {2, "/article/", "UploadPic/", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channel_path + "|" + c.upload_path + "|" + c.upload_dir);
    auto manager = Manager(c.module, c.channel_path, c.upload_path, c.upload_dir);
    try {
      manager->DelUselessFile();
      ADD_FAILURE() << "not refused";
    } catch (const vb::VbError& error) {
      EXPECT_EQ(error.number(), kErrCleanupRefused);
      EXPECT_NE(error.description().find("未做清理"), std::string::npos) << error.description();
    }
    EXPECT_EQ(manager->FilesCount, 0);
  }
  for (const char* file :
       {"article/UploadPic/a.jpg", "article/b.jpg", "c.jpg", "elsewhere/d.jpg"}) {
    EXPECT_TRUE(folder_->Exists(file)) << file;
  }
}

TEST_F(ManagerTest, AQueryThatFailsDeletesNothing) {
  Old("", {"soft/UploadFile/a.zip", "article/UploadPic/a.jpg"});
  RunSql("INSERT INTO QX_SoftList (ChannelID, DownAddress) VALUES (2, 'x.zip')");
  RunSql("DROP TABLE QX_DownAddress");  // the second query of the download folder
  auto manager = Manager(2, "/soft/", "UploadFile/", "UploadFile", 2);
  EXPECT_EQ(ErrorOf([&] { manager->DelUselessFile(); }), kErrCleanupRefused);
  EXPECT_TRUE(folder_->Exists("soft/UploadFile/a.zip"));

  RunSql("DROP TABLE QX_Article");
  manager = Manager(1, "/article/", "UploadPic/");
  EXPECT_EQ(ErrorOf([&] { manager->DelUselessFile(); }), kErrCleanupRefused);
  EXPECT_TRUE(folder_->Exists("article/UploadPic/a.jpg"));
  EXPECT_EQ(manager->FilesCount, 0);
}

}  // namespace
}  // namespace ostrel::maintenance
