#include "platform/text/regexp.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/vb/vb_error.h"

using ostrel::text::MatchCollection;
using ostrel::text::RegExp;
using ostrel::vb::VbError;

namespace {

RegExp Make(std::string pattern, bool ignore_case = false, bool global = false) {
  RegExp re;
  re.Pattern = std::move(pattern);
  re.IgnoreCase = ignore_case;
  re.Global = global;
  return re;
}

// Restores the process-wide limits when a test changed them.
class LimitsGuard {
 public:
  LimitsGuard() : saved_(RegExp::GetLimits()) {}
  ~LimitsGuard() { RegExp::SetLimits(saved_); }

 private:
  RegExp::Limits saved_;
};

}  // namespace

TEST(RegExpDialect, DotMatchesCarriageReturnButNotLineFeed) {
  EXPECT_TRUE(Make("a.b").Test("a\rb"));
  EXPECT_FALSE(Make("a.b").Test("a\nb"));
  // A marker pair cuts only within one line: pages are flattened first.
  EXPECT_FALSE(Make("(<b>)(.+?)(</b>)").Test("<b>x\ny</b>"));
  EXPECT_TRUE(Make("(<b>)(.+?)(</b>)").Test("<b>x\ry</b>"));
  // A negated class takes line breaks.
  EXPECT_EQ(Make("<(.[^>]*)>", true, true).Replace("a<p\nclass=x>b<\nc>", ""), "ab<\nc>");
}

TEST(RegExpDialect, LazyGroupTakesShortestPieceOfAtLeastOneCharacter) {
  MatchCollection m = Make("(<li>)(.+?)(</li>)", true, true).Execute("<li>one</li><LI>two</LI>");
  ASSERT_EQ(m.Count(), 2);
  EXPECT_EQ(m.Item(0).Value(), "<li>one</li>");
  EXPECT_EQ(m.Item(0).SubMatches(1), "one");
  EXPECT_EQ(m.Item(1).SubMatches(0), "<LI>");
  EXPECT_EQ(m.Item(1).SubMatchCount(), 3);
  // The end marker directly after the start one cannot close an empty piece.
  m = Make("(\\[)(.+?)(\\])").Execute("[]x] [y]");
  ASSERT_EQ(m.Count(), 1);
  EXPECT_EQ(m.Item(0).Value(), "[]x]");
  EXPECT_FALSE(Make("(\\[)(.+?)(\\])").Test("[]"));
}

TEST(RegExpDialect, BracesAreQuantifiersOrLiterals) {
  EXPECT_EQ(Make("a{2,3}").Execute("aaaa").Item(0).Value(), "aaa");
  EXPECT_EQ(Make("x{2}").Execute("xxx").Item(0).Length(), 2);
  EXPECT_TRUE(Make("abc{1}").Test("abc"));
  // Not quantifier syntax: matched as they stand.
  EXPECT_TRUE(Make("<td>{title}</td>").Test("<td>{title}</td>"));
  EXPECT_TRUE(Make("a{").Test("a{"));
  EXPECT_TRUE(Make("a{x,}").Test("a{x,}"));
  EXPECT_TRUE(Make("}").Test("}"));
}

TEST(RegExpDialect, ClassEscapesAreAscii) {
  RegExp link = Make("((src=|href=)((\\S)+[.]{1}(gif|jpg)))", true, true);
  MatchCollection m = link.Execute("<img SRC=/a/b.GIF alt=x><a href='c.jpg'>");
  ASSERT_EQ(m.Count(), 2);
  EXPECT_EQ(m.Item(0).Value(), "SRC=/a/b.GIF");
  EXPECT_EQ(m.Item(1).Value(), "href='c.jpg");
  // The ideographic space is no "\s"; \S therefore runs through it.
  EXPECT_FALSE(Make("\\s").Test("中\xE3\x80\x80文"));
  EXPECT_FALSE(Make("\\w").Test("中文"));
  EXPECT_TRUE(Make("\\u4E2D\\x41").Test("中A"));
}

TEST(RegExpDialect, IgnoreCaseCoversLatinAndLeavesChineseAsIs) {
  EXPECT_TRUE(Make("ÉCOLE", true).Test("une école"));
  EXPECT_FALSE(Make("ÉCOLE", false).Test("une école"));
  EXPECT_TRUE(Make("ＡＢＣ", true).Test("ａｂｃ"));
  EXPECT_TRUE(Make("(新闻)(.+?)(列表)", true).Test("新闻ABC列表"));
  EXPECT_FALSE(Make("(新闻)(.+?)(列表)", true).Test("新闻列表"));
  EXPECT_EQ(Make("<DIV>中文", true).Execute("<div>中文").Item(0).Value(), "<div>中文");
}

TEST(RegExpDialect, AnchorsMatchOnlyAtTheEndsOfTheText) {
  EXPECT_TRUE(Make("abc$").Test("xabc"));
  EXPECT_FALSE(Make("abc$").Test("abc\n"));
  EXPECT_FALSE(Make("^b").Test("a\nb"));
  EXPECT_EQ(Make("^a", false, true).Replace("aaa", "b"), "baa");
  RegExp lines = Make("^b$");
  lines.Multiline = true;
  EXPECT_TRUE(lines.Test("a\nb\nc"));
}

TEST(RegExpDialect, PositionsCountUtf16Units) {
  MatchCollection m = Make("abc", false, true).Execute("中文abc，再来abc");
  ASSERT_EQ(m.Count(), 2);
  EXPECT_EQ(m.Item(0).FirstIndex(), 2);
  EXPECT_EQ(m.Item(1).FirstIndex(), 8);
  EXPECT_EQ(m.Item(1).ByteOffset(), std::string("中文abc，再来").size());
  EXPECT_EQ(Make("文.b").Execute("中文abc").Item(0).Length(), 3);
  // A character outside the basic plane is two units, as VB counts it.
  m = Make("x").Execute("\xF0\xA0\x80\x80x");
  EXPECT_EQ(m.Item(0).FirstIndex(), 2);
  EXPECT_EQ(Make(".").Execute("\xF0\xA0\x80\x80").Item(0).Length(), 2);
}

TEST(RegExpDialect, GlobalDecidesBetweenFirstAndEveryMatch) {
  EXPECT_EQ(Make("o").Replace("foo boo", "0"), "f0o boo");
  EXPECT_EQ(Make("o", false, true).Replace("foo boo", "0"), "f00 b00");
  EXPECT_EQ(Make("o").Execute("foo").Count(), 1);
  EXPECT_EQ(Make("o", false, true).Execute("foo").Count(), 2);
  EXPECT_EQ(Make("z", false, true).Execute("foo").Count(), 0);
  EXPECT_EQ(Make("z", false, true).Replace("foo", "y"), "foo");
  // Non-overlapping, left to right.
  EXPECT_EQ(Make("aa", false, true).Replace("aaaaa", "b"), "bba");
}

TEST(RegExpDialect, ReplacementExpandsGroupsAndLeavesTheRestLiteral) {
  RegExp swap = Make("(\\d+)-(\\d+)", false, true);
  EXPECT_EQ(swap.Replace("1-2 30-40", "$2-$1"), "2-1 40-30");
  EXPECT_EQ(swap.Replace("1-2", "[$&]"), "[1-2]");
  EXPECT_EQ(swap.Replace("1-2", "$$1 $0 $3 $x $"), "$1 $0 $3 $x $");
  EXPECT_EQ(swap.Replace("1-2", "$10"), "10");  // no group 10: group 1, then "0"
  EXPECT_EQ(swap.Replace("1-2", "$01"), "1");
  EXPECT_EQ(swap.Replace("1-2", "\\1 &lt;%"), "\\1 &lt;%");
  EXPECT_EQ(Make("(a)|(b)", false, true).Replace("ab", "[$1$2]"), "[a][b]");
  MatchCollection m = Make("(a)|(b)").Execute("b");
  EXPECT_EQ(m.Item(0).SubMatches(0), "");
  EXPECT_EQ(m.Item(0).SubMatches(1), "b");
}

TEST(RegExpDialect, EmptyMatchesAdvanceOneCharacter) {
  EXPECT_EQ(Make("a*", false, true).Replace("baaa", "-"), "-b--");
  MatchCollection m = Make("x*", false, true).Execute("中a文");
  ASSERT_EQ(m.Count(), 4);
  EXPECT_EQ(m.Item(1).FirstIndex(), 1);
  EXPECT_EQ(m.Item(3).FirstIndex(), 3);
  EXPECT_EQ(Make("", false, true).Replace("中文", "|"), "|中|文|");
  EXPECT_EQ(Make("(<!--(.+?)-->)", true, true).Replace("a<!--x--><!---->b", ""), "a<!---->b");
}

TEST(RegExpDialect, InvalidPatternRaisesSyntaxError) {
  RegExp re = Make("(abc");  // setting the pattern does not fail
  try {
    re.Execute("abc");
    FAIL() << "no error";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), 5017);
    EXPECT_NE(e.description().find("Syntax error in regular expression"), std::string::npos);
  }
  EXPECT_THROW(re.Test("abc"), VbError);
  EXPECT_THROW(re.Replace("abc", ""), VbError);
  EXPECT_THROW(Make("a**").Test("a"), VbError);
  EXPECT_THROW(Make("[a").Test("a"), VbError);
}

TEST(RegExpDialect, CollectionIndexesAreChecked) {
  MatchCollection m = Make("(a)").Execute("a");
  EXPECT_THROW(m.Item(1), VbError);
  EXPECT_THROW(m.Item(-1), VbError);
  EXPECT_THROW(m.Item(0).SubMatches(1), VbError);
}

TEST(RegExpDialect, InvalidUtf8InTheSubjectIsSkippedNotFatal) {
  std::string s =
      "a\xFF\xFE"
      "b\xE4";
  MatchCollection m = Make("b").Execute(s);
  ASSERT_EQ(m.Count(), 1);
  EXPECT_EQ(m.Item(0).FirstIndex(), 3);
  EXPECT_FALSE(Make("a.b").Test(s));
  EXPECT_EQ(Make("x*", false, true).Execute(s).Count(), 6);
}

TEST(RegExpLimits, CatastrophicBacktrackingEndsAsNoMatch) {
  std::string s(50000, 'a');
  s += 'b';
  RegExp re = Make("(a+)+$");
  EXPECT_FALSE(re.Test(s));
  EXPECT_EQ(re.Execute(s).Count(), 0);
  EXPECT_EQ(re.Replace(s, "x"), s);
}

TEST(RegExpLimits, WholePageLazyCutWorksAndMissingMarkerGivesNoMatch) {
  std::string page = "<div class=\"content\">" + std::string(10 * 1024 * 1024, 'x');
  RegExp cut = Make("(<div class=\"content\">)(.+?)(</div>)");
  EXPECT_EQ(cut.Execute(page).Count(), 0);
  page += "</div>";
  MatchCollection m = cut.Execute(page);
  ASSERT_EQ(m.Count(), 1);
  EXPECT_EQ(m.Item(0).SubMatches(1).size(), 10u * 1024 * 1024);
}

TEST(RegExpLimits, LimitHitKeepsEarlierWorkAndLeavesTheRest) {
  LimitsGuard guard;
  RegExp::Limits tight;
  tight.match_limit = 20000;
  RegExp::SetLimits(tight);
  // A lazy piece longer than the limit allows is not found.
  std::string long_piece = "[" + std::string(100000, 'x') + "]";
  EXPECT_FALSE(Make("(\\[)(.+?)(\\])").Test(long_piece));
  // Replacement stops at the search that hit the limit.
  std::string s = "b b " + std::string(40, 'x') + " b";
  RegExp re = Make("(x+x+)+y|b", false, true);
  EXPECT_EQ(re.Replace(s, "B"), "B B " + std::string(40, 'x') + " b");
  EXPECT_EQ(re.Execute(s).Count(), 2);

  RegExp::SetLimits(RegExp::Limits{});
  EXPECT_TRUE(Make("(\\[)(.+?)(\\])").Test(long_piece));
}

TEST(RegExpCache, SharedPatternsMatchCorrectlyFromManyThreads) {
  std::vector<std::thread> threads;
  std::vector<int> found(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &found] {
      std::string text;
      for (int i = 0; i < 200; ++i) text += "<a>" + std::to_string(t * 1000 + i) + "</a>";
      for (int round = 0; round < 50; ++round) {
        RegExp re = Make("(<A>)(.+?)(</A>)", true, true);
        MatchCollection m = re.Execute(text);
        if (m.Count() == 200 && m.Item(199).SubMatches(1) == std::to_string(t * 1000 + 199)) {
          ++found[t];
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(found[t], 50) << "thread " << t;
}
