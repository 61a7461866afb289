// Static files: the site tree is served with the right content types, and
// nothing outside it, no link list, database, configuration or page source.
#include <gtest/gtest.h>
#include <unistd.h>

#include "host/static_files.h"
#include "host/test_http.h"

namespace ostrel::host {
namespace {

using test::TempFolder;

class StaticFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_.Write("site/css/admin.css", "body{}");
    site_.Write("site/admin/include/showpage.js", "function ShowListPage(){}");
    site_.Write("site/article/UploadPic/2024/1.JPG", "jpeg");
    site_.Write("site/admin/tmpNewslist1.dat", "http://a/");
    site_.Write("site/data/host.db", "db");
    site_.Write("site/data/host.db-wal", "wal");
    site_.Write("site/own.conf", "secret");
    site_.Write("site/.hidden", "x");
    site_.Write("outside.txt", "outside");
    ::symlink(site_.Path("outside.txt").c_str(), site_.Path("site/link.txt").c_str());
    ::symlink(site_.Path("site/admin/tmpNewslist1.dat").c_str(),
              site_.Path("site/list.txt").c_str());
  }

  StaticFiles Files() const {
    return StaticFiles(site_.Path("site"), {site_.Path("site/own.conf")});
  }

  TempFolder site_;
};

TEST_F(StaticFilesTest, ServesTheSiteTreeWithItsContentTypes) {
  StaticFiles files = Files();
  StaticFile css = files.Resolve("/css/admin.css");
  EXPECT_EQ(css.status, 200);
  EXPECT_EQ(css.content_type, "text/css; charset=utf-8");
  EXPECT_EQ(files.Resolve("/admin/include/showpage.js").content_type,
            "application/javascript; charset=utf-8");
  StaticFile picture = files.Resolve("/article//UploadPic/./2024/1.JPG");
  EXPECT_EQ(picture.status, 200);
  EXPECT_EQ(picture.content_type, "image/jpeg");
  EXPECT_EQ(picture.path, site_.Path("site/article/UploadPic/2024/1.JPG"));
  EXPECT_EQ(StaticFiles::ContentType("a.GIF"), "image/gif");
  EXPECT_EQ(StaticFiles::ContentType("a.swf"), "application/x-shockwave-flash");
  EXPECT_EQ(StaticFiles::ContentType("noext"), "application/octet-stream");
}

TEST_F(StaticFilesTest, RefusesWhatIsNotForTheBrowser) {
  StaticFiles files = Files();
  EXPECT_EQ(files.Resolve("/../outside.txt").status, 403);
  EXPECT_EQ(files.Resolve("/css/../../outside.txt").status, 403);
  EXPECT_EQ(files.Resolve("/css/..").status, 403);
  EXPECT_EQ(files.Resolve("/css\\..\\..\\outside.txt").status, 403);
  EXPECT_EQ(files.Resolve("/C:/etc/passwd").status, 403);
  for (const char* path :
       {"/admin/tmpNewslist1.dat", "/admin/TMPNEWSLIST1.DAT", "/data/host.db", "/data/host.db-wal",
        "/own.conf", "/.hidden", "/link.txt", "/list.txt", "/css", "/css/", "/", "/missing.png",
        "relative.css", "", "/x.asp", "/global.asa", "/o.ini", "/a.mdb", "/a.db-shm"}) {
    EXPECT_EQ(files.Resolve(path).status, 404) << path;
  }
}

}  // namespace
}  // namespace ostrel::host
