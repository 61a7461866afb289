#include "platform/vb/strings.h"

#include <gtest/gtest.h>

#include "platform/vb/vb_error.h"
#include "support/error_of.h"

using namespace ostrel::vb;

namespace {

using ostrel::testing::ErrorOf;

// U+1F600, one character of two UTF-16 units.
const std::string kSmile = "\xF0\x9F\x98\x80";

}  // namespace

TEST(Strings, LengthsCountUtf16Units) {
  EXPECT_EQ(Len(""), 0);
  EXPECT_EQ(Len("abc"), 3);
  EXPECT_EQ(Len("中文abc"), 5);
  EXPECT_EQ(Len("a" + kSmile + "b"), 4);
  EXPECT_EQ(Len("\xFF\xFE"), 2);  // each invalid byte is a character of its own
  EXPECT_EQ(Len(std::string(1000, 'x') + "中"), 1001);
}

TEST(Strings, LeftMidRightOverChineseAndPairs) {
  std::string s = "新闻标题abc";
  EXPECT_EQ(Left(s, 2), "新闻");
  EXPECT_EQ(Left(s, 0), "");
  EXPECT_EQ(Left(s, 100), s);
  EXPECT_EQ(Right(s, 4), "题abc");
  EXPECT_EQ(Right(s, 100), s);
  EXPECT_EQ(Mid(s, 3), "标题abc");
  EXPECT_EQ(Mid(s, 3, 2), "标题");
  EXPECT_EQ(Mid(s, 7, 5), "c");
  EXPECT_EQ(Mid(s, 50), "");
  EXPECT_EQ(Mid(s, 2, 0), "");

  std::string p = "a" + kSmile + "b";  // units: a=1, pair=2-3, b=4
  EXPECT_EQ(Left(p, 3), "a" + kSmile);
  EXPECT_EQ(Mid(p, 2, 2), kSmile);
  EXPECT_EQ(Mid(p, 4), "b");
  EXPECT_EQ(Right(p, 3), kSmile + "b");
  // A cut inside a pair keeps both halves together on the right-hand side.
  EXPECT_EQ(Left(p, 2), "a");
  EXPECT_EQ(Left(p, 2) + Mid(p, 3), p);
}

TEST(Strings, NegativeLengthsAndStartsRaise) {
  EXPECT_EQ(ErrorOf([] { Left("abc", -1); }), kErrInvalidCall);
  EXPECT_EQ(ErrorOf([] { Right("abc", -1); }), kErrInvalidCall);
  EXPECT_EQ(ErrorOf([] { Mid("abc", 0); }), kErrInvalidCall);
  EXPECT_EQ(ErrorOf([] { Mid("abc", 1, -1); }), kErrInvalidCall);
  EXPECT_EQ(ErrorOf([] { InStr(0, "abc", "a"); }), kErrInvalidCall);
  EXPECT_EQ(ErrorOf([] { InStrRev("abc", "a", 0); }), kErrInvalidCall);
  EXPECT_EQ(ErrorOf([] { Replace("abc", "a", "b", 0); }), kErrInvalidCall);
  EXPECT_EQ(ErrorOf([] { Split("abc", ",", -2); }), kErrInvalidCall);
  EXPECT_EQ(ErrorOf([] { Space(-1); }), kErrInvalidCall);
  EXPECT_EQ(ErrorOf([] { Asc(""); }), kErrInvalidCall);
  EXPECT_EQ(ErrorOf([] { Chr(65536); }), kErrInvalidCall);
}

TEST(Strings, InStrPositions) {
  EXPECT_EQ(InStr("中文标题中文", "标题"), 3);
  EXPECT_EQ(InStr(4, "中文标题中文", "中文"), 5);
  EXPECT_EQ(InStr("abc", "d"), 0);
  EXPECT_EQ(InStr("a" + kSmile + "b", "b"), 4);
  EXPECT_EQ(InStr(3, "abcabc", "abc"), 4);
  EXPECT_EQ(InStr(7, "abcabc", "c"), 0);
  // An empty find gives start while start is at most Len + 1; an empty text 0.
  EXPECT_EQ(InStr("abc", ""), 1);
  EXPECT_EQ(InStr(3, "abc", ""), 3);
  EXPECT_EQ(InStr(4, "abc", ""), 4);
  EXPECT_EQ(InStr(5, "abc", ""), 0);
  EXPECT_EQ(InStr("", ""), 0);
  EXPECT_EQ(InStr("", "a"), 0);
  EXPECT_EQ(InStr("Hello WORLD", "world"), 0);
  EXPECT_EQ(InStr("Hello WORLD", "world", CompareMode::Text), 7);
  EXPECT_EQ(InStr("Ärger ÄRGER", "ärger", CompareMode::Text), 1);
  EXPECT_EQ(InStr("中文ПРИВЕТ", "привет", CompareMode::Text), 3);
  EXPECT_EQ(InStr("ＡＢＣ", "ｂ", CompareMode::Text), 2);
  EXPECT_EQ(InStr(4, "中文<中文<", "<", CompareMode::Text), 6);  // a needle with no letters
  EXPECT_EQ(InStr(2, "aBcAbC", "abc", CompareMode::Text), 4);
}

TEST(Strings, InStrRevPositions) {
  EXPECT_EQ(InStrRev("abcabc", "abc"), 4);
  EXPECT_EQ(InStrRev("abcabc", "abc", 5), 1);  // the match must end by start
  EXPECT_EQ(InStrRev("abcabc", "abc", 6), 4);
  EXPECT_EQ(InStrRev("中文中文", "中"), 3);
  EXPECT_EQ(InStrRev("a\\b\\c.txt", "\\"), 4);
  EXPECT_EQ(InStrRev("abc", "x"), 0);
  EXPECT_EQ(InStrRev("abc", ""), 3);
  EXPECT_EQ(InStrRev("abc", "", 2), 2);
  EXPECT_EQ(InStrRev("abc", "a", 9), 0);
  EXPECT_EQ(InStrRev("ABCabc", "ABC", -1, CompareMode::Text), 4);
}

TEST(Strings, ReplaceEdgeCases) {
  EXPECT_EQ(Replace("O'Brien", "'", "''"), "O''Brien");
  EXPECT_EQ(Replace("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(Replace("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(Replace("abc", "", "x"), "abc");
  EXPECT_EQ(Replace("", "a", "x"), "");
  EXPECT_EQ(Replace("a-b-c", "-", ""), "abc");
  EXPECT_EQ(Replace("a-b-c", "-", "+", 1, 1), "a+b-c");
  EXPECT_EQ(Replace("a-b-c", "-", "+", 1, 0), "a-b-c");
  EXPECT_EQ(Replace("a-b-c", "-", "+", 3), "b+c");  // text before start is dropped
  EXPECT_EQ(Replace("abc", "b", "x", 9), "");
  EXPECT_EQ(Replace("中文-中文", "中", "汉"), "汉文-汉文");
  EXPECT_EQ(Replace("&NBSP;x&nbsp;", "&nbsp;", "", 1, -1, CompareMode::Text), "x");
  EXPECT_EQ(Replace("&NBSP;x&nbsp;", "&nbsp;", ""), "&NBSP;x");
}

TEST(Strings, SplitAndJoin) {
  EXPECT_TRUE(Split("").empty());
  EXPECT_TRUE(Split("", ",").empty());
  EXPECT_EQ(Split("a,b,,c", ","), (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_EQ(Split("a,b,", ","), (std::vector<std::string>{"a", "b", ""}));
  EXPECT_EQ(Split("abc", ""), (std::vector<std::string>{"abc"}));
  EXPECT_EQ(Split("a b c"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Split("a$$$b$$$c", "$$$", 2), (std::vector<std::string>{"a", "b$$$c"}));
  EXPECT_TRUE(Split("a,b", ",", 0).empty());
  EXPECT_EQ(Split("aXbxc", "x", -1, CompareMode::Text), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Split("一\r\n二", "\r\n"), (std::vector<std::string>{"一", "二"}));
  EXPECT_EQ(Join({"a", "b", "c"}, "|"), "a|b|c");
  EXPECT_EQ(Join({}, "|"), "");
  EXPECT_EQ(Join(Split("x,y", ","), ","), "x,y");
}

TEST(Strings, CaseTrimAndCompare) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\ta\t"), "\ta\t");  // blanks only
  EXPECT_EQ(Trim("\xE3\x80\x80"
                 "a"),
            "\xE3\x80\x80"
            "a");  // the ideographic space stays
  EXPECT_EQ(LTrim("  a "), "a ");
  EXPECT_EQ(RTrim("  a "), "  a");
  EXPECT_EQ(LCase("HTTP://Ä中Ω"), "http://ä中ω");
  EXPECT_EQ(UCase("abc ÿ ж ａ"), "ABC Ÿ Ж Ａ");
  EXPECT_EQ(LCase("İ"), "İ");  // no same-length lower case: kept
  EXPECT_EQ(StrComp("a", "b"), -1);
  EXPECT_EQ(StrComp("b", "a"), 1);
  EXPECT_EQ(StrComp("abc", "abc"), 0);
  EXPECT_EQ(StrComp("ab", "abc"), -1);
  EXPECT_EQ(StrComp("ABC", "abc", CompareMode::Text), 0);
  EXPECT_EQ(StrComp("A", "a"), -1);
  // UTF-16 order: a character above U+FFFF sorts before U+E000..U+FFFF.
  EXPECT_EQ(StrComp(kSmile, "\xEF\xBC\xA1"), -1);
  EXPECT_EQ(StrComp("中", "a"), 1);
}

TEST(Strings, AnsiCodePage) {
  EXPECT_EQ(Chr(0xB0A1), "啊");
  EXPECT_EQ(Chr(-20319), "啊");
  EXPECT_EQ(Chr(65), "A");
  EXPECT_EQ(Chr(13) + Chr(10), "\r\n");
  EXPECT_EQ(Chr(0x80), "€");
  EXPECT_EQ(Chr(0xA1A1), "\xE3\x80\x80");  // the ideographic space
  EXPECT_EQ(Asc("啊"), -20319);
  EXPECT_EQ(AnsiCode("啊"), 0xB0A1u);
  EXPECT_EQ(Asc("A中"), 65);
  EXPECT_EQ(AnsiCode("中"), 0xD6D0u);
  EXPECT_EQ(Asc(Chr(255)), 255);
  EXPECT_EQ(Asc(kSmile), '?');  // not in the code page
  EXPECT_EQ(AnsiCode("\xE3\x80\x80"), 0xA1A1u);
}

TEST(Strings, WideCodes) {
  EXPECT_EQ(ChrW(0x554A), "啊");
  EXPECT_EQ(ChrW(12460), "\xE3\x82\xAC");
  EXPECT_EQ(ChrW(-196), "\xEF\xBC\xBC");  // U+FF3C given as a signed Integer
  EXPECT_EQ(ChrW(0xD800), "\xEF\xBF\xBD");
  EXPECT_EQ(AscW("啊"), 0x554A);
  EXPECT_EQ(AscW("\xEF\xBC\xBC"), -196);
  EXPECT_EQ(AscW(kSmile), static_cast<int16_t>(0xD83D));
}

TEST(Strings, RepeatsAndReverse) {
  EXPECT_EQ(Space(3), "   ");
  EXPECT_EQ(String(3, "中文"), "中中中");
  EXPECT_EQ(String(0, "x"), "");
  EXPECT_EQ(StrReverse("ab中" + kSmile), kSmile + "中ba");
  EXPECT_EQ(StrReverse(""), "");
}

TEST(Strings, NumbersAsText) {
  EXPECT_EQ(Hex(255), "FF");
  EXPECT_EQ(Hex(-1), "FFFFFFFF");
  EXPECT_EQ(Hex(0), "0");
  EXPECT_EQ(Oct(8), "10");
  EXPECT_DOUBLE_EQ(Val("  1 2 3abc"), 123);
  EXPECT_DOUBLE_EQ(Val("-1.5e2x"), -150);
  EXPECT_DOUBLE_EQ(Val("1e"), 1);
  EXPECT_DOUBLE_EQ(Val("abc"), 0);
  EXPECT_DOUBLE_EQ(Val("&HFF"), 255);
  EXPECT_DOUBLE_EQ(Val("&HFFFF"), -1);
  EXPECT_DOUBLE_EQ(Val(".5"), 0.5);
}

TEST(Strings, PositionHelpers) {
  std::string s = "ab中" + kSmile + "c";
  EXPECT_EQ(ByteOffsetOfUnit(s, 1), 0u);
  EXPECT_EQ(ByteOffsetOfUnit(s, 3), 2u);
  EXPECT_EQ(ByteOffsetOfUnit(s, 4), 5u);
  EXPECT_EQ(ByteOffsetOfUnit(s, 6), 9u);
  EXPECT_EQ(ByteOffsetOfUnit(s, 99), s.size());
  EXPECT_EQ(UnitOfByteOffset(s, 0), 1);
  EXPECT_EQ(UnitOfByteOffset(s, 2), 3);
  EXPECT_EQ(UnitOfByteOffset(s, 3), 3);  // inside 中
  EXPECT_EQ(UnitOfByteOffset(s, 9), 6);
  EXPECT_EQ(UnitOfByteOffset(s, s.size()), 7);
}

TEST(Strings, LargeInputsStayLinear) {
  // A megabyte of mixed text: these finish at once when the loops are linear.
  std::string big;
  for (int i = 0; i < 100000; ++i) big += "中a,b ";
  std::vector<std::string> parts = Split(big, ",");
  EXPECT_EQ(parts.size(), 100001u);
  std::string replaced = Replace(big, ",", ";;");
  EXPECT_EQ(replaced.size(), big.size() + 100000);
  EXPECT_EQ(InStr(big, "x"), 0);
  EXPECT_EQ(InStr(big + "x", "x"), 500001);
  EXPECT_EQ(Len(big), 500000);
  EXPECT_EQ(Replace(std::string(300000, 'a'), "a", "", 1, -1, CompareMode::Text), "");
}
