// A decoded picture in memory: the imaging that the three image
// components share. Always held as 24-bit colour with alpha, whatever the
// file was; written back in any of the four formats.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/image/picture_format.h"

struct gdImageStruct;

namespace ostrel::image {

// How a text mark is drawn. Sizes are in pixels; colours 0xRRGGBB.
struct TextStyle {
  std::string family = "Arial";
  double size = 10;
  uint32_t color = 0;
  bool bold = false;
  bool italic = false;
};

class Picture {
 public:
  Picture() = default;
  ~Picture();
  Picture(Picture&& other) noexcept;
  Picture& operator=(Picture&& other) noexcept;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  // Decodes a file, whatever its name, by its leading bytes. Raises the
  // errors of ReadPictureFile, or 481 (Invalid picture) for a file that is
  // not a JPEG, PNG, GIF or BMP picture, is damaged, or is too large.
  static Picture Load(const std::string& native_path);
  // Decodes bytes already in memory (same errors).
  static Picture Decode(std::string_view bytes, const std::string& name_for_errors);

  bool empty() const { return im_ == nullptr; }
  int width() const;
  int height() const;
  // The format the picture was read in.
  Format format() const { return format_; }

  // 0xRRGGBB of one pixel; the picture must hold (x, y).
  uint32_t Pixel(int x, int y) const;

  // Resamples to exactly width x height. Raises 5 for a size below 1 or
  // above kMaxPixels.
  void Resize(int width, int height);

  // Sharpens with a 3x3 kernel; strength 0 leaves the picture as it is.
  void Sharpen(double strength);

  // Lays mark over this picture with its top-left corner at (x, y); parts
  // outside are clipped. opacity is 0..1 (clamped). Mark pixels within
  // `tolerance` of key in each of red, green and blue are left out.
  void Blend(const Picture& mark, int x, int y, double opacity, std::optional<uint32_t> key,
             int tolerance);

  // Size of text in the style, in pixels. Raises 5 when the text cannot be
  // laid out (no usable font, size below 1).
  struct TextBox {
    int width = 0;
    int height = 0;
  };
  static TextBox MeasureText(std::string_view text, const TextStyle& style);

  // Draws text with the top-left corner of its box at (x, y).
  void DrawText(int x, int y, std::string_view text, const TextStyle& style);

  // The font file text would be drawn with (Chinese text gets a font with
  // Chinese coverage).
  static std::string FontFileFor(std::string_view text, const TextStyle& style);

  // The encoded file. JPEG quality 1..100.
  std::string Encode(Format format, int jpeg_quality) const;

  // Encodes and writes through WriteFileAtomically.
  void Save(const std::string& native_path, Format format, int jpeg_quality) const;

 private:
  Picture(gdImageStruct* im, Format format) : im_(im), format_(format) {}

  gdImageStruct* im_ = nullptr;
  Format format_ = Format::kJpeg;
};

}  // namespace ostrel::image
