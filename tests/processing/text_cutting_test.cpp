#include "processing/text_cutting.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/text/regexp.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/marker_pattern.h"

namespace ostrel::processing {
namespace {

std::string Text(const vb::Variant& v) { return vb::CStr(v); }

TEST(EscapeRegExpTest, EscapesMetacharactersButNotBraces) {
  EXPECT_EQ(EscapeRegExp("a\\b"), "a\\\\b");  // the backslash is not escaped twice
  EXPECT_EQ(EscapeRegExp("<a href=\"x.html\">"), "\\<a href\\=\"x\\.html\"\\>");
  EXPECT_EQ(EscapeRegExp("~!@#%^&*()-+[]<>./?=|$"),
            "\\~\\!\\@\\#\\%\\^\\&\\*\\(\\)\\-\\+\\[\\]\\<\\>\\.\\/\\?\\=\\|\\$");
  EXPECT_EQ(EscapeRegExp("{2},:'\"中"), "{2},:'\"中");
}

TEST(FindMatchTest, KeepsDistinctCutsInFirstSpelling) {
  std::string list =
      "<a href=\"/a.html\">A</a><a href=\"/b.html\">B</a><A HREF=\"/A.HTML\">A</A>"
      "<a href=\"/a.html\">again</a>";
  EXPECT_EQ(FindMatch(list, "<a href=\"", "\">"), "/a.html|||/b.html");
  // The upper-case duplicate was matched, but the exact-case markers are
  // stripped only where they are spelled as given.
  EXPECT_EQ(FindMatch("<A HREF=\"/x\"><a href=\"/y\">", "<a href=\"", "\">"), "<A HREF=\"/x|||/y");
  EXPECT_EQ(FindMatch(list, "<a href=\"", "\">", true),
            "<a href=\"/a.html\">|||<a href=\"/b.html\">");
}

TEST(FindMatchTest, EmptyOrMissingMarkersGiveNothing) {
  EXPECT_EQ(FindMatch("<b>x</b>", "", "</b>"), "");
  EXPECT_EQ(FindMatch("<b>x</b>", "<b>", ""), "");
  EXPECT_EQ(FindMatch("<b>x</b>", "<i>", "</i>"), "");
  // The cuts lie on one line: a line feed inside ends the search there.
  EXPECT_EQ(FindMatch("<b>x\ny</b>", "<b>", "</b>"), "");
}

TEST(CutFixedTest, SearchesWithLetterCase) {
  EXPECT_EQ(CutFixed("<TITLE>News</TITLE>", "<title>", "</title>"), "");
  EXPECT_EQ(CutFixed("<title>News</title><title>Two</title>", "<title>", "</title>"), "News");
  EXPECT_EQ(CutFixed("x<title> News </title>", "<title>", "</title>", true),
            "<title> News </title>");
  EXPECT_EQ(CutFixed("x <b>a</b> ", "x", " ", true), "x <b>a</b>");  // trimmed
}

TEST(CutFixedTest, NeverYieldsAnEmptyCut) {
  // Where the end code follows the begin code at once, the match runs on to
  // the next end code.
  EXPECT_EQ(CutFixed("<b></b>x</b>", "<b>", "</b>"), "</b>x");
  EXPECT_EQ(CutFixed("<b></b>", "<b>", "</b>"), "");
}

TEST(CutFixedTest, MarkersAreLiteralExceptBraces) {
  EXPECT_EQ(CutFixed("a.b(x)c", "a.b(", ")c"), "x");
  EXPECT_EQ(CutFixed("axb(x)c", "a.b(", ")c"), "");
  // A digit in braces after a character repeats it; the lengths of the
  // markers as written are cut off the match.
  EXPECT_EQ(CutFixed("<xx>inner</xx>", "<x{2}>", "</xx>", true), "<xx>inner</xx>");
  EXPECT_EQ(CutFixed("<xxx>inner!</xx>", "<x{3}>", "</xx>"), "nner!");
  EXPECT_EQ(CutFixed("<xx>a</xx>", "<x{2}>", "</xx>"), "");  // less than nothing left
  EXPECT_EQ(CutFixed("{abc}x{/abc}", "{abc}", "{/abc}"), "x");
}

// A cut is read a stretch of 64 KiB at a time: an end code across a
// stretch's edge, a cut of several stretches and a line feed far from the
// begin code must come out as from one search.
TEST(CutFixedTest, LongCutsAcrossStretches) {
  for (size_t length : {65533u, 65534u, 65535u, 65536u, 65537u, 200000u}) {
    std::string inner(length, 'x');
    EXPECT_EQ(CutFixed("<b>" + inner + "</b>tail</b>", "<b>", "</b>"), inner) << length;
  }
  std::string far(70000, 'x');
  // The first begin code has a line feed before any end code: the next line's
  // pair is the cut.
  EXPECT_EQ(CutFixed("<b>" + far + "\n<b>y</b>", "<b>", "</b>"), "y");
  EXPECT_EQ(CutFixed("<b>" + far + "\n" + far + "</b>", "<b>", "</b>"), "");
  EXPECT_EQ(CutFixed("<b>" + far, "<b>", "</b>"), "");
}

TEST(CutFixedTest, BadRepeatCountGivesNothing) {
  EXPECT_EQ(CutFixed("aaa", "a{2,1}", "a"), "");
  EXPECT_EQ(FindMatch("aaa", "a{2,1}", "a"), "");
}

TEST(ReplaceTrimTest, DropsControlCharactersOneByOne) {
  EXPECT_EQ(ReplaceTrim("a\rb\nc\r\nd\te\bf\x0Bg"), "abcdef\x0Bg");
  EXPECT_EQ(ReplaceTrim("中\n文"), "中文");
  // Comments stay unless asked for.
  EXPECT_EQ(ReplaceTrim("a<!-- x -->b"), "a<!-- x -->b");
}

TEST(ReplaceTrimTest, RemovesCommentsOnceFlattened) {
  EXPECT_EQ(ReplaceTrim("a<!-- one\r\ntwo -->b<!--x-->c", true), "abc");
  // An empty comment is a comment of its own: the text after it stays.
  EXPECT_EQ(ReplaceTrim("a<!---->b<p>keep</p><!-- c -->d", true), "ab<p>keep</p>d");
  EXPECT_EQ(ReplaceTrim("a<!--b", true), "a<!--b");
  EXPECT_EQ(ReplaceTrim("<!--A--><!--B-->", true), "");
}

TEST(CheckMatchTest, RemovesEveryBlockWithoutRegardToCase) {
  EXPECT_EQ(CheckMatch("a<ad>1</ad>b<AD>2</AD>c", "<ad>", "</ad>"), "abc");
  // Only the CR LF pair is removed first; a lone line feed ends a block.
  EXPECT_EQ(CheckMatch("a<ad>1\r\n2</ad>b", "<ad>", "</ad>"), "ab");
  EXPECT_EQ(CheckMatch("a<ad>1\n2</ad>b\r", "<ad>", "</ad>"), "a<ad>1\n2</ad>b\r");
}

TEST(CheckMatchTest, EmptyInputs) {
  EXPECT_EQ(CheckMatch("", "<a>", "</a>"), "");
  EXPECT_EQ(CheckMatch("x\r\ny", "", "</a>"), "x\r\ny");
  EXPECT_EQ(CheckMatch("x\r\ny", "<a>", ""), "x\r\ny");
}

TEST(CheckHTMLTest, RemovesTags) {
  EXPECT_EQ(CheckHTML("<p class=\"a\">标题<br/>text</p>"), "标题text");
  EXPECT_EQ(CheckHTML("a <\nb> c"), "a <\nb> c");  // "<" then a line feed starts no tag
  EXPECT_EQ(CheckHTML("1 < 2"), "1 < 2");
  EXPECT_EQ(CheckHTML("<>>x"), "x");  // the character after "<" may be ">"
  EXPECT_EQ(CheckHTML(""), "");
}

TEST(CutFixationTest, Modes) {
  const std::string s = "head[s]one[e]mid[s]two[e]tail";
  EXPECT_EQ(Text(CutFixation(s, "[s]", "[e]", 1)), "[s]one[e]");
  EXPECT_EQ(Text(CutFixation(s, "[s]", "[e]", 2)), "one[e]mid[s]two[e]tail");
  EXPECT_EQ(Text(CutFixation(s, "[s]", "[e]", 3)), "[s]one[e]mid[s]two[e]tail");
  EXPECT_EQ(Text(CutFixation(s, "[s]", "[e]", 4)), "head[s]one[e]mid[s]");
  EXPECT_EQ(Text(CutFixation(s, "[s]", "[e]", 5)), "head[s]one[e]mid");
  EXPECT_EQ(Text(CutFixation(s, "[s]", "[e]", 6)), "head[s]");
  EXPECT_EQ(Text(CutFixation(s, "[s]", "[e]", 7)), "[s]two[e]tail");
  EXPECT_EQ(Text(CutFixation(s, "[s]", "[e]", 8)), "head");
  EXPECT_EQ(Text(CutFixation(s, "[s]", "[e]", 9)), "s]two[e]tail");
  EXPECT_EQ(Text(CutFixation(s, "[s]", "[e]", 0)), "one");
  EXPECT_EQ(Text(CutFixation(s, "[s]", "[e]", -3)), "one");
  EXPECT_EQ(Text(CutFixation(s, "[s]", "[e]", 10)), "one");
  EXPECT_EQ(Text(CutFixation("中文起点正文终点", "起点", "终点", 0)), "正文");
}

TEST(CutFixationTest, BothMarkersAreRequired) {
  for (int16_t mode = 0; mode <= 10; ++mode) {
    EXPECT_EQ(Text(CutFixation("a[s]b", "[s]", "[e]", mode)), "") << mode;
    EXPECT_EQ(Text(CutFixation("a[e]b", "[s]", "[e]", mode)), "") << mode;
  }
  // The cut at last is made after the cut at start; without a last there it
  // is skipped.
  EXPECT_EQ(Text(CutFixation("x[e]y[s]z", "[s]", "[e]", 1)), "[s]z");
  EXPECT_EQ(Text(CutFixation("x[e]y[s]z", "[s]", "[e]", 0)), "z");
  EXPECT_EQ(Text(CutFixation("a[s]b[E]", "[s]", "[e]", 0)), "");  // exact case
}

// The literal scan must find exactly what the regular expression finds.
// Pages and markers are drawn from fragments that probe its edges: letter
// case, line feeds, the two characters outside ASCII that match "k" and "s"
// without regard to case, multi-byte text, overlapping markers.
TEST(MarkerPatternTest, LiteralScanAgreesWithRegExp) {
  const std::vector<std::string> fragments = {
      "a", "A",        "b",  "<",  ">",  "\n", "\r", "k", "K", "\xE2\x84\xAA",
      "s", "\xC5\xBF", "中", "ab", "<a", "Z@", "[`", "z"};
  const std::vector<std::string> marker_fragments = {"a", "A",  "b",  "<", ">", "k",
                                                     "s", "中", "\n", "Z", "@", "["};
  std::mt19937 random(20240611);
  auto draw = [&](const std::vector<std::string>& from, int max_len) {
    std::string out;
    int n = 1 + static_cast<int>(random() % static_cast<unsigned>(max_len));
    for (int i = 0; i < n; ++i) out += from[random() % from.size()];
    return out;
  };
  int literal_runs = 0;
  for (int round = 0; round < 6000; ++round) {
    // Short pages probe the edges one by one; long ones run the scan's
    // blocks of places.
    std::string page = draw(fragments, round % 3 == 0 ? 400 : 40);
    std::string start = draw(marker_fragments, 2);
    std::string last = draw(marker_fragments, 2);
    bool ignore_case = round % 2 == 0;
    MarkerPattern marker(start, last, ignore_case);
    if (marker.IsLiteralFor(page)) ++literal_runs;

    text::RegExp re;
    re.Pattern = marker.Pattern();
    re.IgnoreCase = ignore_case;
    re.Global = true;
    std::vector<std::pair<size_t, size_t>> expected;
    for (const text::Match& m : re.Execute(page)) {
      expected.emplace_back(m.ByteOffset(), m.ByteOffset() + m.Value().size());
    }
    std::vector<std::pair<size_t, size_t>> found;
    for (const MarkerPattern::Span& span : marker.Find(page, true)) {
      found.emplace_back(span.begin, span.end);
    }
    ASSERT_EQ(found, expected) << "page=[" << page << "] start=[" << start << "] last=[" << last
                               << "] ignore_case=" << ignore_case;
    if (!ignore_case) {
      // CutFixed takes a way of its own for plain markers.
      std::string cut;
      if (!expected.empty()) {
        cut = page.substr(expected[0].first + start.size(),
                          expected[0].second - expected[0].first - start.size() - last.size());
      }
      ASSERT_EQ(CutFixed(page, start, last), cut)
          << "page=[" << page << "] start=[" << start << "] last=[" << last << "]";
    }
  }
  EXPECT_GT(literal_runs, 3000);  // the comparison really exercised the scan
}

// A page of near misses (a long marker that almost matches everywhere) takes
// the scan's way out to a plain search; what it finds must not change, where
// ever the real marker stands and whatever the letter case.
TEST(MarkerPatternTest, NearMissesFindTheSameMarkers) {
  const std::string start = std::string(40, 'a') + "b" + std::string(40, 'a');
  const std::string last = std::string(30, 'c') + "d" + std::string(30, 'c');
  for (size_t offset : {0u, 1u, 63u, 255u, 256u, 700u, 5000u}) {
    for (bool ignore_case : {false, true}) {
      SCOPED_TRACE("offset " + std::to_string(offset) + (ignore_case ? " caseless" : ""));
      std::string marked_start = ignore_case ? vb::UCase(start) : start;
      std::string page = std::string(20000 + offset, 'a') + marked_start + "x" +
                         std::string(20000, 'c') + last + "tail";
      MarkerPattern marker(start, last, ignore_case);
      ASSERT_TRUE(marker.IsLiteralFor(page));
      std::vector<MarkerPattern::Span> spans = marker.Find(page, true);
      ASSERT_EQ(spans.size(), 1u);
      EXPECT_EQ(spans[0].begin, 20000 + offset);
      EXPECT_EQ(spans[0].end, page.size() - 4);
      // A line feed among the near misses of the end code ends the search.
      std::string broken = page;
      broken[20000 + offset + start.size() + 9000] = '\n';
      EXPECT_TRUE(marker.Find(broken, true).empty());
    }
  }
}

// Hostile pages end with the failure result and do not hang.
TEST(HostilePageTest, LongLineWithoutMarkers) {
  std::string page(10 << 20, 'x');
  EXPECT_EQ(CutFixed(page, "<div class=\"c\">", "</div>"), "");
  EXPECT_EQ(FindMatch(page, "<a href=", ">"), "");
  EXPECT_EQ(CheckMatch(page, "<ad>", "</ad>").size(), page.size());
  EXPECT_EQ(CheckHTML(page).size(), page.size());
}

TEST(HostilePageTest, ManyBeginCodesAndNoEndCode) {
  std::string page;
  while (page.size() < (10 << 20)) page += "<a href=\"x\"> <div <span ";
  EXPECT_EQ(CutFixed(page, "<a href=\"", "</zz>"), "");
  EXPECT_EQ(FindMatch(page, "<A HREF=\"", "</zz>"), "");
  // The markers with a repeat count go through the regular expression.
  EXPECT_EQ(CutFixed(page, "<a{1} href=\"", "</zz>"), "");
  // Unclosed tags with no ">" after them stay as they are.
  std::string unclosed;
  while (unclosed.size() < (10 << 20)) unclosed += "<div <span <a ";
  EXPECT_EQ(CheckHTML(unclosed), unclosed);
  EXPECT_EQ(ReplaceTrim(unclosed + "<!--", true).size(), unclosed.size() + 4);
}

TEST(HostilePageTest, WorkLimitHitCountsAsNoMatch) {
  text::RegExp::Limits saved = text::RegExp::GetLimits();
  text::RegExp::Limits tight = saved;
  tight.match_limit = 10'000;
  text::RegExp::SetLimits(tight);
  std::string page = "<x" + std::string(1 << 20, 'y') + "</x>";
  EXPECT_EQ(CutFixed(page, "<x{1}", "</x>"), "");  // too much work: no match
  EXPECT_EQ(CutFixed("<x>y</x>", "<x{1}", "</x>", true), "<x>y</x>");
  text::RegExp::SetLimits(saved);
}

}  // namespace
}  // namespace ostrel::processing
