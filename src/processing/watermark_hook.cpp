#include "processing/watermark_hook.h"

#include <mutex>
#include <vector>

#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/files_folders.h"

namespace ostrel::processing {
namespace {

struct MakerSlot {
  std::mutex mu;
  WatermarkMaker maker;
};

MakerSlot& Slot() {
  static MakerSlot slot;
  return slot;
}

constexpr size_t kItems = 16;

int16_t Whole(const std::string& item) { return vb::CInt(vb::Variant(item)); }

}  // namespace

std::optional<WatermarkSettings> ReadWatermarkSettings(const component::HostObjects& host,
                                                       std::string_view PreviewSetting,
                                                       std::string_view InstallDir) {
  std::vector<std::string> item = vb::Split(PreviewSetting, ",");
  if (item.empty()) vb::Raise(vb::kErrSubscript);
  if (Whole(item[0]) >= 4) return std::nullopt;
  if (item.size() < kItems) vb::Raise(vb::kErrSubscript);

  std::string info;
  int16_t kind = Whole(item[2]);
  if (kind == 1) {
    info = item[5];
  } else if (kind == 2) {
    info = host.Server().MapPath(std::string(InstallDir) + item[10]);
  }
  if (info == "0") {
    info.clear();
    kind = 0;
  }

  // Converted in the order the maker sets them, so the first bad item is
  // the one reported.
  WatermarkSettings s;
  s.PreviewType = Whole(item[0]);
  s.PreviewImageWidth = Whole(item[3]);
  s.PreviewImageHeight = Whole(item[4]);
  s.DrawImageWidth = Whole(item[13]);
  s.DrawImageHeight = Whole(item[14]);
  s.DrawGraph = vb::CCur(vb::Variant(item[11]));
  s.DrawFontColor = item[7];
  s.DrawFontFamily = item[8];
  s.DrawFontSize = Whole(item[6]);
  s.DrawFontBold = Whole(item[9]) != 0;
  s.DrawInfo = info;
  s.DrawType = kind;
  s.DrawXYType = Whole(item[15]);
  s.DrawSizeType = Whole(item[1]);
  s.TransitionColor = item[12];
  return s;
}

void SetWatermarkMaker(WatermarkMaker maker) {
  std::lock_guard lock(Slot().mu);
  Slot().maker = std::move(maker);
}

bool AddWatermark(const component::HostObjects& host, bool mark_on, std::string_view PreviewSetting,
                  std::string_view InstallDir, std::string_view sFilePath) {
  if (!mark_on) return false;
  WatermarkMaker maker;
  {
    std::lock_guard lock(Slot().mu);
    maker = Slot().maker;
  }
  bool marked = false;
  vb::TryStep([&] {
    std::optional<WatermarkSettings> settings =
        ReadWatermarkSettings(host, PreviewSetting, InstallDir);
    if (!settings || !maker) return;
    std::string path = CheckMapPath(host, sFilePath, false);
    maker(*settings, path);
    marked = true;
  });
  return marked;
}

}  // namespace ostrel::processing
