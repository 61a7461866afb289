// Where a watermark goes and how large a preview is. Plain arithmetic on
// the picture's size, shared by the three renderers of ImageMark.
#pragma once

#include <cstdint>

namespace ostrel::imaging {

// Distance of a corner mark from the picture's edges, in pixels.
inline constexpr double kMarkMargin = 2;

// The mark box's left edge (GetMarkX) or top edge (GetMarkY) for a picture
// of size `picture` and a box of size `box` in that direction, by position:
// 0 top-left, 1 bottom-left, 2 centre, 3 top-right, 4 bottom-right; any
// other position puts the box at 0. The centre may be a half pixel.
double GetMarkX(int32_t xy_type, double picture, double box);
double GetMarkY(int32_t xy_type, double picture, double box);

// The preview's width and height for a picture of width x height and a
// preview of preview_width x preview_height. Size type 1 keeps the
// picture's proportions on the side that is not fixed; anything else gives
// the preview size as it is.
double GetPreviewWidth(int32_t size_type, double width, double height, double preview_width,
                       double preview_height);
double GetPreviewHeight(int32_t size_type, double width, double height, double preview_width,
                        double preview_height);

// The SoftArtisans.ImageGen position code of a position: 0 → 3, 1 → 5,
// 2 → 1, 3 → 6, 4 → 8, any other → 0.
int32_t ImageGenPosition(int32_t xy_type);

}  // namespace ostrel::imaging
