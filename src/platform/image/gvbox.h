// CreatePreviewImage.cGvbox: a preview maker that does all its work in one
// call. It is given the picture, a preview size and (optionally) where to
// write the preview; it never changes the picture itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ostrel::image {

class CGvbox {
 public:
  // Raises VbError 429 when the component is switched off.
  static std::unique_ptr<CGvbox> Create();

  // Where DoImageProcess writes the preview (Windows path); unset or empty:
  // no preview is written.
  void SetSavePreviewImagePath(std::string_view path) { preview_path_ = path; }
  // The length in pixels of the preview's longer side. A picture that is
  // not larger, and any size below 1, gives a preview of the picture's own
  // size.
  void SetPreviewImageSize(int32_t size) { preview_size_ = size; }
  // The picture to work on (Windows path).
  void SetImageFile(std::string_view path) { image_file_ = path; }

  // Reads the picture and writes the preview as a JPEG. False when the
  // picture cannot be read or the preview cannot be written (nothing is
  // left behind then); never raises.
  bool DoImageProcess();

 private:
  CGvbox() = default;

  std::string preview_path_;
  int32_t preview_size_ = 0;
  std::string image_file_;
};

}  // namespace ostrel::image
