#include "platform/image/persits_jpeg.h"

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

[[noreturn]] void NotOpen() {
  throw vb::VbError(5, std::string(kPersitsJpegProgId), "No picture is open");
}

int32_t Pixels(double value) {
  double rounded = vb::RoundHalfEven(value);
  if (!(rounded >= 1) || rounded > 65535) {
    throw vb::VbError(5, std::string(kPersitsJpegProgId), "Invalid picture size");
  }
  return static_cast<int32_t>(rounded);
}

// A coordinate; values far outside any picture are held at the edge of
// what an int carries, and simply clip.
int Coordinate(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::clamp(vb::RoundHalfEven(value), -1e6, 1e6));
}

}  // namespace

std::unique_ptr<PersitsJpeg> PersitsJpeg::Create() {
  RequireInstalled(kPersitsJpegProgId);
  return std::unique_ptr<PersitsJpeg>(new PersitsJpeg());
}

void PersitsJpeg::Open(std::string_view path) {
  std::string native = fs::ToNative(path);
  Picture picture = Picture::Load(native);
  picture_ = std::move(picture);
  opened_ = native;
  original_width_ = width_ = picture_.width();
  original_height_ = height_ = picture_.height();
  changed_ = false;
}

int32_t PersitsJpeg::OriginalWidth() const {
  if (picture_.empty()) NotOpen();
  return original_width_;
}

int32_t PersitsJpeg::Originalheight() const {
  if (picture_.empty()) NotOpen();
  return original_height_;
}

int32_t PersitsJpeg::Width() const {
  if (picture_.empty()) NotOpen();
  return width_;
}

void PersitsJpeg::Width(double value) {
  if (picture_.empty()) NotOpen();
  width_ = Pixels(value);
}

int32_t PersitsJpeg::Height() const {
  if (picture_.empty()) NotOpen();
  return height_;
}

void PersitsJpeg::Height(double value) {
  if (picture_.empty()) NotOpen();
  height_ = Pixels(value);
}

Picture& PersitsJpeg::Current() {
  if (picture_.empty()) NotOpen();
  if (picture_.width() != width_ || picture_.height() != height_) {
    picture_.Resize(width_, height_);
    changed_ = true;
  }
  return picture_;
}

void PersitsJpeg::JpegCanvas::Print(double x, double y, std::string_view text) {
  Picture& picture = owner_->Current();
  if (text.empty()) return;
  TextStyle style;
  style.family = Font.Family;
  style.size = Font.Size;
  style.color = static_cast<uint32_t>(Font.Color) & 0xFFFFFF;
  style.bold = Font.Bold;
  picture.DrawText(Coordinate(x), Coordinate(y), text, style);
  owner_->changed_ = true;
}

void PersitsJpeg::DrawImage(double x, double y, PersitsJpeg& image, double opacity,
                            const vb::Variant& transparent_color, int32_t deviation) {
  Picture& picture = Current();
  Picture& mark = image.Current();
  std::optional<uint32_t> key;
  bool no_key = transparent_color.IsEmpty() || transparent_color.IsNull() ||
                (transparent_color.IsString() && transparent_color.AsString().empty());
  if (!no_key) key = static_cast<uint32_t>(vb::CLng(transparent_color)) & 0xFFFFFF;
  picture.Blend(mark, Coordinate(x), Coordinate(y), opacity, key, std::clamp(deviation, 0, 255));
  changed_ = true;
}

void PersitsJpeg::Sharpen(double /*radius*/, double amount) {
  Picture& picture = Current();
  if (amount <= 100) return;
  picture.Sharpen((amount - 100) / 100);
  changed_ = true;
}

void PersitsJpeg::Save(std::string_view path) {
  std::string native = fs::ToNative(path);
  Picture& picture = Current();
  if (SameFile(native, opened_)) {
    if (!changed_) return;
    picture.Save(native, picture.format(), kQuality);
  } else {
    picture.Save(native, Format::kJpeg, kQuality);
  }
}

}  // namespace ostrel::image
