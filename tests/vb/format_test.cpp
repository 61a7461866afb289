#include "platform/vb/format.h"

#include <gtest/gtest.h>

#include "platform/vb/datetime.h"
#include "platform/vb/vb_error.h"
#include "support/clock_guard.h"

using namespace ostrel::vb;

using ostrel::testing::At;

TEST(Format, NumberFormats) {
  struct Case {
    Variant value;
    const char* format;
    const char* text;
  } cases[] = {
      {1023.0, "#,##0", "1,023"},
      {int32_t{1048576}, "#,##0", "1,048,576"},
      {0.0, "#,##0", "0"},
      {999.5, "#,##0", "1,000"},
      {1536.0 / 1024, "0.00", "1.50"},
      {1.0, "0.00", "1.00"},
      {12.345, "0.0", "12.3"},
      {12.35, "0.0", "12.4"},
      {2.5, "0", "3"},  // half away from zero, unlike CLng
      {-2.5, "0", "-3"},
      {999.6, "0", "1000"},
      {1.005, "0.00", "1.01"},  // rounded on the decimal digits
      {0.0, "###,###", ""},
      {int32_t{1234567}, "###,###", "1,234,567"},
      {int32_t{5120}, "###,###", "5,120"},
      {0.5, "#.##", ".5"},
      {1.5, ".00", "1.50"},
      {0.5, ".00", ".50"},
      {3.0, "#.##", "3."},
      {0.256, "0%", "26%"},
      {-1234.5, "#,##0.00", "-1,234.50"},
      {-0.001, "0.00", "0.00"},
      {int32_t{5}, "\\$0", "$5"},
      {int32_t{5}, "\"Total: \"0\" 条\"", "Total: 5 条"},
      {int32_t{1234567}, "000-0000", "123-4567"},
      {int32_t{42}, "00000", "00042"},
      {int32_t{-5}, "0;(0)", "(5)"},
      {int32_t{5}, "0;(0)", "5"},
      {int32_t{0}, "0;(0);零", "零"},
      {1e20, "0", "100000000000000000000"},
      {Currency{15000}, "0.00", "1.50"},
      {Currency{-1}, "0.0000", "-0.0001"},
      {"1536", "#,##0", "1,536"},
      {"abc", "#,##0", "abc"},
      {true, "0", "-1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Format(c.value, c.format), c.text) << c.format;
  }
}

TEST(Format, DateFormats) {
  DateTime d = At(2005, 8, 8, 9, 5, 3);
  DateTime pm = At(2005, 11, 9, 13, 5, 0);
  EXPECT_EQ(Format(d, "yyyy-mm-dd hh:nn:ss"), "2005-08-08 09:05:03");
  EXPECT_EQ(Format(d, "yyyy-m-d h:mm:ss"), "2005-8-8 9:05:03");  // m after h is minutes
  EXPECT_EQ(Format(d, "yy/mm/dd"), "05/08/08");
  EXPECT_EQ(Format(d, "yyyy年m月d日"), "2005年8月8日");
  EXPECT_EQ(Format(d, "mmmm"), "八月");
  EXPECT_EQ(Format(d, "mmm"), "8月");
  EXPECT_EQ(Format(d, "hh:mm"), "09:05");
  EXPECT_EQ(Format(d, "mm:ss"), "05:03");  // m before s is minutes too
  EXPECT_EQ(Format(pm, "hh:nn AM/PM"), "01:05 PM");
  EXPECT_EQ(Format(At(2005, 1, 1, 0, 5), "h:nn am/pm"), "12:05 am");
  EXPECT_EQ(Format(pm, "ampm h:nn"), "下午 1:05");
  EXPECT_EQ(Format(pm, "YYYY-MM-DD"), "2005-11-09");
  EXPECT_EQ(Format(pm, "y"), "313");
  EXPECT_EQ(Format(d, "\"at\" h"), "at 9");
  EXPECT_EQ(Format(Variant("2005-8-8 9:05"), "yyyymmddhhnn"), "200508080905");
  EXPECT_EQ(Format(Variant("not a date"), "yyyy"), "not a date");
}

TEST(Format, WithoutAFormat) {
  EXPECT_EQ(Format(Variant(1.5)), "1.5");
  EXPECT_EQ(Format(Variant(At(2005, 8, 8, 12))), "2005-8-8 12:00:00");
  EXPECT_EQ(Format(Variant::Null(), "0"), "");
  EXPECT_EQ(Format(Variant(), "0"), "");
  EXPECT_THROW(Format(Variant::Array1(0, 0), "0"), VbError);
}

TEST(Format, FormatNumber) {
  EXPECT_EQ(FormatNumber(Variant(1234.5)), "1,234.50");
  EXPECT_EQ(FormatNumber(Variant(0.5), 0), "1");
  EXPECT_EQ(FormatNumber(Variant(0.25), 1, false), ".3");
  EXPECT_EQ(FormatNumber(Variant(0.25), 1, true), "0.3");
  EXPECT_EQ(FormatNumber(Variant(-1234.567), 2, true, false), "-1234.57");
  EXPECT_EQ(FormatNumber(Variant(int32_t{1000000}), 0), "1,000,000");
  EXPECT_EQ(FormatNumber(Variant("12.5"), 3), "12.500");
  EXPECT_EQ(FormatNumber(Variant(-0.001), 2), "0.00");
  EXPECT_THROW(FormatNumber(Variant("abc")), VbError);
  EXPECT_THROW(FormatNumber(Variant(1.0), -2), VbError);
}
