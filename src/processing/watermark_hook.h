// The toolbox's watermark hook: every picture a gathering engine saves is
// handed to AddWatermark while the watermark switch is on. The hook reads
// the site's watermark settings (the comma list PreviewSetting) and asks
// the watermark maker to mark the saved file in place.
//
// The maker (one ImageMark per call) lives in the imaging module, which is
// built on this one; it reaches the hook through SetWatermarkMaker, so the
// toolbox never names the imaging code.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "component/host_access.h"
#include "platform/vb/variant.h"

namespace ostrel::processing {

// The settings the maker receives, in the order it sets them on its
// ImageMark (MakePreview is always False).
struct WatermarkSettings {
  int16_t PreviewType = 0;         // item 0: 0, 1 or 2
  int16_t PreviewImageWidth = 0;   // item 3
  int16_t PreviewImageHeight = 0;  // item 4
  int16_t DrawImageWidth = 0;      // item 13
  int16_t DrawImageHeight = 0;     // item 14
  vb::Currency DrawGraph;          // item 11, opacity of a picture mark
  std::string DrawFontColor;       // item 7
  std::string DrawFontFamily;      // item 8
  int16_t DrawFontSize = 0;        // item 6
  bool DrawFontBold = false;       // item 9 not 0
  std::string DrawInfo;            // mark text, or the mark picture's physical path
  int16_t DrawType = 0;            // item 2: 1 text, 2 picture, else no mark
  int16_t DrawXYType = 0;          // item 15
  int16_t DrawSizeType = 0;        // item 1
  std::string TransitionColor;     // item 12
};

// Reads PreviewSetting by position. Nothing when item 0 is 4 or more
// (marking switched off). The mark information is item 5 for a text mark
// and Server.MapPath(InstallDir & item 10) for a picture mark; a mark of
// "0" means no mark (empty information, kind 0). Raises the error of the
// failing step: fewer than 16 items (9), an item that is no number where a
// number is needed (13) or beyond 16 bits (6), a refused mapping.
std::optional<WatermarkSettings> ReadWatermarkSettings(const component::HostObjects& host,
                                                       std::string_view PreviewSetting,
                                                       std::string_view InstallDir);

// Sets up one ImageMark from the settings and marks the picture at the
// physical path in place. Its own outcome is not reported back.
using WatermarkMaker =
    std::function<void(const WatermarkSettings& settings, const std::string& physical_path)>;

// Installs the maker (nullptr removes it). Process-wide; the imaging module
// installs it when it starts.
void SetWatermarkMaker(WatermarkMaker maker);

// Marks the saved picture sFilePath (virtual or physical). False when the
// switch is off, item 0 switches marking off, no maker is installed, or any
// step fails (a failure before the maker leaves the picture as downloaded);
// True once the maker has run. Never raises.
bool AddWatermark(const component::HostObjects& host, bool mark_on, std::string_view PreviewSetting,
                  std::string_view InstallDir, std::string_view sFilePath);

}  // namespace ostrel::processing
