// SoftArtisans.ImageGen: load a picture, write text on it, lay a watermark
// picture over it at one of a few fixed places, resize and save in a chosen
// format. Loading reports failure through ErrorDescription instead of
// raising.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/image/picture.h"
#include "platform/vb/variant.h"

namespace ostrel::image {

class ImageGen {
 public:
  // Format codes of ImageFormat and SaveImage.
  enum FormatCode : int32_t { kBmp = 1, kGif = 2, kJpeg = 3, kPng = 4 };
  // Position codes of AddWatermark (anything else: the top-left corner
  // itself, no margin).
  enum Position : int32_t {
    kCentre = 1,
    kTopLeft = 3,
    kBottomLeft = 5,
    kTopRight = 6,
    kBottomRight = 8
  };

  // Height is the text size in pixels; Color is 0xRRGGBB.
  struct FontSettings {
    bool Italic = false;
    int32_t Height = 12;
    std::string Name = "Arial";
    int32_t Color = 0;
  };

  // Raises VbError 429 when the component is switched off.
  static std::unique_ptr<ImageGen> Create();

  // Loads a picture (Windows path), by its leading bytes. Never raises:
  // ErrorDescription is "" on success and says what went wrong otherwise.
  void LoadImage(std::string_view path);
  const std::string& ErrorDescription() const { return error_description_; }

  int32_t Width() const;
  int32_t Height() const;
  // Format code of the loaded picture.
  int32_t ImageFormat() const;

  FontSettings Font;
  std::string Text;
  // Size of Text in Font, in pixels.
  int32_t TextWidth() const;
  int32_t TextHeight() const;
  // Draws Text with the top-left corner at (x, y); the box is the text's
  // own (TextWidth x TextHeight).
  void DrawTextOnImage(double x, double y, double width, double height);

  // Lays the picture at path (Windows path), at its own size, at a position
  // code, 2 pixels from the edges, with opacity 0..1. With
  // use_transparent_color, its pixels of exactly transparent_color are left
  // out (an empty colour leaves out nothing).
  void AddWatermark(std::string_view path, int32_t position, double opacity,
                    const vb::Variant& transparent_color, bool use_transparent_color);

  // Kept for callers; pictures are always worked on in 24-bit colour.
  void ColorResolution(int32_t bits) { color_resolution_ = bits; }
  int32_t ColorResolution() const { return color_resolution_; }

  // Resamples to exactly width x height (rounded half to even; below 1
  // raises 5). The last two arguments are accepted and not used.
  void ResizeImage(double width, double height, int32_t, int32_t);

  // destination 0 is a file (any other raises 5); format is a format code.
  // A picture nothing was done to, saved over its own file in its own
  // format, is not rewritten.
  void SaveImage(int32_t destination, int32_t format, std::string_view path);

 private:
  ImageGen() = default;
  Picture& Loaded();
  const Picture& Loaded() const;

  Picture picture_;
  std::string loaded_;  // native path of the loaded picture
  std::string error_description_;
  int32_t color_resolution_ = 24;
  bool changed_ = false;
};

}  // namespace ostrel::image
