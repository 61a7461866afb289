#include "platform/image/image_gen.h"

#include <algorithm>
#include <cmath>

#include "platform/fs/path_map.h"
#include "platform/image/installed.h"
#include "platform/image/picture_file.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::image {
namespace {

constexpr int kQuality = 85;
constexpr int kMargin = 2;

[[noreturn]] void InvalidCall(const char* what) {
  throw vb::VbError(5, std::string(kImageGenProgId), what);
}

int32_t Pixels(double value) {
  double rounded = vb::RoundHalfEven(value);
  if (!(rounded >= 1) || rounded > 65535) InvalidCall("Invalid picture size");
  return static_cast<int32_t>(rounded);
}

int Coordinate(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::clamp(vb::RoundHalfEven(value), -1e6, 1e6));
}

Format FromCode(int32_t code) {
  switch (code) {
    case ImageGen::kBmp:
      return Format::kBmp;
    case ImageGen::kGif:
      return Format::kGif;
    case ImageGen::kJpeg:
      return Format::kJpeg;
    case ImageGen::kPng:
      return Format::kPng;
  }
  InvalidCall("Unknown picture format");
}

int32_t ToCode(Format format) {
  switch (format) {
    case Format::kBmp:
      return ImageGen::kBmp;
    case Format::kGif:
      return ImageGen::kGif;
    case Format::kJpeg:
      return ImageGen::kJpeg;
    case Format::kPng:
      return ImageGen::kPng;
  }
  return ImageGen::kJpeg;
}

TextStyle StyleOf(const ImageGen::FontSettings& font) {
  TextStyle style;
  style.family = font.Name;
  style.size = font.Height;
  style.color = static_cast<uint32_t>(font.Color) & 0xFFFFFF;
  style.italic = font.Italic;
  return style;
}

}  // namespace

std::unique_ptr<ImageGen> ImageGen::Create() {
  RequireInstalled(kImageGenProgId);
  return std::unique_ptr<ImageGen>(new ImageGen());
}

void ImageGen::LoadImage(std::string_view path) {
  error_description_.clear();
  try {
    std::string native = fs::ToNative(path);
    picture_ = Picture::Load(native);
    loaded_ = native;
    changed_ = false;
  } catch (const vb::VbError& e) {
    // The component's way of failing is a text, not an error.
    picture_ = Picture();
    loaded_.clear();
    error_description_ = e.description().empty() ? "The picture cannot be loaded" : e.description();
  }
}

Picture& ImageGen::Loaded() {
  if (picture_.empty()) InvalidCall("No picture is loaded");
  return picture_;
}

const Picture& ImageGen::Loaded() const {
  if (picture_.empty()) InvalidCall("No picture is loaded");
  return picture_;
}

int32_t ImageGen::Width() const { return Loaded().width(); }
int32_t ImageGen::Height() const { return Loaded().height(); }
int32_t ImageGen::ImageFormat() const { return ToCode(Loaded().format()); }

int32_t ImageGen::TextWidth() const { return Picture::MeasureText(Text, StyleOf(Font)).width; }
int32_t ImageGen::TextHeight() const { return Picture::MeasureText(Text, StyleOf(Font)).height; }

void ImageGen::DrawTextOnImage(double x, double y, double /*width*/, double /*height*/) {
  Picture& picture = Loaded();
  if (Text.empty()) return;
  picture.DrawText(Coordinate(x), Coordinate(y), Text, StyleOf(Font));
  changed_ = true;
}

void ImageGen::AddWatermark(std::string_view path, int32_t position, double opacity,
                            const vb::Variant& transparent_color, bool use_transparent_color) {
  Picture& picture = Loaded();
  Picture mark = Picture::Load(fs::ToNative(path));
  std::optional<uint32_t> key;
  bool no_key = transparent_color.IsEmpty() || transparent_color.IsNull() ||
                (transparent_color.IsString() && transparent_color.AsString().empty());
  if (use_transparent_color && !no_key) {
    key = static_cast<uint32_t>(vb::CLng(transparent_color)) & 0xFFFFFF;
  }
  int left = kMargin, top = kMargin;
  int right = picture.width() - mark.width() - kMargin;
  int bottom = picture.height() - mark.height() - kMargin;
  int x = 0, y = 0;
  switch (position) {
    case kCentre:
      x = (picture.width() - mark.width()) / 2;
      y = (picture.height() - mark.height()) / 2;
      break;
    case kTopLeft:
      x = left;
      y = top;
      break;
    case kBottomLeft:
      x = left;
      y = bottom;
      break;
    case kTopRight:
      x = right;
      y = top;
      break;
    case kBottomRight:
      x = right;
      y = bottom;
      break;
  }
  picture.Blend(mark, x, y, opacity, key, 0);
  changed_ = true;
}

void ImageGen::ResizeImage(double width, double height, int32_t, int32_t) {
  Picture& picture = Loaded();
  int32_t w = Pixels(width), h = Pixels(height);
  if (w == picture.width() && h == picture.height()) return;
  picture.Resize(w, h);
  changed_ = true;
}

void ImageGen::SaveImage(int32_t destination, int32_t format, std::string_view path) {
  if (destination != 0) InvalidCall("Only saving to a file is supported");
  Format target = FromCode(format);
  Picture& picture = Loaded();
  std::string native = fs::ToNative(path);
  if (!changed_ && target == picture.format() && SameFile(native, loaded_)) return;
  picture.Save(native, target, kQuality);
}

}  // namespace ostrel::image
