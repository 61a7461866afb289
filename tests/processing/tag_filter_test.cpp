#include "processing/tag_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ostrel::processing {
namespace {

// A removal list with the given flags on (24 entries, as items store them).
std::string Flags(const std::vector<int>& on) {
  std::string list;
  for (int i = 0; i < 24; ++i) {
    bool set = std::find(on.begin(), on.end(), i) != on.end();
    list += (i ? "|" : "") + std::string(set ? "1" : "0");
  }
  return list;
}

const std::string kPage =
    "<div class=\"c\"><script>var a=1;</script><iframe src=\"x\"></iframe>"
    "<font color=red>red</font><a href=\"/n\">link</a><img src=\"p.jpg\">"
    "<table><tbody><tr><td>cell</td></tr></tbody></table></div>";

TEST(Html2UbbTest, ShortListMeansScriptsAndFramesOnly) {
  const std::string expected =
      "<div class=\"c\"><font color=red>red</font><a href=\"/n\">link</a><img src=\"p.jpg\">"
      "<table><tr><td>cell</td></tr></table></div>";
  EXPECT_EQ(Html2Ubb(kPage), expected);
  EXPECT_EQ(Html2Ubb(kPage, ""), expected);
  // Exactly 20 characters is still too short: the default list applies, not
  // the flags it holds.
  const std::string twenty = "0|0|0|0|0|1|0|0|0|0|";
  ASSERT_EQ(twenty.size(), 20u);
  EXPECT_EQ(Html2Ubb(kPage, twenty), expected);
}

TEST(Html2UbbTest, EachFlagRemovesItsFamily) {
  EXPECT_EQ(Html2Ubb(kPage, Flags({4, 5, 7, 8})),
            "<script>var a=1;</script><iframe src=\"x\"></iframe>red"
            "link<table><tr><td>cell</td></tr></table>");
  EXPECT_EQ(Html2Ubb(kPage, Flags({0, 11, 12, 13})),
            "<div class=\"c\"><iframe src=\"x\"></iframe><font color=red>red</font>"
            "<a href=\"/n\">link</a><img src=\"p.jpg\">cell</div>");
  EXPECT_EQ(Html2Ubb("<SCRIPT>x</SCRIPT>y", Flags({0})), "y");
}

TEST(Html2UbbTest, PassesFindTheirTagsInAnyCase) {
  // Caseless matching takes the long s for "s".
  EXPECT_EQ(Html2Ubb("a<\xC5\xBF" "cript>x</Script>b", Flags({0})), "ab");
  EXPECT_EQ(Html2Ubb("<sPaN x>a</SpAn><TbOdY>b</tBoDy><%c%>", Flags({6})), "ab&lt;%c%&gt;");
  // A tag that a pass before it joined together is found too.
  EXPECT_EQ(Html2Ubb("<<script>x</script>span>a<<script></script>/tbody>", Flags({0, 6})), "a");
}

TEST(Html2UbbTest, OnlyAnEntryOfOneSwitchesOn) {
  std::string list = Flags({});
  list.replace(list.find('0', 10), 1, "2");  // entry 5 = 2
  list.replace(list.find('0', 14), 1, "-1");
  EXPECT_EQ(Html2Ubb("<font x>a</font><a y>b</a>", list), "<font x>a</font><a y>b</a>");
}

TEST(Html2UbbTest, OpenEndedPatternsTakeLongerNamesButNoText) {
  // "<A" also takes AREA tags; a bare "<a>" goes alone and its text stays.
  EXPECT_EQ(Html2Ubb("<area shape=x>m<a>x</a>y", Flags({7})), "mxy");
  EXPECT_EQ(Html2Ubb("<tr>a</tr><track src=t>", Flags({12})), "a");
}

TEST(Html2UbbTest, BareTagsKeepTheirText) {
  struct Case {
    const char* html;
    std::vector<int> flags;
    const char* text;
  };
  const Case cases[] = {
      {"<div>abc</div>", {4}, "abc"},
      {"<font>x</font>", {5}, "x"},
      {"<span>s</span>", {6}, "s"},
      {"<a>link</a>", {7}, "link"},
      {"<img>after", {8}, "after"},
      {"<form>f</form>", {9}, "f"},
      {"<table><tr><td>1</td><th>2</th></tr></table>", {11, 12, 13, 14}, "12"},
      {"<div>a<div id=x>b</div></div><a>c</a><a href=y>d</a>", {4, 7}, "abcd"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Html2Ubb(c.html, Flags(c.flags)), c.text) << c.html;
  }
}

TEST(Html2UbbTest, EveryTagFlagStillEscapesScriptBrackets) {
  EXPECT_EQ(Html2Ubb("<p>5 %> 3</p><b>a<%b", Flags({10})), "5 %&gt; 3a&lt;%b");
}

TEST(Html2UbbTest, FixedCleanUpAlwaysRuns) {
  EXPECT_EQ(Html2Ubb("a\tb\r\nc<!---->d<!-- x -->e<TBODY>f</tbody><%=x%>", Flags({})),
            "abcdef&lt;%=x%&gt;");
}

TEST(Html2UbbTest, BadEntryStopsBeforeTheFixedCleanUp) {
  // 21 characters but only 11 entries: flags 0 to 10 run, then it stops.
  const std::string short_list = "0|0|0|0|0|1|0|0|0|0|1";
  ASSERT_EQ(short_list.size(), 21u);
  EXPECT_EQ(Html2Ubb("<b>a</b>\t<%", short_list), "a\t<%");
  // An entry that is no number stops at that flag: earlier flags applied.
  std::string list = Flags({4, 8});
  list.replace(list.find('0', 12), 1, "x");  // entry 6
  EXPECT_EQ(Html2Ubb("<div a>1</div><span b>2</span><img c>\t", list),
            "1<span b>2</span><img c>\t");
  EXPECT_EQ(Html2Ubb("", Flags({10})), "");
}

// A page of nested tags that never close until its very end: every family
// ends within its limits.
TEST(Html2UbbTest, NestedUnclosedTags) {
  std::string page = "x";
  while (page.size() < (10 << 20)) page += "<div <span <a <table <tr <td <font ";
  page += ">";
  EXPECT_EQ(Html2Ubb(page, Flags({4, 5, 6, 7, 8, 9, 11, 12, 13, 14})), "x");
  page.pop_back();
  EXPECT_EQ(Html2Ubb(page, Flags({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14})).size(),
            page.size());
}

TEST(ReplaceClassTest, RulesApplyInOrder) {
  EXPECT_EQ(ReplaceClass("国内新闻", "国内|国际$$$国际|环球"), "环球新闻");
  EXPECT_EQ(ReplaceClass(" a-b ", "a|x$$$-b|"), " x ");  // blanks kept, empty "to" deletes
  EXPECT_EQ(ReplaceClass("abc", "a|x|y$$$b"), "xbc");    // extra parts ignored
}

TEST(ReplaceClassTest, ShortListsAndRules) {
  EXPECT_EQ(ReplaceClass("  name  ", "ab"), "name");
  EXPECT_EQ(ReplaceClass("", "a|b"), "");
  // A rule of two characters and a rule without "|" change nothing.
  EXPECT_EQ(ReplaceClass("a|b", "a|$$$abc$$$ab"), "a|b");
  EXPECT_EQ(ReplaceClass("abc", "ab|$$$xyz"), "c");
  EXPECT_EQ(ReplaceClass("abc", "ab$$$ac"), "abc");
  EXPECT_EQ(ReplaceClass("ABC", "abc|x"), "ABC");  // exact case
}

// Rules that double the text each time stop at the rule that would take it
// past the bound: "a" doubled 20 times is 1 MiB, the 21st doubling and the
// rules after it do not run.
TEST(ReplaceClassTest, GrowthIsBounded) {
  std::string list;
  for (int k = 0; k < 40; ++k) list += "a|aa$$$";
  EXPECT_EQ(ReplaceClass("a", list + "aa|b"), std::string(kReplaceClassFloor, 'a'));
}

}  // namespace
}  // namespace ostrel::processing
