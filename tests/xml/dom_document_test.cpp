#include "platform/xml/dom_document.h"

#include <gtest/gtest.h>

#include "platform/text/charset.h"
#include "platform/vb/vb_error.h"
#include "platform/xml/dom_factory.h"
#include "support/drive_folder.h"
#include "support/error_of.h"

using namespace ostrel::xml;

namespace {

using ostrel::testing::ErrorOf;

// D: is a fresh folder for each test.
class DomTest : public ::testing::Test {
 protected:
  ~DomTest() override { ResetDomDocumentInstalled(); }

  ostrel::testing::DriveFolder dir_;
};

TEST_F(DomTest, SaveWritesTheDeclaredEncodingAndLoadReadsItBack) {
  DomDocument doc;
  ASSERT_TRUE(
      doc.loadXML("<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<site name=\"采集\"><title>新闻 "
                  "&amp; 文章 😀</title>"
                  "<!-- 注释 --></site>"));
  EXPECT_EQ(doc.parseError().errorCode, 0);
  doc.save("D:\\out.xml");
  std::string bytes = dir_.Read("out.xml");
  EXPECT_EQ(bytes, "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n" +
                       ostrel::text::ToAnsi("<site name=\"采集\"><title>新闻 &amp; 文章 ") +
                       "&#128512;</title>" + ostrel::text::ToAnsi("<!-- 注释 --></site>\r\n"));

  DomDocument again;
  ASSERT_TRUE(again.load("d:/out.xml"));
  EXPECT_EQ(again.documentElement().nodeName(), "site");
  EXPECT_EQ(again.selectSingleNode("/site/title").text(), "新闻 & 文章 😀");
  EXPECT_EQ(again.xml(), doc.xml());
}

TEST_F(DomTest, WithoutDeclarationTheFileIsUtf8) {
  DomDocument doc;
  ASSERT_TRUE(doc.loadXML("<a>中文</a>"));
  doc.save("D:\\u.xml");
  EXPECT_EQ(dir_.Read("u.xml"), "<a>中文</a>\r\n");
  dir_.Write("bom.xml", "\xEF\xBB\xBF<a>中文</a>");
  DomDocument bom;
  ASSERT_TRUE(bom.load("D:\\bom.xml"));
  EXPECT_EQ(bom.documentElement().text(), "中文");
}

TEST_F(DomTest, Utf16FilesCarryTheirByteOrderMark) {
  DomDocument doc;
  ASSERT_TRUE(doc.loadXML("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>文</a>"));
  doc.save("D:\\w.xml");
  std::string bytes = dir_.Read("w.xml");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  DomDocument again;
  ASSERT_TRUE(again.load("D:\\w.xml"));
  EXPECT_EQ(again.documentElement().text(), "文");
}

TEST_F(DomTest, ParseErrorsLeaveAnEmptyDocument) {
  DomDocument doc;
  ASSERT_TRUE(doc.loadXML("<ok/>"));
  EXPECT_FALSE(doc.loadXML("<a>\n  <b></a>"));
  EXPECT_NE(doc.parseError().errorCode, 0);
  EXPECT_FALSE(doc.parseError().reason.empty());
  EXPECT_EQ(doc.parseError().line, 2);
  EXPECT_TRUE(doc.documentElement().IsNothing());
  EXPECT_EQ(doc.xml(), "");

  EXPECT_FALSE(doc.loadXML(""));
  EXPECT_FALSE(doc.loadXML("<a/><b/>"));
  EXPECT_FALSE(doc.loadXML("text<a/>"));
  EXPECT_FALSE(doc.load("D:\\missing.xml"));
  EXPECT_NE(doc.parseError().errorCode, 0);
  dir_.Write("odd.xml", "<?xml version=\"1.0\" encoding=\"x-no-such\"?><a/>");
  EXPECT_FALSE(doc.load("D:\\odd.xml"));
  ASSERT_TRUE(doc.loadXML("<ok/>"));
  EXPECT_EQ(doc.parseError().errorCode, 0);
}

TEST_F(DomTest, FailedSaveRaisesAndKeepsTheOldFile) {
  dir_.Write("keep.xml", "<old/>");
  DomDocument doc;
  ASSERT_TRUE(doc.loadXML("<new/>"));
  EXPECT_EQ(ErrorOf([&] { doc.save("D:\\missing\\x.xml"); }), 76);
  EXPECT_EQ(ErrorOf([&] { doc.save("relative.xml"); }), 76);
  dir_.MakeFolder("keep.xml.d");
  EXPECT_NE(ErrorOf([&] { doc.save("D:\\keep.xml.d"); }), 0);
  EXPECT_EQ(dir_.Read("keep.xml"), "<old/>");
  DomDocument odd;
  ASSERT_TRUE(odd.loadXML("<?xml version=\"1.0\" encoding=\"x-no-such\"?><a/>"));
  EXPECT_EQ(ErrorOf([&] { odd.save("D:\\keep.xml"); }), 5);
  EXPECT_EQ(dir_.Read("keep.xml"), "<old/>");
}

TEST_F(DomTest, BuildAndSelectNodes) {
  DomDocument doc;
  DomNode root = doc.appendChild(doc.createElement("items"));
  for (const char* name : {"一", "二"}) {
    DomNode item = root.appendChild(doc.createElement("item"));
    item.set_text(name);
  }
  EXPECT_EQ(doc.xml(), "<items><item>一</item><item>二</item></items>\r\n");
  std::vector<DomNode> items = doc.selectNodes("//item");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].text(), "二");
  EXPECT_EQ(root.selectSingleNode("item").xml(), "<item>一</item>");
  EXPECT_TRUE(doc.selectSingleNode("//none").IsNothing());
  EXPECT_EQ(ErrorOf([&] { doc.selectNodes("//["); }), 5);
  EXPECT_EQ(ErrorOf([&] { doc.createElement("bad name"); }), 5);
  EXPECT_EQ(ErrorOf([&] { doc.appendChild(doc.createElement("second")); }), 5);
  EXPECT_EQ(ErrorOf([&] { DomNode().text(); }), 91);
}

TEST_F(DomTest, VersionsCanBeMarkedNotInstalled) {
  for (std::string_view id : kDomDocumentProgIds) {
    std::shared_ptr<DomDocument> doc = CreateDomDocument(id);
    ASSERT_TRUE(doc) << id;
    EXPECT_FALSE(doc->free_threaded());
  }
  EXPECT_TRUE(CreateDomDocument("msxml2.freethreadeddomdocument.4.0")->free_threaded());
  EXPECT_FALSE(CreateDomDocument("MSXML2.DOMDocument.5.5"));

  SetDomDocumentInstalled("MSXML2.DOMDocument.4.0", false);
  SetDomDocumentInstalled("msxml2.domdocument.3.0", false);
  EXPECT_FALSE(CreateDomDocument("MSXML2.DOMDocument.4.0"));
  EXPECT_FALSE(CreateDomDocument("MSXML2.DOMDocument.3.0"));
  EXPECT_TRUE(CreateDomDocument("MSXML2.DOMDocument.2.6"));
  EXPECT_TRUE(CreateDomDocument("MSXML2.FreeThreadedDOMDocument.4.0"));
  SetDomDocumentInstalled("MSXML2.DOMDocument.4.0", true);
  EXPECT_TRUE(CreateDomDocument("MSXML2.DOMDocument.4.0"));
}

}  // namespace
