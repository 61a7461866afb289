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

// The form's frame: the first section's label and value cell widths.
struct SettingsForm {
  std::string_view label_width{};  // "23%"
  std::string_view value_width{};  // "77%"
  bool label_nowrap = false;
};

// Integer and Long columns.
inline constexpr int32_t kIntegerMax = INT16_MAX;

}  // namespace ostrel::gathering
