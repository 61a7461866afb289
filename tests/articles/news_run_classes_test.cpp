#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "news_page.h"
#include "platform/ado/connection.h"
#include "platform/vb/convert.h"

namespace ostrel::articles {
namespace {

// The first rows hold channel 1 with 新闻 (1) over 国内 (2) and 国际 (3), and
// the leaf 技术 (4).
class ClassResolutionTest : public NewsPageTest {
 protected:
  void SetUp() override {
    NewsPageTest::SetUp();
    news_ = Make();
    news_->ReadNewsConfig();
  }
  int32_t Find(int32_t channel, const std::string& parent, const std::string& child) {
    return news_->GetClassID(channel, parent, child);
  }
  std::string Counter(int class_id) {
    ado::Connection connection;
    connection.Open(ConnString());
    ado::Recordset rs = connection.Execute(
        "SELECT ShowCount, isUpdate FROM QX_Classify WHERE "
        "ClassID=" +
        std::to_string(class_id));
    return vb::CStr(rs.Fields(0).Value()) + "/" + vb::CStr(rs.Fields(1).Value());
  }
  void Raise(int channel, int class_id) {
    vb::Variant ch(int32_t{channel});
    vb::Variant id(int32_t{class_id});
    EXPECT_TRUE(news_->ClassUpdateCount(ch, id).IsEmpty());
  }

  std::shared_ptr<NewsCollection> news_;
};

TEST_F(ClassResolutionTest, ParentAndChildNames) {
  EXPECT_EQ(Find(1, "新闻", "国际"), 3);
  EXPECT_EQ(Find(1, " 新闻 ", " 国内 "), 2);
  // A parent that is a leaf is the class, whatever the child name.
  EXPECT_EQ(Find(1, "技术", "不存在"), 4);
  // A parent with sub-classes needs a child that exists under it.
  EXPECT_EQ(Find(1, "新闻", ""), 0);
  EXPECT_EQ(Find(1, "新闻", "技术"), 0);
  // No parent: any leaf of the channel by its name.
  EXPECT_EQ(Find(1, "", "国内"), 2);
  EXPECT_EQ(Find(1, "", "新闻"), 0);
  // An unknown parent does not fall back to the child alone.
  EXPECT_EQ(Find(1, "体育", "国内"), 0);
  EXPECT_EQ(Find(1, "", ""), 0);
  // Other channels, no channel.
  EXPECT_EQ(Find(2, "技术", ""), 0);
  EXPECT_EQ(Find(0, "技术", ""), 0);
  EXPECT_EQ(Find(-1, "技术", ""), 0);
}

TEST_F(ClassResolutionTest, LinkClassesAndQuotesAreNeverChosen) {
  RunSql("UPDATE QX_Classify SET TurnLink=1 WHERE ClassID=4");
  EXPECT_EQ(Find(1, "技术", ""), 0);
  EXPECT_EQ(Find(1, "", "技术"), 0);
  // Quotes are removed, so a name cannot end its literal.
  RunSql(
      "INSERT INTO QX_Classify (ClassID, ChannelID, ClassName, child, parentid, Parentstr) "
      "VALUES (9, 1, 'OReilly', 0, 0, '0')");
  EXPECT_EQ(Find(1, "O'Reilly", ""), 9);
  EXPECT_EQ(Find(1, "x' OR '1'='1", ""), 0);
  EXPECT_EQ(Find(1, "", "x' OR ClassName<>'"), 0);
}

TEST_F(ClassResolutionTest, CountersAlongTheParentList) {
  Raise(1, 3);
  EXPECT_EQ(Counter(3), "1/1");
  EXPECT_EQ(Counter(1), "1/1");
  EXPECT_EQ(Counter(2), "0/0");

  // Class 7 under 0 and 3: classes 3 and 7 are raised.
  RunSql(
      "INSERT INTO QX_Classify (ClassID, ChannelID, ClassName, child, parentid, Parentstr) "
      "VALUES (7, 1, '七', 0, 3, '0,3')");
  Raise(1, 7);
  EXPECT_EQ(Counter(7), "1/1");
  EXPECT_EQ(Counter(3), "2/1");
  EXPECT_EQ(Counter(1), "1/1");

  // Unknown classes and other channels change nothing.
  Raise(1, 99);
  Raise(2, 3);
  EXPECT_EQ(Counter(3), "2/1");
}

TEST_F(ClassResolutionTest, ParentListHoldsOnlyNumbers) {
  // Whatever else the host left in Parentstr never reaches the statement.
  RunSql(
      "INSERT INTO QX_Classify (ClassID, ChannelID, ClassName, child, parentid, Parentstr) "
      "VALUES (8, 1, '八', 0, 2, '2) OR (1=1')");
  Raise(1, 8);
  EXPECT_EQ(Counter(8), "1/1");
  EXPECT_EQ(Counter(4), "0/0");
}

TEST_F(ClassResolutionTest, ReachableByName) {
  std::vector<vb::Variant> args = {vb::Variant("1"), vb::Variant("新闻"), vb::Variant("国内")};
  EXPECT_EQ(vb::CLng(news_->Call("getclassid", args)), 2);
  std::vector<vb::Variant> count = {vb::Variant(int32_t{1}), vb::Variant("2")};
  EXPECT_TRUE(news_->Call("ClassUpdateCount", count).IsEmpty());
  EXPECT_EQ(Counter(2), "1/1");
  std::vector<vb::Variant> url = {vb::Variant("short")};
  EXPECT_TRUE(news_->Call("SaveNewsData", url).IsEmpty());
}

}  // namespace
}  // namespace ostrel::articles
