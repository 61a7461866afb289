// Real pictures made at test time with libgd, in a temporary folder, and
// the small checks the image tests make on them.
#pragma once

#include <gd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/image/picture.h"
#include "platform/image/picture_format.h"
#include "support/temp_dir.h"

namespace ostrel::image::testing {

// Pictures are made in a TempDir (support/temp_dir.h).
using ::ostrel::testing::TempDir;

inline std::string ReadBytes(const std::string& native) {
  std::ifstream in(native, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& native, const std::string& bytes) {
  std::ofstream out(native, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Paints a w x h picture: `paint(x, y)` gives 0xRRGGBB of each pixel.
inline std::string EncodePicture(Format format, int w, int h,
                                 const std::function<uint32_t(int, int)>& paint) {
  gdImagePtr im = gdImageCreateTrueColor(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t c = paint(x, y);
      gdImageSetPixel(im, x, y, gdTrueColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
    }
  }
  int size = 0;
  void* data = nullptr;
  gdImagePtr palette = nullptr;
  switch (format) {
    case Format::kJpeg:
      data = gdImageJpegPtr(im, &size, 95);
      break;
    case Format::kPng:
      data = gdImagePngPtr(im, &size);
      break;
    case Format::kGif:
      palette = gdImageCreatePaletteFromTrueColor(im, 0, 256);
      data = gdImageGifPtr(palette, &size);
      gdImageDestroy(palette);
      break;
    case Format::kBmp:
      data = gdImageBmpPtr(im, &size, 0);
      break;
  }
  std::string bytes(static_cast<char*>(data), static_cast<size_t>(size));
  gdFree(data);
  gdImageDestroy(im);
  return bytes;
}

// A plain picture of one colour, written to native.
inline void WritePicture(const std::string& native, Format format, int w, int h,
                         uint32_t rgb = 0xFFFFFF) {
  WriteBytes(native, EncodePicture(format, w, h, [rgb](int, int) { return rgb; }));
}

inline Picture LoadNative(const std::string& native) { return Picture::Load(native); }

// Whether two colours are within `tolerance` in each channel.
inline bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift : {16, 8, 0}) {
    int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d < -tolerance || d > tolerance) return false;
  }
  return true;
}

// The smallest box holding every pixel of `p` that differs from `background`
// by more than `tolerance`; empty (w == 0) when none does.
struct Box {
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // inclusive
  int w() const { return x1 < x0 ? 0 : x1 - x0 + 1; }
  int h() const { return y1 < y0 ? 0 : y1 - y0 + 1; }
};

inline Box ChangedBox(const Picture& p, uint32_t background, int tolerance) {
  Box box{p.width(), p.height(), -1, -1};
  for (int y = 0; y < p.height(); ++y) {
    for (int x = 0; x < p.width(); ++x) {
      if (Near(p.Pixel(x, y), background, tolerance)) continue;
      box.x0 = std::min(box.x0, x);
      box.y0 = std::min(box.y0, y);
      box.x1 = std::max(box.x1, x);
      box.y1 = std::max(box.y1, y);
    }
  }
  if (box.x1 < 0) return Box{};
  return box;
}

}  // namespace ostrel::image::testing
