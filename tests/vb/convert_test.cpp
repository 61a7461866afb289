#include "platform/vb/convert.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/vb/datetime.h"
#include "platform/vb/vb_error.h"
#include "support/clock_guard.h"
#include "support/error_of.h"

using namespace ostrel::vb;

namespace {

using ostrel::testing::At;
using ostrel::testing::ErrorOf;

}  // namespace

TEST(Convert, WholeNumbersRoundHalfToEven) {
  EXPECT_EQ(CLng(Variant("2.5")), 2);
  EXPECT_EQ(CLng(Variant("3.5")), 4);
  EXPECT_EQ(CLng(Variant("-2.5")), -2);
  EXPECT_EQ(CLng(Variant(0.5)), 0);
  EXPECT_EQ(CLng(Variant(1.5)), 2);
  EXPECT_EQ(CLng(Variant(2.5000001)), 3);
  EXPECT_EQ(CInt(Variant(-0.5)), 0);
  EXPECT_EQ(CLng(Variant(" 7 ")), 7);
  EXPECT_EQ(CLng(Variant("1,234")), 1234);
  EXPECT_EQ(CLng(Variant(true)), -1);
  EXPECT_EQ(CLng(Variant()), 0);
  EXPECT_EQ(CLng(Variant(Currency{25000})), 2);  // 2.5
  EXPECT_EQ(CLng(Variant(Currency{35000})), 4);  // 3.5
  EXPECT_EQ(CLng(Variant(Currency{-25000})), -2);
}

TEST(Convert, LongAndIntegerBoundaries) {
  EXPECT_EQ(CLng(Variant("2147483647")), 2147483647);
  EXPECT_EQ(CLng(Variant("-2147483648")), INT32_MIN);
  EXPECT_EQ(CLng(Variant(2147483647.4)), 2147483647);
  EXPECT_EQ(ErrorOf([] { CLng(Variant("2147483648")); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CLng(Variant(2147483647.5)); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CLng(Variant(-2147483648.5)); }), 0);  // rounds to the even -2147483648
  EXPECT_EQ(ErrorOf([] { CLng(Variant(-2147483649.0)); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CLng(Variant(1e300)); }), kErrOverflow);
  EXPECT_EQ(CInt(Variant("32767")), 32767);
  EXPECT_EQ(CInt(Variant(int32_t{-32768})), -32768);
  EXPECT_EQ(ErrorOf([] { CInt(Variant("32768")); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CInt(Variant(32767.5)); }), kErrOverflow);
  EXPECT_EQ(CInt(Variant(32766.5)), 32766);
  EXPECT_EQ(ErrorOf([] { CInt(Variant(int32_t{-32769})); }), kErrOverflow);
}

TEST(Convert, TextThatIsNoNumberIsATypeMismatch) {
  for (const char* text : {"abc", "", " ", "1a", "--1", "1e", "&H", "&HZZ", ".", "1 2", "$5"}) {
    EXPECT_EQ(ErrorOf([&] { CLng(Variant(text)); }), kErrTypeMismatch) << text;
    EXPECT_EQ(ErrorOf([&] { CDbl(Variant(text)); }), kErrTypeMismatch) << text;
  }
  EXPECT_EQ(ErrorOf([] { CLng(Variant::Null()); }), 94);
  EXPECT_EQ(ErrorOf([] { CStr(Variant::Null()); }), 94);
  EXPECT_EQ(ErrorOf([] { CDbl(Variant::Array1(0, 1)); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CDbl(Variant("1e400")); }), kErrOverflow);
}

TEST(Convert, CurrencyIsExactToFourPlaces) {
  EXPECT_EQ(CCur(Variant("1.00015")).scaled, 10002);  // half to even on the decimal digits
  EXPECT_EQ(CCur(Variant("1.00025")).scaled, 10002);
  EXPECT_EQ(CCur(Variant("1.000251")).scaled, 10003);
  EXPECT_EQ(CCur(Variant("-0.00005")).scaled, 0);
  EXPECT_EQ(CCur(Variant("0.1")).scaled, 1000);
  EXPECT_EQ(CCur(Variant("1.5e3")).scaled, 15000000);
  EXPECT_EQ(CCur(Variant(0.1)).scaled, 1000);
  EXPECT_EQ(CCur(Variant(int32_t{-7})).scaled, -70000);
  EXPECT_EQ(CCur(Variant("922337203685477.5807")).scaled, INT64_MAX);
  EXPECT_EQ(CCur(Variant("-922337203685477.5808")).scaled, INT64_MIN);
  EXPECT_EQ(ErrorOf([] { CCur(Variant("922337203685477.5808")); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CCur(Variant(1e15)); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CCur(Variant("x")); }), kErrTypeMismatch);
  EXPECT_DOUBLE_EQ(CurrencyToDouble(Currency{15000}), 1.5);
  EXPECT_EQ(CStr(Variant(Currency{15000})), "1.5");
  EXPECT_EQ(CStr(Variant(Currency{-1234567})), "-123.4567");
  EXPECT_EQ(CStr(Variant(Currency{20000})), "2");
}

TEST(Convert, IsNumericGrammar) {
  struct Case {
    const char* text;
    bool numeric;
  } cases[] = {
      {"12", true},     {" 7 ", true},          {"-3", true},   {"+3", true},
      {"2.5", true},    {".5", true},           {"5.", true},   {"1,234.5", true},
      {"1e3", true},    {"1E-3", true},         {"1d2", true},  {"&HFF", true},
      {"&o17", true},   {"\t12\r\n", true},     {"", false},    {" ", false},
      {"abc", false},   {"1.2.3", false},       {"1e", false},  {"e3", false},
      {",5", false},    {"- 3", false},         {"&H", false},  {"&H1G", false},
      {"&O8", false},   {"12abc", false},       {"1 2", false}, {"１２", false},
      {"1e400", false}, {"&H100000000", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsNumeric(Variant(c.text)), c.numeric) << c.text;
  EXPECT_TRUE(IsNumeric(Variant(int32_t{1})));
  EXPECT_TRUE(IsNumeric(Variant()));
  EXPECT_TRUE(IsNumeric(Variant(true)));
  EXPECT_FALSE(IsNumeric(Variant::Null()));
  EXPECT_FALSE(IsNumeric(Variant(At(2005, 8, 8))));
  EXPECT_DOUBLE_EQ(*ParseNumber("1,234.5"), 1234.5);
  EXPECT_DOUBLE_EQ(*ParseNumber("0.005"), 0.005);
  EXPECT_DOUBLE_EQ(*ParseNumber("-1.5e2"), -150);
  EXPECT_DOUBLE_EQ(*ParseNumber("&HFF"), 255);
  EXPECT_DOUBLE_EQ(*ParseNumber("&HFFFFFFFF"), -1);  // a 32-bit pattern, as VB
  EXPECT_DOUBLE_EQ(*ParseNumber("&O17"), 15);
  EXPECT_DOUBLE_EQ(*ParseNumber("000120"), 120);
}

TEST(Convert, IsDateGrammar) {
  struct Case {
    const char* text;
    bool date;
  } cases[] = {
      {"2005-8-8", true},
      {"2005/8/8", true},
      {"2005年8月8日", true},
      {"2005年8月8", true},
      {"2005-08-08 12:30", true},
      {"2005-8-8 12:30:45", true},
      {"2005年8月8日 12:30:45", true},
      {"2005年8月8日12:30", true},
      {"  2005-8-8  ", true},
      {"12:30", true},
      {"12:30:59", true},
      {"2005-8-8 1:05 PM", true},
      {"2005-8-8 下午 1:05", true},
      {"05-8-8", true},
      {"2004-2-29", true},
      {"2005-2-29", false},
      {"2005-2-30", false},
      {"2005-4-31", false},
      {"2005-13-1", false},
      {"2005-0-1", false},
      {"2005-8", false},
      {"2005-8/8", false},
      {"2005-8-8 24:00", false},
      {"2005-8-8 12:60", false},
      {"2005-8-8 13:00 PM", false},
      {"2005-8-812:00", false},
      {"2005-8-8 12", false},
      {"20050808", false},
      {"abc", false},
      {"", false},
      {"0099-1-1", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsDate(Variant(c.text)), c.date) << c.text;
  EXPECT_TRUE(IsDate(Variant(At(2005, 8, 8))));
  EXPECT_FALSE(IsDate(Variant(int32_t{38572})));
}

TEST(Convert, CDateReadsTheFields) {
  EXPECT_EQ(CDate(Variant("2005-8-8")), At(2005, 8, 8));
  EXPECT_EQ(CDate(Variant("2005/08/08")), At(2005, 8, 8));
  EXPECT_EQ(CDate(Variant("2005年8月8日 12:30:45")), At(2005, 8, 8, 12, 30, 45));
  EXPECT_EQ(CDate(Variant("2005-8-8 1:05 PM")), At(2005, 8, 8, 13, 5));
  EXPECT_EQ(CDate(Variant("2005-8-8 12:05 am")), At(2005, 8, 8, 0, 5));
  EXPECT_EQ(CDate(Variant("2005-8-8 上午12:05")), At(2005, 8, 8, 0, 5));
  EXPECT_EQ(CDate(Variant("29-1-1")), At(2029, 1, 1));
  EXPECT_EQ(CDate(Variant("30-1-1")), At(1930, 1, 1));
  EXPECT_EQ(CDate(Variant("18:00")).serial, 0.75);  // a time alone sits on 1899-12-30
  EXPECT_EQ(ErrorOf([] { CDate(Variant("2005-2-30")); }), kErrTypeMismatch);
  EXPECT_EQ(CDate(Variant(38572.5)).serial, 38572.5);
  EXPECT_EQ(ErrorOf([] { CDate(Variant(1e9)); }), kErrOverflow);
}

TEST(Convert, CStrPrintsAsVb) {
  EXPECT_EQ(CStr(Variant(0.1 + 0.2)), "0.3");
  EXPECT_EQ(CStr(Variant(1e20)), "1E+20");
  EXPECT_EQ(CStr(Variant(1e15)), "1E+15");
  EXPECT_EQ(CStr(Variant(1e14)), "100000000000000");
  EXPECT_EQ(CStr(Variant(1.5)), "1.5");
  EXPECT_EQ(CStr(Variant(-1.5)), "-1.5");
  EXPECT_EQ(CStr(Variant(0.0001)), "0.0001");
  EXPECT_EQ(CStr(Variant(0.00001)), "1E-05");
  EXPECT_EQ(CStr(Variant(-0.0)), "0");
  EXPECT_EQ(CStr(Variant(1.0 / 3)), "0.333333333333333");
  EXPECT_EQ(CStr(Variant(123456789012345678.0)), "1.23456789012346E+17");
  EXPECT_EQ(CStr(Variant(0.1f)), "0.1");
  EXPECT_EQ(CStr(Variant(int16_t{-5})), "-5");
  EXPECT_EQ(CStr(Variant(int32_t{2147483647})), "2147483647");
  EXPECT_EQ(CStr(Variant(true)), "True");
  EXPECT_EQ(CStr(Variant(false)), "False");
  EXPECT_EQ(CStr(Variant()), "");
  EXPECT_EQ(CStr(Variant(At(2005, 8, 8, 12))), "2005-8-8 12:00:00");
  EXPECT_EQ(CStr(Variant(At(2005, 8, 8))), "2005-8-8");
  EXPECT_EQ(CStr(Variant(At(2005, 11, 9, 8, 5, 3))), "2005-11-9 8:05:03");
  EXPECT_EQ(CStr(Variant(DateTime{0.75})), "18:00:00");
  EXPECT_EQ(CStr(Variant(DateTime{0})), "0:00:00");
}

TEST(Convert, CBoolReadsWordsAndNumbers) {
  EXPECT_TRUE(CBool(Variant("true")));
  EXPECT_TRUE(CBool(Variant("TRUE")));
  EXPECT_FALSE(CBool(Variant("False")));
  EXPECT_TRUE(CBool(Variant("1")));
  EXPECT_TRUE(CBool(Variant("-0.5")));
  EXPECT_FALSE(CBool(Variant("0")));
  EXPECT_FALSE(CBool(Variant()));
  EXPECT_TRUE(CBool(Variant(int32_t{2})));
  EXPECT_EQ(ErrorOf([] { CBool(Variant("yes")); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CBool(Variant("")); }), kErrTypeMismatch);
}

TEST(Convert, RoundingHelpers) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(Round(0.125, 2), 0.12);  // exact halves go to the even neighbour
  EXPECT_EQ(Round(0.375, 2), 0.38);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Fix(-2.7), -2);
  EXPECT_EQ(Int(-2.7), -3);
  EXPECT_EQ(ErrorOf([] { Round(1.0, -1); }), kErrInvalidCall);
}

TEST(Convert, CompareFollowsVariantRules) {
  EXPECT_EQ(Compare(Variant(int32_t{2}), Variant(2.0)), 0);
  EXPECT_EQ(Compare(Variant(int32_t{10}), Variant("9")), 1);  // numeric text by value
  EXPECT_EQ(Compare(Variant("10"), Variant("9")), -1);        // text by characters
  EXPECT_EQ(Compare(Variant(int32_t{10}), Variant("abc")), -1);
  EXPECT_EQ(Compare(Variant("abc"), Variant(int32_t{10})), 1);
  EXPECT_EQ(Compare(Variant("ABC"), Variant("abc")), -1);
  EXPECT_EQ(Compare(Variant("ABC"), Variant("abc"), true), 0);
  EXPECT_EQ(Compare(Variant(), Variant("")), 0);
  EXPECT_EQ(Compare(Variant(), Variant(int32_t{0})), 0);
  EXPECT_EQ(Compare(Variant(true), Variant(int32_t{-1})), 0);
  EXPECT_FALSE(Compare(Variant::Null(), Variant(int32_t{1})).has_value());
  EXPECT_FALSE(Equals(Variant::Null(), Variant::Null()));
  EXPECT_TRUE(Equals(Variant(At(2005, 8, 8)), Variant("2005-8-8")));
  EXPECT_TRUE(Equals(Variant(int32_t{1}), Variant("1")));
}

TEST(Convert, TypeNames) {
  EXPECT_EQ(TypeName(Variant()), "Empty");
  EXPECT_EQ(TypeName(Variant::Null()), "Null");
  EXPECT_EQ(TypeName(Variant(int16_t{1})), "Integer");
  EXPECT_EQ(TypeName(Variant(Currency{1})), "Currency");
  EXPECT_EQ(TypeName(Variant::Nothing()), "Nothing");
  EXPECT_EQ(TypeName(Variant::Array1(0, 1)), "Variant()");
  EXPECT_EQ(VarTypeOf(Variant("x")), 8);
  EXPECT_EQ(VarTypeOf(Variant::FromList({})), 0x200C);
}
