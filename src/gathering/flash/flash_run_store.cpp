// FlashCollection.SaveFlashData, second half: the gathered entry skipped,
// rewritten or added when its title is already in the channel, its file
// downloaded when the item asks, its thumbnail saved as a local picture,
// its row written to QX_FlashList (not in test mode), the counters raised
// once the row is there, and the panel's status lines set. An entry that
// fails, a database error included, shows the failure and leaves none of
// the files it wrote.
#include <string>
#include <utility>
#include <vector>

#include "gathering/flash/flash_collection.h"
#include "gathering/flash/flash_run_types.h"
#include "platform/ado/connection.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/value_checks.h"

namespace ostrel::flash {

std::string FlashCollection::ClassUpdateCount(vb::Variant& ChannelID, vb::Variant& sortid) {
  GatheringObject::ClassUpdateCount(ChannelID, sortid);
  return "";
}

void FlashCollection::SaveFlashData(vb::Variant& line) {
  entry_files_.clear();
  panel_written_ = false;
  bool kept = false;
  try {
    GatheredFlash flash;
    std::string text;
    vb::TryStep([&] { text = vb::CStr(line); });
    if (ExtractFlash(text, flash)) kept = StoreFlash(flash);
  } catch (const vb::VbError& error) {
    // The entry went wrong: shown as a failure, in its panel when there is
    // one.
    const std::string reason =
        "保存数据出错：" + processing::HtmlText(vb::Variant(error.description()));
    if (panel_written_) {
      gathering::WriteStatusScript(
          host_.Response(), "文件采集失败",
          processing::ScriptString("<font color=blue>" + reason + "</font>"));
    } else {
      processing::ShowErrorTable(reason);
    }
  }
  if (!kept) RemoveEntryFiles();
}

bool FlashCollection::StoreFlash(GatheredFlash& flash) {
  processing::VBProcess& process = Process();
  const int16_t path_form = static_cast<int16_t>(item_.PathForm);
  const std::string dateFolder = process.BuildDatePath(path_form);
  const std::string folder =
      process.CheckMapPath(ChannelPath_ + item_.SaveFilePath + dateFolder, true);

  // The file and the thumbnail, before the row.
  std::string fileAddress = flash.downAddress;
  std::string miniature;
  auto prepare = [&] {
    DownSucceed_ = true;
    if (settings_.UseDownload > 0 && item_.IsDown > 0) {
      process.CreatedPathEx(folder);
      const std::string name = DownloadFlashFile(flash.downAddress, folder);
      // A failed download has written its own status.
      if (!DownSucceed_ || name.empty()) {
        DownSucceed_ = false;
        return false;
      }
      entry_files_.push_back(folder + name);
      fileAddress = item_.SaveFilePath + dateFolder + name;
    }
    if (!flash.thumbnail.empty()) miniature = SaveThumbnail(flash.thumbnail, item_.PathForm);
    return true;
  };

  // The title is looked up in this channel only. The file address is
  // stored whole: a shortened one could name another file, which the
  // upload clean-up would then keep or lose wrongly.
  const gathering::EntryStore entry{
      .lookup = "SELECT * FROM QX_FlashList WHERE ChannelID=" + std::to_string(ChannelID_) +
                " And title='" + process.CheckStr(flash.title) + "'",
      .RepeatDeal = settings_.RepeatDeal,
      .test_mode = settings_.UseDownload == 9,
      .ClassID = flash.ClassID,
      .texts = {"文件采集成功", "文件采集成功", "文件采集失败", "目标文件已存在，不予采集"},
      .prepare = prepare,
      .row =
          [&] {
            return std::vector<std::pair<const char*, vb::Variant>>{
                {"ChannelID", vb::Variant(ChannelID_)},
                {"ClassID", vb::Variant(flash.ClassID)},
                {"SpecialID", vb::Variant(process.ChkNumeric(std::to_string(item_.SpecialID)))},
                {"title", vb::Variant(flash.title)},
                {"ColorMode", vb::Variant(int32_t{0})},
                {"FontMode", vb::Variant(int32_t{0})},
                {"Introduce", vb::Variant(flash.intro)},
                {"Related", vb::Variant("")},
                {"Describe", vb::Variant(flash.describe)},
                {"filesize", vb::Variant(static_cast<double>(entry_size_))},
                {"Author", vb::Variant(flash.author)},
                {"ComeFrom", vb::Variant(flash.source)},
                {"star", vb::Variant(int32_t{item_.star})},
                {"miniature", vb::Variant(miniature)},
                {"UserGroup", vb::Variant(int32_t{0})},
                {"PointNum", vb::Variant(int32_t{0})},
                {"UserName", vb::Variant(vb::Trim(AdminName_))},
                {"addTime", vb::Variant(vb::CDate(vb::Variant(flash.updateTime)))},
                {"HtmlFileDate", vb::Variant(vb::Trim(process.HtmlRndFileName()))},
                {"AllHits", vb::Variant(flash.AllHits)},
                {"DayHits", vb::Variant(int32_t{0})},
                {"WeekHits", vb::Variant(int32_t{0})},
                {"MonthHits", vb::Variant(int32_t{0})},
                {"HitsTime", vb::Variant(vb::Now())},
                {"grade", vb::Variant(int32_t{0})},
                {"showmode", vb::Variant(process.ChkNumeric(std::to_string(item_.showmode)))},
                {"ErrCode", vb::Variant(int32_t{0})},
                {"isTop", vb::Variant(int32_t{0})},
                {"IsBest", vb::Variant(int32_t{0})},
                {"downid", vb::Variant(int32_t{0})},
                {"showurl", vb::Variant(fileAddress)},
                {"DownAddress", vb::Variant("")},
                {"isUpdate", vb::Variant(int32_t{1})},
                {"isAccept", vb::Variant(int32_t{1})},
                {"ForbidEssay", vb::Variant(int32_t{0})},
                {"AlphaIndex", vb::Variant(process.ReadAlpha(flash.title))},
            };
          },
      // A failing statement is passed over: a count at its largest stays.
      .pass_failures = true,
  };
  return StoreEntry(entry) != StoreOutcome::kEnded;
}

}  // namespace ostrel::flash
