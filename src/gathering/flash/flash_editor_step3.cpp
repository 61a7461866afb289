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
  const std::vector<std::pair<std::string, std::string>> shown = {{"0", "隐藏设置窗口"},
                                                                  {"1", "打开设置窗口"}};
  markup::InfoCodeForm form;
  form.title = "项 目 编 辑 -- " + m + "信息设置";
  form.labels = {"获取" + m + "名称开始代码：",
                 "获取" + m + "名称结束代码：",
                 "获取" + m + "简介开始代码：",
                 "获取" + m + "简介结束代码：",
                 "获取父分类名称开始代码：",
                 "获取父分类名称结束代码：",
                 "获取子分类名称开始代码：",
                 "获取子分类名称结束代码：",
                 "获取更新时间开始代码：",
                 "获取更新时间结束代码：",
                 "<font color=blue>获取" + m + "大小开始代码：</font>",
                 "<font color=blue>获取" + m + "大小结束代码：</font>",
                 "获取" + m + "来源开始代码：",
                 "获取" + m + "来源结束代码：",
                 "获取" + m + "作者开始代码：",
                 "获取" + m + "作者结束代码：",
                 "获取其它描述开始代码：",
                 "获取其它描述结束代码：",
                 "获取缩略图开始代码：",
                 "获取缩略图结束代码：",
                 "<span class='style1'>指定下载相对路径：</span>",
                 "下载地址列表开始代码：",
                 "下载地址列表结束代码：",
                 "获取下载连接开始代码：",
                 "获取下载连接结束代码：",
                 "下载地址列表开始代码：",
                 "下载地址列表结束代码：",
                 "获取下载连接开始代码：",
                 "获取下载连接结束代码：",
                 "简介过虑字符一：",
                 "简介过虑字符二：",
                 "<span class='style1'>匹配字符过滤开始代码：</span>",
                 "<span class='style1'>匹配字符过滤结束代码：</span>"};
  form.notes.assign(33, "");
  form.notes[4] = form.notes[6] = "不获取分类请输入“0”";
  form.notes[5] = form.notes[7] = "手动设置，请直接输入分类名称";
  form.notes[8] = form.notes[9] = "不设置请输入“0”";
  form.notes[20] = "不设置请留空";
  for (int i = 25; i <= 28; ++i) form.notes[static_cast<size_t>(i)] = "新页面";
  form.groups = {
      {m + "分类设置(可选项)：",
       "selClass",
       {{"0", "隐藏分类设置窗口"}, {"1", "打开分类设置窗口"}},
       4,
       7,
       "* 如果第一步设置了自动归类，请设置此项"},
      {m + "更新时间设置：",
       "seltime",
       {{"0", "隐藏时间设置窗口"}, {"1", "打开时间设置窗口"}},
       8,
       9,
       "* 如果第一步设置显示为最新时间，此设置无效"},
      {m + "大小设置：",
       "selsize",
       {{"0", "隐藏大小设置窗口"}, {"1", "打开大小设置窗口"}},
       10,
       11,
       "* 如果是下载到本地，系统可以自动获取" + m + "大小"},
      {m + "来源：", "selfont12", shown, 12, 13, ""},
      {m + "作者设置：", "selfont14", shown, 14, 15, ""},
      {"其它描述设置：", "selfont16", shown, 16, 17, ""},
      {"缩略图设置：", "selfont18", shown, 18, 19, ""},
      {"", "", {}, 20, 20, ""},  // the fixed download path, always shown
      {"设置下载文件连接：",
       "seldown",
       {{"0", "隐藏下载地址窗口"}, {"1", "打开设置下载地址"}},
       21,
       24,
       ""},
      {"是否新窗口打开下载连接：",
       "downpage",
       {{"0", "不作设置"}, {"1", "设置下载地址"}},
       25,
       28,
       "* 如果要在新页面打开下载，请设置此项",
       downpage},
      {"简介过滤设置：", "selfont29", shown, 29, 30, ""},
      {"匹配字符设置：", "selfont31", shown, 31, 32, ""},
  };
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
