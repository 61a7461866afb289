// The three renderers of ImageMark: each turns the settings into calls on
// one image component. Any error ends the renderer quietly; the picture
// then stays as the component left it, which, since the components write
// through a temporary file, is the picture as it was or wholly marked.
#include <string>

#include "imaging/image_mark.h"
#include "imaging/mark_layout.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"

namespace ostrel::imaging {
namespace {

// How far, in each colour channel, a mark pixel may lie from the transparent
// colour and still count as transparent: JPEG compression blurs the key
// colour of a mark picture.
constexpr int32_t kKeyDeviation = 90;
constexpr double kSharpenRadius = 1;
constexpr double kSharpenAmount = 120;

template <class T>
T& Held(const std::unique_ptr<T>& component) {
  if (!component) vb::Raise(vb::kErrObjectNotSet);
  return *component;
}

// Runs a renderer. A preview was promised at TempFilename when MakePreview
// is on; if the renderer ends without writing it, TempFilename becomes ""
// so that no caller takes a missing file for a preview.
template <class F>
void Render(bool make_preview, vb::Variant& TempFilename, F&& body) {
  bool preview_written = false;
  vb::TryStep([&] { body(preview_written); });
  if (make_preview && !preview_written) TempFilename = vb::Variant("");
}

}  // namespace

void ImageMark::Image_Obj_0(vb::Variant& Imagename, vb::Variant& TempFilename,
                            vb::Variant& /*FileExt*/) {
  Render(s_.make_preview, TempFilename, [&](bool& preview_written) {
    image::CGvbox& box = Held(gvbox_);
    if (s_.make_preview) box.SetSavePreviewImagePath(vb::CStr(TempFilename));
    box.SetPreviewImageSize(SetPreviewImageSize);
    box.SetImageFile(vb::Trim(vb::CStr(Imagename)));
    if (box.DoImageProcess()) {
      preview_written = s_.make_preview;
    } else {
      ErrCodes = -1;
    }
  });
}

void ImageMark::Image_Obj_1(vb::Variant& Imagename, vb::Variant& TempFilename,
                            vb::Variant& FileExt) {
  Render(s_.make_preview, TempFilename, [&](bool& preview_written) {
    FileExt = vb::Variant(vb::LCase(vb::CStr(FileExt)));
    image::PersitsJpeg& jpeg = Held(jpeg_);
    // Windows ignores trailing blanks in file names; the picture is opened
    // and saved under the trimmed name so both reach the same file.
    std::string picture = vb::Trim(vb::CStr(Imagename));
    jpeg.Open(picture);
    const double width = jpeg.OriginalWidth();
    const double height = jpeg.Originalheight();
    if (width < s_.preview_image_width || height < s_.preview_image_height) {
      TempFilename = vb::Variant("");
      return;
    }
    if (s_.draw_type >= 1 && width > 2.0 * s_.draw_image_width && FileExt.AsString() != "gif") {
      double x = GetMarkX(s_.draw_xy_type, width, s_.draw_image_width);
      double y = GetMarkY(s_.draw_xy_type, height, s_.draw_image_height);
      if (s_.draw_type != 2) {
        jpeg.Canvas.Font.Color = vb::CLng(vb::Variant(s_.draw_font_color));
        jpeg.Canvas.Font.Family = s_.draw_font_family;
        jpeg.Canvas.Font.Bold = s_.draw_font_bold;
        jpeg.Canvas.Font.Size = s_.draw_font_size;
        jpeg.Canvas.Print(x, y, s_.draw_info);
        jpeg.Canvas.Pen.Color = 0;
        jpeg.Canvas.Pen.Width = 1;
        jpeg.Canvas.Brush.Solid = false;
        jpeg.Save(picture);
      } else {
        std::unique_ptr<image::PersitsJpeg> mark = image::PersitsJpeg::Create();
        mark->Open(s_.draw_info);
        mark->Width(s_.draw_image_width);
        mark->Height(s_.draw_image_height);
        jpeg.DrawImage(x, y, *mark, vb::CurrencyToDouble(s_.draw_graph),
                       vb::Variant(Transition_Color), kKeyDeviation);
        jpeg.Save(picture);
      }
    }
    if (s_.make_preview) {
      if (jpeg.Width() > jpeg.Height()) {
        jpeg.Width(s_.preview_image_width);
        jpeg.Height(GetPreviewHeight(s_.draw_size_type, width, height, s_.preview_image_width,
                                     s_.preview_image_height));
      } else {
        jpeg.Width(GetPreviewWidth(s_.draw_size_type, width, height, s_.preview_image_width,
                                   s_.preview_image_height));
        jpeg.Height(s_.preview_image_height);
      }
      jpeg.Sharpen(kSharpenRadius, kSharpenAmount);
      jpeg.Save(vb::CStr(TempFilename));
      preview_written = true;
    }
  });
}

void ImageMark::Image_Obj_2(vb::Variant& Imagename, vb::Variant& TempFilename,
                            vb::Variant& FileExt) {
  Render(s_.make_preview, TempFilename, [&](bool& preview_written) {
    FileExt = vb::Variant(vb::LCase(vb::CStr(FileExt)));
    image::ImageGen& gen = Held(image_gen_);
    std::string picture = vb::Trim(vb::CStr(Imagename));
    gen.LoadImage(picture);
    if (!gen.ErrorDescription().empty()) {
      TempFilename = vb::Variant("");
      ErrCodes = -1;
      return;
    }
    const double width = gen.Width();
    const double height = gen.Height();
    if (width < s_.preview_image_width || height < s_.preview_image_height) {
      TempFilename = vb::Variant("");
      return;
    }
    if (s_.draw_type >= 1 && width > 2.0 * s_.draw_image_width && FileExt.AsString() != "gif") {
      double x = GetMarkX(s_.draw_xy_type, width, s_.draw_image_width);
      double y = GetMarkY(s_.draw_xy_type, height, s_.draw_image_height);
      int32_t position = ImageGenPosition(s_.draw_xy_type);
      if (s_.draw_type != 2) {
        gen.Font.Italic = false;
        gen.Font.Height = s_.draw_font_size;
        gen.Font.Name = s_.draw_font_family;
        gen.Font.Color = vb::CLng(vb::Variant(s_.draw_font_color));
        gen.Text = s_.draw_info;
        gen.DrawTextOnImage(x, y, gen.TextWidth(), gen.TextHeight());
      } else {
        gen.AddWatermark(s_.draw_info, position, vb::CurrencyToDouble(s_.draw_graph),
                         vb::Variant(Transition_Color), true);
      }
      gen.SaveImage(0, gen.ImageFormat(), picture);
    }
    if (s_.make_preview) {
      gen.ColorResolution(24);
      gen.ResizeImage(s_.preview_image_width, s_.preview_image_height, 0, 0);
      gen.SaveImage(0, image::ImageGen::kJpeg, vb::CStr(TempFilename));
      preview_written = true;
    }
  });
}

}  // namespace ostrel::imaging
