#include "processing/value_checks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "platform/text/charset.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/vb_error.h"
#include "support/clock_guard.h"

using namespace ostrel;
using namespace ostrel::processing;
using namespace std::string_literals;

namespace {

void ExpectOverflow(auto&& call) {
  try {
    call();
    ADD_FAILURE() << "no error raised";
  } catch (const vb::VbError& e) {
    EXPECT_EQ(e.number(), vb::kErrOverflow);
  }
}

using ostrel::testing::At;

}  // namespace

TEST(ChkNumeric, ReadsWholeNumbersAndRefusesTheRest) {
  EXPECT_EQ(ChkNumeric("12"), 12);
  EXPECT_EQ(ChkNumeric(" 7 "), 7);
  EXPECT_EQ(ChkNumeric("1,000"), 1000);
  EXPECT_EQ(ChkNumeric("-3"), 0);
  EXPECT_EQ(ChkNumeric("-0.4"), 0);
  EXPECT_EQ(ChkNumeric("abc"), 0);
  EXPECT_EQ(ChkNumeric("12abc"), 0);
  EXPECT_EQ(ChkNumeric(""), 0);
}

TEST(ChkNumeric, RoundsHalvesToEven) {
  EXPECT_EQ(ChkNumeric("2.5"), 2);
  EXPECT_EQ(ChkNumeric("3.5"), 4);
  EXPECT_EQ(ChkNumeric("2.51"), 3);
}

TEST(ChkNumeric, OverflowOutside32BitsReachesTheCaller) {
  EXPECT_EQ(ChkNumeric("2147483647"), 2147483647);
  EXPECT_EQ(ChkNumeric("2147483647.4"), 2147483647);
  ExpectOverflow([] { ChkNumeric("2147483648"); });
  ExpectOverflow([] { ChkNumeric("2147483647.5"); });
  ExpectOverflow([] { ChkNumeric("-2147483649"); });
}

TEST(CheckNumeric, FourDecimalFixedPoint) {
  EXPECT_EQ(CheckNumeric("1.5").scaled, 15000);
  EXPECT_EQ(CheckNumeric("-2.25").scaled, -22500);
  EXPECT_EQ(CheckNumeric("1.23455").scaled, 12346);  // 12345.5 -> even
  EXPECT_EQ(CheckNumeric("abc").scaled, 0);
  EXPECT_EQ(CheckNumeric("").scaled, 0);
  EXPECT_EQ(CheckNumeric("922337203685477").scaled, 9223372036854770000);
  ExpectOverflow([] { CheckNumeric("1e15"); });
}

TEST(ChkBoolean, NonZeroNumbersAndTheWordTrue) {
  EXPECT_TRUE(ChkBoolean("TRUE"));
  EXPECT_TRUE(ChkBoolean("tRuE"));
  EXPECT_TRUE(ChkBoolean("1"));
  EXPECT_TRUE(ChkBoolean("-0.5"));
  EXPECT_FALSE(ChkBoolean("0"));
  EXPECT_FALSE(ChkBoolean("0.0"));
  EXPECT_FALSE(ChkBoolean("false"));
  EXPECT_FALSE(ChkBoolean("yes"));
  EXPECT_FALSE(ChkBoolean(" true"));
  EXPECT_FALSE(ChkBoolean(""));
}

TEST(TextChecks, CheckNullAndCheckStr) {
  EXPECT_FALSE(CheckNull(""));
  EXPECT_FALSE(CheckNull("   "));
  EXPECT_TRUE(CheckNull(" a "));
  EXPECT_TRUE(CheckNull("\t"));  // only blanks are trimmed
  EXPECT_EQ(CheckStr("O'Brien"), "O''Brien");
  EXPECT_EQ(CheckStr(std::string("a\0''b", 5)), "a''''b");
}

TEST(TextChecks, CheckNostrDropsControlsAndQuotes) {
  EXPECT_EQ(CheckNostr("   "), "");
  EXPECT_EQ(CheckNostr(" a\tb\r\nc\"d'e\0f 50% "s), "abcdef 50％");
  EXPECT_EQ(CheckNostr("x\xEF\xA3\xB5y"), "xy");  // the ANSI character 255
  EXPECT_EQ(CheckNostr("\t x \t"), "x");          // trimmed again after the removal
}

TEST(TextChecks, CheckNullStr) {
  EXPECT_EQ(CheckNullStr(vb::Variant::Null()), "");
  EXPECT_EQ(CheckNullStr(vb::Variant()), "");
  EXPECT_EQ(CheckNullStr(vb::Variant("   ")), "");
  EXPECT_EQ(CheckNullStr(vb::Variant("HTTP://")), "");
  EXPECT_EQ(CheckNullStr(vb::Variant(" a\r\nb\t'c\"d ")), "abcd");
  EXPECT_EQ(CheckNullStr(vb::Variant("a\rb\nc")), "a\rb\nc");  // only CR LF pairs go
  EXPECT_EQ(CheckNullStr(vb::Variant(int32_t{12})), "12");
  EXPECT_EQ(CheckNullStr(vb::Variant::Array1(0, 1)), "");
}

TEST(TextChecks, ChkFormStrEscapesForPages) {
  EXPECT_EQ(ChkFormStr(" <a href='x'>50%\r\n</a>\t& \"q\" "),
            "&lt;a href=&#39;x&#39;&gt;50％&lt;/a&gt;& &quot;q&quot;");
  EXPECT_EQ(ChkFormStr("ガ"), "&#12460;");
  EXPECT_EQ(ChkFormStr(""), "");
}

TEST(FormatSize, UnitsToKilobytes) {
  EXPECT_EQ(FormatSize("2M").scaled, 2048 * 10000);
  EXPECT_EQ(FormatSize("1.5 MB").scaled, 1536 * 10000);
  EXPECT_EQ(FormatSize("1 G").scaled, 1048576LL * 10000);
  EXPECT_EQ(FormatSize("2048 bytes").scaled, 2 * 10000);
  EXPECT_EQ(FormatSize("3000 Byte").scaled, 2 * 10000);  // remainder dropped
  EXPECT_EQ(FormatSize("1.5KB").scaled, 15000);
  EXPECT_EQ(FormatSize("300").scaled, 300 * 10000);
  EXPECT_EQ(FormatSize("2&nbsp;MB").scaled, 2048 * 10000);
  EXPECT_EQ(FormatSize("2&NBSP;mb").scaled, 2048 * 10000);
  EXPECT_EQ(FormatSize("2ＭＢ").scaled, 2048 * 10000);
  EXPECT_EQ(FormatSize("2ｍｂ").scaled, 2048 * 10000);
  EXPECT_EQ(FormatSize("1　M\r\n").scaled, 1024 * 10000);  // ideographic space
}

TEST(FormatSize, TextThatDoesNotReadGivesZero) {
  EXPECT_EQ(FormatSize("abc").scaled, 0);
  EXPECT_EQ(FormatSize("1 TB").scaled, 0);
  EXPECT_EQ(FormatSize("").scaled, 0);
  EXPECT_EQ(FormatSize("MB").scaled, 0);
  EXPECT_EQ(FormatSize("999999999999 G").scaled, 0);        // overflow
  EXPECT_EQ(FormatSize("99999999999999 bytes").scaled, 0);  // beyond 32 bits
}

TEST(FormatFileSize, SizeClassBoundaries) {
  EXPECT_EQ(FormatFileSize(0), "0 Bytes");
  EXPECT_EQ(FormatFileSize(1023), "1,023 Bytes");
  EXPECT_EQ(FormatFileSize(1024), "1.00KB (1,024 Bytes)");
  EXPECT_EQ(FormatFileSize(1536), "1.50KB (1,536 Bytes)");
  EXPECT_EQ(FormatFileSize(10239), "10.00KB (10,239 Bytes)");
  EXPECT_EQ(FormatFileSize(10240), "10.0KB (10,240 Bytes)");
  EXPECT_EQ(FormatFileSize(102399), "100.0KB (102,399 Bytes)");
  EXPECT_EQ(FormatFileSize(102400), "100KB (102,400 Bytes)");
  EXPECT_EQ(FormatFileSize(1023999), "1000KB (1,023,999 Bytes)");
  EXPECT_EQ(FormatFileSize(1024000), "0.98MB (1,024,000 Bytes)");
  EXPECT_EQ(FormatFileSize(1048575), "1.00MB (1,048,575 Bytes)");
  EXPECT_EQ(FormatFileSize(1048576), "1.00MB (1,048,576 Bytes)");
  EXPECT_EQ(FormatFileSize(10485760), "10.0MB (10,485,760 Bytes)");
  EXPECT_EQ(FormatFileSize(104857600), "100MB (104,857,600 Bytes)");
  EXPECT_EQ(FormatFileSize(1023999999), "977MB (1,023,999,999 Bytes)");
  EXPECT_EQ(FormatFileSize(1024000000), "0.95GB (1,024,000,000 Bytes)");
  EXPECT_EQ(FormatFileSize(2147483647), "2.00GB (2,147,483,647 Bytes)");
}

TEST(FormatFileSize, OverflowFromTheSizeClassReachesTheCaller) {
  EXPECT_EQ(FormatFileSize(2147483647.4), "2.00GB (2,147,483,647 Bytes)");
  ExpectOverflow([] { FormatFileSize(2147483647.5); });
  ExpectOverflow([] { FormatFileSize(5e9); });
}

TEST(URLDecode, PlusPunctuationAndDoubleByteCharacters) {
  EXPECT_EQ(URLDecode(""), "");
  EXPECT_EQ(URLDecode("a+b%2F"), "a b/");
  EXPECT_EQ(URLDecode("%B0%A1"), "啊");
  EXPECT_EQ(URLDecode("%b0%a1x"), "啊x");
  EXPECT_EQ(URLDecode("%B0-A1"), "啊");  // the character between is not checked
  EXPECT_EQ(URLDecode("%B0中A1"), "啊");
  EXPECT_EQ(URLDecode("%41%42"), "AB");
  EXPECT_EQ(URLDecode("中%3F%7e"), "中?~");
  EXPECT_EQ(URLDecode("a%7Fb%7fc"), "abc");
}

TEST(URLDecode, BrokenEscapesGiveTheTextUndecoded) {
  EXPECT_EQ(URLDecode("%ZZ"), "%ZZ");
  EXPECT_EQ(URLDecode("a+%B0"), "a+%B0");
  EXPECT_EQ(URLDecode("x%B0%A"), "x%B0%A");
  EXPECT_EQ(URLDecode("50%"), "50%");
  EXPECT_EQ(URLDecode("a+b%7F%"), "a+b%");  // %7F is still removed
}

TEST(RandomMembers, StayInTheirRanges) {
  std::set<int32_t> stars;
  for (int i = 0; i < 300; ++i) {
    int32_t hits = GetRndHits();
    EXPECT_GE(hits, 100);
    EXPECT_LE(hits, 999);
    stars.insert(GetRndStar());
  }
  EXPECT_EQ(stars, (std::set<int32_t>{2, 3, 4}));
}

TEST(RandomMembers, HtmlRndFileNameIsTheClockAndTwoDigits) {
  ostrel::testing::ClockGuard clock(At(2024, 3, 5, 4, 7, 9), 42);
  for (int i = 0; i < 50; ++i) {
    std::string name = HtmlRndFileName();
    ASSERT_EQ(name.size(), 16u) << name;
    EXPECT_EQ(name.substr(0, 14), "20240305040709");
    int tail = std::stoi(name.substr(14));
    EXPECT_GE(tail, 10);
    EXPECT_LE(tail, 99);
  }
}

TEST(FormatDate, TheTenLayouts) {
  vb::Variant when(At(2005, 11, 9, 8, 5, 3));
  const char* expected[] = {"2005-11-09 08:05:03",
                            "2005-11-09",
                            "2005/11/09",
                            "2005年11月09日",
                            "11-09",
                            "11/09",
                            "11月09日",
                            "2005年11月",
                            "2005-11",
                            "2005/11"};
  for (int32_t i = 1; i <= 10; ++i) {
    vb::Variant text = FormatDate(when, vb::Variant(i));
    ASSERT_TRUE(text.IsString()) << i;
    EXPECT_EQ(text.AsString(), expected[i - 1]) << i;
  }
  EXPECT_EQ(FormatDate(when, vb::Variant("4")).AsString(), "2005年11月09日");
  EXPECT_EQ(FormatDate(when, vb::Variant(3.0)).AsString(), "2005/11/09");
  EXPECT_EQ(FormatDate(vb::Variant("2005-11-9 8:05:03"), vb::Variant(2)).AsString(), "2005-11-09");
}

TEST(FormatDate, OtherwiseTheValueComesBackUnchanged) {
  vb::Variant when(At(2005, 11, 9, 8, 5, 3));
  for (const vb::Variant& para : {vb::Variant(int32_t{11}), vb::Variant(int32_t{0}),
                                  vb::Variant("01"), vb::Variant("x"), vb::Variant::Null()}) {
    vb::Variant same = FormatDate(when, para);
    ASSERT_TRUE(same.IsDate());
    EXPECT_EQ(same.AsDate(), when.AsDate());
  }
  EXPECT_EQ(FormatDate(vb::Variant("abc"), vb::Variant(1)).AsString(), "abc");
  EXPECT_TRUE(FormatDate(vb::Variant::Null(), vb::Variant(1)).IsNull());
}

TEST(ReadAlpha, LatinLettersDigitsAndTheRest) {
  EXPECT_EQ(ReadAlpha("啊"), "A-Z");
  EXPECT_EQ(ReadAlpha("apple"), "A");
  EXPECT_EQ(ReadAlpha("  zeta"), "Z");
  EXPECT_EQ(ReadAlpha("Quick"), "Q");
  EXPECT_EQ(ReadAlpha("3D"), "0-9");
  EXPECT_EQ(ReadAlpha("#1"), "A-9");
  EXPECT_EQ(ReadAlpha(""), "A-9");
  EXPECT_EQ(ReadAlpha("   "), "A-9");
  EXPECT_EQ(ReadAlpha("€"), "A-9");   // single byte 0x80 in code page 936
  EXPECT_EQ(ReadAlpha("Ａ"), "A-9");  // fullwidth letter: A3C1, in no range
  EXPECT_EQ(ReadAlpha("😀"), "A-9");   // no GBK code at all
  EXPECT_EQ(ReadAlpha("中国"), "Z-Z");
  EXPECT_EQ(ReadAlpha("北京"), "B-Z");
}

TEST(ReadAlpha, FirstAndLastCodeOfEveryRange) {
  struct Case {
    uint32_t code;
    const char* letter;
  };
  const Case cases[] = {
      {0xB0A1, "A-Z"},
      {0xB0C4, "A-Z"},
      {0x90DB, "A-Z"},
      {0xB0C5, "B-Z"},
      {0xB2C0, "B-Z"},
      {0x9AEA, "B-Z"},
      {0xB2C1, "C-Z"},
      {0xB4ED, "C-Z"},
      {0x827D, "C-Z"},
      {0xB4EE, "D-Z"},
      {0xB752, "D-Z"},
      {0x8FD4, "D-Z"},
      {0x90DA, "D-Z"},
      {0x90DC, "D-Z"},
      {0x967C, "D-Z"},
      {0xF1BC, "D-Z"},
      {0xB753, "E-Z"},
      {0xB7A1, "E-Z"},
      {0xF049, "E-Z"},
      {0xB7A2, "F-Z"},
      {0xB8C0, "F-Z"},
      {0x8DB9, "F-Z"},
      {0xEF88, "F-Z"},
      {0xF850, "F-Z"},
      {0xB8C1, "G-Z"},
      {0xB9FD, "G-Z"},
      {0x87F8, "G-Z"},
      {0x8C6D, "G-Z"},
      {0x8CF9, "G-Z"},
      {0x8F56, "G-Z"},
      {0xB9FE, "H-Z"},
      {0xBBF6, "H-Z"},
      {0xE6E8, "H-Z"},
      {0xBBF7, "J-Z"},
      {0xBE62, "J-Z"},
      {0xBE64, "J-Z"},
      {0xBFA5, "J-Z"},
      {0x9888, "J-Z"},
      {0xF3DE, "J-Z"},
      {0xBFA6, "K-Z"},
      {0xC0AB, "K-Z"},
      {0xC0AC, "L-Z"},
      {0xC2E7, "L-Z"},
      {0xBE63, "L-Z"},
      {0xE5D6, "L-Z"},
      {0xF3D2, "L-Z"},
      {0xC2E8, "M-Z"},
      {0xC4C2, "M-Z"},
      {0xC4C3, "N-Z"},
      {0xC5B5, "N-Z"},
      {0xC5B6, "O-Z"},
      {0xC5BD, "O-Z"},
      {0xC5BE, "P-Z"},
      {0xC6D9, "P-Z"},
      {0xC6DA, "Q-Z"},
      {0xC8BA, "Q-Z"},
      {0xF4C3, "Q-Z"},
      {0xF6C4, "Q-Z"},
      {0xC8BB, "R-Z"},
      {0xC8F5, "R-Z"},
      {0xC8F6, "S-Z"},
      {0xCBF9, "S-Z"},
      {0x84D9, "S-Z"},
      {0xCBFA, "T-Z"},
      {0xCDD9, "T-Z"},
      {0xCDDA, "W-Z"},
      {0xCEF3, "W-Z"},
      {0xCEF4, "X-Z"},
      {0xD1B8, "X-Z"},
      {0xD1B9, "Y-Z"},
      {0xD4D0, "Y-Z"},
      {0xD4D1, "Z-Z"},
      {0xE5D5, "Z-Z"},
      {0xE5D7, "Z-Z"},
      {0xE6E7, "Z-Z"},
      {0xE6E9, "Z-Z"},
      {0xEF87, "Z-Z"},
      {0xEF89, "Z-Z"},
      {0xF048, "Z-Z"},
      {0xF04A, "Z-Z"},
      {0xF1BB, "Z-Z"},
      {0xF1BD, "Z-Z"},
      {0xF3AF, "Z-Z"},
      {0x9B67, "Z-Z"},
      // Just outside: GBK characters no row covers.
      {0xB0A0, "A-9"},
      {0x8FD3, "A-9"},
      {0x967D, "A-9"},
      {0xF3B0, "A-9"},
      {0xF850 + 1, "A-9"},
  };
  for (const Case& c : cases) {
    const std::string bytes = {static_cast<char>(c.code >> 8), static_cast<char>(c.code & 0xFF)};
    std::string ch = text::Decode(bytes, "GB2312");
    // The fixture must be a real character that encodes back to its code.
    ASSERT_EQ(text::Encode(ch, "GB2312"), bytes) << std::hex << c.code;
    EXPECT_EQ(ReadAlpha(ch + "x"), c.letter) << std::hex << c.code;
  }
}
