// ImageMark's settings, texts, component choice and file-name helpers.
#include "imaging/image_mark.h"

#include <gtest/gtest.h>

#include "image/test_pictures.h"
#include "imaging/mark_layout.h"
#include "platform/image/installed.h"
#include "platform/vb/vb_error.h"
#include "support/error_of.h"

namespace ostrel::imaging {
namespace {

using ::ostrel::testing::ErrorOf;

TEST(ImageMarkSettings, FreshObject) {
  ImageMark mark;
  EXPECT_EQ(mark.Description(), "");
  EXPECT_EQ(mark.PreviewType(), 999);
  EXPECT_EQ(mark.ErrCodes, 0);
  EXPECT_EQ(mark.Transition_Color, "");
  EXPECT_EQ(mark.SetPreviewImageSize, 0);
  const ImageMark::Settings& s = mark.settings();
  EXPECT_EQ(s.component_name, "未知组件");
  EXPECT_TRUE(s.make_preview);
  EXPECT_EQ(s.draw_font_color, "0");
  EXPECT_EQ(s.draw_font_family, "Arial");
  EXPECT_EQ(s.draw_font_size, 10);
  EXPECT_EQ(s.draw_type, -1);
  EXPECT_FALSE(s.draw_info.empty());

  // With no component, CreateView touches nothing.
  image::testing::TempDir dir;
  image::testing::WritePicture(dir.Native("a.jpg"), image::Format::kJpeg, 300, 200);
  std::string before = image::testing::ReadBytes(dir.Native("a.jpg"));
  vb::Variant name(dir.Windows("a.jpg")), preview(dir.Windows("pica.jpg")), ext("JPG");
  mark.CreateView(name, preview, ext);
  EXPECT_EQ(image::testing::ReadBytes(dir.Native("a.jpg")), before);
  EXPECT_EQ(preview.AsString(), dir.Windows("pica.jpg"));
  EXPECT_EQ(ext.AsString(), "JPG");
  EXPECT_EQ(dir.Names().size(), 1u);
}

TEST(ImageMarkSettings, PreviewTypeChoosesAComponent) {
  ImageMark mark;
  mark.PreviewType(5);
  EXPECT_EQ(mark.PreviewType(), 999);
  EXPECT_EQ(mark.ErrCodes, 0);
  EXPECT_EQ(mark.settings().component_name, "未知组件");
  mark.PreviewType(-1);
  EXPECT_EQ(mark.PreviewType(), 999);
  mark.PreviewType(1);
  EXPECT_EQ(mark.PreviewType(), 1);
  EXPECT_EQ(mark.settings().component_name, "AspJpegV1.2组件");
  mark.PreviewType(0);
  EXPECT_EQ(mark.settings().component_name, "CreatePreviewImage组件");
  mark.PreviewType(2);
  EXPECT_EQ(mark.settings().component_name, "SoftArtisans ImgWriter V1.21组件");
  EXPECT_EQ(mark.ErrCodes, 0);
}

TEST(ImageMarkSettings, ColoursOpacityAndRanges) {
  ImageMark mark;
  mark.DrawFontColor("#FF0000");
  EXPECT_EQ(mark.settings().draw_font_color, "&hFF0000");
  mark.DrawFontColor("0");
  mark.DrawFontColor("");
  EXPECT_EQ(mark.settings().draw_font_color, "&hFF0000");
  mark.TransitionColor("#00FF00");
  EXPECT_EQ(mark.Transition_Color, "&h00FF00");
  mark.TransitionColor("0");
  EXPECT_EQ(mark.Transition_Color, "&h00FF00");
  mark.TransitionColor("##1");  // every "#", exact case
  EXPECT_EQ(mark.Transition_Color, "&h&h1");

  mark.DrawGraph(vb::Currency{4560});  // 0.456
  EXPECT_EQ(mark.settings().draw_graph.scaled, 4600);
  mark.DrawGraph(vb::Currency{4550});
  EXPECT_EQ(mark.settings().draw_graph.scaled, 4600);
  mark.DrawGraph(vb::Currency{4549});
  EXPECT_EQ(mark.settings().draw_graph.scaled, 4500);
  mark.DrawGraph(vb::Currency{-4550});
  EXPECT_EQ(mark.settings().draw_graph.scaled, -4600);

  mark.PreviewImageWidth(120);
  EXPECT_EQ(ErrorOf([&] { mark.PreviewImageWidth(40000); }), vb::kErrOverflow);
  EXPECT_EQ(mark.settings().preview_image_width, 120);
  EXPECT_EQ(ErrorOf([&] { mark.DrawFontSize(-32769); }), vb::kErrOverflow);
  EXPECT_EQ(mark.settings().draw_font_size, 10);
  mark.DrawXYType(32767);
  EXPECT_EQ(mark.settings().draw_xy_type, 32767);
  for (auto setter :
       {&ImageMark::PreviewImageHeight, &ImageMark::DrawImageWidth, &ImageMark::DrawImageHeight,
        &ImageMark::DrawType, &ImageMark::DrawXYType, &ImageMark::DrawSizeType}) {
    EXPECT_EQ(ErrorOf([&] { (mark.*setter)(32768); }), vb::kErrOverflow);
  }
}

TEST(ImageMarkDescription, EveryCode) {
  ImageMark mark;
  mark.ErrCodes = -1;
  EXPECT_EQ(mark.Description(), "生成预览图错误");
  mark.ErrCodes = 2;
  EXPECT_EQ(mark.Description(), "文件类型不正确!");
  mark.ErrCodes = 1;
  EXPECT_EQ(mark.Description(), "不支持 未知组件 上传，服务器可能未安装该组件。");
  mark.ErrCodes = 3;
  EXPECT_EQ(mark.Description(), "");
  mark.ErrCodes = -2;
  EXPECT_EQ(mark.Description(), "");
}

// A component that is not installed: code 1, a text naming it, and
// CreateView does nothing from then on.
class MissingComponent : public ::testing::TestWithParam<int> {
 protected:
  void TearDown() override {
    for (auto id : {image::kGvboxProgId, image::kPersitsJpegProgId, image::kImageGenProgId}) {
      image::SetInstalled(id, true);
    }
  }
};

TEST_P(MissingComponent, ReportsCodeOneAndDoesNothing) {
  const std::string_view ids[] = {image::kGvboxProgId, image::kPersitsJpegProgId,
                                  image::kImageGenProgId};
  const char* texts[] = {"不支持 CreatePreviewImage组件 上传，服务器可能未安装该组件。",
                         "不支持 AspJpegV1.2组件 上传，服务器可能未安装该组件。",
                         "不支持 SoftArtisans ImgWriter V1.21组件 上传，服务器可能未安装该组件。"};
  int type = GetParam();
  image::SetInstalled(ids[type], false);

  image::testing::TempDir dir;
  image::testing::WritePicture(dir.Native("a.png"), image::Format::kPng, 300, 200);
  std::string before = image::testing::ReadBytes(dir.Native("a.png"));
  ImageMark mark;
  mark.PreviewType(type);
  EXPECT_EQ(mark.PreviewType(), type);
  EXPECT_EQ(mark.ErrCodes, 1);
  EXPECT_EQ(mark.Description(), texts[type]);
  mark.DrawType(1);
  mark.DrawInfo("水印");
  vb::Variant name(dir.Windows("a.png")), preview(dir.Windows("pica.jpg")), ext("PNG");
  mark.CreateView(name, preview, ext);
  EXPECT_EQ(image::testing::ReadBytes(dir.Native("a.png")), before);
  EXPECT_EQ(dir.Names().size(), 1u);
  EXPECT_EQ(ext.AsString(), "PNG");

  // Installing it later does not reset the code: the object stays idle.
  image::SetInstalled(ids[type], true);
  mark.PreviewType(type);
  EXPECT_EQ(mark.ErrCodes, 1);
}

INSTANTIATE_TEST_SUITE_P(EachComponent, MissingComponent, ::testing::Values(0, 1, 2));

TEST(ImageMarkFileNames, Helpers) {
  ImageMark mark;
  EXPECT_EQ(mark.JPGFileName("d:/web/up/2005/a.b.gif"), "pica.b.jpg");
  EXPECT_EQ(mark.GetFilePath("d:/web/up/2005/a.b.gif"), "d:\\web\\up\\2005\\");
  EXPECT_EQ(mark.GetFileExt("d:/web/up/2005/a.b.gif"), "gif");
  EXPECT_EQ(mark.GetFileName("x/y/it's.gif?"), "its.gif");

  EXPECT_EQ(mark.GetFileExt("C:\\a\\Photo.JPG"), "JPG");
  EXPECT_EQ(mark.GetFileExt("noext"), "noext");
  EXPECT_EQ(mark.GetFilePath("noslash.gif"), "");
  EXPECT_EQ(mark.GetFileName("plain.gif"), "plain.gif");
  EXPECT_EQ(mark.GetFileName(""), "");
  // Every occurrence of the extension goes, exact case.
  EXPECT_EQ(mark.JPGFileName("C:\\up\\a.gif.gif"), "pica.jpg");
  EXPECT_EQ(mark.JPGFileName("C:\\up\\a.GIF.gif"), "pica.GIF.jpg");
  EXPECT_EQ(mark.JPGFileName("a.png"), "pica.jpg");
  // The last "." of a folder name counts as the extension's start.
  EXPECT_EQ(mark.JPGFileName("C:\\web.site\\up\\photo"), "picphoto.jpg");
  EXPECT_EQ(ErrorOf([&] { mark.JPGFileName("C:\\up\\photo"); }), vb::kErrInvalidCall);
}

TEST(MarkLayout, PositionsAndPreviewSizes) {
  // Picture 400 x 300, mark box 80 x 20.
  EXPECT_EQ(GetMarkX(4, 400, 80), 318);
  EXPECT_EQ(GetMarkY(4, 300, 20), 278);
  EXPECT_EQ(GetMarkX(2, 400, 80), 160);
  EXPECT_EQ(GetMarkY(2, 300, 20), 140);
  EXPECT_EQ(GetMarkX(2, 401, 80), 160.5);  // the centre stays a real number
  EXPECT_EQ(GetMarkX(0, 400, 80), 2);
  EXPECT_EQ(GetMarkY(0, 300, 20), 2);
  EXPECT_EQ(GetMarkX(1, 400, 80), 2);
  EXPECT_EQ(GetMarkY(1, 300, 20), 278);
  EXPECT_EQ(GetMarkX(3, 400, 80), 318);
  EXPECT_EQ(GetMarkY(3, 300, 20), 2);
  EXPECT_EQ(GetMarkX(7, 400, 80), 0);
  EXPECT_EQ(GetMarkY(-1, 300, 20), 0);

  EXPECT_EQ(GetPreviewWidth(1, 600, 800, 120, 90), 67.5);
  EXPECT_EQ(GetPreviewHeight(1, 800, 600, 120, 90), 90);
  EXPECT_EQ(GetPreviewWidth(0, 600, 800, 120, 90), 120);
  EXPECT_EQ(GetPreviewHeight(2, 800, 600, 120, 70), 70);

  const int codes[] = {3, 5, 1, 6, 8};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ImageGenPosition(i), codes[i]);
  EXPECT_EQ(ImageGenPosition(5), 0);
  EXPECT_EQ(ImageGenPosition(-1), 0);
}

}  // namespace
}  // namespace ostrel::imaging
