// The toolbox's watermark hook: every picture a gathering engine saves is
// handed to AddWatermark while the watermark switch is on. The hook reads
// the site's watermark settings (the comma list PreviewSetting, read by
// position), sets up one ImageMark from them and asks it to mark the saved
// file in place. It is the only place in the system that makes an
// ImageMark.
//
// PreviewSetting items: 0 image component (0, 1 or 2; 4 or more switches
// marking off), 1 preview size rule, 2 mark kind (1 text, 2 picture, else
// none), 3 and 4 preview width and height, 5 mark text, 6 font size, 7 font
// colour, 8 font family, 9 bold (any whole number but 0), 10 mark picture
// under the installation folder, 11 opacity, 12 transparent colour, 13 and
// 14 mark box width and height, 15 mark position.
#pragma once

#include <string_view>

#include "component/host_access.h"

namespace ostrel::processing {

// Marks the saved picture sFilePath (virtual or physical). False when the
// switch (mark_on) is off, item 0 switches marking off, or a step before
// the drawing fails: fewer than 16 items, an item that is no 16-bit whole
// number where one is needed, a mark picture outside the site, a path
// without an extension. The picture is then left as it was downloaded.
// True once ImageMark was set up and asked to draw, whatever it made of it
// (a missing component or a file that is no picture leaves the file as it
// was). Never raises.
bool AddWatermark(const component::HostObjects& host, bool mark_on, std::string_view PreviewSetting,
                  std::string_view InstallDir, std::string_view sFilePath);

}  // namespace ostrel::processing
