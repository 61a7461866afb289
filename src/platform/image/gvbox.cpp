#include "platform/image/gvbox.h"

#include <cmath>

#include "platform/fs/path_map.h"
#include "platform/image/installed.h"
#include "platform/image/picture.h"
#include "platform/vb/vb_error.h"

namespace ostrel::image {
namespace {

constexpr int kPreviewQuality = 85;

}  // namespace

std::unique_ptr<CGvbox> CGvbox::Create() {
  RequireInstalled(kGvboxProgId);
  return std::unique_ptr<CGvbox>(new CGvbox());
}

bool CGvbox::DoImageProcess() {
  return vb::TryStep([&] {
    if (image_file_.empty()) throw vb::VbError(53, std::string(kGvboxProgId), "No picture");
    Picture picture = Picture::Load(fs::ToNative(image_file_));
    if (preview_path_.empty()) return;
    int w = picture.width(), h = picture.height();
    int longer = w > h ? w : h;
    if (preview_size_ >= 1 && longer > preview_size_) {
      double scale = static_cast<double>(preview_size_) / longer;
      int pw = static_cast<int>(std::lround(w * scale));
      int ph = static_cast<int>(std::lround(h * scale));
      picture.Resize(pw < 1 ? 1 : pw, ph < 1 ? 1 : ph);
    }
    picture.Save(fs::ToNative(preview_path_), Format::kJpeg, kPreviewQuality);
  });
}

}  // namespace ostrel::image
