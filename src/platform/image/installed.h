// Which of the three image components are "installed". On the original
// servers any of them could be missing, and the component then failed to
// create; the switch lets a site (and the tests) reach that path.
#pragma once

#include <string_view>

namespace ostrel::image {

inline constexpr std::string_view kGvboxProgId = "CreatePreviewImage.cGvbox";
inline constexpr std::string_view kPersitsJpegProgId = "Persits.Jpeg";
inline constexpr std::string_view kImageGenProgId = "SoftArtisans.ImageGen";

// Error raised when a component that is switched off is created, as the
// automation runtime did for a missing class.
inline constexpr int kErrCannotCreateObject = 429;

// Process-wide; all three start installed. ProgIDs compare without regard
// to case. Unknown ProgIDs are never installed.
void SetInstalled(std::string_view prog_id, bool installed);
bool IsInstalled(std::string_view prog_id);

// Raises VbError 429 ("ActiveX component can't create object") unless the
// component is installed.
void RequireInstalled(std::string_view prog_id);

}  // namespace ostrel::image
