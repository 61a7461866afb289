// SoftCollection: the base settings page. action=config shows the one row
// of QX_SoftConfig as a form (from the settings ReadSoftConfig loaded),
// action=save checks and stores it, drops the cached settings and sends the
// browser back. The archive rows are shown and saved only with ZipSwitch on.
#include <string>

#include "gathering/software/soft_collection.h"
#include "platform/vb/variant.h"

namespace ostrel::software {
namespace {

using gathering::Control;
using gathering::MarkRule;
using gathering::Saved;
using gathering::SettingRow;

constexpr std::string_view kExtensionHint = " <font color=blue>* 每个文件类型请用“|”分开</font>";
constexpr std::string_view kPathHint = " <font color=blue>* 可以使用相对路径或者绝对路径</font>";
constexpr std::string_view kUnlimitedHint =
    " <font color=blue><b>KB</b></font> <font color=red>* 不限制请输入“0”</font>";
constexpr std::string_view kMillisecondsHint = " <font color=blue>毫秒</font>";

SettingRow Number(std::string label, std::string_view field, int32_t value, int32_t max,
                  std::string_view hint) {
  return {.label = std::move(label),
          .field = field,
          .saved = Saved::kWholeNumber,
          .value = vb::Variant(value),
          .size = 12,
          .maxlength = 10,
          .hint = std::string(hint),
          .max = max};
}

SettingRow Text(std::string label, std::string_view field, const std::string& value, int size,
                int maxlength, std::string_view hint, std::string_view required = "") {
  return {.label = std::move(label),
          .field = field,
          .value = vb::Variant(value),
          .size = size,
          .maxlength = maxlength,
          .hint = std::string(hint),
          .required = required};
}

SettingRow Radio(std::string label, std::string_view field, int16_t value,
                 std::vector<gathering::RadioOption> options) {
  return {.label = std::move(label),
          .field = field,
          .control = Control::kRadio,
          .saved = Saved::kWholeNumber,
          .value = vb::Variant(value),
          .options = std::move(options),
          .max = gathering::kIntegerMax};
}

}  // namespace

std::vector<gathering::SettingsSection> SoftCollection::SettingsSections() {
  const SoftSettings& s = settings_;
  constexpr MarkRule::Op kEq = MarkRule::kEquals;
  constexpr MarkRule::Op kGt = MarkRule::kAbove;
  gathering::SettingsSection main{
      .heading = ModuleName_ + "采集基本设置　　（版本：" + Process().Version() + "）",
      .table_class = "TableBorder"};
  main.rows = {
      Radio("下载功能开关：", "UseDownload", s.UseDownload,
            {{"0", "关闭", {kEq, 0}},
             {"1", "打开", {kEq, 1}},
             {"9", "下载测试 <font color=red>(供测试程序用，不写数据库)</font>", {kEq, 9}}}),
      Radio("重复" + ModuleName_ + "处理：", "RepeatDeal", s.RepeatDeal,
            {{"0", "跳过", {kEq, 0}}, {"1", "更新", {kEq, 1}}, {"2", "添加", {kGt, 1}}}),
      Radio("是否显示下载进度：", "isProgress", s.isProgress,
            {{"0", "不显示", {kEq, 0}},
             {"1", "显示速度", {kGt, 0}},
             {"2", "显示进度条", {kEq, 2}},
             {"3", "显示速度+进度条", {kEq, 3}}}),
      Radio("是否显示真实地址：", "TrueAddress", s.TrueAddress,
            {{"0", "不显示", {kEq, 0}}, {"1", "显示", {kGt, 0}}}),
      Number("采集过程间隔时间：", "setInterval", s.setInterval, INT32_MAX, kMillisecondsHint),
      Number("允许下载的文件大小：", "MaxDownSize", s.MaxDownSize, INT32_MAX, kUnlimitedHint),
      Text("允许下载的文件类型：", "AllowDownExt", s.AllowDownExt, 50, 255, kExtensionHint,
           "请输入允许下载的文件类型!"),
      Text("文件名前缀：", "FilePrefix", s.FilePrefix, 15, 0,
           " <font color=blue>* 不加前缀请输入“0”</font>"),
      Text("文件名后缀：", "FileSuffix", s.FileSuffix, 15, 0,
           " <font color=blue>* 不加后缀请输入“0”</font>"),
  };
  gathering::SettingsSection archive{
      .heading = "压缩包处理设置", .table_class = "TableBorders2", .on = ZipSwitch_};
  archive.rows = {
      Radio("是否处理压缩文档：", "isZipFile", s.isZipFile,
            {{"0", "否", {kEq, 0}}, {"1", "是", {kGt, 0}}}),
      Radio("压缩文档格式：", "ZipMode", s.ZipMode,
            {{"0", "WinRar", {kEq, 0}}, {"1", "WinZip", {kGt, 0}}}),
      Number("处理压缩文件的间隔时间：", "ZipTimeout", s.ZipTimeout, INT32_MAX, kMillisecondsHint),
      Number("处理压缩文件的大小限制：", "MaxZipsize", s.MaxZipsize, INT32_MAX, kUnlimitedHint),
      Text("允许处理的文件类型：", "AllowFileExt", s.AllowFileExt, 45, 255, kExtensionHint,
           "允许处理的文件类型没有输入!"),
      Text("WinRar安装路径：", "WinRarPath", s.WinRarPath, 45, 0, kPathHint,
           "WinRar的安装路径没有填写!"),
      Text("下载文件的临时目录：", "DownFilePath", s.DownFilePath, 45, 0, kPathHint,
           "下载文件的临时目录没有输入!"),
      Text("说明文件路径：", "ReadmePath", s.ReadmePath, 45, 0, kPathHint, "说明文件路径没有输入!"),
      {.label = "说明文件名称：",
       .field = "ReadmeFile",
       .control = Control::kTextArea,
       .saved = Saved::kLines,
       .value = vb::Variant(s.ReadmeFile),
       .size = 50,
       .rows = 5,
       .hint = "<br><font color=red>* 文件将被添加到压缩包内，多个文件请用回车（Enter ←）分开</font>"},
      Text("RAR压缩包注释文件：", "RarNoteFile", s.RarNoteFile, 45, 0, kPathHint,
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
