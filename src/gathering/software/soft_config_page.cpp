// SoftCollection: the base settings page. action=config shows the one row
// of QX_SoftConfig as a form (from the settings ReadSoftConfig loaded),
// action=save checks and stores it, drops the cached settings and sends the
// browser back. The archive rows are shown and saved only with ZipSwitch on.
#include <string>

#include "gathering/software/soft_collection.h"
#include "platform/vb/variant.h"

namespace ostrel::software {

std::vector<gathering::SettingsSection> SoftCollection::SettingsSections() {
  using namespace gathering;
  const SoftSettings& s = settings_;
  constexpr MarkRule::Op kEq = MarkRule::kEquals;
  constexpr MarkRule::Op kGt = MarkRule::kAbove;
  SettingsSection main{
      .heading = ModuleName_ + "采集基本设置　　（版本：" + Process().Version() + "）",
      .table_class = "TableBorder"};
  main.rows = {
      UseDownloadRow(s.UseDownload),
      RadioRow("重复" + ModuleName_ + "处理：", "RepeatDeal", s.RepeatDeal,
               {{"0", "跳过", {kEq, 0}}, {"1", "更新", {kEq, 1}}, {"2", "添加", {kGt, 1}}}),
      ProgressRow(s.isProgress),
      RadioRow("是否显示真实地址：", "TrueAddress", s.TrueAddress,
               {{"0", "不显示", {kEq, 0}}, {"1", "显示", {kGt, 0}}}),
  };
  for (SettingRow& row : DownloadFileRows(s.setInterval, s.MaxDownSize, s.AllowDownExt,
                                          s.FilePrefix, s.FileSuffix)) {
    main.rows.push_back(std::move(row));
  }
  SettingsSection archive{
      .heading = "压缩包处理设置", .table_class = "TableBorders2", .on = ZipSwitch_};
  archive.rows = {
      RadioRow("是否处理压缩文档：", "isZipFile", s.isZipFile,
               {{"0", "否", {kEq, 0}}, {"1", "是", {kGt, 0}}}),
      RadioRow("压缩文档格式：", "ZipMode", s.ZipMode,
               {{"0", "WinRar", {kEq, 0}}, {"1", "WinZip", {kGt, 0}}}),
      NumberRow("处理压缩文件的间隔时间：", "ZipTimeout", s.ZipTimeout, INT32_MAX,
                kMillisecondsHint),
      NumberRow("处理压缩文件的大小限制：", "MaxZipsize", s.MaxZipsize, INT32_MAX, kUnlimitedHint),
      TextRow("允许处理的文件类型：", "AllowFileExt", s.AllowFileExt, 45, 255, kExtensionHint,
              "允许处理的文件类型没有输入!"),
      TextRow("WinRar安装路径：", "WinRarPath", s.WinRarPath, 45, 0, kPathHint,
              "WinRar的安装路径没有填写!"),
      TextRow("下载文件的临时目录：", "DownFilePath", s.DownFilePath, 45, 0, kPathHint,
              "下载文件的临时目录没有输入!"),
      TextRow("说明文件路径：", "ReadmePath", s.ReadmePath, 45, 0, kPathHint,
              "说明文件路径没有输入!"),
      {.label = "说明文件名称：",
       .field = "ReadmeFile",
       .control = Control::kTextArea,
       .saved = Saved::kLines,
       .value = vb::Variant(s.ReadmeFile),
       .size = 50,
       .rows = 5,
       .hint = "<br><font color=red>* 文件将被添加到压缩包内，多个文件请用回车（Enter ←）分开</font>"},
      TextRow("RAR压缩包注释文件：", "RarNoteFile", s.RarNoteFile, 45, 0, kPathHint,
              "请输入rar注释文件!"),
  };
  return {main, archive};
}

void SoftCollection::ShowGatherConfig() {
  ShowSettingsForm({.label_width = "23%", .value_width = "77%", .label_nowrap = true},
                   SettingsSections());
}

void SoftCollection::SaveGatherConfig() {
  SaveSettings("QX_SoftConfig", "SoftConfig", SettingsSections());
}

}  // namespace ostrel::software
