// Links made absolute against the page they were found on, inside gathered
// content, and typed-in addresses tidied.
#include "processing/url_fixing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text/regexp.h"

namespace ostrel::processing {
namespace {

constexpr const char* kPage = "http://www.site.cn/a/b/c.htm";
constexpr const char* kDefaultExt = "gif|jpg|jpge|png|bmp|swf|fla|psd";

TEST(FormatRemoteUrl, ResolvesAgainstThePage) {
  EXPECT_EQ(FormatRemoteUrl(kPage, "/x.gif"), "http://www.site.cn/x.gif");
  EXPECT_EQ(FormatRemoteUrl(kPage, "../x.gif"), "http://www.site.cn/a/x.gif");
  EXPECT_EQ(FormatRemoteUrl(kPage, "../../x.gif"), "http://www.site.cn/x.gif");
  EXPECT_EQ(FormatRemoteUrl(kPage, "../../../x.gif"), "http://www.site.cn/x.gif");
  EXPECT_EQ(FormatRemoteUrl(kPage, "x.gif"), "http://www.site.cn/a/b/x.gif");
  EXPECT_EQ(FormatRemoteUrl(kPage, "./x.gif"), "http://www.site.cn/a/b/x.gif");
  EXPECT_EQ(FormatRemoteUrl(kPage, "HTTPS://other.com/y.jpg"), "HTTPS://other.com/y.jpg");
  EXPECT_EQ(FormatRemoteUrl(kPage, "ftp://f.org/z.zip"), "ftp://f.org/z.zip");
  EXPECT_EQ(FormatRemoteUrl(kPage, "mms://m.tv/s"), "mms://m.tv/s");
}

TEST(FormatRemoteUrl, APageAddressOfAHostAloneIsItsRootFolder) {
  EXPECT_EQ(FormatRemoteUrl("http://host", "x.htm"), "http://host/x.htm");
  EXPECT_EQ(FormatRemoteUrl("http://www.site.cn", "x.htm"), "http://www.site.cn/x.htm");
  EXPECT_EQ(FormatRemoteUrl("http://host", "./x.htm"), "http://host/x.htm");
  EXPECT_EQ(FormatRemoteUrl("http://host", "../x.htm"), "http://host/x.htm");
  EXPECT_EQ(FormatRemoteUrl("http://host", "/x.htm"), "http://host/x.htm");
  EXPECT_EQ(FormatRemoteUrl("http://host/", "x.htm"), "http://host/x.htm");
  EXPECT_EQ(FormatRemoteUrl("http://127.0.0.1:8081", "list.html"),
            "http://127.0.0.1:8081/list.html");
  // Texts that are no host alone keep the page-folder rule: up to the last
  // "/", or nothing before the link when there is none.
  EXPECT_EQ(FormatRemoteUrl("x/y", "z.htm"), "x/z.htm");
  EXPECT_EQ(FormatRemoteUrl("ab", "z.htm"), "z.htm");
  EXPECT_EQ(FormatRemoteUrl("http://", "z.htm"), "http://z.htm");
}

TEST(FormatRemoteUrl, LengthGuardsCountCharacters) {
  EXPECT_EQ(FormatRemoteUrl(kPage, "x"), "");
  EXPECT_EQ(FormatRemoteUrl("h", "x.gif"), "");
  EXPECT_EQ(FormatRemoteUrl(kPage, std::string(256, 'a')), "");
  EXPECT_EQ(FormatRemoteUrl(kPage, std::string(255, 'a')),
            "http://www.site.cn/a/b/" + std::string(255, 'a'));
  // 200 Chinese characters are 200, not 600.
  std::string chinese;
  for (int i = 0; i < 200; ++i) chinese += "图";
  EXPECT_EQ(FormatRemoteUrl(kPage, chinese), "http://www.site.cn/a/b/" + chinese);
}

TEST(FormatRemoteUrl, CleansBothTexts) {
  EXPECT_EQ(FormatRemoteUrl(kPage, "..\\img\\x.gif"), "http://www.site.cn/a/img/x.gif");
  EXPECT_EQ(FormatRemoteUrl(kPage, "x|y.gif"), "http://www.site.cn/a/b/xy.gif");
  EXPECT_EQ(FormatRemoteUrl(kPage, " 'x.gif\" "), "http://www.site.cn/a/b/x.gif");
  EXPECT_EQ(FormatRemoteUrl(kPage, "x\r\n.gif"), "http://www.site.cn/a/b/x.gif");
  EXPECT_EQ(FormatRemoteUrl("\"http://www.site.cn\\a\\c.htm\"", "x.gif"),
            "http://www.site.cn/a/x.gif");
}

std::string Fix(const std::string& content, bool& found, const char* ext = kDefaultExt) {
  return FormatContentUrl(content, kPage, ext, found);
}

TEST(FormatContentUrl, MakesRelativePictureLinksAbsolute) {
  bool found = false;
  EXPECT_EQ(Fix("<img src=\"pic/a.jpg\"><a href='../b.GIF'>b</a><img src=/c.png>", found),
            "<img src=\"http://www.site.cn/a/b/pic/a.jpg\">"
            "<a href='http://www.site.cn/a/b.GIF'>b</a><img src=http://www.site.cn/c.png>");
  EXPECT_TRUE(found);

  // Found in two letter cases, fixed in both; a query after the name stays.
  found = false;
  EXPECT_EQ(
      Fix("<img src=\"a.jpg?v=2\"> <IMG SRC=\"A.JPG\">", found),
      "<img src=\"http://www.site.cn/a/b/a.jpg?v=2\"> <IMG SRC=\"http://www.site.cn/a/b/a.jpg\">");
}

TEST(FormatContentUrl, LeavesAbsoluteLinksButNotesThePicture) {
  bool found = false;
  const std::string content = "<img src=\"http://x.com/a.jpg\"><a href=page.htm>p</a>";
  EXPECT_EQ(Fix(content, found), content);
  EXPECT_TRUE(found);

  // No picture link: the flag is neither set nor cleared.
  found = false;
  EXPECT_EQ(Fix("<a href=page.htm>p</a>", found), "<a href=page.htm>p</a>");
  EXPECT_FALSE(found);
  found = true;
  Fix("plain text", found);
  EXPECT_TRUE(found);
}

// A short relative link must not be rewritten inside a longer link that
// ends the same way, whichever of the two comes first.
TEST(FormatContentUrl, RewritesOnlyWholeLinks) {
  bool found = false;
  EXPECT_EQ(Fix("<img src=\"a.gif\"><img src=\"images/a.gif\">", found),
            "<img src=\"http://www.site.cn/a/b/a.gif\">"
            "<img src=\"http://www.site.cn/a/b/images/a.gif\">");
  EXPECT_EQ(Fix("<img src=\"images/a.gif\"><img src=\"a.gif\">", found),
            "<img src=\"http://www.site.cn/a/b/images/a.gif\">"
            "<img src=\"http://www.site.cn/a/b/a.gif\">");
  // Text that merely mentions the name elsewhere is not a link.
  EXPECT_EQ(Fix("<img src=a.gif> see a.gifs and xa.gif", found),
            "<img src=http://www.site.cn/a/b/a.gif> see a.gifs and xa.gif");
}

TEST(FormatContentUrl, EdgeResults) {
  bool found = false;
  // A relative link too long to fix leaves nothing in its place.
  std::string long_link(260, 'n');
  EXPECT_EQ(Fix("<img src=\"" + long_link + ".jpg\">", found), "<img src=\"\">");
  // Extensions outside the list are not picture links.
  found = false;
  EXPECT_EQ(Fix("<img src=\"a.tif\">", found), "<img src=\"a.tif\">");
  EXPECT_FALSE(found);
  // Each listed extension stands for its own characters, signs of the
  // expression syntax and bytes that are no UTF-8 included.
  EXPECT_EQ(Fix("<img src=\"a.jpg\"><a href=b.c++>", found, "jpg|(|c++"),
            "<img src=\"http://www.site.cn/a/b/a.jpg\"><a href=http://www.site.cn/a/b/b.c++>");
  EXPECT_TRUE(found);
  EXPECT_EQ(ContentLinks("src=a.jpxg src=b.jp.g src=c.gif", "jp.g|\xFF|gif"),
            (std::vector<std::string>{"src=b.jp.g", "src=c.gif"}));
}

TEST(ContentLinks, FindsWhatTheExpressionFindsOverTheWholePage) {
  // Pieces that sit near the edges of a link: cases, quotes, blanks of every
  // kind, the long s, invalid UTF-8, "=" runs, links run together.
  const std::vector<std::string> pieces = {"<img src=\"a.gif\">",
                                           "<IMG SRC='b/c.JPG'>",
                                           "href=x.png",
                                           "HREF=../y.Bmp ",
                                           "src=",
                                           "href=",
                                           "=",
                                           "==",
                                           "src==z.gif",
                                           "ſrc=l.gif",
                                           "\xC5",
                                           "\xBF",
                                           "\xFF",
                                           "\t",
                                           "\n",
                                           "\r\n",
                                           "\v",
                                           "\f",
                                           " ",
                                           "\xC2\xA0",
                                           "中文",
                                           "s",
                                           "rc",
                                           "h",
                                           "ref",
                                           ".gif",
                                           ".",
                                           "x",
                                           "src=a.gif.png",
                                           "hrefsrc=q.jpg",
                                           "srchref=r.gif",
                                           "http://h/p.gif"};
  std::vector<std::string> pages;
  uint32_t seed = 7;
  for (int n = 0; n < 400; ++n) {
    std::string page;
    for (int k = 0; k < 12; ++k) {
      seed = seed * 1103515245u + 12345u;
      page += pieces[(seed >> 16) % pieces.size()];
    }
    pages.push_back(page);
  }
  for (const char* ext : {kDefaultExt, "", "gif|", "GIF|Png"}) {
    text::RegExp re;
    re.Pattern = "((src=|href=)((\\S)+[.]{1}(" + std::string(ext) + ")))";
    re.IgnoreCase = true;
    re.Global = true;
    for (const std::string& page : pages) {
      std::vector<std::string> whole;
      for (const text::Match& m : re.Execute(page)) whole.push_back(m.Value());
      EXPECT_EQ(ContentLinks(page, ext), whole) << page;
    }
  }
}

TEST(FormatUrl, TidiesTypedAddresses) {
  EXPECT_EQ(FormatUrl(" www.site.cn/soft/ "), "http://www.site.cn/soft/");
  EXPECT_EQ(FormatUrl("ftp://f.org/x.zip"), "ftp://f.org/x.zip");
  EXPECT_EQ(FormatUrl("'http://a.com/\tb\r\n\"'"), "http://a.com/b");
  EXPECT_EQ(FormatUrl(""), "");
  EXPECT_EQ(FormatUrl("   "), "");
  EXPECT_EQ(FormatUrl("HTTP://"), "");
  EXPECT_EQ(FormatUrl(std::string(255, 'a')), "");
  EXPECT_EQ(FormatUrl(std::string(254, 'a')), "http://" + std::string(254, 'a'));
}

}  // namespace
}  // namespace ostrel::processing
