// SoftCollection: the item editor's third page. With change=yes it stores
// the list-page codes of the second page; on request it shows the source
// of the first detail page those codes lead to; then it writes the form of
// the detail-page codes, which posts action=step4.
#include <optional>
#include <string>
#include <vector>

#include "gathering/common/code_list.h"
#include "gathering/common/page_markup.h"
#include "gathering/software/soft_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"

namespace ostrel::software {
namespace {

// The code form's labels, notes and groups for the channel's word m.
markup::InfoCodeForm InfoCodeForm(const std::string& m, int32_t downpage) {
  const auto shown = markup::ShownOptions();
  markup::InfoCodeForm form;
  form.title = "项 目 编 辑 -- " + m + "信息设置";
  form.labels = markup::FileEntryLabels(m);
  form.labels.insert(
      form.labels.end(),
      {"获取" + m + "语言开始代码：", "获取" + m + "语言结束代码：", "获取" + m + "类型开始代码：",
       "获取" + m + "类型结束代码：", "获取授权方式开始代码：", "获取授权方式结束代码：",
       "获取运行环境开始代码：", "获取运行环境结束代码：", "获取联系方式开始代码：",
       "获取联系方式结束代码：", "获取程序主页开始代码：", "获取程序主页结束代码：",
       "获取" + m + "缩略图开始代码：", "获取" + m + "缩略图结束代码："});
  const std::vector<std::string> download = markup::DownloadLabels();
  form.labels.insert(form.labels.end(), download.begin(), download.end());
  form.labels.insert(form.labels.end(), {"内容过虑字符一：", "内容过虑字符二：",
                                         "匹配字符过滤开始代码：", "匹配字符过滤结束代码：",
                                         "获取软件版本开始代码：", "获取软件版本结束代码："});
  form.notes = markup::FileEntryNotes(40, 26);
  // The version's group comes first on the page, before the shared ones.
  form.groups = {{"软件版本设置：", "selfont38", shown, 38, 39, ""}};
  const auto shared =
      markup::FileEntryGroups(m, "* 如果软件是下载到本地，系统可以自动获取" + m + "大小");
  form.groups.insert(form.groups.end(), shared.begin(), shared.end());
  form.groups.insert(form.groups.end(), {{m + "语言设置：", "selfont12", shown, 12, 13, ""},
                                         {m + "类型设置：", "selfont14", shown, 14, 15, ""},
                                         {"授权方式设置：", "selfont16", shown, 16, 17, ""},
                                         {"运行环境设置：", "selfont18", shown, 18, 19, ""},
                                         {"联系方式设置：", "selfont20", shown, 20, 21, ""},
                                         {"程序主页设置：", "selfont22", shown, 22, 23, ""},
                                         {m + "缩略图设置：", "selimg", shown, 24, 25, " "}});
  const auto downloads = markup::DownloadGroups("设置下载地址连接：", 26, downpage);
  form.groups.insert(form.groups.end(), downloads.begin(), downloads.end());
  form.groups.insert(form.groups.end(), {{"内容过滤设置：", "selfont34", shown, 34, 35, ""},
                                         {"匹配字符设置：", "selfont36", shown, 36, 37, ""}});
  return form;
}

}  // namespace

void SoftCollection::EditItemStep3() {
  const std::string tag = "<font color=red style=\"font-family:tahoma\">";
  // Six "0" more after the stored codes, so a short list still shows "0"
  // in the boxes it lacks.
  EditInfoCodeStep(
      {.table = "QX_SoftItem",
       .cache_prefix = "SoftItem",
       .list_codes = 6,
       .list_padding = "0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0",
       .info_padding = "$$$0$$$0$$$0$$$0$$$0$$$0",
       .form = InfoCodeForm,
       .note_row =
           "<tr><td colspan=2 class=TableRow1><b>说明：</b><br>"
           "“软件名称”、“软件简介”和“下载地址”必需截取；其它的如果不截取，请在开始代码输入“0”或"
           "者留空，在结束代码输入初始值。截取后的代码将自动清除HTML格式(简介除外)<br>"
           "<b>相关标签说明：</b><br>软件名称 " +
           tag + "{@SoftName}</font> 父分类名称 " + tag + "{@ParentName}</font> 子分类名称 " + tag +
           "{@ChildName}</font> 软件类型 " + tag +
           "{@SoftType}</font><br><font color='blue'>注意：开始代码必需是网页源代码中唯一的字符"
           "</font></td></tr>\r\n"});
}

}  // namespace ostrel::software
