// NewsCollection: the item editor's third page. With change=yes it stores
// the list-page codes of the second page; on request it shows the source
// of the first article page those codes lead to; then it writes the form
// of the article-page codes, which posts action=step4.
#include <optional>
#include <string>
#include <vector>

#include "gathering/articles/code_lists.h"
#include "gathering/articles/news_collection.h"
#include "gathering/common/page_markup.h"
#include "platform/asp/server.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"
#include "processing/text_cutting.h"
#include "processing/url_fixing.h"

namespace ostrel::articles {
namespace {

using processing::HtmlAttribute;
using processing::HtmlText;

}  // namespace

std::string NewsCollection::FirstArticleAddress(const std::string& encoding,
                                                const std::string& FindListCode) {
  return gathering::FirstListLink(item_.RemoteListUrl, encoding, CodeList(FindListCode),
                                  page_text_);
}

void NewsCollection::EditItemStep3() {
  asp::Response& out = host_.Response();
  const EditorStep step = ReadEditorStep();
  if (step.change && !SaveListCodes("QX_NewsItem", "NewsItem", "0$$$0$$$0$$$0$$$0$$$0")) return;

  std::string encoding, list_codes, demo;
  std::vector<std::string> info;
  {
    std::optional<ado::Recordset> row = ItemColumns(
        "QX_NewsItem", "Encoding,RemoteListUrl,FindListCode,FindInfoCode,IsNextPage,NamedDemourl",
        ItemID_);
    if (!row) return;
    ado::Recordset& rs = *row;
    encoding = vb::Trim(vb::CStr(rs.Fields("Encoding").Value()));
    item_.RemoteListUrl = vb::Trim(vb::CStr(rs.Fields("RemoteListUrl").Value()));
    list_codes = vb::CStr(rs.Fields("FindListCode").Value());
    info = vb::Split(vb::CStr(rs.Fields("FindInfoCode").Value()), "$$$");
    item_.IsNextPage = vb::CInt(rs.Fields("IsNextPage").Value());
    const vb::Variant named = rs.Fields("NamedDemourl").Value();
    if (!named.IsNull()) demo = vb::CStr(named);
  }

  out.Write(markup::StepFormHead(ScriptFileName_, "step4", ChannelID_, ItemID_, "采集项目第三步"));
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  if (step.showcode >= 1) {
    const std::string link = FirstArticleAddress(encoding, list_codes);
    if (link.empty()) return;
    page_text_ = processing::GetRemoteData(link, encoding);
    if (page_text_.empty()) {
      processing::AlertBack("获取远程信息出错！请确定你的远程连接代码输入无误。");
      return;
    }
    markup::WriteSourceView(out, page_text_, link);
  }

  const std::string& m = ModuleName_;
  const std::vector<std::pair<std::string, std::string>> shown = {{"0", "隐藏设置窗口"},
                                                                  {"1", "打开设置窗口"}};
  markup::InfoCodeForm form;
  form.title = "项 目 编 辑 -- " + m + "信息设置";
  form.labels = {"获取" + m + "标题开始代码：",
                 "获取" + m + "标题结束代码：",
                 "获取" + m + "内容开始代码：",
                 "获取" + m + "内容结束代码：",
                 "获取父分类名称开始代码：",
                 "获取父分类名称结束代码：",
                 "获取子分类名称开始代码：",
                 "获取子分类名称结束代码：",
                 "<font color=blue>获取" + m + "作者开始代码：</font>",
                 "<font color=blue>获取" + m + "作者结束代码：</font>",
                 "获取" + m + "来源开始代码：",
                 "获取" + m + "来源结束代码：",
                 "获取更新时间开始代码：",
                 "获取更新时间结束代码：",
                 "内容分页列表开始代码：",
                 "内容分页列表结束代码：",
                 "获取分页连接开始代码：",
                 "获取分页连接结束代码：",
                 "内容过虑字符一：",
                 "内容过虑字符二：",
                 "内容过虑字符三：",
                 "内容过虑字符四：",
                 "匹配字符过滤一开始代码：",
                 "匹配字符过滤一结束代码：",
                 "匹配字符过滤二开始代码：",
                 "匹配字符过滤二结束代码："};
  form.notes.assign(26, "");
  form.notes[4] = form.notes[6] = "不获取分类请输入“0”";
  form.notes[5] = form.notes[7] = "手动设置，请直接输入分类名称";
  form.notes[12] = form.notes[13] = "不设置请输入“0”";
  form.groups = {
      {m + "分类设置(可选项)：",
       "selClass",
       {{"0", "分类设置窗口"}, {"1", "打开设置窗口"}},
       4,
       7,
       "* 如果第一步设置了自动归类，请设置此项"},
      {m + "作者设置：", "selfont8", shown, 8, 9,
       "* 如果指定作者,开始代码填“0”，结束代码填作者名称"},
      {m + "来源设置：", "selfont10", shown, 10, 11,
       "* 如果要指定来源,开始代码填“0”，结束代码填来源"},
      {m + "更新时间设置：", "selfont12", shown, 12, 13,
       "* 如果第一步设置显示为最新时间，此设置无效"},
      {"是否内容分页采集：",
       "IsNextPage",
       {{"0", "不作设置"}, {"1", "内容分页设置"}, {"2", "分页设置"}},
       14,
       17,
       "* 如果内容有分页，请设置此项",
       item_.IsNextPage},
      {"内容过滤设置：", "selfont18", shown, 18, 21, ""},
      {"匹配字符设置：", "selfont22", shown, 22, 25, ""},
  };
  const int n = markup::WriteInfoCodeRows(out, form, info);
  out.Write(markup::DemoUrlRow(demo, n));
  out.Write(markup::StepButtonRow());
  out.Write(
      "<tr><td colspan=2 class=TableRow1><b>说明：</b>“标题”和“内容”必需截取；其它的如果不截取，"
      "请在开始代码输入“0”或者留空，在结束代码输入初始值。截取后的代码将自动清除HTML格式(内容除外)"
      "<br><b>相关标签说明：</b>" +
      m +
      "标题 <font color=red>{@NewsTitle}</font> 父分类名称 <font color=red>{@ParentName}</font> "
      "子分类名称 <font color=red>{@ChildName}</font><br>注意：开始代码必需是网页源代码中唯一的字符"
      "</td></tr>\r\n");
  out.Write("</table>\r\n</form>\r\n");
}

}  // namespace ostrel::articles
