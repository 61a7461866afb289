#include "processing/files_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include "platform/asp/request_context.h"
#include "platform/vb/datetime.h"
#include "platform/vb/vb_error.h"
#include "platform/xml/dom_factory.h"
#include "processing/page_fixture.h"
#include "support/error_of.h"

namespace ostrel::processing {
namespace {

namespace sfs = std::filesystem;
using testing::At;
using testing::ErrorOf;

// A second of the clock no earlier test has used: names handed out in one
// second are remembered for the process.
vb::DateTime FreshSecond() {
  static int used = 0;
  return vb::DateAdd("s", ++used, At(2010, 1, 1, 0, 0, 0));
}

// The clock part of a random name: the fields without padding.
std::string StampOf(vb::DateTime t) {
  std::string s;
  for (int32_t part :
       {vb::Year(t), vb::Month(t), vb::Day(t), vb::Hour(t), vb::Minute(t), vb::Second(t)}) {
    s += std::to_string(part);
  }
  return s;
}

// A page request whose site root is the fixture's temporary folder, with
// helpers to name the same places natively and in Windows form.
class FilesFoldersTest : public testing::PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    host_ = component::HostObjects::Take();
  }
  void TearDown() override {
    clock_.reset();
    xml::ResetDomDocumentInstalled();
    PageFixture::TearDown();
  }

  // Holds the clock at now until the next call or the end of the test.
  void SetNow(vb::DateTime now) { clock_.emplace(now); }

  std::string Win(const std::string& rel = "") const {
    std::string path = "C:" + SiteRootNative() + (rel.empty() ? "" : "/" + rel);
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  }
  std::string Native(const std::string& rel) const { return SiteRootNative() + "/" + rel; }
  void Write(const std::string& rel, const std::string& bytes) const {
    sfs::create_directories(sfs::path(Native(rel)).parent_path());
    std::ofstream(Native(rel), std::ios::binary) << bytes;
  }
  bool Exists(const std::string& rel) const { return sfs::exists(Native(rel)); }
  bool IsFolder(const std::string& rel) const { return sfs::is_directory(Native(rel)); }

  component::HostObjects host_;
  std::optional<testing::ClockGuard> clock_;
};

// ---- Paths and names ----------------------------------------------------------

TEST_F(FilesFoldersTest, CheckMapPathPhysicalAndVirtual) {
  EXPECT_EQ(CheckMapPath(host_, "D:/up//pic"), "D:\\up\\pic\\");
  EXPECT_EQ(CheckMapPath(host_, "D:/up//pic", false), "D:\\up\\pic");
  EXPECT_EQ(CheckMapPath(host_, "  /article//UploadPic  "), Win("article\\UploadPic\\"));
  EXPECT_EQ(CheckMapPath(host_, "\\article\\\\x"), Win("article\\x\\"));
  // "" is the folder of the current page (/admin/...).
  EXPECT_EQ(CheckMapPath(host_, ""), Win("admin\\"));
  EXPECT_EQ(CheckMapPath(host_, "/", false), Win());
}

TEST_F(FilesFoldersTest, CheckMapPathSkipsAFailingMapping) {
  // Refused by the mapping (above the site root): the text stays unmapped,
  // which no later file call takes for a physical path.
  std::string refused = CheckMapPath(host_, "../../etc");
  EXPECT_EQ(refused.find(':'), std::string::npos);
  EXPECT_EQ(refused.back(), '\\');
  // A toolbox made outside a page has no Server; physical paths still work.
  component::HostObjects none;
  EXPECT_EQ(CheckMapPath(none, "C:/a"), "C:\\a\\");
  EXPECT_EQ(CheckMapPath(none, "up/pic"), "up/pic\\");
}

TEST_F(FilesFoldersTest, BuildDatePathForms) {
  SetNow(At(2005, 11, 9, 8, 5, 3));
  const char* expected[] = {"",         "2005-11/",   "2005_11/",  "200511/", "2005/",
                            "2005/11/", "2005/11/9/", "20051109/", "200511/", "2005-11/"};
  for (int16_t form = 0; form <= 9; ++form) {
    EXPECT_EQ(BuildDatePath(form), expected[form]) << form;
  }
  EXPECT_EQ(BuildDatePath(10), "");
  EXPECT_EQ(BuildDatePath(-1), "");
  SetNow(At(2005, 3, 4, 0, 0, 0));
  EXPECT_EQ(BuildDatePath(7), "20050304/");
  EXPECT_EQ(BuildDatePath(1), "2005-3/");
  EXPECT_EQ(BuildDatePath(3), "200503/");
  EXPECT_EQ(BuildDatePath(6), "2005/3/4/");
}

TEST_F(FilesFoldersTest, GetFileExtNameAndCheckPath) {
  EXPECT_EQ(GetFileExtName("a.b.GIF"), "GIF");
  EXPECT_EQ(GetFileExtName("readme"), "readme");
  EXPECT_EQ(GetFileExtName("name."), "");
  EXPECT_EQ(GetFileExtName("http://x.cn/a/pic.jpg"), "jpg");
  EXPECT_EQ(ErrorOf([] { GetFileExtName(""); }), vb::kErrSubscript);

  EXPECT_EQ(CheckPath(" C:\\temp "), "C:\\temp\\");
  EXPECT_EQ(CheckPath("C:\\temp\\"), "C:\\temp\\");
  EXPECT_EQ(CheckPath(""), "");
  EXPECT_EQ(CheckPath("   "), "");
}

// ---- Random file names --------------------------------------------------------

TEST_F(FilesFoldersTest, RandomNameIsTheClockAndANumber) {
  SetNow(At(2005, 11, 9, 8, 5, 3));
  std::string name = GetRndFileName("jpg");
  ASSERT_EQ(name.size(), std::string("2005119853417.jpg").size()) << name;
  EXPECT_EQ(name.substr(0, 10), "2005119853");
  int n = std::stoi(name.substr(10, 3));
  EXPECT_GE(n, 100);
  EXPECT_LE(n, 999);
  EXPECT_EQ(name.substr(13), ".jpg");
}

TEST_F(FilesFoldersTest, RandomNamesNeverRepeatWithinOneSecond) {
  SetNow(FreshSecond());
  std::set<std::string> names;
  for (int i = 0; i < 900; ++i) names.insert(GetRndFileName("gif"));
  EXPECT_EQ(names.size(), 900u);  // every number of the second, each once
}

TEST_F(FilesFoldersTest, RandomNameInFolderSkipsExistingFiles) {
  vb::DateTime now = FreshSecond();
  SetNow(now);
  const std::string stamp = StampOf(now);
  // Every number but 777 is taken by an earlier picture.
  sfs::create_directories(Native("pics"));
  for (int n = 100; n <= 999; ++n) {
    if (n != 777) std::ofstream(Native("pics/" + stamp + std::to_string(n) + ".jpg")) << "old";
  }
  EXPECT_EQ(GetRndFileNameIn(Win("pics"), "jpg"), stamp + "777.jpg");
  // Nothing left in this second: a clear error, no name of an existing file.
  std::ofstream(Native("pics/" + stamp + "777.jpg")) << "old";
  EXPECT_EQ(ErrorOf([&] { GetRndFileNameIn(Win("pics") + "\\", "jpg"); }), vb::kErrFileExists);
  // Another extension is another set of names.
  EXPECT_EQ(GetRndFileNameIn(Win("pics"), "png").substr(0, stamp.size()), stamp);
}

TEST_F(FilesFoldersTest, RandomNameInFolderRefusesExtensionsThatAreNoName) {
  SetNow(FreshSecond());
  for (const char* ext : {"jpg\\..\\..\\evil", "jpg/x", "", "a*", "asp:x"}) {
    EXPECT_EQ(ErrorOf([&] { GetRndFileNameIn(Win(), ext); }), 52) << ext;
  }
}

// ---- Folders ------------------------------------------------------------------

TEST_F(FilesFoldersTest, FolderExistsCountsFilesAndRaisesForAMissingDrive) {
  Write("up/a.txt", "x");
  EXPECT_TRUE(FolderExists(Win("up")));
  EXPECT_TRUE(FolderExists(Win("up") + "\\"));
  EXPECT_TRUE(FolderExists(Win("up\\a.txt")));  // a file counts too
  EXPECT_FALSE(FolderExists(Win("down")));
  EXPECT_FALSE(FolderExists(""));
  EXPECT_FALSE(FolderExists("/up"));  // no drive: never mapped here
  EXPECT_EQ(ErrorOf([] { FolderExists("Q:\\nothing"); }), 52);
}

TEST_F(FilesFoldersTest, CreatedPathExMakesEveryLevelBelowTheRoot) {
  EXPECT_TRUE(CreatedPathEx(host_, "/article/UploadPic/2005-11/"));
  EXPECT_TRUE(IsFolder("article/UploadPic/2005-11"));
  EXPECT_TRUE(CreatedPathEx(host_, "/article/UploadPic/2005-11/"));  // already there

  // Physical, mixed separators, several levels.
  EXPECT_TRUE(CreatedPathEx(host_, Win("phys") + "/a//b\\c"));
  EXPECT_TRUE(IsFolder("phys/a/b/c"));
  EXPECT_TRUE(CreatedPathEx(host_, "C:"));  // shorter than 3 characters
}

TEST_F(FilesFoldersTest, CreatedPathExTakesTheRootOnlyAsWholeLevels) {
  // A sibling whose name starts with the root's name is not under the root:
  // its levels are made where the path names them.
  const std::string sibling = SiteRootNative() + "-sib";
  EXPECT_TRUE(CreatedPathEx(host_, Win() + "-sib\\x\\y"));
  EXPECT_TRUE(sfs::is_directory(sibling + "/x/y"));
  EXPECT_FALSE(Exists("x"));
  EXPECT_FALSE(Exists("-sib"));
  sfs::remove_all(sibling);
}

TEST_F(FilesFoldersTest, CreatedPathExRefusesClimbingAndBlockedPaths) {
  EXPECT_FALSE(CreatedPathEx(host_, Win("a\\..\\..\\escaped\\b")));
  EXPECT_FALSE(sfs::exists(sfs::path(SiteRootNative()).parent_path() / "escaped"));
  EXPECT_FALSE(Exists("a"));
  // The virtual form is refused by the mapping itself.
  EXPECT_FALSE(CreatedPathEx(host_, "/../escaped2/"));
  // A file where a folder must go.
  Write("blocked", "x");
  EXPECT_FALSE(CreatedPathEx(host_, "/blocked/inner"));
  EXPECT_FALSE(Exists("blocked/inner"));
}

TEST_F(FilesFoldersTest, CreatedPathExNeverCreatesTheWebRoot) {
  // A page whose site root is missing: nothing is created, the root included.
  const std::string missing = SiteRootNative() + "/no-root";
  asp::RequestContext other(context_->Request, context_->Response,
                            std::make_shared<asp::Server>("C:" + missing, "/a.asp"),
                            context_->Session, context_->Application);
  component::HostObjects host;
  {
    asp::ContextScope scope(other);
    host = component::HostObjects::Take();
  }
  EXPECT_FALSE(CreatedPathEx(host, "/x/y"));
  EXPECT_FALSE(sfs::exists(missing));
}

TEST_F(FilesFoldersTest, VbCreatPathExRewritesAndCreates) {
  std::string path = "/article//UploadPic/2006/";
  EXPECT_TRUE(vbCreatPathEx(host_, path));
  EXPECT_EQ(path, Win("article\\UploadPic\\2006\\"));
  EXPECT_TRUE(IsFolder("article/UploadPic/2006"));

  std::string blank = "   ";
  EXPECT_FALSE(vbCreatPathEx(host_, blank));
  std::string missing_drive = "Q:/a/b";
  EXPECT_FALSE(vbCreatPathEx(host_, missing_drive));
  EXPECT_EQ(missing_drive, "Q:\\a\\b");  // rewritten even when it fails
  std::string climbing = Win("a\\..\\..\\escaped3");
  EXPECT_FALSE(vbCreatPathEx(host_, climbing));
  EXPECT_FALSE(sfs::exists(sfs::path(SiteRootNative()).parent_path() / "escaped3"));
}

// ---- Files --------------------------------------------------------------------

TEST_F(FilesFoldersTest, DeleteFilesWithWildcards) {
  Write("lists/1.dat", "a");
  Write("lists/2.dat", "b");
  Write("lists/keep.txt", "c");
  Write("lists/ro.dat", "d");
  chmod(Native("lists/ro.dat").c_str(), 0444);
  EXPECT_FALSE(DeleteFiles(Win("lists\\*.dat"), false));  // the read-only one stops it
  EXPECT_TRUE(Exists("lists/ro.dat"));
  EXPECT_TRUE(DeleteFiles(Win("lists\\*.dat")));  // force by default
  EXPECT_FALSE(Exists("lists/1.dat"));
  EXPECT_FALSE(Exists("lists/2.dat"));
  EXPECT_FALSE(Exists("lists/ro.dat"));
  EXPECT_TRUE(Exists("lists/keep.txt"));
  EXPECT_FALSE(DeleteFiles(Win("lists\\*.dat")));  // nothing matches
  EXPECT_FALSE(DeleteFiles("lists\\keep.txt"));    // no drive
}

TEST_F(FilesFoldersTest, DeleteFoldersWithWildcards) {
  Write("work/tmp1/a.txt", "a");
  Write("work/tmp2/sub/b.txt", "b");
  Write("work/keep/c.txt", "c");
  EXPECT_TRUE(DeleteFolders(Win("work\\tmp*")));
  EXPECT_FALSE(Exists("work/tmp1"));
  EXPECT_FALSE(Exists("work/tmp2"));
  EXPECT_TRUE(Exists("work/keep/c.txt"));
  EXPECT_FALSE(DeleteFolders(Win("work\\tmp*")));
}

TEST_F(FilesFoldersTest, MovesNeverReplace) {
  Write("m/a.txt", "first");
  Write("m/b.txt", "second");
  EXPECT_FALSE(MoveFiles(Win("m\\a.txt"), Win("m\\b.txt")));
  EXPECT_TRUE(Exists("m/a.txt"));
  EXPECT_TRUE(Exists("m/b.txt"));
  EXPECT_TRUE(MoveFiles(Win("m\\a.txt"), Win("m\\c.txt")));
  EXPECT_FALSE(Exists("m/a.txt"));
  EXPECT_TRUE(Exists("m/c.txt"));
  // A move that fails is not reported as done.
  EXPECT_FALSE(MoveFiles(Win("m\\missing.txt"), Win("m\\d.txt")));

  Write("f1/x.txt", "x");
  Write("f2/y.txt", "y");
  EXPECT_FALSE(MoveFolders(Win("f1"), Win("f2")));
  EXPECT_TRUE(Exists("f1/x.txt"));
  EXPECT_TRUE(MoveFolders(Win("f1"), Win("f3")));
  EXPECT_TRUE(Exists("f3/x.txt"));
  EXPECT_FALSE(MoveFolders(Win("f1"), Win("f4")));  // source gone
}

TEST_F(FilesFoldersTest, FindFileSize) {
  Write("s/pic.jpg", std::string(1234, 'x'));
  EXPECT_EQ(FindFileSize(" " + Win("s\\pic.jpg") + " "), 1234);
  EXPECT_EQ(FindFileSize(Win("s\\*.jpg")), 1234);
  EXPECT_EQ(FindFileSize(Win("s\\missing.jpg")), 0);
  EXPECT_EQ(FindFileSize("Q:\\x"), 0);
  EXPECT_EQ(FindFileSize(""), 0);
  EXPECT_EQ(GetFileInfo(vb::Variant(Win("s\\pic.jpg"))).file_name, "pic.jpg");
  EXPECT_EQ(GetFileInfo(vb::Variant(Win("s\\none"))).file_attributes, 0u);
}

// ---- XML documents ------------------------------------------------------------

TEST_F(FilesFoldersTest, DomDocumentsFallBackThroughVersions) {
  ASSERT_NE(CreateXML2DOM(), nullptr);
  xml::SetDomDocumentInstalled("MSXML2.DOMDocument.4.0", false);
  xml::SetDomDocumentInstalled("MSXML2.DOMDocument.3.0", false);
  xml::SetDomDocumentInstalled("MSXML2.DOMDocument.2.6", false);
  auto doc = CreateXML2DOM();
  ASSERT_NE(doc, nullptr);
  EXPECT_FALSE(doc->free_threaded());
  xml::SetDomDocumentInstalled("MSXML2.DOMDocument", false);
  EXPECT_EQ(CreateXML2DOM(), nullptr);

  // The free-threaded set is its own.
  auto free_doc = CreateXMLDOM();
  ASSERT_NE(free_doc, nullptr);
  EXPECT_TRUE(free_doc->free_threaded());
  for (std::string_view id : xml::kFreeThreadedDomDocumentProgIds) {
    xml::SetDomDocumentInstalled(id, false);
  }
  EXPECT_EQ(CreateXMLDOM(), nullptr);
}

TEST_F(FilesFoldersTest, CreateXMLDocumentWritesOrRaises) {
  sfs::create_directories(Native("xml"));
  EXPECT_TRUE(CreateXMLDocument(host_, "<root><a>1</a></root>", "/xml/site.xml"));
  std::ifstream in(Native("xml/site.xml"));
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("<a>1</a>"), std::string::npos);

  EXPECT_FALSE(CreateXMLDocument(host_, "<root><a></root>", Win("xml\\bad.xml")));
  EXPECT_FALSE(Exists("xml/bad.xml"));

  EXPECT_EQ(ErrorOf([&] { CreateXMLDocument(host_, "<r/>", Win("nofolder\\x.xml")); }), 76);
  EXPECT_EQ(ErrorOf([&] { CreateXMLDocument(host_, "<r/>", "/../x.xml"); }), 5);
  for (std::string_view id : xml::kDomDocumentProgIds) xml::SetDomDocumentInstalled(id, false);
  EXPECT_EQ(ErrorOf([&] { CreateXMLDocument(host_, "<r/>", "/xml/none.xml"); }),
            vb::kErrObjectNotSet);
  EXPECT_FALSE(Exists("xml/none.xml"));
}

}  // namespace
}  // namespace ostrel::processing
