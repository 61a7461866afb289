// The shared picture core: format by leading bytes, size limits, blending,
// text, and writing that never leaves a part of a file behind.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include "image/test_pictures.h"
#include "platform/image/picture.h"
#include "platform/image/picture_file.h"
#include "platform/image/picture_format.h"
#include "platform/vb/vb_error.h"
#include "support/error_of.h"

namespace ostrel::image {
namespace {

using testing::ChangedBox;
using testing::EncodePicture;
using testing::Near;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using testing::WritePicture;

using ::ostrel::testing::ErrorOf;

TEST(PictureFormat, SniffedFromLeadingBytesOnly) {
  for (Format f : {Format::kJpeg, Format::kPng, Format::kGif, Format::kBmp}) {
    std::string bytes = EncodePicture(f, 8, 6, [](int, int) { return 0x336699u; });
    ASSERT_EQ(SniffFormat(bytes), f);
    auto size = HeaderSize(f, bytes);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, 8u);
    EXPECT_EQ(size->height, 6u);
  }
  EXPECT_FALSE(SniffFormat("<html><body>not found</body></html>"));
  EXPECT_FALSE(SniffFormat(""));
  EXPECT_FALSE(SniffFormat("BM short"));  // "BM" alone is not a bitmap
  EXPECT_FALSE(SniffFormat("GIF90a......"));
}

TEST(PictureLoad, RefusesWhatIsNotAPicture) {
  TempDir dir;
  WriteBytes(dir.Native("page.jpg"), "<html>404</html>");
  EXPECT_EQ(ErrorOf([&] { Picture::Load(dir.Native("page.jpg")); }), 481);
  EXPECT_EQ(ErrorOf([&] { Picture::Load(dir.Native("missing.jpg")); }), 53);
  EXPECT_EQ(ErrorOf([&] { Picture::Load(dir.Native("no/such/a.jpg")); }), 76);
  EXPECT_EQ(ErrorOf([&] { Picture::Load(dir.path()); }), 75);
  // A JPEG cut short after its header is damaged, not a picture.
  std::string jpeg = EncodePicture(Format::kJpeg, 40, 30, [](int x, int) { return x * 5u; });
  WriteBytes(dir.Native("cut.jpg"), jpeg.substr(0, 20));
  EXPECT_EQ(ErrorOf([&] { Picture::Load(dir.Native("cut.jpg")); }), 481);
}

TEST(PictureLoad, RefusesAHeaderClaimingAHugePicture) {
  // A few hundred bytes must not make the decoder ask for gigabytes.
  std::string png = EncodePicture(Format::kPng, 4, 4, [](int, int) { return 0u; });
  std::string huge = png;
  huge.replace(16, 8, std::string("\x00\x01\x86\xA0\x00\x01\x86\xA0", 8));  // 100000 x 100000
  EXPECT_EQ(ErrorOf([&] { Picture::Decode(huge, "huge.png"); }), 481);
  EXPECT_NO_THROW(Picture::Decode(png, "small.png"));
}

TEST(PictureBlend, OpacityAndKeyColour) {
  Picture base = Picture::Decode(
      EncodePicture(Format::kPng, 20, 10, [](int, int) { return 0xFFFFFFu; }), "base");
  // Left half of the mark is the key colour (green), right half red.
  Picture mark = Picture::Decode(
      EncodePicture(Format::kPng, 10, 4, [](int x, int) { return x < 5 ? 0x00FF00u : 0xFF0000u; }),
      "mark");
  base.Blend(mark, 5, 3, 0.5, 0x00FF00u, 0);
  EXPECT_EQ(base.Pixel(6, 4), 0xFFFFFFu);              // key colour: left out
  EXPECT_TRUE(Near(base.Pixel(12, 4), 0xFF8080u, 1));  // red at half opacity
  EXPECT_EQ(base.Pixel(12, 2), 0xFFFFFFu);             // above the mark
  EXPECT_EQ(base.Pixel(16, 4), 0xFFFFFFu);             // right of it

  // Near the key colour counts as the key within the tolerance.
  Picture base2 =
      Picture::Decode(EncodePicture(Format::kPng, 4, 4, [](int, int) { return 0x000000u; }), "b2");
  Picture mark2 = Picture::Decode(
      EncodePicture(Format::kPng, 4, 4, [](int x, int) { return x < 2 ? 0x10F010u : 0x80F080u; }),
      "m2");
  base2.Blend(mark2, 0, 0, 1.0, 0x00FF00u, 40);
  EXPECT_EQ(base2.Pixel(0, 0), 0x000000u);
  EXPECT_EQ(base2.Pixel(3, 0), 0x80F080u);

  // Clipped at every edge without harm.
  base2.Blend(mark2, -2, -3, 1.0, std::nullopt, 0);
  base2.Blend(mark2, 3, 3, 1.0, std::nullopt, 0);
  base2.Blend(mark2, 100, -100, 1.0, std::nullopt, 0);
  EXPECT_EQ(base2.Pixel(3, 3), 0x10F010u);
}

TEST(PictureText, ChineseTextRendersWithAChineseFont) {
  TextStyle style;
  style.family = "Arial";
  style.size = 20;
  EXPECT_NE(Picture::FontFileFor("水印", style).find("wqy"), std::string::npos)
      << Picture::FontFileFor("水印", style);

  auto draw = [&](const std::string& text) {
    Picture p = Picture::Decode(
        EncodePicture(Format::kPng, 120, 40, [](int, int) { return 0xFFFFFFu; }), "t");
    p.DrawText(10, 8, text, style);
    return p;
  };
  Picture a = draw("水印");
  Picture b = draw("中文");
  testing::Box box = ChangedBox(a, 0xFFFFFF, 0);
  ASSERT_GT(box.w(), 0);
  EXPECT_GE(box.x0, 10);
  EXPECT_GE(box.y0, 8);
  Picture::TextBox size = Picture::MeasureText("水印", style);
  EXPECT_LT(box.x1, 10 + size.width);
  EXPECT_LT(box.y1, 8 + size.height);
  // Missing glyphs would all be the same empty box: two different words
  // drawn alike would mean the font has no Chinese.
  int differing = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 120; ++x) differing += a.Pixel(x, y) != b.Pixel(x, y);
  }
  EXPECT_GT(differing, 20);
}

TEST(PictureText, AmpersandIsDrawnAsItself) {
  TextStyle style;
  style.size = 16;
  // "&amp;" would be one character if read as a reference.
  EXPECT_GT(Picture::MeasureText("&amp;", style).width, Picture::MeasureText("&", style).width * 3);
  style.size = 0;
  EXPECT_EQ(ErrorOf([&] { Picture::MeasureText("x", style); }), 5);
}

TEST(PictureSave, KeepsTheFormatAskedForAndThePermissions) {
  TempDir dir;
  Picture p = Picture::Decode(
      EncodePicture(Format::kJpeg, 30, 20, [](int, int) { return 0x123456u; }), "p");
  for (Format f : {Format::kJpeg, Format::kPng, Format::kGif, Format::kBmp}) {
    p.Save(dir.Native("out"), f, 85);
    EXPECT_EQ(SniffFormat(ReadBytes(dir.Native("out"))), f);
  }
  chmod(dir.Native("out").c_str(), 0640);
  p.Save(dir.Native("out"), Format::kPng, 85);
  struct stat st;
  ASSERT_EQ(stat(dir.Native("out").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  p.Save(dir.Native("new.png"), Format::kPng, 85);
  ASSERT_EQ(stat(dir.Native("new.png").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_EQ(dir.Names().size(), 2u);  // no temporary file left
}

// Writing is cut off by the file-size limit partway through: the old file
// must survive whole and the temporary file must go.
TEST(PictureSave, FailedWriteLeavesTheOriginalWhole) {
  TempDir dir;
  std::string original = EncodePicture(
      Format::kPng, 64, 64, [](int x, int y) { return static_cast<uint32_t>(x * 3 + y * 1000); });
  WriteBytes(dir.Native("a.png"), original);
  Picture p = Picture::Decode(
      EncodePicture(Format::kBmp, 200, 200, [](int x, int y) { return x * 7u + y; }), "big");

  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  int error = ErrorOf([&] { p.Save(dir.Native("a.png"), Format::kBmp, 85); });
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);

  EXPECT_EQ(error, 61);
  EXPECT_EQ(ReadBytes(dir.Native("a.png")), original);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"a.png"});
}

// Saving into a folder the process may not write to. Root may write
// anywhere, so under root the save runs in a child that gives up root first.
TEST(PictureSave, ReadOnlyFolderLeavesTheOriginalWhole) {
  TempDir dir;
  WritePicture(dir.Native("a.png"), Format::kPng, 10, 10, 0x00FF00);
  std::string original = ReadBytes(dir.Native("a.png"));
  Picture p = Picture::Load(dir.Native("a.png"));
  chmod(dir.path().c_str(), 0555);
  int error = 0;
  if (geteuid() != 0) {
    error = ErrorOf([&] { p.Save(dir.Native("a.png"), Format::kPng, 85); });
  } else {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
      _exit(ErrorOf([&] { p.Save(dir.Native("a.png"), Format::kPng, 85); }));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    error = WEXITSTATUS(status);
  }
  chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(error, 70);
  EXPECT_EQ(ReadBytes(dir.Native("a.png")), original);
  EXPECT_EQ(dir.Names().size(), 1u);
}

TEST(PictureSave, MissingFolderIsPathNotFound) {
  TempDir dir;
  Picture p = Picture::Decode(EncodePicture(Format::kPng, 4, 4, [](int, int) { return 0u; }), "p");
  EXPECT_EQ(ErrorOf([&] { p.Save(dir.Native("nowhere/a.png"), Format::kPng, 85); }), 76);
}

TEST(PictureResize, ExactSizeAndLimits) {
  Picture p =
      Picture::Decode(EncodePicture(Format::kPng, 80, 60, [](int, int) { return 0xFF0000u; }), "p");
  p.Resize(33, 7);
  EXPECT_EQ(p.width(), 33);
  EXPECT_EQ(p.height(), 7);
  EXPECT_TRUE(Near(p.Pixel(16, 3), 0xFF0000, 2));
  EXPECT_EQ(ErrorOf([&] { p.Resize(0, 5); }), 5);
  EXPECT_EQ(ErrorOf([&] { p.Resize(60000, 60000); }), 5);
}

TEST(PictureFixtures, SampleFilesAreWhatTheySeem) {
  const std::string root = OSTREL_SOURCE_DIR "/tests/fixtures/images/";
  struct {
    const char* name;
    Format format;
  } files[] = {{"photo.jpg", Format::kJpeg}, {"photo.png", Format::kPng},
               {"photo.gif", Format::kGif},  {"photo.bmp", Format::kBmp},
               {"mark.png", Format::kPng},   {"png-named.jpg", Format::kPng}};
  for (const auto& f : files) {
    Picture p = Picture::Load(root + f.name);
    EXPECT_EQ(p.format(), f.format) << f.name;
  }
}

}  // namespace
}  // namespace ostrel::image
