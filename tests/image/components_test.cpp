// The three image components through the members the watermark maker uses,
// on real picture files named in Windows form.
#include <gtest/gtest.h>

#include "image/test_pictures.h"
#include "platform/image/gvbox.h"
#include "platform/image/image_gen.h"
#include "platform/image/installed.h"
#include "platform/image/persits_jpeg.h"
#include "platform/vb/vb_error.h"
#include "support/error_of.h"

namespace ostrel::image {
namespace {

using testing::ChangedBox;
using testing::LoadNative;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using testing::WritePicture;

using ::ostrel::testing::ErrorOf;

class InstalledSwitch : public ::testing::Test {
 protected:
  void TearDown() override {
    for (auto id : {kGvboxProgId, kPersitsJpegProgId, kImageGenProgId}) SetInstalled(id, true);
  }
};

TEST_F(InstalledSwitch, EachComponentCanBeMissing) {
  EXPECT_TRUE(IsInstalled("persits.jpeg"));  // ProgIDs ignore case
  EXPECT_FALSE(IsInstalled("Persits.Jpeg2"));

  SetInstalled("Persits.Jpeg", false);
  EXPECT_EQ(ErrorOf([] { PersitsJpeg::Create(); }), kErrCannotCreateObject);
  EXPECT_NE(CGvbox::Create(), nullptr);
  EXPECT_NE(ImageGen::Create(), nullptr);

  SetInstalled("CREATEPREVIEWIMAGE.CGVBOX", false);
  EXPECT_EQ(ErrorOf([] { CGvbox::Create(); }), kErrCannotCreateObject);
  SetInstalled(kImageGenProgId, false);
  EXPECT_EQ(ErrorOf([] { ImageGen::Create(); }), kErrCannotCreateObject);

  SetInstalled(kPersitsJpegProgId, true);
  EXPECT_NE(PersitsJpeg::Create(), nullptr);
}

// Marking a picture writes it back in the format it really has, whatever its
// name says.
class FormatKept : public ::testing::TestWithParam<Format> {};

TEST_P(FormatKept, MarkedPictureKeepsItsFormat) {
  TempDir dir;
  WritePicture(dir.Native("pic.jpg"), GetParam(), 120, 80, 0xFFFFFF);
  auto jpeg = PersitsJpeg::Create();
  jpeg->Open(dir.Windows("pic.jpg"));
  EXPECT_EQ(jpeg->OriginalWidth(), 120);
  EXPECT_EQ(jpeg->Originalheight(), 80);
  jpeg->Canvas.Font.Size = 14;
  jpeg->Canvas.Font.Color = 0x0000FF;
  jpeg->Canvas.Print(4, 4, "Ostrel");
  jpeg->Save(dir.Windows("pic.jpg"));
  Picture saved = LoadNative(dir.Native("pic.jpg"));
  EXPECT_EQ(saved.format(), GetParam());
  EXPECT_GT(ChangedBox(saved, 0xFFFFFF, 40).w(), 0);

  auto gen = ImageGen::Create();
  gen->LoadImage(dir.Windows("pic.jpg"));
  ASSERT_EQ(gen->ErrorDescription(), "");
  gen->Text = "x";
  gen->DrawTextOnImage(60, 40, gen->TextWidth(), gen->TextHeight());
  gen->SaveImage(0, gen->ImageFormat(), dir.Windows("pic.jpg"));
  EXPECT_EQ(SniffFormat(ReadBytes(dir.Native("pic.jpg"))), GetParam());
}

INSTANTIATE_TEST_SUITE_P(AllFormats, FormatKept,
                         ::testing::Values(Format::kJpeg, Format::kPng, Format::kGif,
                                           Format::kBmp));

TEST(PersitsJpeg, UnchangedPictureIsNotRewritten) {
  TempDir dir;
  WritePicture(dir.Native("a.jpg"), Format::kJpeg, 50, 40, 0x808080);
  std::string before = ReadBytes(dir.Native("a.jpg"));
  auto jpeg = PersitsJpeg::Create();
  jpeg->Open(dir.Windows("a.jpg"));
  jpeg->Canvas.Print(1, 1, "");  // nothing to draw
  jpeg->Save(dir.Windows("a.jpg"));
  EXPECT_EQ(ReadBytes(dir.Native("a.jpg")), before);
}

TEST(PersitsJpeg, NotAPictureIsLeftAlone) {
  TempDir dir;
  WriteBytes(dir.Native("a.jpg"), "GIF? no: <html>moved</html>");
  auto jpeg = PersitsJpeg::Create();
  EXPECT_EQ(ErrorOf([&] { jpeg->Open(dir.Windows("a.jpg")); }), 481);
  EXPECT_EQ(ErrorOf([&] { jpeg->Save(dir.Windows("a.jpg")); }), 5);  // nothing open
  EXPECT_EQ(ReadBytes(dir.Native("a.jpg")), "GIF? no: <html>moved</html>");
}

TEST(ImageGen, LoadFailureIsReportedAsText) {
  TempDir dir;
  WriteBytes(dir.Native("a.gif"), "not a picture");
  auto gen = ImageGen::Create();
  gen->LoadImage(dir.Windows("a.gif"));
  EXPECT_NE(gen->ErrorDescription(), "");
  EXPECT_EQ(ErrorOf([&] { gen->Width(); }), 5);
  gen->LoadImage(dir.Windows("missing.gif"));
  EXPECT_NE(gen->ErrorDescription(), "");
  EXPECT_EQ(ReadBytes(dir.Native("a.gif")), "not a picture");

  WritePicture(dir.Native("b.gif"), Format::kGif, 30, 20);
  gen->LoadImage(dir.Windows("b.gif"));
  EXPECT_EQ(gen->ErrorDescription(), "");
  EXPECT_EQ(gen->ImageFormat(), ImageGen::kGif);
  EXPECT_EQ(gen->Width(), 30);
  EXPECT_EQ(gen->Height(), 20);
}

TEST(ImageGen, WatermarkPositionsKeepTwoPixelsFromTheEdges) {
  TempDir dir;
  WriteBytes(dir.Native("mark.png"),
             testing::EncodePicture(Format::kPng, 10, 6, [](int, int) { return 0xFF0000u; }));
  struct {
    int32_t code;
    int x0, y0;
  } cases[] = {{ImageGen::kTopLeft, 2, 2},   {ImageGen::kBottomLeft, 2, 52},
               {ImageGen::kTopRight, 88, 2}, {ImageGen::kBottomRight, 88, 52},
               {ImageGen::kCentre, 45, 27},  {0, 0, 0}};
  for (const auto& c : cases) {
    WritePicture(dir.Native("a.png"), Format::kPng, 100, 60, 0xFFFFFF);
    auto gen = ImageGen::Create();
    gen->LoadImage(dir.Windows("a.png"));
    gen->AddWatermark(dir.Windows("mark.png"), c.code, 1.0, vb::Variant(""), true);
    gen->SaveImage(0, gen->ImageFormat(), dir.Windows("a.png"));
    testing::Box box = ChangedBox(LoadNative(dir.Native("a.png")), 0xFFFFFF, 0);
    EXPECT_EQ(box.x0, c.x0) << c.code;
    EXPECT_EQ(box.y0, c.y0) << c.code;
    EXPECT_EQ(box.w(), 10) << c.code;
    EXPECT_EQ(box.h(), 6) << c.code;
  }
}

TEST(ImageGen, SaveRules) {
  TempDir dir;
  WritePicture(dir.Native("a.bmp"), Format::kBmp, 300, 200, 0x102030);
  std::string before = ReadBytes(dir.Native("a.bmp"));
  auto gen = ImageGen::Create();
  gen->LoadImage(dir.Windows("a.bmp"));
  gen->SaveImage(0, gen->ImageFormat(), dir.Windows("a.bmp"));  // nothing done: not rewritten
  EXPECT_EQ(ReadBytes(dir.Native("a.bmp")), before);
  EXPECT_EQ(ErrorOf([&] { gen->SaveImage(1, ImageGen::kJpeg, dir.Windows("x.jpg")); }), 5);
  EXPECT_EQ(ErrorOf([&] { gen->SaveImage(0, 9, dir.Windows("x.jpg")); }), 5);
  EXPECT_EQ(ErrorOf([&] { gen->ResizeImage(0, 10, 0, 0); }), 5);
  EXPECT_EQ(dir.Names().size(), 1u);
}

TEST(CGvbox, WritesAPreviewOfTheAskedSize) {
  TempDir dir;
  WritePicture(dir.Native("a.jpg"), Format::kPng, 400, 200, 0x00AA00);
  std::string before = ReadBytes(dir.Native("a.jpg"));
  auto box = CGvbox::Create();
  box->SetSavePreviewImagePath(dir.Windows("pica.jpg"));
  box->SetPreviewImageSize(100);
  box->SetImageFile(dir.Windows("a.jpg"));
  ASSERT_TRUE(box->DoImageProcess());
  Picture p = LoadNative(dir.Native("pica.jpg"));
  EXPECT_EQ(p.format(), Format::kJpeg);
  EXPECT_EQ(p.width(), 100);
  EXPECT_EQ(p.height(), 50);
  EXPECT_EQ(ReadBytes(dir.Native("a.jpg")), before);  // the picture itself is never changed

  // Size 0: the preview keeps the picture's size.
  box->SetPreviewImageSize(0);
  ASSERT_TRUE(box->DoImageProcess());
  EXPECT_EQ(LoadNative(dir.Native("pica.jpg")).width(), 400);
}

TEST(CGvbox, FailsWithoutLeavingAnything) {
  TempDir dir;
  WriteBytes(dir.Native("a.jpg"), "plain text");
  auto box = CGvbox::Create();
  box->SetSavePreviewImagePath(dir.Windows("pica.jpg"));
  box->SetImageFile(dir.Windows("a.jpg"));
  EXPECT_FALSE(box->DoImageProcess());
  box->SetImageFile("");
  EXPECT_FALSE(box->DoImageProcess());
  box->SetImageFile("no drive\\a.jpg");
  EXPECT_FALSE(box->DoImageProcess());
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"a.jpg"});
  EXPECT_EQ(ReadBytes(dir.Native("a.jpg")), "plain text");

  // Without a preview path nothing is written, and a picture still counts.
  WritePicture(dir.Native("b.png"), Format::kPng, 20, 20);
  auto plain = CGvbox::Create();
  plain->SetImageFile(dir.Windows("b.png"));
  EXPECT_TRUE(plain->DoImageProcess());
  EXPECT_EQ(dir.Names().size(), 2u);
}

}  // namespace
}  // namespace ostrel::image
