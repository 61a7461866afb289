// FlashCollection: the item editor's third page. With change=yes it stores
// the list-page codes of the second page; on request it shows the source
// of the first entry page those codes lead to; then it writes the form of
// the entry-page codes, which posts action=step4.
#include <optional>
#include <string>
#include <vector>

#include "gathering/common/code_list.h"
#include "gathering/common/page_markup.h"
#include "gathering/flash/flash_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"

namespace ostrel::flash {
namespace {

// The ten list codes of step 2, then eleven "0".
constexpr int kListCodes = 10;
constexpr std::string_view kListPadding = "0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0";

// The code form's labels, notes and groups for the channel's word m.
markup::InfoCodeForm InfoCodeForm(const std::string& m, int32_t downpage) {
  const auto shown = markup::ShownOptions();
  markup::InfoCodeForm form;
  form.title = "项 目 编 辑 -- " + m + "信息设置";
  form.labels = markup::FileEntryLabels(m);
  form.labels.insert(form.labels.end(),
                     {"获取" + m + "来源开始代码：", "获取" + m + "来源结束代码：",
                      "获取" + m + "作者开始代码：", "获取" + m + "作者结束代码：",
                      "获取其它描述开始代码：", "获取其它描述结束代码：", "获取缩略图开始代码：",
                      "获取缩略图结束代码：", "<span class='style1'>指定下载相对路径：</span>"});
  const std::vector<std::string> download = markup::DownloadLabels();
  form.labels.insert(form.labels.end(), download.begin(), download.end());
  form.labels.insert(form.labels.end(), {"简介过虑字符一：", "简介过虑字符二：",
                                         "<span class='style1'>匹配字符过滤开始代码：</span>",
                                         "<span class='style1'>匹配字符过滤结束代码：</span>"});
  form.notes = markup::FileEntryNotes(33, 21);
  form.notes[20] = "不设置请留空";
  form.groups = markup::FileEntryGroups(m, "* 如果是下载到本地，系统可以自动获取" + m + "大小");
  form.groups.insert(form.groups.end(),
                     {{m + "来源：", "selfont12", shown, 12, 13, ""},
                      {m + "作者设置：", "selfont14", shown, 14, 15, ""},
                      {"其它描述设置：", "selfont16", shown, 16, 17, ""},
                      {"缩略图设置：", "selfont18", shown, 18, 19, ""},
                      {"", "", {}, 20, 20, ""}});  // the fixed download path, always shown
  const auto downloads = markup::DownloadGroups("设置下载文件连接：", 21, downpage);
  form.groups.insert(form.groups.end(), downloads.begin(), downloads.end());
  form.groups.insert(form.groups.end(), {{"简介过滤设置：", "selfont29", shown, 29, 30, ""},
                                         {"匹配字符设置：", "selfont31", shown, 31, 32, ""}});
  form.line_codes = {
      {20, 45,
       "<br><font color='blue'>* "
       "如果系统没有办法将相对地址转换成绝对路，可以在此设置指定相对路径，路径后面请加上“/”"
       "</font>"}};
  return form;
}

}  // namespace

void FlashCollection::EditItemStep3() {
  const std::string tag = "<font color=red style=\"font-family:tahoma\">";
  // Every detail-code list the editor stores has enough parts: none are
  // added.
  EditInfoCodeStep(
      {.table = "QX_FlashItem",
       .cache_prefix = "FlashItem",
       .list_codes = kListCodes,
       .list_padding = kListPadding,
       .info_padding = "",
       .form = InfoCodeForm,
       .note_row =
           "<tr><td colspan=2 class=TableRow1><b>说明：</b><br>"
           "“标题名称”、和“下载地址”必需截取；其它的如果不截取，请在开始代码输入“0”或者留空，"
           "在结束代码输入初始值。截取后的代码将自动清除HTML格式(简介除外)<br>"
           "<b>相关标签说明：</b><br>标题名称 " +
           tag + "{@FlashTitle}</font>&nbsp; 父分类名称 " + tag +
           "{@ParentName}</font>&nbsp; 子分类名称 " + tag +
           "{@ChildName}</font>&nbsp;<br><font color='blue'>注意：开始代码必需是网页源代码中"
           "唯一的字符</font></td></tr>\r\n"});
}

}  // namespace ostrel::flash
