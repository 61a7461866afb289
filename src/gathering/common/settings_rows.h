// The rows of a channel's base settings page, as data: what each row
// shows, which column it saves and how the posted text is read. The
// channels describe their rows; GatheringObject writes the form and saves
// it (gathering_object_settings.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/vb/variant.h"

namespace ostrel::gathering {

// When a stored number marks a radio button.
struct MarkRule {
  enum Op { kEquals, kAbove } op = kEquals;
  int32_t n = 0;
  bool Marks(int32_t value) const { return op == kEquals ? value == n : value > n; }
};

struct RadioOption {
  std::string_view value{};
  std::string_view label{};  // markup allowed
  MarkRule marked{};
};

enum class Control { kRadio, kText, kTextArea };

// How the posted text is stored: a whole number (ChkNumeric; blank or not
// numeric is 0), the text trimmed, or one line per "|"-separated part
// (shown with "|" as line breaks, saved with line breaks as "|", trimmed).
enum class Saved { kWholeNumber, kText, kLines };

struct SettingRow {
  std::string label{};          // shown in bold, right-aligned
  std::string_view row_class{};  // "" alternates TableRow1 and TableRow2 by position
  std::string_view field{};     // form field and column name
  Control control = Control::kText;
  Saved saved = Saved::kText;
  vb::Variant value{};          // the value the object loaded
  std::vector<RadioOption> options{};
  int size = 0;               // text: size (and maxlength when set); area: cols x rows
  int maxlength = 0;
  int rows = 0;
  std::string hint{};           // markup after the control
  std::string_view required{};  // the alert when the posted field is empty; "" = optional
  // Whole numbers: the largest the column takes, and the alert beyond it
  // ("" gives "<label>的数值超出范围!").
  int32_t max = INT32_MAX;
  std::string_view too_large{};
};

// One table of the form. A section that is off is neither shown nor saved.
struct SettingsSection {
  std::string heading{};         // the th of the table
  std::string_view table_class{};
  std::vector<SettingRow> rows{};
  bool on = true;
};

// The form's frame: the first section's label and value cell widths, and
// where the form stands: around the tables, or opened inside the one table
// after its heading (then the hidden ChannelID follows the heading too).
struct SettingsForm {
  std::string_view label_width{};  // "23%"
  std::string_view value_width{};  // "77%"
  bool label_nowrap = false;
  bool form_in_table = false;
};

// Integer and Long columns.
inline constexpr int32_t kIntegerMax = INT16_MAX;

// Row builders: a whole number in a text box (size 12, maxlength 10), a
// trimmed text in a text box, a radio group saved as a whole number.
SettingRow NumberRow(std::string label, std::string_view field, int32_t value, int32_t max,
                     std::string_view hint);
SettingRow TextRow(std::string label, std::string_view field, const std::string& value, int size,
                   int maxlength, std::string_view hint, std::string_view required = "");
SettingRow RadioRow(std::string label, std::string_view field, int16_t value,
                    std::vector<RadioOption> options);

// The download rows the software and Flash settings share.
SettingRow UseDownloadRow(int16_t value);
SettingRow ProgressRow(int16_t value);
// 采集过程间隔时间, 允许下载的文件大小, 允许下载的文件类型 (required),
// 文件名前缀 and 文件名后缀, in this order.
std::vector<SettingRow> DownloadFileRows(int32_t setInterval, int32_t MaxDownSize,
                                         const std::string& AllowDownExt,
                                         const std::string& FilePrefix,
                                         const std::string& FileSuffix);

// The hints after the controls.
inline constexpr std::string_view kExtensionHint = " <font color=blue>* 每个文件类型请用“|”分开</font>";
inline constexpr std::string_view kPathHint = " <font color=blue>* 可以使用相对路径或者绝对路径</font>";
inline constexpr std::string_view kUnlimitedHint =
    " <font color=blue><b>KB</b></font> <font color=red>* 不限制请输入“0”</font>";
inline constexpr std::string_view kMillisecondsHint = " <font color=blue>毫秒</font>";

}  // namespace ostrel::gathering
