// FlashCollection: the base settings page and the show-mode radio group.
// action=config shows the one row of QX_FlashConfig as a form (from the
// settings ReadFlashConfig loaded), action=save checks and stores it, drops
// the cached settings and sends the browser back. The page is the download
// part of the software page: no address row, no archive section.
#include <string>

#include "gathering/flash/flash_collection.h"
#include "platform/vb/strings.h"

namespace ostrel::flash {
namespace {

constexpr std::string_view kShowModes[] = {"不显示", "FLASH", "图片", "Media", "Real", "DCR"};

}  // namespace

std::vector<gathering::SettingsSection> FlashCollection::SettingsSections() {
  using namespace gathering;
  const FlashSettings& s = settings_;
  SettingsSection main{.heading = ModuleName_ + "采集基本设置", .table_class = "TableBorder"};
  main.rows = {
      UseDownloadRow(s.UseDownload),
      RadioRow("重复" + ModuleName_ + "处理：", "RepeatDeal", s.RepeatDeal,
               {{"0", "跳过", {MarkRule::kEquals, 0}}, {"1", "更新", {MarkRule::kAbove, 0}}}),
      ProgressRow(s.isProgress),
  };
  for (SettingRow& row :
       DownloadFileRows(s.setInterval, s.MaxDownSize, s.AllowDownExt, s.FilePrefix, s.FileSuffix)) {
    main.rows.push_back(std::move(row));
  }
  // The rows keep the classes they have on the software page, where the
  // address row stands between the progress and the interval rows.
  constexpr std::string_view kClasses[] = {"TableRow1", "TableRow2", "TableRow1", "TableRow1",
                                           "TableRow2", "TableRow1", "TableRow2", "TableRow1"};
  for (size_t i = 0; i < main.rows.size(); ++i) main.rows[i].row_class = kClasses[i];
  return {main};
}

void FlashCollection::ShowGatherConfig() {
  ShowSettingsForm(
      {.label_width = "23%", .value_width = "77%", .label_nowrap = true, .form_in_table = true},
      SettingsSections());
}

void FlashCollection::SaveGatherConfig() {
  SaveSettings("QX_FlashConfig", "FlashConfig", SettingsSections());
}

std::string FlashCollection::ShowFlashMode(int16_t modeid) {
  std::string html;
  for (int16_t i = 0; i <= 5; ++i) {
    html += "<input type=\"radio\" name=\"showmode\" value=\"" + std::to_string(i) + "\" ";
    if (i == modeid) html += " checked";
    html += ">" + vb::Trim(std::string(kShowModes[i])) + " ";
  }
  return html;
}

}  // namespace ostrel::flash
