// Persits.Jpeg: open a picture, draw on its canvas, lay another picture
// over it, resize, sharpen and save.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/image/picture.h"
#include "platform/vb/variant.h"

namespace ostrel::image {

class PersitsJpeg {
 public:
  // Colours are numbers 0xRRGGBB (the caller's "&hRRGGBB" text read as a
  // number); sizes are pixels.
  struct FontSettings {
    int32_t Color = 0;
    std::string Family = "Arial";
    bool Bold = false;
    double Size = 24;
  };
  // The pen and brush are kept for callers that set them; text drawing
  // does not use them.
  struct PenSettings {
    int32_t Color = 0;
    int32_t Width = 1;
  };
  struct BrushSettings {
    bool Solid = true;
  };

  class JpegCanvas {
   public:
    FontSettings Font;
    PenSettings Pen;
    BrushSettings Brush;
    // Prints text with the top-left corner of its box at (x, y).
    void Print(double x, double y, std::string_view text);

   private:
    friend class PersitsJpeg;
    explicit JpegCanvas(PersitsJpeg* owner) : owner_(owner) {}
    PersitsJpeg* owner_;
  };

  // Raises VbError 429 when the component is switched off.
  static std::unique_ptr<PersitsJpeg> Create();

  PersitsJpeg(const PersitsJpeg&) = delete;
  PersitsJpeg& operator=(const PersitsJpeg&) = delete;

  // Opens a picture (Windows path) of any of the four formats, by its
  // leading bytes. Raises 53, 76, 70 or 481 (not a picture).
  void Open(std::string_view path);

  int32_t OriginalWidth() const;
  int32_t Originalheight() const;

  // The size the picture will have; setting one side resizes that side only.
  // Real values are rounded half to even; below 1 raises 5.
  int32_t Width() const;
  void Width(double value);
  int32_t Height() const;
  void Height(double value);

  // Lays image over this picture at (x, y) with opacity 0..1. Pixels of
  // image within `deviation` (per channel) of transparent_color are left
  // out; an empty transparent_color leaves out nothing.
  void DrawImage(double x, double y, PersitsJpeg& image, double opacity,
                 const vb::Variant& transparent_color, int32_t deviation);

  // Amount 100 leaves the picture as it is; 120 sharpens a little. The
  // radius is always one pixel.
  void Sharpen(double radius, double amount);

  // Saves to a Windows path. Saved over the file that was opened, the
  // picture keeps its own format, and a picture nothing was done to is not
  // rewritten at all; saved anywhere else it becomes a JPEG.
  void Save(std::string_view path);

  JpegCanvas Canvas{this};

 private:
  PersitsJpeg() = default;
  // The open picture at the size asked for.
  Picture& Current();

  Picture picture_;
  std::string opened_;  // native path of the open picture
  int32_t original_width_ = 0;
  int32_t original_height_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool changed_ = false;
};

}  // namespace ostrel::image
