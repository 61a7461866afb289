#include "platform/text/charset.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include <thread>
#include <vector>

#include "platform/vb/utf8.h"
#include "platform/vb/vb_error.h"

using namespace ostrel::text;

namespace {

const std::string kFFFD = "\xEF\xBF\xBD";

}  // namespace

TEST(Charset, Gb2312IsCodePage936) {
  std::string text = "中文标题，测试！abc";
  std::string bytes = Encode(text, "GB2312");
  EXPECT_EQ(bytes.substr(0, 4), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(bytes.size(), 2 * 8 + 3u);
  EXPECT_EQ(Decode(bytes, "gb2312"), text);
  // Characters beyond GB2312 proper decode too: the name means GBK.
  EXPECT_EQ(Decode("\x81\x40", "GB2312"), "丂");
  EXPECT_EQ(Encode("丂", "gbk"), "\x81\x40");
  EXPECT_EQ(Decode("\x80", "cp936"), "€");
  EXPECT_EQ(FromAnsi(ToAnsi("啊")), "啊");
  EXPECT_EQ(ToAnsi("啊"), "\xB0\xA1");
}

TEST(Charset, Big5IsCodePage950) {
  std::string text = "繁體中文測試";
  std::string bytes = Encode(text, "BIG5");
  EXPECT_EQ(bytes.substr(0, 4), "\xC1\x63\xC5\xE9");
  EXPECT_EQ(Decode(bytes, "big5"), text);
  EXPECT_EQ(Decode("\xA4\xA4\xA4\xE5", "CP950"), "中文");
  EXPECT_EQ(Decode("\xF9\xFE", "big5"), "▓");  // a code page 950 addition to Big5
}

TEST(Charset, InvalidBytesBecomeReplacementAndResynchronise) {
  // A lead byte with a bad trail costs one U+FFFD; the trail byte survives.
  EXPECT_EQ(Decode("\x81\x20"
                   "abc",
                   "GB2312"),
            kFFFD + " abc");
  EXPECT_EQ(Decode("ab\xB0", "GB2312"), "ab" + kFFFD);  // cut off at the end
  EXPECT_EQ(Decode("\xFF\xFF"
                   "x",
                   "GB2312"),
            kFFFD + kFFFD + "x");
  EXPECT_EQ(Decode("\xB0\xA1\xFF\xB0\xA1", "GB2312"), "啊" + kFFFD + "啊");
  EXPECT_EQ(Decode("\xFF\x20\xA4", "big5"), kFFFD + " " + kFFFD);
  EXPECT_EQ(Decode("", "GB2312"), "");
}

TEST(Charset, Utf8DropsTheBomAndRepairsBadBytes) {
  EXPECT_EQ(Decode("\xEF\xBB\xBF中文", "UTF-8"), "中文");
  EXPECT_EQ(Decode("\xEF\xBB\xBF", "utf8"), "");
  EXPECT_EQ(Decode("a\xEF\xBB\xBF", "utf-8"), "a\xEF\xBB\xBF");  // only a leading BOM
  EXPECT_EQ(Decode("a\xC3(b", "UTF-8"), "a" + kFFFD + "(b");
  EXPECT_EQ(Decode("\xE4\xB8", "UTF-8"), kFFFD + kFFFD);
  EXPECT_EQ(Decode("\xED\xA0\x80", "UTF-8"), kFFFD + kFFFD + kFFFD);  // an encoded surrogate
  EXPECT_EQ(Decode("\xC0\xAF", "UTF-8"), kFFFD + kFFFD);              // overlong
  EXPECT_EQ(SanitizeUtf8("ok 中文 \xF0\x9F\x98\x80"), "ok 中文 \xF0\x9F\x98\x80");
  EXPECT_EQ(SanitizeUtf8("\xFE"), kFFFD);
  EXPECT_EQ(Encode("a\xFF"
                   "b",
                   "UTF-8"),
            "a" + kFFFD + "b");
}

TEST(Charset, UnmappableCharactersEncodeAsQuestionMarks) {
  EXPECT_EQ(Encode("a\xF0\x9F\x98\x80"
                   "b中",
                   "GB2312"),
            "a?b\xD6\xD0");
  EXPECT_EQ(Encode("é中", "ascii"), "??");
  EXPECT_EQ(Encode("a\xFF"
                   "b",
                   "GB2312"),
            "a?b");                                         // a byte that is no UTF-8
  EXPECT_EQ(Encode("中\xE4\xB8", "GB2312"), "\xD6\xD0??");  // one per bad byte
  EXPECT_EQ(Encode("한국어", "big5"), "???");
  EXPECT_EQ(Encode("", "big5"), "");
}

TEST(Charset, Utf16) {
  EXPECT_EQ(Decode(std::string("\xFF\xFE"
                               "a\0\x2D\x4E",
                               6),
                   "unicode"),
            "a中");
  EXPECT_EQ(Decode(std::string("\x00"
                               "a\x4E\x2D",
                               4),
                   "UTF-16BE"),
            "a中");
  EXPECT_EQ(Decode(std::string("\xFE\xFF\x00"
                               "a",
                               4),
                   "utf-16"),
            "a");
  EXPECT_EQ(Decode(std::string("\x3D\xD8\x00\xDE", 4), "utf-16le"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Decode(std::string("\x3D\xD8"
                               "a\0",
                               4),
                   "utf-16le"),
            kFFFD + "a");  // lone half
  EXPECT_EQ(Decode(std::string("a\0b", 3), "utf-16le"), "a" + kFFFD);
  EXPECT_EQ(Encode("a中\xF0\x9F\x98\x80", "unicode"),
            std::string("a\0\x2D\x4E\x3D\xD8\x00\xDE", 8));
}

TEST(Charset, SingleByteCharsets) {
  EXPECT_EQ(Decode("\xE9t\xE9", "ISO-8859-1"), "été");
  EXPECT_EQ(Decode("\x80", "windows-1252"), "€");
  EXPECT_EQ(Encode("été", "latin1"), "\xE9t\xE9");
  EXPECT_EQ(Decode("a\xC8", "us-ascii"), "a" + kFFFD);
}

TEST(Charset, Names) {
  for (const char* name : {"GB2312", "gbk", " Gb2312 ", "CP936", "x-gbk", "gb_2312-80", "BIG5",
                           "cp950", "UTF-8", "utf8", "unicode", "UTF-16LE", "ascii", "us-ascii",
                           "iso-8859-1", "latin1", "windows-1252", "EUC-JP"}) {
    EXPECT_TRUE(IsKnownCharset(name)) << name;
  }
  for (const char* name : {"", "no-such-charset", "UTF-8//IGNORE", "gb2312//TRANSLIT"}) {
    EXPECT_FALSE(IsKnownCharset(name)) << name;
  }
  try {
    Decode("x", "no-such-charset");
    FAIL() << "no error";
  } catch (const ostrel::vb::VbError& e) {
    EXPECT_EQ(e.number(), 3004);
  }
  EXPECT_THROW(Encode("x", ""), ostrel::vb::VbError);
  EXPECT_EQ(Decode("\xA4\xA2\xA5\xA2", "EUC-JP"), "あア");
}

TEST(Charset, LargePagesAndThreads) {
  // A megabyte page with a bad byte in the middle, decoded on four threads
  // at once (each has its own converters).
  std::string unit = Encode("新闻内容<p>text 测试</p>\r\n", "GB2312");
  std::string page;
  while (page.size() < (1 << 20)) page += unit;
  std::string damaged = page + "\xFF" + page;
  std::string expected_unit = "新闻内容<p>text 测试</p>\r\n";
  std::vector<std::string> results(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] { results[t] = Decode(damaged, "GB2312"); });
  }
  for (auto& th : threads) th.join();
  size_t repeats = page.size() / unit.size();
  std::string half;
  for (size_t i = 0; i < repeats; ++i) half += expected_unit;
  for (const std::string& r : results) EXPECT_EQ(r, half + kFFFD + half);
  EXPECT_EQ(Encode(results[0], "GB2312"), page + "?" + page);
}

TEST(Charset, MarkupAroundTextEncodesAsOneConversionWould) {
  // ASCII runs are copied and only the runs between them converted: the
  // bytes must be those of converting the text character by character.
  std::string page = "<td class=x>中文</td>\r\n<b>한글 €</b>x\xFFy<i>測</i>";
  std::string expected;
  for (size_t i = 0; i < page.size();) {
    size_t n = 1;
    unsigned char c = static_cast<unsigned char>(page[i]);
    if (c >= 0xF0)
      n = 4;
    else if (c >= 0xE0)
      n = 3;
    else if (c >= 0xC0)
      n = 2;
    if (c == 0xFF) n = 1;
    expected += Encode(page.substr(i, n), "GB2312");
    i += n;
  }
  EXPECT_EQ(Encode(page, "GB2312"), expected);
  EXPECT_EQ(Encode("plain ascii", "GB2312"), "plain ascii");
  EXPECT_EQ(Encode("한", "GB2312"), "?");
  EXPECT_EQ(Encode("x\xFFy", "GB2312"), "x?y");
}

// The double-byte code pages decode through a table read from iconv: every
// byte pair, and noise around them, decodes exactly as iconv itself does
// with one U+FFFD per byte that starts no character.
TEST(Charset, DoubleByteTablesDecodeAsIconvDoes) {
  auto by_iconv = [](const std::string& bytes, const char* from) {
    iconv_t cd = iconv_open("UTF-8", from);
    std::string out;
    char buffer[64];
    char* src = const_cast<char*>(bytes.data());
    size_t left = bytes.size();
    while (left > 0) {
      char* dst = buffer;
      size_t room = sizeof buffer;
      size_t r = iconv(cd, &src, &left, &dst, &room);
      out.append(buffer, dst - buffer);
      if (r == static_cast<size_t>(-1) && errno != E2BIG) {
        out += "\xEF\xBF\xBD";
        ++src;
        --left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
      }
    }
    iconv_close(cd);
    return out;
  };
  std::string noise;
  uint32_t seed = 7;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245 + 12345;
    noise += static_cast<char>(seed >> 16);
  }
  for (const char* charset : {"GBK", "BIG5"}) {
    const char* iconv_name = std::string(charset) == "GBK" ? "CP936" : "CP950";
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
      std::string pairs;
      for (int trail = 0; trail <= 0xFF; ++trail) {
        pairs += {static_cast<char>(lead), static_cast<char>(trail), 'a'};
      }
      ASSERT_EQ(Decode(pairs, charset), by_iconv(pairs, iconv_name)) << charset << " " << lead;
    }
    EXPECT_EQ(Decode(noise, charset), by_iconv(noise, iconv_name)) << charset;
    EXPECT_EQ(Decode(noise + "\xB0", charset), by_iconv(noise + "\xB0", iconv_name)) << charset;
  }
}

// And every character of the basic plane encodes as iconv encodes it, "?"
// where the code page lacks it.
TEST(Charset, DoubleByteTablesEncodeAsIconvDoes) {
  for (const char* charset : {"GBK", "BIG5"}) {
    iconv_t cd = iconv_open(std::string(charset) == "GBK" ? "CP936" : "CP950", "UTF-8");
    std::string text, expected;
    for (char32_t cp = 0x20; cp <= 0xFFFF; ++cp) {
      if (cp >= 0xD800 && cp <= 0xDFFF) continue;
      std::string one;
      ostrel::vb::AppendUtf8(&one, cp);
      char bytes[8];
      char* src = one.data();
      size_t left = one.size();
      char* dst = bytes;
      size_t room = sizeof bytes;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      bool ok = iconv(cd, &src, &left, &dst, &room) != static_cast<size_t>(-1);
      text += one;
      expected += ok ? std::string(bytes, dst - bytes) : "?";
    }
    iconv_close(cd);
    EXPECT_EQ(Encode(text, charset), expected) << charset;
  }
}
