#include "gathering/common/settings_rows.h"

#include <utility>

namespace ostrel::gathering {

SettingRow NumberRow(std::string label, std::string_view field, int32_t value, int32_t max,
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

SettingRow TextRow(std::string label, std::string_view field, const std::string& value, int size,
                   int maxlength, std::string_view hint, std::string_view required) {
  return {.label = std::move(label),
          .field = field,
          .value = vb::Variant(value),
          .size = size,
          .maxlength = maxlength,
          .hint = std::string(hint),
          .required = required};
}

SettingRow RadioRow(std::string label, std::string_view field, int16_t value,
                    std::vector<RadioOption> options) {
  return {.label = std::move(label),
          .field = field,
          .control = Control::kRadio,
          .saved = Saved::kWholeNumber,
          .value = vb::Variant(value),
          .options = std::move(options),
          .max = kIntegerMax};
}

SettingRow UseDownloadRow(int16_t value) {
  return RadioRow("下载功能开关：", "UseDownload", value,
                  {{"0", "关闭", {MarkRule::kEquals, 0}},
                   {"1", "打开", {MarkRule::kEquals, 1}},
                   {"9",
                    "下载测试 <font color=red>(供测试程序用，不写数据库)</font>",
                    {MarkRule::kEquals, 9}}});
}

// A stored 2 marks 显示速度 and 显示进度条, 3 marks 显示速度 and
// 显示速度+进度条: the browser shows the later button.
SettingRow ProgressRow(int16_t value) {
  return RadioRow("是否显示下载进度：", "isProgress", value,
                  {{"0", "不显示", {MarkRule::kEquals, 0}},
                   {"1", "显示速度", {MarkRule::kAbove, 0}},
                   {"2", "显示进度条", {MarkRule::kEquals, 2}},
                   {"3", "显示速度+进度条", {MarkRule::kEquals, 3}}});
}

std::vector<SettingRow> DownloadFileRows(int32_t setInterval, int32_t MaxDownSize,
                                         const std::string& AllowDownExt,
                                         const std::string& FilePrefix,
                                         const std::string& FileSuffix) {
  return {
      NumberRow("采集过程间隔时间：", "setInterval", setInterval, INT32_MAX, kMillisecondsHint),
      NumberRow("允许下载的文件大小：", "MaxDownSize", MaxDownSize, INT32_MAX, kUnlimitedHint),
      TextRow("允许下载的文件类型：", "AllowDownExt", AllowDownExt, 50, 255, kExtensionHint,
              "请输入允许下载的文件类型!"),
      TextRow("文件名前缀：", "FilePrefix", FilePrefix, 15, 0,
              " <font color=blue>* 不加前缀请输入“0”</font>"),
      TextRow("文件名后缀：", "FileSuffix", FileSuffix, 15, 0,
              " <font color=blue>* 不加后缀请输入“0”</font>"),
  };
}

}  // namespace ostrel::gathering
