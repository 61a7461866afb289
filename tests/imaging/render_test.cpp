// The three renderers on real pictures: where marks land, when a picture is
// left alone, previews, and the failures that must leave the picture whole.
#include <gtest/gtest.h>

#include "image/test_pictures.h"
#include "imaging/image_mark.h"

namespace ostrel::imaging {
namespace {

using image::Format;
using image::Picture;
using image::testing::Box;
using image::testing::ChangedBox;
using image::testing::EncodePicture;
using image::testing::LoadNative;
using image::testing::Near;
using image::testing::ReadBytes;
using image::testing::TempDir;
using image::testing::WriteBytes;
using image::testing::WritePicture;

constexpr int kPersits = 1;
constexpr int kImageGen = 2;

// The three by-reference arguments of CreateView.
struct Args {
  vb::Variant name, preview, ext;
  Args(const TempDir& dir, const std::string& file, const std::string& ext_text)
      : name(dir.Windows(file)), preview(dir.Windows("pic" + file + ".jpg")), ext(ext_text) {}
};

// An object set up as the watermark hook sets it: no preview, a mark box.
std::unique_ptr<ImageMark> HookMark(int type, int draw_type, const std::string& info) {
  auto mark = std::make_unique<ImageMark>();
  mark->MakePreview(false);
  mark->PreviewType(type);
  mark->PreviewImageWidth(0);
  mark->PreviewImageHeight(0);
  mark->DrawImageWidth(80);
  mark->DrawImageHeight(20);
  mark->DrawGraph(vb::Currency{10000});
  mark->DrawFontColor("#0000FF");
  mark->DrawFontFamily("Arial");
  mark->DrawFontSize(14);
  mark->DrawFontBold(false);
  mark->DrawInfo(info);
  mark->DrawType(draw_type);
  mark->DrawXYType(4);
  mark->DrawSizeType(0);
  return mark;
}

class BothMarkers : public ::testing::TestWithParam<int> {};

// The picture is a PNG under a JPEG name, as gathered pictures often are: it
// is marked and stays a PNG.
TEST_P(BothMarkers, ChineseTextMarkInTheBottomRightCorner) {
  TempDir dir;
  WritePicture(dir.Native("a.jpg"), Format::kPng, 400, 300, 0xFFFFFF);
  auto mark = HookMark(GetParam(), 1, "水印");
  Args args(dir, "a.jpg", "JPG");
  mark->CreateView(args.name, args.preview, args.ext);
  EXPECT_EQ(mark->ErrCodes, 0);
  EXPECT_EQ(args.ext.AsString(), "jpg");
  Picture p = LoadNative(dir.Native("a.jpg"));
  EXPECT_EQ(p.format(), Format::kPng);
  Box box = ChangedBox(p, 0xFFFFFF, 0);
  ASSERT_GT(box.w(), 10);
  EXPECT_GE(box.x0, 318);
  EXPECT_GE(box.y0, 278);
  EXPECT_EQ(dir.Names().size(), 1u);  // no preview when the hook asks for none
  EXPECT_EQ(args.preview.AsString(), dir.Windows("pica.jpg.jpg"));
}

TEST_P(BothMarkers, NoMarkKindLeavesThePictureUnwritten) {
  for (int draw_type : {0, -1}) {
    TempDir dir;
    WritePicture(dir.Native("a.jpg"), Format::kJpeg, 400, 300, 0x808080);
    std::string before = ReadBytes(dir.Native("a.jpg"));
    auto mark = HookMark(GetParam(), draw_type, "www.example.com");
    Args args(dir, "a.jpg", "jpg");
    mark->CreateView(args.name, args.preview, args.ext);
    EXPECT_EQ(ReadBytes(dir.Native("a.jpg")), before) << draw_type;
  }
}

TEST_P(BothMarkers, MarkNeedsAPictureMoreThanTwiceAsWide) {
  TempDir dir;
  for (int width : {120, 121}) {
    std::string file = std::to_string(width) + ".png";
    WritePicture(dir.Native(file), Format::kPng, width, 100, 0xFFFFFF);
    std::string before = ReadBytes(dir.Native(file));
    auto mark = HookMark(GetParam(), 1, "Mark");
    mark->DrawImageWidth(60);
    mark->DrawXYType(0);
    Args args(dir, file, "png");
    mark->CreateView(args.name, args.preview, args.ext);
    EXPECT_EQ(ReadBytes(dir.Native(file)) == before, width == 120) << width;
  }
}

TEST_P(BothMarkers, PictureTooSmallForThePreviewIsLeftAlone) {
  TempDir dir;
  WritePicture(dir.Native("a.jpg"), Format::kJpeg, 100, 300, 0x808080);
  std::string before = ReadBytes(dir.Native("a.jpg"));
  auto mark = HookMark(GetParam(), 1, "Mark");
  mark->MakePreview(true);
  mark->PreviewImageWidth(120);
  mark->PreviewImageHeight(90);
  mark->DrawImageWidth(10);
  Args args(dir, "a.jpg", "jpg");
  mark->CreateView(args.name, args.preview, args.ext);
  EXPECT_EQ(args.preview.AsString(), "");
  EXPECT_EQ(ReadBytes(dir.Native("a.jpg")), before);
  EXPECT_EQ(dir.Names().size(), 1u);
  EXPECT_EQ(mark->ErrCodes, 0);
}

TEST_P(BothMarkers, GifGetsNoMarkButAPreview) {
  TempDir dir;
  WritePicture(dir.Native("a.gif"), Format::kGif, 400, 300, 0xFFFFFF);
  std::string before = ReadBytes(dir.Native("a.gif"));
  auto mark = HookMark(GetParam(), 1, "Mark");
  mark->MakePreview(true);
  mark->PreviewImageWidth(120);
  mark->PreviewImageHeight(90);
  Args args(dir, "a.gif", "GIF");
  mark->CreateView(args.name, args.preview, args.ext);
  EXPECT_EQ(ReadBytes(dir.Native("a.gif")), before);
  ASSERT_EQ(args.preview.AsString(), dir.Windows("pica.gif.jpg"));
  Picture preview = LoadNative(dir.Native("pica.gif.jpg"));
  EXPECT_EQ(preview.format(), Format::kJpeg);
  EXPECT_EQ(preview.width(), 120);
  EXPECT_EQ(preview.height(), 90);
}

TEST_P(BothMarkers, TextMarkShowsInThePreview) {
  TempDir dir;
  WritePicture(dir.Native("a.png"), Format::kPng, 400, 300, 0xFFFFFF);
  auto mark = HookMark(GetParam(), 1, "MARK");
  mark->MakePreview(true);
  mark->PreviewImageWidth(200);
  mark->PreviewImageHeight(150);
  mark->DrawFontSize(40);
  mark->DrawXYType(0);
  Args args(dir, "a.png", "png");
  mark->CreateView(args.name, args.preview, args.ext);
  Picture preview = LoadNative(dir.Native("pica.png.jpg"));
  EXPECT_EQ(preview.width(), 200);
  Box ink = ChangedBox(preview, 0xFFFFFF, 60);
  ASSERT_GT(ink.w(), 0);
  EXPECT_LT(ink.x0, 20);
  EXPECT_LT(ink.y0, 20);
}

TEST_P(BothMarkers, NotAPictureIsLeftUntouched) {
  TempDir dir;
  WriteBytes(dir.Native("a.jpg"), "<html>404 Not Found</html>");
  auto mark = HookMark(GetParam(), 1, "Mark");
  mark->MakePreview(true);
  Args args(dir, "a.jpg", "jpg");
  mark->CreateView(args.name, args.preview, args.ext);
  EXPECT_EQ(ReadBytes(dir.Native("a.jpg")), "<html>404 Not Found</html>");
  EXPECT_EQ(dir.Names().size(), 1u);
  EXPECT_EQ(args.preview.AsString(), "");
  // ImageGen reports a load failure; Persits.Jpeg's error only ends the call.
  EXPECT_EQ(mark->ErrCodes, GetParam() == kImageGen ? -1 : 0);
}

TEST_P(BothMarkers, MissingMarkPictureLeavesThePictureWhole) {
  TempDir dir;
  WritePicture(dir.Native("a.jpg"), Format::kJpeg, 400, 300, 0x808080);
  std::string before = ReadBytes(dir.Native("a.jpg"));
  auto mark = HookMark(GetParam(), 2, dir.Windows("no-such-mark.png"));
  mark->MakePreview(true);
  Args args(dir, "a.jpg", "jpg");
  mark->CreateView(args.name, args.preview, args.ext);
  EXPECT_EQ(ReadBytes(dir.Native("a.jpg")), before);
  EXPECT_EQ(mark->ErrCodes, 0);
  EXPECT_EQ(args.preview.AsString(), "");  // no preview was made
  EXPECT_EQ(dir.Names().size(), 1u);
}

TEST_P(BothMarkers, PictureMarkWithKeyColourInTheCorner) {
  TempDir dir;
  WritePicture(dir.Native("a.png"), Format::kPng, 400, 300, 0xFFFFFF);
  // An 80 x 20 mark: magenta (the key) with a blue block in its right half.
  WriteBytes(dir.Native("mark.png"), EncodePicture(Format::kPng, 80, 20, [](int x, int) {
               return x < 40 ? 0xFF00FFu : 0x0000FFu;
             }));
  auto mark = HookMark(GetParam(), 2, dir.Windows("mark.png"));
  mark->TransitionColor("#FF00FF");
  mark->DrawGraph(vb::Currency{5000});  // half opacity
  Args args(dir, "a.png", "png");
  mark->CreateView(args.name, args.preview, args.ext);
  Picture p = LoadNative(dir.Native("a.png"));
  Box box = ChangedBox(p, 0xFFFFFF, 0);
  EXPECT_EQ(box.x0, 318 + 40);
  EXPECT_EQ(box.y0, 278);
  EXPECT_EQ(box.x1, 397);
  EXPECT_EQ(box.y1, 297);
  EXPECT_TRUE(Near(p.Pixel(380, 288), 0x8080FF, 2));
}

INSTANTIATE_TEST_SUITE_P(PersitsAndImageGen, BothMarkers, ::testing::Values(kPersits, kImageGen));

TEST(PersitsRenderer, PictureMarkIsScaledToTheBoxAndPlaced) {
  TempDir dir;
  WriteBytes(dir.Native("mark.png"),
             EncodePicture(Format::kPng, 8, 2, [](int, int) { return 0xFF0000u; }));
  struct {
    int xy_type, x0, y0;
  } cases[] = {{4, 318, 278}, {2, 160, 140}, {1, 2, 278}, {9, 0, 0}};
  for (const auto& c : cases) {
    WritePicture(dir.Native("a.png"), Format::kPng, 400, 300, 0xFFFFFF);
    auto mark = HookMark(kPersits, 2, dir.Windows("mark.png"));
    mark->DrawXYType(c.xy_type);
    Args args(dir, "a.png", "png");
    mark->CreateView(args.name, args.preview, args.ext);
    Box box = ChangedBox(LoadNative(dir.Native("a.png")), 0xFFFFFF, 0);
    EXPECT_EQ(box.x0, c.x0) << c.xy_type;
    EXPECT_EQ(box.y0, c.y0) << c.xy_type;
    EXPECT_EQ(box.w(), 80) << c.xy_type;
    EXPECT_EQ(box.h(), 20) << c.xy_type;
  }
}

TEST(PersitsRenderer, PreviewSizeRules) {
  struct {
    int w, h, size_type, pw, ph;
  } cases[] = {{800, 600, 1, 120, 90},
               {600, 800, 1, 68, 90},
               {600, 800, 0, 120, 90},
               {800, 600, 0, 120, 90}};
  for (const auto& c : cases) {
    TempDir dir;
    WritePicture(dir.Native("a.jpg"), Format::kJpeg, c.w, c.h, 0x336699);
    auto mark = HookMark(kPersits, 0, "");
    mark->MakePreview(true);
    mark->PreviewImageWidth(120);
    mark->PreviewImageHeight(90);
    mark->DrawSizeType(c.size_type);
    Args args(dir, "a.jpg", "jpg");
    mark->CreateView(args.name, args.preview, args.ext);
    Picture preview = LoadNative(dir.Native("pica.jpg.jpg"));
    EXPECT_EQ(preview.width(), c.pw) << c.w << "x" << c.h << " type " << c.size_type;
    EXPECT_EQ(preview.height(), c.ph) << c.w << "x" << c.h << " type " << c.size_type;
  }
}

TEST(ImageGenRenderer, PreviewIsExactlyTheAskedSize) {
  TempDir dir;
  WritePicture(dir.Native("a.jpg"), Format::kJpeg, 600, 800, 0x336699);
  auto mark = HookMark(kImageGen, 0, "");
  mark->MakePreview(true);
  mark->PreviewImageWidth(120);
  mark->PreviewImageHeight(90);
  mark->DrawSizeType(1);  // not consulted by this component
  Args args(dir, "a.jpg", "jpg");
  mark->CreateView(args.name, args.preview, args.ext);
  Picture preview = LoadNative(dir.Native("pica.jpg.jpg"));
  EXPECT_EQ(preview.width(), 120);
  EXPECT_EQ(preview.height(), 90);
}

TEST(GvboxRenderer, PreviewOrCodeMinusOne) {
  TempDir dir;
  WritePicture(dir.Native("a.jpg"), Format::kPng, 300, 200, 0x00FF00);
  std::string before = ReadBytes(dir.Native("a.jpg"));
  ImageMark mark;
  mark.PreviewType(0);
  mark.SetPreviewImageSize = 150;
  mark.DrawType(1);
  Args args(dir, " " + std::string("a.jpg"), "jpg");
  args.name = vb::Variant("  " + dir.Windows("a.jpg") + " ");  // blanks are trimmed
  args.preview = vb::Variant(dir.Windows("pica.jpg"));
  mark.CreateView(args.name, args.preview, args.ext);
  EXPECT_EQ(mark.ErrCodes, 0);
  EXPECT_EQ(ReadBytes(dir.Native("a.jpg")), before);  // this component never marks
  Picture preview = LoadNative(dir.Native("pica.jpg"));
  EXPECT_EQ(preview.width(), 150);
  EXPECT_EQ(preview.height(), 100);

  WriteBytes(dir.Native("b.jpg"), "not a picture");
  ImageMark failing;
  failing.PreviewType(0);
  vb::Variant name(dir.Windows("b.jpg")), temp(dir.Windows("picb.jpg")), ext("jpg");
  failing.CreateView(name, temp, ext);
  EXPECT_EQ(failing.ErrCodes, -1);
  EXPECT_EQ(failing.Description(), "生成预览图错误");
  EXPECT_EQ(temp.AsString(), "");
  EXPECT_EQ(ReadBytes(dir.Native("b.jpg")), "not a picture");
}

TEST(CreateView, CallerCodeStopsEverything) {
  TempDir dir;
  WritePicture(dir.Native("a.png"), Format::kPng, 400, 300, 0xFFFFFF);
  std::string before = ReadBytes(dir.Native("a.png"));
  auto mark = HookMark(kPersits, 1, "Mark");
  mark->ErrCodes = 2;  // a caller refused the file type
  EXPECT_EQ(mark->Description(), "文件类型不正确!");
  Args args(dir, "a.png", "PNG");
  mark->CreateView(args.name, args.preview, args.ext);
  EXPECT_EQ(ReadBytes(dir.Native("a.png")), before);
  EXPECT_EQ(args.ext.AsString(), "PNG");
}

// The renderers are public: called without their component they end at the
// first call on it, after the extension was lower-cased.
TEST(Renderers, CalledWithoutTheirComponent) {
  TempDir dir;
  WritePicture(dir.Native("a.png"), Format::kPng, 400, 300, 0xFFFFFF);
  std::string before = ReadBytes(dir.Native("a.png"));
  ImageMark mark;
  mark.DrawType(1);
  Args persits(dir, "a.png", "PNG");
  mark.Image_Obj_1(persits.name, persits.preview, persits.ext);
  EXPECT_EQ(persits.ext.AsString(), "png");
  Args image_gen(dir, "a.png", "PNG");
  mark.Image_Obj_2(image_gen.name, image_gen.preview, image_gen.ext);
  EXPECT_EQ(image_gen.ext.AsString(), "png");
  EXPECT_EQ(ReadBytes(dir.Native("a.png")), before);
  EXPECT_EQ(mark.ErrCodes, 0);
}

TEST(CreateView, ArgumentsOfAnyTypeAndBadPaths) {
  auto mark = HookMark(kPersits, 1, "Mark");
  vb::Variant name = vb::Variant::Null(), preview(int32_t{5}), ext(int32_t{7});
  mark->CreateView(name, preview, ext);  // cleared inside, nothing raised
  EXPECT_EQ(mark->ErrCodes, 0);
  vb::Variant relative("up\\a.jpg"), temp(""), ext2("jpg");
  mark->CreateView(relative, temp, ext2);
  EXPECT_EQ(mark->ErrCodes, 0);
}

}  // namespace
}  // namespace ostrel::imaging
