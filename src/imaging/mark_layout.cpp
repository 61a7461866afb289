#include "imaging/mark_layout.h"

namespace ostrel::imaging {

double GetMarkX(int32_t xy_type, double picture, double box) {
  switch (xy_type) {
    case 0:
    case 1:
      return kMarkMargin;
    case 2:
      return (picture - box) / 2;
    case 3:
    case 4:
      return picture - box - kMarkMargin;
    default:
      return 0;
  }
}

double GetMarkY(int32_t xy_type, double picture, double box) {
  switch (xy_type) {
    case 0:
    case 3:
      return kMarkMargin;
    case 2:
      return (picture - box) / 2;
    case 1:
    case 4:
      return picture - box - kMarkMargin;
    default:
      return 0;
  }
}

double GetPreviewWidth(int32_t size_type, double width, double height, double preview_width,
                       double preview_height) {
  return size_type == 1 ? width * preview_height / height : preview_width;
}

double GetPreviewHeight(int32_t size_type, double width, double height, double preview_width,
                        double preview_height) {
  return size_type == 1 ? height * preview_width / width : preview_height;
}

int32_t ImageGenPosition(int32_t xy_type) {
  switch (xy_type) {
    case 0:
      return 3;
    case 1:
      return 5;
    case 2:
      return 1;
    case 3:
      return 6;
    case 4:
      return 8;
    default:
      return 0;
  }
}

}  // namespace ostrel::imaging
