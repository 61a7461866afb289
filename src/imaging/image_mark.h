// ImageMark: puts a text or picture watermark on a saved picture and makes
// a preview of it, by driving one of the three image components. The
// watermark hook of the gathering engines creates one per saved picture;
// a host page may drive it directly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/com/dispatch.h"
#include "platform/image/gvbox.h"
#include "platform/image/image_gen.h"
#include "platform/image/persits_jpeg.h"
#include "platform/vb/variant.h"

namespace ostrel::imaging {

// Hosts reach it late-bound as "Ostrel.ImageMark" (image_mark_type.cpp).
class ImageMark : public com::Dispatch {
 public:
  // Public fields, read and written by callers directly.
  std::string Transition_Color;  // "&hRRGGBB" as stored by TransitionColor
  // 0 none, -1 the component failed to make the picture, 1 the component
  // could not be created, 2 file type not accepted (set only by callers).
  int16_t ErrCodes = 0;
  int32_t SetPreviewImageSize = 0;  // handed as it is to CreatePreviewImage.cGvbox

  // The settings, in the order the object keeps them.
  struct Settings {
    std::string component_name = "未知组件";
    bool make_preview = true;
    int32_t preview_type = 999;  // 0 cGvbox, 1 Persits.Jpeg, 2 ImageGen, 999 none
    int32_t preview_image_width = 0;
    int32_t preview_image_height = 0;
    int32_t draw_image_width = 0;
    int32_t draw_image_height = 0;
    vb::Currency draw_graph;  // opacity of a picture mark
    std::string draw_font_color = "0";
    std::string draw_font_family = "Arial";
    int16_t draw_font_size = 10;
    bool draw_font_bold = false;
    std::string draw_info = "www.example.com";
    int32_t draw_type = -1;  // below 1 none, 2 picture, other text
    int32_t draw_xy_type = 0;
    int32_t draw_size_type = 0;
  };

  ImageMark();
  ~ImageMark() override;

  const com::TypeInfo& Type() const override;

  // The text of ErrCodes.
  std::string Description() const;

  // Chooses and creates the component: 0, 1 or 2; 999 none; any other
  // value is stored as 999. A component that cannot be created sets
  // ErrCodes to 1. Never raises.
  void PreviewType(int32_t Types);
  int32_t PreviewType() const { return s_.preview_type; }

  void MakePreview(bool Values) { s_.make_preview = Values; }
  // The whole-number setters raise Overflow (6) for a value outside the
  // 16-bit range and keep the old value then.
  void PreviewImageWidth(int32_t Values);
  void PreviewImageHeight(int32_t Values);
  void DrawImageWidth(int32_t Values);
  void DrawImageHeight(int32_t Values);
  // Stored rounded to two decimal places.
  void DrawGraph(vb::Currency Values);
  // Colours: "0" and "" leave the stored colour as it is; otherwise every
  // "#" becomes "&h" (an HTML colour becomes the number form).
  void TransitionColor(std::string_view Values);
  void DrawFontColor(std::string_view Values);
  void DrawFontFamily(std::string_view Values) { s_.draw_font_family = Values; }
  void DrawFontSize(int32_t Values);
  void DrawFontBold(bool Values) { s_.draw_font_bold = Values; }
  void DrawInfo(std::string_view Values) { s_.draw_info = Values; }
  void DrawType(int32_t Values);
  void DrawXYType(int32_t Values);
  void DrawSizeType(int32_t Values);

  // Marks the picture Imagename in place and writes the preview to
  // TempFilename (set to "" when no preview is made); FileExt is
  // lower-cased. Does nothing once ErrCodes is not 0. Never raises.
  void CreateView(vb::Variant& Imagename, vb::Variant& TempFilename, vb::Variant& FileExt);

  // The renderers of the three components, as CreateView calls them.
  void Image_Obj_0(vb::Variant& Imagename, vb::Variant& TempFilename, vb::Variant& FileExt);
  void Image_Obj_1(vb::Variant& Imagename, vb::Variant& TempFilename, vb::Variant& FileExt);
  void Image_Obj_2(vb::Variant& Imagename, vb::Variant& TempFilename, vb::Variant& FileExt);

  // File-name helpers; "/" counts as "\".
  std::string GetFileName(std::string_view sFilename) const;
  std::string GetFileExt(std::string_view sFilename) const;
  std::string GetFilePath(std::string_view sFilePath) const;
  // "pic" & the name without its extension & ".jpg"; raises 5 when the path
  // has no ".".
  std::string JPGFileName(std::string_view sFilePath) const;

  // The settings as stored (for the hook's callers and diagnostics).
  const Settings& settings() const { return s_; }

 private:
  Settings s_;
  // The chosen component; at most one is held.
  std::unique_ptr<image::CGvbox> gvbox_;
  std::unique_ptr<image::PersitsJpeg> jpeg_;
  std::unique_ptr<image::ImageGen> image_gen_;
};

}  // namespace ostrel::imaging
