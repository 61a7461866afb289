// Picture formats the image components read and write. A picture's format is
// what its first bytes say, never what its name says: gathered pictures are
// often named after the page that served them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ostrel::image {

enum class Format { kJpeg, kPng, kGif, kBmp };

// The format named by the leading bytes, or nullopt for anything else.
std::optional<Format> SniffFormat(std::string_view bytes);

struct PixelSize {
  uint32_t width = 0;
  uint32_t height = 0;
};

// The picture size recorded in the header, read without decoding, so that a
// small file claiming a huge picture is refused before memory is spent on
// it. nullopt when the header cannot be read (the decoder then decides).
std::optional<PixelSize> HeaderSize(Format format, std::string_view bytes);

// Largest picture accepted, in pixels (a 40-megapixel picture already needs
// 160 MB once decoded).
inline constexpr uint64_t kMaxPixels = 40'000'000;

// Largest picture file read.
inline constexpr uint64_t kMaxFileBytes = 64u << 20;

}  // namespace ostrel::image
