#include "platform/ado/stream.h"

#include <gtest/gtest.h>

#include "ado_fixture.h"
#include "platform/ado/ado_error.h"

namespace ostrel::ado {
namespace {

class StreamTest : public AdoTest {
 protected:
  // Reads a file the way the gathering run reads its link list.
  std::string ReadText(const std::string& name, const char* charset) {
    Stream s;
    s.SetType(adTypeBinary);
    s.SetMode(3);
    s.Open();
    s.SetPosition(0);
    s.LoadFromFile(Windows(name));
    s.SetPosition(0);
    s.SetType(adTypeText);
    s.SetCharset(charset);
    std::string text = s.ReadText(adReadAll);
    s.Close();
    return text;
  }
};

TEST_F(StreamTest, Gb2312TextWrittenAndReadBack) {
  const std::string text = "http://127.0.0.1/新闻/1.html\r\nhttp://127.0.0.1/中文/2.html";
  Stream s;
  s.SetMode(3);
  s.SetType(adTypeText);
  s.SetCharset("GB2312");
  s.Open();
  s.WriteText(text);
  s.SaveToFile(Windows("tmpNewslist1.dat"), adSaveCreateOverWrite);
  s.Close();
  std::string bytes = dir_.Read("tmpNewslist1.dat");
  // No byte-order mark, and the characters in code page 936.
  EXPECT_EQ(bytes.substr(0, 20), "http://127.0.0.1/\xD0\xC2\xCE");
  EXPECT_NE(bytes.find("\xD6\xD0\xCE\xC4"), std::string::npos);
  EXPECT_EQ(bytes.size(), text.size() - 4);  // four characters, one byte less each
  EXPECT_EQ(ReadText("tmpNewslist1.dat", "GB2312"), text);
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"tmpNewslist1.dat"});  // no temporary left
}

TEST_F(StreamTest, ReadsBig5AndUtf8) {
  dir_.Write("big5.txt", "\xA4\xA4\xA4\xE5 ok");
  EXPECT_EQ(ReadText("big5.txt", "BIG5"), "中文 ok");
  dir_.Write("utf8.txt", "\xEF\xBB\xBF中文");
  EXPECT_EQ(ReadText("utf8.txt", "UTF-8"), "中文");
  dir_.Write("plain.txt", "中文");
  EXPECT_EQ(ReadText("plain.txt", "utf-8"), "中文");
  // Bytes the charset cannot read do not stop the reading.
  dir_.Write("broken.txt",
             "a\xFF"
             "b");
  EXPECT_EQ(ReadText("broken.txt", "UTF-8"),
            "a\xEF\xBF\xBD"
            "b");
}

TEST_F(StreamTest, Utf8TextStartsWithAMark) {
  Stream s;
  s.Open();
  s.SetType(adTypeText);
  s.SetCharset("UTF-8");
  s.WriteText("中");
  s.WriteText("文");
  EXPECT_EQ(s.Size(), 9);
  s.SaveToFile(Windows("u.txt"), adSaveCreateOverWrite);
  EXPECT_EQ(dir_.Read("u.txt"), "\xEF\xBB\xBF中文");
  s.SetPosition(0);
  EXPECT_EQ(s.ReadText(), "中文");
}

TEST_F(StreamTest, BinaryBytesAndSaveModes) {
  const std::string body("GIF89a\x00\x01\xFF\r\n\x1A", 12);
  Stream s;
  s.SetType(adTypeBinary);
  s.Open();
  s.Write(body);
  EXPECT_EQ(s.Position(), 12);
  s.SaveToFile(Windows("pic.gif"), adSaveCreateOverWrite);
  EXPECT_EQ(dir_.Read("pic.gif"), body);

  // Mode 1 refuses an existing file and leaves it alone; mode 2 replaces it.
  dir_.Write("old.gif", "old");
  EXPECT_VB_ERROR(kErrWriteFile, s.SaveToFile(Windows("old.gif"), adSaveCreateNotExist));
  EXPECT_EQ(dir_.Read("old.gif"), "old");
  s.SaveToFile(Windows("new.gif"));  // mode 1 is the default
  EXPECT_EQ(dir_.Read("new.gif"), body);
  s.SaveToFile(Windows("old.gif"), adSaveCreateOverWrite);
  EXPECT_EQ(dir_.Read("old.gif"), body);
  EXPECT_VB_ERROR(kErrWriteFile, s.SaveToFile(Windows("no/such/dir/x.gif"), 2));
  EXPECT_EQ(dir_.Names().size(), 3u);  // pic, old, new: no temporaries

  s.SetPosition(6);
  EXPECT_EQ(s.Read(2), std::string("\x00\x01", 2));
  s.SetPosition(0);
  s.LoadFromFile(Windows("old.gif"));
  EXPECT_EQ(s.Read(), body);
  EXPECT_VB_ERROR(kErrOpeningFile, s.LoadFromFile(Windows("missing.gif")));
}

TEST_F(StreamTest, MisuseIsRefused) {
  Stream s;
  EXPECT_VB_ERROR(kErrObjectClosed, s.Write("x"));
  EXPECT_VB_ERROR(kErrObjectClosed, s.Size());
  s.Open();
  EXPECT_VB_ERROR(kErrObjectOpen, s.Open());
  EXPECT_VB_ERROR(kErrIllegalOperation, s.WriteText("x"));  // a binary stream
  s.Write("abc");
  EXPECT_VB_ERROR(kErrIllegalOperation, s.SetType(adTypeText));  // not at position 0
  EXPECT_VB_ERROR(kErrInvalidArgument, s.SetPosition(4));
  EXPECT_VB_ERROR(kErrInvalidArgument, s.SetCharset("NO-SUCH-CHARSET"));
  s.SetPosition(0);
  s.SetType(adTypeText);
  EXPECT_VB_ERROR(kErrIllegalOperation, s.Read());
  EXPECT_VB_ERROR(kErrInvalidArgument, s.ReadText(-2));
}

}  // namespace
}  // namespace ostrel::ado
