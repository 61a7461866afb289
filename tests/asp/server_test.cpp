#include "platform/asp/server.h"

#include <gtest/gtest.h>

#include "platform/vb/vb_error.h"

namespace ostrel::asp {
namespace {

const Server kServer("C:\\srv\\ostrel\\site", "/admin/Admin_ArticleGather.asp");

TEST(ServerTest, MapPathFromTheSiteRootAndFromThePageFolder) {
  EXPECT_EQ(kServer.MapPath("/article/UploadPic/"), "C:\\srv\\ostrel\\site\\article\\UploadPic\\");
  EXPECT_EQ(kServer.MapPath("/article/UploadPic"), "C:\\srv\\ostrel\\site\\article\\UploadPic");
  EXPECT_EQ(kServer.MapPath("tmpNewslist3.dat"), "C:\\srv\\ostrel\\site\\admin\\tmpNewslist3.dat");
  EXPECT_EQ(kServer.MapPath("."), "C:\\srv\\ostrel\\site\\admin");
  EXPECT_EQ(kServer.MapPath(""), "C:\\srv\\ostrel\\site\\admin");
  EXPECT_EQ(kServer.MapPath("../article/a.jpg"), "C:\\srv\\ostrel\\site\\article\\a.jpg");
  EXPECT_EQ(kServer.MapPath("\\article\\.\\x\\..\\y\\"), "C:\\srv\\ostrel\\site\\article\\y\\");
  EXPECT_EQ(kServer.MapPath("/a//b"), "C:\\srv\\ostrel\\site\\a\\b");
}

TEST(ServerTest, TheRootMapsWithoutATrailingBackslash) {
  EXPECT_EQ(kServer.MapPath("/"), "C:\\srv\\ostrel\\site");
  EXPECT_EQ(kServer.MapPath(".."), "C:\\srv\\ostrel\\site");
  EXPECT_EQ(Server("C:\\srv\\site\\", "/x.asp").MapPath("/a/"), "C:\\srv\\site\\a\\");
  EXPECT_EQ(Server("C:\\", "/x.asp").MapPath("/a"), "C:\\a");
}

TEST(ServerTest, MapPathRefusesToLeaveTheSiteRoot) {
  for (const char* path : {"../..", "/..", "../../etc/passwd", "/a/../../b", "..\\..\\x"}) {
    try {
      kServer.MapPath(path);
      ADD_FAILURE() << path;
    } catch (const vb::VbError& e) {
      EXPECT_EQ(e.number(), 5) << path;
      EXPECT_NE(e.description().find("leaves the site root"), std::string::npos);
    }
  }
  EXPECT_THROW(kServer.MapPath("D:\\data"), vb::VbError);
  EXPECT_THROW(kServer.MapPath("/a:b"), vb::VbError);
}

TEST(ServerTest, HTMLEncodeEncodesExactlyFourCharacters) {
  EXPECT_EQ(Server::HTMLEncode("<a href=\"x\">R&D '采集'</a>"),
            "&lt;a href=&quot;x&quot;&gt;R&amp;D '采集'&lt;/a&gt;");
}

TEST(ServerTest, URLEncodeUsesTheCodePage) {
  EXPECT_EQ(kServer.URLEncode("a b-c_d.e/中"), "a+b%2Dc%5Fd%2Ee%2F%D6%D0");
  EXPECT_EQ(Server("C:\\s", "/x.asp", "UTF-8").URLEncode("中"), "%E4%B8%AD");
}

}  // namespace
}  // namespace ostrel::asp
