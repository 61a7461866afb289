#include "gathering/articles/code_lists.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/vb/datetime.h"
#include "support/error_of.h"

namespace ostrel::articles {
namespace {

// An info column with the given codes at their indexes and "0" elsewhere.
std::string InfoColumn(std::initializer_list<std::pair<int, std::string>> codes, int count = 26) {
  std::vector<std::string> parts(static_cast<size_t>(count), "0");
  for (const auto& [index, code] : codes) parts[static_cast<size_t>(index)] = code;
  std::string column;
  for (size_t i = 0; i < parts.size(); ++i) column += (i ? "$$$" : "") + parts[i];
  return column;
}

class FixedClock {
 public:
  FixedClock() {
    vb::SetClock([] {
      vb::DateTime at{vb::DateSerial(2024, 3, 5).serial + vb::TimeSerial(14, 7, 9).serial};
      return vb::ClockReading{at, 0};
    });
  }
  ~FixedClock() { vb::SetClock(nullptr); }
};

const std::string kPage =
    "<h1>今日<b>新闻</b></h1><div id=c><p>正文</p></div>"
    "<span class=p>科技</span><span class=ch>互联网</span>"
    "<i>作者：张三</i><u>来源：新华社</u><em>2005-8-8 10:11:12</em>";

// A part past the end is a failure of the step that reads it, never "0".
TEST(CodeListTest, SplitFlattenedAndMissingPastTheEnd) {
  CodeList list("<ul\r\n class=x>$$$</ul>$$$\t<a href=\"$$$\">");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list[0], "<ul class=x>");
  EXPECT_EQ(list[2], "<a href=\"");
  for (int32_t past : {4, 99, -1}) {
    EXPECT_EQ(ostrel::testing::ErrorOf([&] { (void)list[past]; }), vb::kErrSubscript) << past;
  }
  EXPECT_FALSE(list.Has(4));
  EXPECT_EQ(ostrel::testing::ErrorOf([] { (void)CodeList("")[0]; }), vb::kErrSubscript);
  EXPECT_TRUE(IsUnset("0"));
  EXPECT_TRUE(IsUnset(""));
  EXPECT_FALSE(IsUnset(" 0"));
}

TEST(CodeListTest, ListCodesAreUsedAsTheyStand) {
  CodeList list("<ul>$$$</ul>$$$<a href=\"$$$\">$$$0$$$0");
  std::string page =
      "x<ul><a href=\"/1.html\">1</a><A HREF=\"/1.HTML\">1</A><a href=\"/2\">2</a></ul>";
  std::string area = ReadListArea(list, page);
  EXPECT_EQ(ReadListLinks(list, area), "/1.html|||/2");
  // "0" is a code like any other here.
  EXPECT_EQ(ReadListArea(CodeList("0$$$0"), "a0b0c"), "b");
}

TEST(CodeListTest, TitleAndContent) {
  CodeList info(InfoColumn({{0, "<h1>"}, {1, "</h1>"}, {2, "<div id=c>"}, {3, "</div>"}}));
  EXPECT_EQ(ReadTitle(info, kPage), "今日新闻");
  EXPECT_EQ(ReadContent(info, kPage), "<p>正文</p>");
  // Title and content codes are cut even when "0".
  CodeList zero(InfoColumn({}));
  EXPECT_EQ(ReadTitle(zero, "a0 b 0"), "b");
}

TEST(CodeListTest, ClassNamesLiteralOrCut) {
  TemplateValues values;
  CodeList literal(InfoColumn({{4, "0"}, {5, "  <b>国内</b>  "}, {6, ""}, {7, "0"}}));
  EXPECT_EQ(ReadClassName(literal, kParentClassBegin, kPage, values), "<b>国内</b>");
  EXPECT_EQ(ReadClassName(literal, kChildClassBegin, kPage, values), "");

  CodeList cut(
      InfoColumn({{4, "<span class=p>"}, {5, "</span>"}, {6, "<span class=ch>"}, {7, "</span>"}}));
  EXPECT_EQ(ReadClassName(cut, kParentClassBegin, kPage, values), "科技");
  EXPECT_EQ(ReadClassName(cut, kChildClassBegin, kPage, values), "互联网");

  // 22 characters are still a name, 23 are not.
  std::string name22(22, 'n');
  std::string page = "<p>" + name22 + "</p><q><b>" + name22 + "x</b></q>";
  CodeList long_names(InfoColumn({{4, "<p>"}, {5, "</p>"}, {6, "<q>"}, {7, "</q>"}}));
  EXPECT_EQ(ReadClassName(long_names, kParentClassBegin, page, values), name22);
  EXPECT_EQ(ReadClassName(long_names, kChildClassBegin, page, values), "");
  CodeList long_literal(InfoColumn({{5, name22 + "x"}}));
  EXPECT_EQ(ReadClassName(long_literal, kParentClassBegin, page, values), "");
}

TEST(CodeListTest, AuthorAndSourceDefaults) {
  TemplateValues values;
  CodeList unset(InfoColumn({}));
  EXPECT_EQ(ReadAuthor(unset, kPage, values), "佚名");
  EXPECT_EQ(ReadSource(unset, kPage, values), "不详");
  CodeList literal(InfoColumn({{9, " 本站'编辑\" "}, {11, "网络"}}));
  EXPECT_EQ(ReadAuthor(literal, kPage, values), "本站编辑");  // CheckNostr still runs
  EXPECT_EQ(ReadSource(literal, kPage, values), "网络");
  CodeList cut(InfoColumn({{8, "<i>作者："}, {9, "</i>"}, {10, "来源：<x>"}, {11, "</u>"}}));
  EXPECT_EQ(ReadAuthor(cut, kPage, values), "张三");
  EXPECT_EQ(ReadSource(cut, kPage, values), "不详");  // nothing cut
}

TEST(CodeListTest, TemplateTagsOnlyWhereTheyMayStand) {
  TemplateValues values;
  values.NewsTitle = "T";
  values.ParentName = "P";
  values.ChildName = "C";
  values.NewsAuthor = "A";
  values.NewsComeFrom = "F";
  const std::string all = "{@NewsTitle}{@ParentName}{@ChildName}{@NewsAuthor}{@NewsComeFrom}";
  EXPECT_EQ(SubstituteTags(all, kContentBegin, values), all);
  EXPECT_EQ(SubstituteTags(all, kParentClassBegin, values),
            "T{@ParentName}{@ChildName}{@NewsAuthor}{@NewsComeFrom}");
  EXPECT_EQ(SubstituteTags(all, kChildClassBegin, values),
            "TP{@ChildName}{@NewsAuthor}{@NewsComeFrom}");
  EXPECT_EQ(SubstituteTags(all, kAuthorBegin, values), "TPC{@NewsAuthor}{@NewsComeFrom}");
  EXPECT_EQ(SubstituteTags(all, kSourceBegin, values), "TPCA{@NewsComeFrom}");
  EXPECT_EQ(SubstituteTags(all, kTimeBegin, values), "TPCAF");
  EXPECT_EQ(SubstituteTags(all, kPagingAreaBegin, values), all);
  EXPECT_EQ(SubstituteTags("{@newstitle}", kTimeBegin, values), "{@newstitle}");

  // The author's codes name the title: the page's byline after it is cut.
  values.NewsTitle = "今日新闻";
  std::string page = "<h2>今日新闻</h2><s>王五</s>";
  CodeList info(InfoColumn({{8, "<h2>{@NewsTitle}</h2><s>"}, {9, "</s>"}}));
  EXPECT_EQ(ReadAuthor(info, page, values), "王五");
  // In the content codes a tag is searched for literally.
  CodeList content(InfoColumn({{2, "{@NewsTitle}"}, {3, "!"}}));
  EXPECT_EQ(ReadContent(content, "今日新闻 x {@NewsTitle}y!"), "y");
}

TEST(CodeListTest, WriteTime) {
  FixedClock clock;
  TemplateValues values;
  CodeList cut(InfoColumn({{12, "<em>"}, {13, "</em>"}}));
  EXPECT_EQ(ReadWriteTime(cut, kPage, values, 0), "2005-8-8 10:11:12");
  // IsNowTime on: the codes are not read.
  EXPECT_EQ(ReadWriteTime(cut, kPage, values, 1), "2024-3-5 14:07:09");
  // A literal date gets the time of day of the gathering.
  EXPECT_EQ(ReadWriteTime(CodeList(InfoColumn({{13, " 2005-8-8 "}})), kPage, values, 0),
            "2005-8-8 14:07:09");
  EXPECT_EQ(ReadWriteTime(CodeList(InfoColumn({{13, "yesterday"}})), kPage, values, 0),
            "2024-3-5 14:07:09");
  EXPECT_EQ(ReadWriteTime(CodeList(InfoColumn({})), kPage, values, 0), "2024-3-5 14:07:09");
  // A cut that is no date: now.
  CodeList wrong(InfoColumn({{12, "<i>"}, {13, "</i>"}}));
  EXPECT_EQ(ReadWriteTime(wrong, kPage, values, 0), "2024-3-5 14:07:09");
}

TEST(CodeListTest, PagingNeedsAllFourCodes) {
  std::string codes = InfoColumn({{14, "<nav>"}, {15, "</nav>"}, {16, "href="}, {17, ">"}});
  EXPECT_TRUE(PagingOn(CodeList(codes), 1));
  EXPECT_TRUE(PagingOn(CodeList(codes), 2));
  EXPECT_FALSE(PagingOn(CodeList(codes), 0));
  EXPECT_FALSE(PagingOn(CodeList(InfoColumn({{14, "<nav>"}, {15, "</nav>"}, {17, ">"}})), 1));
  // A short stored list is a failure of the step, never read as "0".
  const CodeList short_list(InfoColumn({{14, "<nav>"}, {15, "</nav>"}}, 16));
  EXPECT_EQ(ostrel::testing::ErrorOf([&] { PagingOn(short_list, 1); }), vb::kErrSubscript);
}

TEST(CodeListTest, FiltersRemoveStringsThenBlocks) {
  CodeList info(InfoColumn(
      {{18, "广告"}, {19, "0"}, {20, "class=ad"}, {22, "<ins>"}, {23, "</ins>"}, {25, "</x>"}}));
  EXPECT_EQ(ApplyFilters("<p class=ad>广告0</p><INS>buy</INS>text<x>y</x>", info),
            "<p >0</p>text<x>y</x>");
}

}  // namespace
}  // namespace ostrel::articles
