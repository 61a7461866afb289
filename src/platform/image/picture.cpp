#include "platform/image/picture.h"

#include <gd.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "platform/image/picture_file.h"
#include "platform/vb/vb_error.h"

namespace ostrel::image {
namespace {

[[noreturn]] void InvalidPicture(const std::string& name) {
  throw vb::VbError(481, "", "Invalid picture: " + name);
}

[[noreturn]] void InvalidCall(const char* what) { throw vb::VbError(5, "", what); }

// libgd reports damaged data on stderr; a damaged picture is an ordinary
// event here (the caller gets error 481), so the messages are dropped.
void QuietGdErrors(int, const char*, va_list) {}

void SetUpGd() {
  static std::once_flag once;
  std::call_once(once, [] { gdSetErrorMethod(QuietGdErrors); });
}

gdImagePtr DecodeWith(Format format, std::string_view bytes) {
  int size = static_cast<int>(bytes.size());
  void* data = const_cast<char*>(bytes.data());
  switch (format) {
    case Format::kJpeg:
      return gdImageCreateFromJpegPtrEx(size, data, 1);
    case Format::kPng:
      return gdImageCreateFromPngPtr(size, data);
    case Format::kGif:
      return gdImageCreateFromGifPtr(size, data);
    case Format::kBmp:
      return gdImageCreateFromBmpPtr(size, data);
  }
  return nullptr;
}

gdImagePtr NewCanvas(int width, int height) {
  gdImagePtr im = gdImageCreateTrueColor(width, height);
  if (im == nullptr) throw vb::VbError(7, "", "Out of memory");
  gdImageAlphaBlending(im, 0);
  gdImageSaveAlpha(im, 1);
  return im;
}

int Channel(uint32_t rgb, int shift) { return static_cast<int>((rgb >> shift) & 0xFF); }

}  // namespace

Picture::~Picture() {
  if (im_ != nullptr) gdImageDestroy(im_);
}

Picture::Picture(Picture&& other) noexcept
    : im_(std::exchange(other.im_, nullptr)), format_(other.format_) {}

Picture& Picture::operator=(Picture&& other) noexcept {
  if (this != &other) {
    if (im_ != nullptr) gdImageDestroy(im_);
    im_ = std::exchange(other.im_, nullptr);
    format_ = other.format_;
  }
  return *this;
}

Picture Picture::Load(const std::string& native_path) {
  return Decode(ReadPictureFile(native_path, kMaxFileBytes), native_path);
}

Picture Picture::Decode(std::string_view bytes, const std::string& name) {
  SetUpGd();
  std::optional<Format> format = SniffFormat(bytes);
  if (!format || bytes.size() > kMaxFileBytes) InvalidPicture(name);
  if (std::optional<PixelSize> size = HeaderSize(*format, bytes)) {
    if (size->width == 0 || size->height == 0 ||
        static_cast<uint64_t>(size->width) * size->height > kMaxPixels) {
      InvalidPicture(name);
    }
  }
  gdImagePtr im = DecodeWith(*format, bytes);
  if (im == nullptr) InvalidPicture(name);
  if (static_cast<uint64_t>(gdImageSX(im)) * gdImageSY(im) > kMaxPixels ||
      (!gdImageTrueColor(im) && !gdImagePaletteToTrueColor(im))) {
    gdImageDestroy(im);
    InvalidPicture(name);
  }
  gdImageAlphaBlending(im, 0);
  gdImageSaveAlpha(im, 1);
  return Picture(im, *format);
}

int Picture::width() const { return gdImageSX(im_); }
int Picture::height() const { return gdImageSY(im_); }

uint32_t Picture::Pixel(int x, int y) const {
  return static_cast<uint32_t>(gdImageTrueColorPixel(im_, x, y)) & 0xFFFFFF;
}

void Picture::Resize(int width, int height) {
  if (width < 1 || height < 1 || static_cast<uint64_t>(width) * height > kMaxPixels) {
    InvalidCall("Invalid picture size");
  }
  if (width == this->width() && height == this->height()) return;
  gdImagePtr out = NewCanvas(width, height);
  gdImageCopyResampled(out, im_, 0, 0, 0, 0, width, height, this->width(), this->height());
  gdImageDestroy(im_);
  im_ = out;
}

void Picture::Sharpen(double strength) {
  if (strength <= 0) return;
  float k = static_cast<float>(strength);
  float kernel[3][3] = {{0, -k, 0}, {-k, 1 + 4 * k, -k}, {0, -k, 0}};
  gdImageConvolution(im_, kernel, 1, 0);
}

void Picture::Blend(const Picture& mark, int x, int y, double opacity, std::optional<uint32_t> key,
                    int tolerance) {
  if (!(opacity > 0)) return;  // also NaN
  opacity = std::min(opacity, 1.0);
  int x0 = std::max(0, -x), y0 = std::max(0, -y);
  int x1 = std::min(mark.width(), width() - x);
  int y1 = std::min(mark.height(), height() - y);
  for (int j = y0; j < y1; ++j) {
    for (int i = x0; i < x1; ++i) {
      int src = gdImageTrueColorPixel(mark.im_, i, j);
      int sr = gdTrueColorGetRed(src), sg = gdTrueColorGetGreen(src), sb = gdTrueColorGetBlue(src);
      if (key && std::abs(sr - Channel(*key, 16)) <= tolerance &&
          std::abs(sg - Channel(*key, 8)) <= tolerance &&
          std::abs(sb - Channel(*key, 0)) <= tolerance) {
        continue;
      }
      // gd alpha runs from 0 (opaque) to 127 (clear).
      double a = opacity * (gdAlphaMax - gdTrueColorGetAlpha(src)) / gdAlphaMax;
      if (a <= 0) continue;
      int& dst = gdImageTrueColorPixel(im_, x + i, y + j);
      auto mix = [a](int d, int s) { return static_cast<int>(std::lround(d + (s - d) * a)); };
      dst = gdTrueColorAlpha(mix(gdTrueColorGetRed(dst), sr), mix(gdTrueColorGetGreen(dst), sg),
                             mix(gdTrueColorGetBlue(dst), sb), gdTrueColorGetAlpha(dst));
    }
  }
}

std::string Picture::Encode(Format format, int jpeg_quality) const {
  int size = 0;
  void* data = nullptr;
  gdImagePtr palette = nullptr;
  switch (format) {
    case Format::kJpeg:
      data = gdImageJpegPtr(im_, &size, std::clamp(jpeg_quality, 1, 100));
      break;
    case Format::kPng:
      data = gdImagePngPtr(im_, &size);
      break;
    case Format::kGif:
      palette = gdImageCreatePaletteFromTrueColor(im_, 0, gdMaxColors);
      if (palette != nullptr) data = gdImageGifPtr(palette, &size);
      break;
    case Format::kBmp:
      data = gdImageBmpPtr(im_, &size, 0);
      break;
  }
  if (palette != nullptr) gdImageDestroy(palette);
  if (data == nullptr || size <= 0) {
    if (data != nullptr) gdFree(data);
    throw vb::VbError(75, "", "The picture could not be encoded");
  }
  std::string bytes(static_cast<const char*>(data), static_cast<size_t>(size));
  gdFree(data);
  return bytes;
}

void Picture::Save(const std::string& native_path, Format format, int jpeg_quality) const {
  WriteFileAtomically(native_path, Encode(format, jpeg_quality));
}

}  // namespace ostrel::image
