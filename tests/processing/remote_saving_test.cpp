// Saving gathered pictures from a fixture site on 127.0.0.1 into the site's
// upload folder: the size and status bounds, the names, the list of saved
// paths, the watermark switch, and a hostile site that must not get
// anything written where it wants.
#include "processing/remote_saving.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "image/test_pictures.h"
#include "platform/net/fetch_limits.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/files_folders.h"
#include "processing/page_fixture.h"
#include "processing/vb_process.h"
#include "support/fetch_limits_guard.h"
#include "support/fixtures.h"
#include "support/http_server.h"

namespace ostrel::processing {
namespace {

namespace sfs = std::filesystem;
using testing::HttpAnswer;

// The folder an article run saves into: the channel's upload folder and a
// date folder.
constexpr const char* kFolder = "/article/UploadPic/2004-2/";

class RemoteSavingTest : public testing::PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    server_.ServeFolder(::ostrel::testing::FixturePath("images"));
    sfs::create_directories(dir_ / "article/UploadPic/2004-2");
    box_ = std::make_unique<VBProcess>();
    box_->SetAddImageMark(false);
  }
  void TearDown() override {
    server_.Stop();
    box_.reset();
    PageFixture::TearDown();
  }

  std::string Url(std::string_view path) const { return server_.Url(path); }
  bool Save(const std::string& local, const std::string& path) {
    return SaveRemoteFile(*box_, local, Url(path));
  }
  std::string Native(const std::string& virtual_path) const {
    return (dir_ / virtual_path.substr(1)).string();
  }
  std::string Read(const std::string& virtual_path) const {
    return image::testing::ReadBytes(Native(virtual_path));
  }
  // Every file under the site folder, as paths relative to it.
  std::vector<std::string> SiteFiles() const {
    std::vector<std::string> files;
    for (const auto& e : sfs::recursive_directory_iterator(dir_)) {
      if (e.is_regular_file() && e.path().filename() != "site.db") {
        files.push_back(sfs::relative(e.path(), dir_).generic_string());
      }
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  testing::FetchLimitsGuard limits_;
  testing::HttpServer server_;
  std::unique_ptr<VBProcess> box_;
};

TEST_F(RemoteSavingTest, SizeBounds) {
  // GIF files of exactly n bytes (only their leading bytes are checked).
  auto gif = [](size_t n) { return "GIF89a" + std::string(n - 6, 'x'); };
  for (size_t n : {99, 100, 10240, 10241}) {
    server_.Route("/" + std::to_string(n) + ".gif", HttpAnswer::Page(gif(n), "image/gif"));
  }
  HttpAnswer unannounced = HttpAnswer::Page(gif(10241), "image/gif");
  unannounced.chunked = true;
  server_.Route("/chunked.gif", unannounced);

  EXPECT_FALSE(Save("/article/UploadPic/a.gif", "/99.gif"));
  EXPECT_FALSE(sfs::exists(Native("/article/UploadPic/a.gif")));
  EXPECT_TRUE(Save("/article/UploadPic/a.gif", "/100.gif"));
  EXPECT_EQ(Read("/article/UploadPic/a.gif"), gif(100));

  box_->SetMaxSize(10);
  EXPECT_FALSE(Save("/article/UploadPic/b.gif", "/10241.gif"));
  EXPECT_FALSE(Save("/article/UploadPic/b.gif", "/chunked.gif"));
  EXPECT_FALSE(sfs::exists(Native("/article/UploadPic/b.gif")));
  EXPECT_TRUE(Save("/article/UploadPic/b.gif", "/10240.gif"));
  EXPECT_EQ(Read("/article/UploadPic/b.gif").size(), 10240u);

  // Without a size of its own the fetch cap holds.
  box_->SetMaxSize(0);
  net::SetMaxBodyBytes(4096);
  EXPECT_FALSE(Save("/article/UploadPic/c.gif", "/10240.gif"));
  EXPECT_EQ(SiteFiles(),
            (std::vector<std::string>{"article/UploadPic/a.gif", "article/UploadPic/b.gif"}));
}

TEST_F(RemoteSavingTest, StatusRedirectAndReferer) {
  std::string picture = ::ostrel::testing::ReadFixture("images/photo.jpg");
  server_.Route("/choices.jpg", HttpAnswer::Status(300, picture));
  server_.Route("/moved.jpg", HttpAnswer::Redirect("/photo.jpg"));
  EXPECT_FALSE(Save("/article/UploadPic/a.jpg", "/missing.jpg"));
  EXPECT_TRUE(Save("/article/UploadPic/a.jpg", "/choices.jpg"));
  EXPECT_TRUE(Save("/article/UploadPic/b.jpg", "/moved.jpg"));
  EXPECT_EQ(Read("/article/UploadPic/b.jpg"), picture);
  auto requests = server_.RequestsFor("/moved.jpg");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Header("Referer"), Url("/moved.jpg"));
  // A physical path is written as it stands.
  std::string physical = "C:" + Native("/article/UploadPic/c.jpg");
  EXPECT_TRUE(SaveRemoteFile(*box_, physical, Url("/photo.jpg")));
  EXPECT_EQ(Read("/article/UploadPic/c.jpg"), picture);
}

TEST_F(RemoteSavingTest, AnEarlierFileIsNeverReplaced) {
  std::ofstream(Native("/article/UploadPic/old.jpg")) << "earlier picture";
  EXPECT_FALSE(Save("/article/UploadPic/old.jpg", "/photo.jpg"));
  EXPECT_EQ(Read("/article/UploadPic/old.jpg"), "earlier picture");
}

TEST_F(RemoteSavingTest, OnlyPictureAndMediaNamesAreWritten) {
  box_->SetAllowExt("gif|jpg|jpge|png|asp|php|html|htm|exe");
  for (const char* name : {"x.asp", "x.php", "x.html", "x.htm", "x.exe", "x.jpge", "x", "x.jpg.",
                           "x.jpg?.asp", "x.asp;.jpg/"}) {
    EXPECT_FALSE(Save(std::string("/article/UploadPic/") + name, "/photo.jpg")) << name;
  }
  // A ".." level never reaches the fetch.
  EXPECT_FALSE(Save("/article/UploadPic/../x.jpg", "/photo.jpg"));
  EXPECT_FALSE(Save("/article/UploadPic/..\\..\\x.jpg", "/photo.jpg"));
  EXPECT_EQ(server_.RequestCount(), 0u);

  // The toolbox's own list narrows the set.
  box_->SetAllowExt("gif");
  EXPECT_FALSE(Save("/article/UploadPic/x.jpg", "/photo.jpg"));
  box_->SetAllowExt("GIF|Jpg");
  EXPECT_TRUE(Save("/article/UploadPic/x.JPG", "/photo.jpg"));
  EXPECT_EQ(SiteFiles(), std::vector<std::string>{"article/UploadPic/x.JPG"});
}

TEST_F(RemoteSavingTest, RemoteToLocalSavesEachPictureOnceIntoTheDateFolder) {
  const std::string host = "http://" + server_.Host();
  const std::string html = "<p><img src=\"" + host + "/photo.jpg\"> text <IMG SRC=\"" + host +
                           "/PHOTO.JPG\"><img src='" + host + "/photo.png'></p>";
  std::string out = RemoteToLocal(*box_, html, kFolder);

  // "|UploadPic/2004-2/<name>" per saved picture, in the order found.
  std::regex listed(R"(\|UploadPic/2004-2/(\d+\.jpg)\|UploadPic/2004-2/(\d+\.png))");
  std::smatch names;
  ASSERT_TRUE(std::regex_match(box_->PathFileName, names, listed)) << box_->PathFileName;
  const std::string jpg = std::string(kFolder) + names[1].str();
  const std::string png = std::string(kFolder) + names[2].str();
  EXPECT_EQ(out, "<p><img src=\"" + jpg + "\"> text <IMG SRC=\"" + jpg + "\"><img src='" + png +
                     "'></p>");
  EXPECT_EQ(Read(jpg), ::ostrel::testing::ReadFixture("images/photo.jpg"));
  EXPECT_EQ(Read(png), ::ostrel::testing::ReadFixture("images/photo.png"));
  EXPECT_EQ(server_.RequestsFor("/photo.jpg").size(), 1u);
  EXPECT_EQ(server_.RequestCount(), 2u);

  // A later call adds to the list; one without pictures clears it.
  std::string before = box_->PathFileName;
  RemoteToLocal(*box_, "<img src=\"" + host + "/photo.gif\">", kFolder);
  EXPECT_EQ(box_->PathFileName.substr(0, before.size()), before);
  EXPECT_GT(box_->PathFileName.size(), before.size());
  EXPECT_EQ(RemoteToLocal(*box_, "<img src=\"/local.jpg\">", kFolder), "<img src=\"/local.jpg\">");
  EXPECT_EQ(box_->PathFileName, "");
}

// Fetched a few at once, finishing out of order (the first ones are slow),
// the pictures leave what one after another leaves: the same content up to
// the drawn names, listed and replaced in the same order, each name holding
// the bytes of the picture it replaced; a picture fetched along with the
// content's (a thumbnail) likewise.
TEST_F(RemoteSavingTest, PicturesFetchedTogetherLeaveWhatOneAtATimeLeaves) {
  const std::string host = "http://" + server_.Host();
  std::vector<std::string> bytes;
  for (const char* name : {"photo.gif", "photo.jpg", "photo.png", "photo.bmp", "png-named.jpg"}) {
    bytes.push_back(::ostrel::testing::ReadFixture(std::string("images/") + name));
  }
  bytes[4] = bytes[1] + "another";  // a jpg, not the other one's bytes
  // The thumbnail and the first pictures are the slowest.
  const std::vector<std::string> paths = {"/t/thumb.gif", "/p/0.jpg", "/p/1.png", "/p/2.bmp",
                                          "/p/3.jpg"};
  for (size_t i = 0; i < paths.size(); ++i) {
    HttpAnswer answer = HttpAnswer::Page(bytes[i], "image/x");
    answer.delay_before = std::chrono::milliseconds(i < 3 ? 300 - 100 * i : 0);
    server_.Route(paths[i], answer);
  }
  // p/3 is named twice; a missing picture keeps its address.
  const std::string html = "<img src=\"" + host + "/p/0.jpg\"> <img src=\"" + host +
                           "/p/missing.jpg\"> " + host + "/p/1.png " + host +
                           "/p/2.bmp <img src='" + host + "/p/3.jpg'> " + host + "/P/3.JPG";
  std::regex listed(R"(\|UploadPic/2004-2/(\d+\.\w+))");
  for (size_t at_once : {size_t{1}, kPicturesAtOnce}) {
    box_->PathFileName.clear();
    const std::string thumb = std::string(kFolder) + "thumb" + std::to_string(at_once) + ".gif";
    std::vector<RemotePicture> along{{thumb, host + paths[0]}};
    const std::string out = RemoteToLocal(*box_, html, kFolder, along, at_once);
    EXPECT_TRUE(along[0].saved);
    EXPECT_TRUE(Read(thumb) == bytes[0]);
    std::vector<std::string> names;
    for (std::sregex_iterator m(box_->PathFileName.begin(), box_->PathFileName.end(), listed), end;
         m != end; ++m) {
      names.push_back(std::string(kFolder) + (*m)[1].str());
    }
    ASSERT_EQ(names.size(), 4u) << box_->PathFileName;
    EXPECT_EQ(out, "<img src=\"" + names[0] + "\"> <img src=\"" + host + "/p/missing.jpg\"> " +
                       names[1] + " " + names[2] + " <img src='" + names[3] + "'> " + names[3]);
    for (size_t k = 0; k < names.size(); ++k) {
      EXPECT_TRUE(Read(names[k]) == bytes[k + 1]) << at_once << " " << k;
    }
  }
}

TEST_F(RemoteSavingTest, PicturesNotSavedKeepTheirRemoteAddress) {
  const std::string host = "http://" + server_.Host();
  const std::string html = "<img src=\"" + host +
                           "/missing.jpg\">"
                           "<img src=\"http://intranet.de/pics/a.jpg\">"  // no listed name
                           "<img src=\"" +
                           host + "/photo.bmp\">";
  box_->SetAllowExt("jpg|png");  // bmp is not asked for
  EXPECT_EQ(RemoteToLocal(*box_, html, kFolder), html);
  EXPECT_EQ(box_->PathFileName, "");
  EXPECT_EQ(server_.RequestCount(), 1u);
  EXPECT_EQ(SiteFiles(), std::vector<std::string>{});
}

// With every name of this second taken but one, the first picture gets that
// one and the second is not saved: no earlier file is written over.
TEST_F(RemoteSavingTest, NewNamesNeverRepeatAnExistingFile) {
  vb::DateTime now{vb::DateSerial(2004, 2, 29).serial + vb::TimeSerial(13, 14, 15).serial};
  testing::ClockGuard clock(&now);
  const std::string stamp = "2004229131415";
  for (int n = 100; n <= 999; ++n) {
    if (n != 555) std::ofstream(Native(kFolder + stamp + std::to_string(n) + ".jpg")) << "old";
  }
  const std::string host = "http://" + server_.Host();
  std::string out = RemoteToLocal(
      *box_, "<img src=\"" + host + "/photo.jpg\"><img src=\"" + host + "/png-named.jpg\">",
      kFolder);
  EXPECT_EQ(box_->PathFileName, "|UploadPic/2004-2/" + stamp + "555.jpg");
  EXPECT_EQ(out, "<img src=\"" + std::string(kFolder) + stamp + "555.jpg\"><img src=\"" + host +
                     "/png-named.jpg\">");
  for (int n = 100; n <= 999; ++n) {
    if (n == 555) continue;
    ASSERT_EQ(Read(kFolder + stamp + std::to_string(n) + ".jpg"), "old") << n;
  }
}

TEST_F(RemoteSavingTest, SavedPicturesAreMarkedWhileTheSwitchIsOn) {
  std::string picture = image::testing::EncodePicture(image::Format::kPng, 400, 300,
                                                      [](int, int) { return 0xFFFFFFu; });
  server_.Route("/big/white.png", HttpAnswer::Page(picture, "image/png"));
  box_->PreviewSetting = "1,0,1,0,0,采集,16,#FF0000,Arial,0,images/mark.png,1,0,80,20,4";
  box_->InstallDir = "/";
  const std::string html = "<img src=\"http://" + server_.Host() + "/big/white.png\">";

  RemoteToLocal(*box_, html, kFolder);  // switch off
  std::string plain = std::string(kFolder) + box_->PathFileName.substr(18);
  EXPECT_EQ(Read(plain), picture);

  box_->SetAddImageMark(true);
  box_->PathFileName.clear();
  RemoteToLocal(*box_, html, kFolder);
  std::string marked = std::string(kFolder) + box_->PathFileName.substr(18);
  ASSERT_NE(marked, plain);
  image::testing::Box box =
      image::testing::ChangedBox(image::Picture::Load(Native(marked)), 0xFFFFFF, 0);
  EXPECT_GE(box.x0, 318);
  EXPECT_GE(box.y0, 278);
}

// A site that tries every way to get something written where it wants:
// script and page extensions (the item's list even allows them), climbing
// names, a picture over the size limit, a body that never ends, one that
// stalls, a redirect out of http. Only real picture names land, and only
// inside the channel's folder.
TEST_F(RemoteSavingTest, HostileSiteWritesNothingOutsideTheChannelFolder) {
  const std::string host = "http://" + server_.Host();
  std::string picture = ::ostrel::testing::ReadFixture("images/photo.jpg");
  server_.Route("/evil/shell.asp",
                HttpAnswer::Page("<% Execute(Request(\"c\")) %>" + std::string(200, ' ')));
  server_.Route("/evil/x.php",
                HttpAnswer::Page("<?php system($_GET['c']); ?>" + std::string(200, ' ')));
  server_.Route("/evil/page.html", HttpAnswer::Page(std::string(300, 'h')));
  server_.Route("/evil/..%2f..%2f..%2fescape.jpg", HttpAnswer::Page(picture, "image/jpeg"));
  server_.Route("/evil/big.jpg", HttpAnswer::Huge(20 * 1024));
  server_.Route("/evil/endless.jpg", HttpAnswer::Endless());
  HttpAnswer stalled = HttpAnswer::Stalled();
  stalled.generated_bytes = 1000;  // within the size limit: only the idle time-out ends it
  server_.Route("/evil/stalled.gif", stalled);
  server_.Route("/evil/away.png", HttpAnswer::Redirect("file:///etc/passwd"));
  server_.Route("/evil/good.jpg", HttpAnswer::Page(picture, "image/jpeg"));
  const std::string html =
      "<img src=\"" + host + "/evil/shell.asp\"><img src=\"" + host + "/evil/x.php\">" +
      "<a href=\"" + host + "/evil/page.html\">p</a>" + "<img src=\"" + host +
      "/evil/..%2f..%2f..%2fescape.jpg\">" + "<img src=\"" + host + "/evil/big.jpg\"><img src=\"" +
      host + "/evil/endless.jpg\">" + "<img src=\"" + host + "/evil/stalled.gif\"><img src=\"" +
      host + "/evil/away.png\">" + "<img src=\"" + host + "/evil/good.jpg\">";
  box_->SetAllowExt("gif|jpg|png|asp|php|html");
  box_->SetMaxSize(16);

  std::string out = RemoteToLocal(*box_, html, kFolder);

  std::vector<std::string> files = SiteFiles();
  ASSERT_EQ(files.size(), 2u) << vb::Join(files, " ");
  for (const std::string& file : files) {
    EXPECT_EQ(file.rfind("article/UploadPic/2004-2/", 0), 0u) << file;
    EXPECT_EQ(file.substr(file.size() - 4), ".jpg") << file;
    EXPECT_EQ(image::testing::ReadBytes((dir_ / file).string()), picture);
  }
  // What was not saved keeps its remote address; the scripts were never
  // even fetched.
  for (const char* kept : {"/evil/big.jpg", "/evil/endless.jpg", "/evil/stalled.gif",
                           "/evil/away.png", "/evil/shell.asp", "/evil/x.php"}) {
    EXPECT_NE(out.find(host + kept), std::string::npos) << kept;
  }
  EXPECT_EQ(out.find(host + "/evil/good.jpg"), std::string::npos);
  EXPECT_EQ(server_.RequestsFor("/evil/shell.asp").size(), 0u);
  EXPECT_EQ(server_.RequestsFor("/evil/x.php").size(), 0u);
  EXPECT_EQ(vb::Split(box_->PathFileName, "|").size(), 3u);
}

}  // namespace
}  // namespace ostrel::processing

namespace ostrel::processing {
namespace {

// A file under a picture name is that picture by its leading bytes, or it is
// not written: pages, scripts, error texts and pictures of another kind.
TEST_F(RemoteSavingTest, OnlyWhatTheNameSaysIsSaved) {
  const std::string jpg = ::ostrel::testing::ReadFixture("images/photo.jpg");
  const std::string padding(200, ' ');
  box_->SetAllowExt("gif|jpg|jpeg|png|bmp|swf|psd|fla");
  struct Case {
    const char* name;
    std::string body;
    bool saved;
  };
  const Case cases[] = {
      {"page.jpg", "<html><body>secret</body></html>" + padding, false},
      {"script.gif", "<script>alert(1)</script>" + padding, false},
      {"png.jpg", ::ostrel::testing::ReadFixture("images/photo.png"), false},
      {"jpg.png", jpg, false},
      {"text.bmp", "BM is how this text starts" + padding, true},  // the format's own weak mark
      {"movie.swf", "FWS\x06" + padding, true},
      {"text.swf", "Flash" + padding, false},
      {"photo.jpeg", jpg, true},
      {"photo.bmp", ::ostrel::testing::ReadFixture("images/photo.bmp"), true},
      {"photo.gif", ::ostrel::testing::ReadFixture("images/photo.gif"), true},
  };
  for (const Case& c : cases) {
    server_.Route(std::string("/served/") + c.name, HttpAnswer::Page(c.body, "image/jpeg"));
    const std::string local = std::string(kFolder) + c.name;
    EXPECT_EQ(Save(local, std::string("/served/") + c.name), c.saved) << c.name;
    EXPECT_EQ(sfs::exists(Native(local)), c.saved) << c.name;
  }
}

}  // namespace
}  // namespace ostrel::processing

namespace ostrel::processing {
namespace {

// Addresses are replaced in the order found, each wherever it stands: one
// that begins another is replaced inside it too, and an address that holds
// another (the slow road) gives the same as the others.
TEST_F(RemoteSavingTest, AddressesInsideOthersAreReplacedInTheOrderFound) {
  const std::string host = "http://" + server_.Host();
  const std::string jpg = ::ostrel::testing::ReadFixture("images/photo.jpg");
  server_.Route("/x/p.jpg", HttpAnswer::Page(jpg, "image/jpeg"));
  server_.Route("/x/p.jpg.jpg", HttpAnswer::Page(jpg, "image/jpeg"));
  server_.Route("/r/" + server_.Host() + "/x/p.jpg", HttpAnswer::Page(jpg, "image/jpeg"));
  std::regex listed(R"(\|UploadPic/2004-2/(\d+\.jpg)\|UploadPic/2004-2/(\d+\.jpg))");
  std::smatch names;
  for (const std::string& second : {host + "/x/p.jpg.jpg", host + "/r/" + host + "/x/p.jpg"}) {
    box_->PathFileName.clear();
    const std::string html = "<img src=\"" + host + "/x/p.jpg\"> <img src=\"" + second + "\">";
    std::string out = RemoteToLocal(*box_, html, kFolder);
    ASSERT_TRUE(std::regex_match(box_->PathFileName, names, listed)) << box_->PathFileName;
    const std::string first = std::string(kFolder) + names[1].str();
    std::string expected_second = second;
    expected_second.replace(expected_second.find(host + "/x/p.jpg"), host.size() + 8, first);
    EXPECT_EQ(out, "<img src=\"" + first + "\"> <img src=\"" + expected_second + "\">") << second;
  }
}

}  // namespace
}  // namespace ostrel::processing
