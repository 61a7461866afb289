#include "platform/image/picture_format.h"

#include <cstdlib>

namespace ostrel::image {
namespace {

uint32_t Byte(std::string_view b, size_t i) { return static_cast<unsigned char>(b[i]); }

uint32_t Be16(std::string_view b, size_t i) { return Byte(b, i) << 8 | Byte(b, i + 1); }

uint32_t Be32(std::string_view b, size_t i) { return Be16(b, i) << 16 | Be16(b, i + 2); }

uint32_t Le16(std::string_view b, size_t i) { return Byte(b, i) | Byte(b, i + 1) << 8; }

int32_t Le32(std::string_view b, size_t i) {
  return static_cast<int32_t>(Le16(b, i) | Le16(b, i + 2) << 16);
}

// Walks the JPEG markers up to the first start-of-frame, which holds the size.
std::optional<PixelSize> JpegSize(std::string_view b) {
  size_t i = 2;
  while (i + 4 <= b.size()) {
    if (Byte(b, i) != 0xFF) return std::nullopt;
    uint32_t marker = Byte(b, i + 1);
    if (marker == 0xFF) {  // fill byte
      ++i;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) {  // no length
      i += 2;
      continue;
    }
    uint32_t length = Be16(b, i + 2);
    if (length < 2) return std::nullopt;
    bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (i + 9 > b.size()) return std::nullopt;
      return PixelSize{Be16(b, i + 7), Be16(b, i + 5)};
    }
    i += 2 + length;
  }
  return std::nullopt;
}

}  // namespace

std::optional<Format> SniffFormat(std::string_view b) {
  if (b.size() >= 3 && Byte(b, 0) == 0xFF && Byte(b, 1) == 0xD8 && Byte(b, 2) == 0xFF) {
    return Format::kJpeg;
  }
  if (b.size() >= 8 && b.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) {
    return Format::kPng;
  }
  if (b.size() >= 6 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a")) {
    return Format::kGif;
  }
  // "BM" alone is too weak a mark: the file must also be long enough to hold
  // the file header and the size of the bitmap header.
  if (b.size() >= 26 && b.substr(0, 2) == "BM") return Format::kBmp;
  return std::nullopt;
}

std::optional<PixelSize> HeaderSize(Format format, std::string_view b) {
  switch (format) {
    case Format::kJpeg:
      return JpegSize(b);
    case Format::kPng:
      if (b.size() < 24) return std::nullopt;
      return PixelSize{Be32(b, 16), Be32(b, 20)};
    case Format::kGif:
      if (b.size() < 10) return std::nullopt;
      return PixelSize{Le16(b, 6), Le16(b, 8)};
    case Format::kBmp: {
      if (b.size() < 26) return std::nullopt;
      if (Le32(b, 14) == 12) return PixelSize{Le16(b, 18), Le16(b, 20)};  // OS/2 header
      int64_t w = Le32(b, 18), h = Le32(b, 22);
      return PixelSize{static_cast<uint32_t>(std::llabs(w)), static_cast<uint32_t>(std::llabs(h))};
    }
  }
  return std::nullopt;
}

}  // namespace ostrel::image
