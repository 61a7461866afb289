// NewsCollection: the base settings page. action=config shows the one row
// of QX_NewsConfig as a form (from the settings ReadNewsConfig loaded),
// action=save checks and stores it, drops the cached settings and sends the
// browser back.
#include <string>

#include "gathering/articles/news_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::articles {
namespace {

// The largest picture size in KB whose byte count still fits the toolbox's
// 32-bit limit; a larger one would break every later run's picture saving.
constexpr int32_t kMaxPicSizeLimit = 2097151;

// Picture types the web server would run as programs: a gathered file with
// one of these names under the site must never be allowed.
constexpr std::string_view kServerScripts[] = {"asp", "aspx", "php", "cgi", "pl", "jsp", "shtml"};

// Whether every "|"-separated type is made of letters and digits and is no
// server script.
bool SafeExtensions(const std::string& list) {
  for (const std::string& ext : vb::Split(list, "|")) {
    if (ext.empty()) return false;
    for (char c : ext) {
      const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      if (!alnum) return false;
    }
    const std::string lower = vb::LCase(ext);
    for (std::string_view script : kServerScripts) {
      if (lower == script) return false;
    }
  }
  return true;
}

}  // namespace

std::vector<gathering::SettingsSection> NewsCollection::SettingsSections() const {
  using gathering::Control;
  using gathering::MarkRule;
  using gathering::Saved;
  const NewsSettings& s = settings_;
  gathering::SettingsSection main{.heading = ModuleName_ + "采集基本设置", .table_class = "TableBorder"};
  main.rows = {
      {.label = "采集功能开关：",
       .field = "stopGather",
       .control = Control::kRadio,
       .saved = Saved::kWholeNumber,
       .value = vb::Variant(s.stopGather),
       .options = {{"1", "关闭", {MarkRule::kEquals, 1}},
                   {"0", "打开", {MarkRule::kEquals, 0}},
                   {"9", "采集测试 <font color=red>(供测试程序用，不写数据库)</font>",
                    {MarkRule::kEquals, 9}}},
       .max = gathering::kIntegerMax},
      {.label = "重复" + ModuleName_ + "处理：",
       .field = "RepeatDeal",
       .control = Control::kRadio,
       .saved = Saved::kWholeNumber,
       .value = vb::Variant(s.RepeatDeal),
       .options = {{"0", "跳过", {MarkRule::kEquals, 0}},
                   {"1", "更新", {MarkRule::kEquals, 1}},
                   {"2", "添加", {MarkRule::kAbove, 1}}},
       .max = gathering::kIntegerMax},
      {.label = "允许下载的图片大小：",
       .field = "MaxPicSize",
       .saved = Saved::kWholeNumber,
       .value = vb::Variant(s.MaxPicSize),
       .size = 12,
       .maxlength = 10,
       .hint = " KB <font color=red>* 不限制请输入“0”</font>",
       .max = kMaxPicSizeLimit,
       .too_large = "允许下载的图片大小不能超过2097151KB!"},
      {.label = "允许下载的文件类型：",
       .field = "AllowPicExt",
       .value = vb::Variant(s.AllowPicExt),
       .size = 50,
       .maxlength = 255,
       .hint = " <font color=blue>* 每个文件类型请用“|”分开</font>",
       .required = "请输入允许下载的文件类型!"},
      {.label = "采集过程间隔时间：",
       .field = "setInterval",
       .saved = Saved::kWholeNumber,
       .value = vb::Variant(s.setInterval),
       .size = 12,
       .maxlength = 10,
       .hint = " 毫秒"},
  };
  return {main};
}

void NewsCollection::ShowGatherConfig() {
  ShowSettingsForm({.label_width = "30%", .value_width = "70%"}, SettingsSections());
}

void NewsCollection::SaveGatherConfig() {
  SaveSettings("QX_NewsConfig", "NewsConfig", SettingsSections(), [&] {
    // Blanks alone pass the required check and store an empty list, which
    // lets no picture be saved.
    const std::string AllowPicExt = vb::Trim(markup::FormText(host_.Request(), "AllowPicExt"));
    if (AllowPicExt.empty() || SafeExtensions(AllowPicExt)) return true;
    processing::AlertBack(
        "允许下载的文件类型只能由字母和数字组成，并且不能是asp、aspx、php、cgi、pl、jsp、shtml!");
    return false;
  });
}

}  // namespace ostrel::articles
