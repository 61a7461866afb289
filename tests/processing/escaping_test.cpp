#include "processing/escaping.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "support/clock_guard.h"

using namespace ostrel;
using namespace ostrel::processing;
using namespace std::string_literals;

namespace {

// The characters a GB2312 page cannot hold, as the pages reference them.
std::vector<int32_t> EscapedCodes() {
  std::vector<int32_t> codes = {304, 305, 430, 431, 437, 438};
  for (int32_t c = 12460; c <= 12483; ++c) codes.push_back(c);
  for (int32_t c = 12485; c <= 12490; ++c) codes.push_back(c);
  for (int32_t c = 12496; c <= 12510; ++c) codes.push_back(c);
  for (int32_t c : {12521, 12532, 12533, 65340}) codes.push_back(c);
  return codes;
}

std::string Ref(int32_t code) { return "&#" + std::to_string(code) + ";"; }

// Formatime reads dates against a fixed clock: 2024-03-05 14:07:09.
class FormatimeTest : public ::testing::Test {
 protected:
  static std::string Read(std::string_view text) { return vb::ToStorageText(Formatime(text)); }

  ostrel::testing::ClockGuard clock_{ostrel::testing::At(2024, 3, 5, 14, 7, 9)};
};

}  // namespace

TEST(JAPEncode, WritesTheSetAsReferences) {
  EXPECT_EQ(JAPEncode(vb::Variant("ガ and ガ")), "&#12460; and &#12460;");
  EXPECT_EQ(JAPEncode(vb::Variant(" ＼x ")), " &#65340;x ");  // not trimmed
  // Other characters of the same lead bytes, and stray bytes, stay.
  EXPECT_EQ(JAPEncode(vb::Variant("İƮ、ガ＼，\xE3\xE3\x82\xAC")),
            "&#304;&#430;、&#12460;&#65340;，\xE3&#12460;");
  EXPECT_EQ(JAPEncode(vb::Variant("   ")), "");
  EXPECT_EQ(JAPEncode(vb::Variant::Null()), "");
  EXPECT_EQ(JAPEncode(vb::Variant()), "");
  EXPECT_EQ(JAPEncode(vb::Variant(int32_t{12})), "12");
}

TEST(JAPEncode, LeavesEverythingOutsideTheSet) {
  // Neighbours of each run of the set, the backslash and plain text.
  const std::string outside =
      vb::ChrW(0x30A2) + vb::ChrW(0x30AB) + vb::ChrW(0x30C4) + vb::ChrW(0x30CB) + vb::ChrW(0x30CF) +
      vb::ChrW(0x30DF) + vb::ChrW(0x30E8) + vb::ChrW(0x30EA) + vb::ChrW(0x30F3) + vb::ChrW(0x30F6) +
      vb::ChrW(0x012F) + vb::ChrW(0x01B0) + vb::ChrW(0xFF3B) + "\\ 中文 &#12460;";
  EXPECT_EQ(JAPEncode(vb::Variant(outside)), outside);
}

TEST(JAPEncode, RoundTripOverTheWholeSet) {
  std::string chars, refs;
  for (int32_t code : EscapedCodes()) {
    chars += vb::ChrW(code);
    refs += Ref(code);
  }
  ASSERT_EQ(EscapedCodes().size(), 55u);
  EXPECT_EQ(JAPEncode(vb::Variant(chars)), refs);
  EXPECT_EQ(JAPUncode(vb::Variant(refs)), chars);
  EXPECT_EQ(JAPUncode(vb::Variant(JAPEncode(vb::Variant("a'b\0c"s + chars)))), "a''bc" + chars);
}

TEST(JAPUncode, RestoresAndQuotesForSql) {
  EXPECT_EQ(JAPUncode(vb::Variant("&#12460;")), "ガ");
  EXPECT_EQ(JAPUncode(vb::Variant("it's")), "it''s");
  EXPECT_EQ(JAPUncode(vb::Variant("&#12484;&#12460")), "&#12484;&#12460");  // not in the set
  EXPECT_EQ(JAPUncode(vb::Variant::Null()), "");
  EXPECT_EQ(JAPUncode(vb::Variant("  ")), "");
}

TEST(FormatStr, EscapesATitle) {
  EXPECT_EQ(FormatStr("  He said \"it's 5%\" & more  "), "He said &quot;it&#39;s 5％&quot; & more");
  EXPECT_EQ(FormatStr("<b>\r\nガ</b>\t"), "&lt;b&gt;&#12460;&lt;/b&gt;");
  EXPECT_EQ(FormatStr(""), "");
  EXPECT_EQ(FormatStr("\r\n"), "");
}

TEST_F(FormatimeTest, ADateAloneGetsTheTimeOfGathering) {
  EXPECT_EQ(Read("&nbsp;2005-8-8&nbsp;"), "2005-08-08 14:07:09");
  EXPECT_EQ(Read(" '2005/8/8'\t"), "2005-08-08 14:07:09");
  EXPECT_EQ(Read("\x7F"
                 "2005-8-8\r\n"),
            "2005-08-08 14:07:09");
  EXPECT_EQ(Read("2005年8月8日"), "2005-08-08 14:07:09");
  EXPECT_EQ(Read("\xEF\xA3\xB5"
                 "2005-8-8"),
            "2005-08-08 14:07:09");
}

TEST_F(FormatimeTest, AFullDateTimeIsTakenExactly) {
  EXPECT_EQ(Read("2005-11-09 08:05:03"), "2005-11-09 08:05:03");
  EXPECT_EQ(Read(" \"2005-11-9 8:05\" "), "2005-11-09 08:05:00");
  // Eleven characters count as a date with a time, so the time is midnight.
  EXPECT_EQ(Read("2005年11月19日"), "2005-11-19 00:00:00");
}

TEST_F(FormatimeTest, TextThatIsNoDateGivesNow) {
  EXPECT_EQ(Read(""), "2024-03-05 14:07:09");
  EXPECT_EQ(Read("yesterday"), "2024-03-05 14:07:09");
  EXPECT_EQ(Read("&NBSP;2005-8-8"), "2024-03-05 14:07:09");  // the entity is exact-case
  EXPECT_EQ(Read("8:05"), "2024-03-05 14:07:09");  // a time alone does not take a second time
}
