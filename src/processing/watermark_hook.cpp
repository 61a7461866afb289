#include "processing/watermark_hook.h"

#include <string>
#include <vector>

#include "imaging/image_mark.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/files_folders.h"

namespace ostrel::processing {
namespace {

constexpr size_t kItems = 16;

// Items used as numbers are 16-bit whole numbers, rounded to the nearest; a
// text that is no number (13) or lies beyond 16 bits (6) fails the hook.
int16_t Whole(const std::string& item) { return vb::CInt(vb::Variant(item)); }

}  // namespace

bool AddWatermark(const component::HostObjects& host, bool mark_on, std::string_view PreviewSetting,
                  std::string_view InstallDir, std::string_view sFilePath) {
  if (!mark_on) return false;
  bool drawn = false;
  vb::TryStep([&] {
    std::vector<std::string> item = vb::Split(PreviewSetting, ",");
    if (item.empty()) vb::Raise(vb::kErrSubscript);
    if (Whole(item[0]) >= 4) return;
    if (item.size() < kItems) vb::Raise(vb::kErrSubscript);

    // A mark text of "0" means no mark at all.
    std::string info;
    std::string kind = item[2];
    if (Whole(kind) == 1) {
      info = item[5];
    } else if (Whole(kind) == 2) {
      info = host.Server().MapPath(std::string(InstallDir) + item[10]);
    }
    if (info == "0") {
      info.clear();
      kind = "0";
    }

    imaging::ImageMark mark;
    const std::string path = CheckMapPath(host, sFilePath, false);
    vb::Variant name(path);
    vb::Variant ext(mark.GetFileExt(path));
    vb::Variant preview(mark.GetFilePath(path) + mark.JPGFileName(path));

    // PreviewType creates the component, so it comes before every other
    // setting; the rest follow in the order the maker expects them.
    mark.MakePreview(false);
    mark.PreviewType(Whole(item[0]));
    mark.PreviewImageWidth(Whole(item[3]));
    mark.PreviewImageHeight(Whole(item[4]));
    mark.DrawImageWidth(Whole(item[13]));
    mark.DrawImageHeight(Whole(item[14]));
    mark.DrawGraph(vb::CCur(vb::Variant(item[11])));
    mark.DrawFontColor(item[7]);
    mark.DrawFontFamily(item[8]);
    mark.DrawFontSize(Whole(item[6]));
    mark.DrawFontBold(Whole(item[9]) != 0);
    mark.DrawInfo(info);
    mark.DrawType(Whole(kind));
    mark.DrawXYType(Whole(item[15]));
    mark.DrawSizeType(Whole(item[1]));
    mark.TransitionColor(item[12]);

    // The marked picture replaces the saved file only when a mark is drawn;
    // ImageMark's own outcome (ErrCodes) is not the hook's concern. The
    // thumbnail component (type 0) draws no mark and, with no preview asked
    // for, only opens the picture to see that it can: nothing the hook keeps,
    // so the decoding (most of a picture's cost in a run) is skipped.
    if (Whole(item[0]) != 0) mark.CreateView(name, preview, ext);
    drawn = true;
  });
  return drawn;
}

}  // namespace ostrel::processing
