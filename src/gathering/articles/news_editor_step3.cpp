// NewsCollection: the item editor's third page. With change=yes it stores
// the list-page codes of the second page; on request it shows the source
// of the first article page those codes lead to; then it writes the form
// of the article-page codes, which posts action=step4.
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

using markup::Checked;
using markup::HiddenStyle;
using processing::HtmlAttribute;
using processing::HtmlText;

// A radio group that shows or hides the code rows first..last.
struct Switch {
  std::string label;
  std::string name;
  std::vector<std::pair<std::string, std::string>> options;  // value, label
  int first, last;
  std::string note;
};

std::string ShowRows(int first, int last, bool show) {
  return "for(var i=" + std::to_string(first) + ";i<=" + std::to_string(last) +
         ";i++)document.getElementById('InfoCode'+i).style.display='" + (show ? "" : "none") + "';";
}

}  // namespace

std::string NewsCollection::FirstArticleAddress(const std::string& encoding,
                                                const std::string& FindListCode) {
  const CodeList list(FindListCode);
  page_text_ =
      processing::ReplaceTrim(processing::GetRemoteData(item_.RemoteListUrl, encoding), false);
  if (page_text_.empty()) {
    processing::AlertBack("获取远程信息出错！请确定你的远程列表URL输入无误。");
    return "";
  }
  const std::string area = processing::ReplaceTrim(
      processing::CutFixed(page_text_, list[kListAreaBegin], list[kListAreaEnd], false), true);
  if (area.empty()) {
    processing::AlertBack("获取远程列表出错！请确定你的远程列表开始和结束代码输入无误。");
    return "";
  }
  const std::string link = processing::FormatRemoteUrl(
      item_.RemoteListUrl, processing::CutFixed(area, list[kLinkBegin], list[kLinkEnd], false));
  if (link.empty()) {
    processing::AlertBack("获取远程连接出错！请确定你的连接开始和结束代码输入无误。");
    return "";
  }
  return link;
}

void NewsCollection::EditItemStep3() {
  asp::Response& out = host_.Response();
  const asp::Request& request = host_.Request();
  processing::VBProcess& process = Process();
  const std::string channel = std::to_string(ChannelID_);
  ItemID_ = process.ChkNumeric(markup::RequestText(request, "ItemID"));
  const int32_t showcode = process.ChkNumeric(markup::RequestText(request, "showcode"));
  const std::string where =
      " FROM QX_NewsItem WHERE ChannelID=" + channel + " And ItemID=" + std::to_string(ItemID_);

  if (vb::Trim(markup::RequestText(request, "change")) == "yes") {
    process.DelCahe(vb::Variant("NewsItem" + std::to_string(ItemID_)));
    std::string codes;
    for (int i = 0; i <= 5; ++i) {
      codes += markup::FormText(request, "FindListCode" + std::to_string(i)) + "$$$";
    }
    codes += "0$$$0$$$0$$$0$$$0$$$0";
    sql_ = "SELECT ItemID,FindListCode" + where;
    rs_ = std::make_shared<ado::Recordset>();
    rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
    if (rs_->Bof() && rs_->Eof()) {
      processing::AlertBack("错误的系统参数！");
      rs_.reset();
      return;
    }
    rs_->Fields("FindListCode").SetValue(vb::Variant(codes));
    rs_->Update();
    rs_->Close();
    rs_.reset();
  }

  sql_ = "SELECT ItemID,Encoding,RemoteListUrl,FindListCode,FindInfoCode,IsNextPage,NamedDemourl" +
         where;
  std::string encoding, list_codes, demo;
  std::vector<std::string> info;
  {
    ado::Recordset rs = GatherConnection().Execute(sql_);
    if (rs.Bof() && rs.Eof()) {
      processing::AlertBack("错误的系统参数！");
      return;
    }
    encoding = vb::Trim(vb::CStr(rs.Fields("Encoding").Value()));
    item_.RemoteListUrl = vb::Trim(vb::CStr(rs.Fields("RemoteListUrl").Value()));
    list_codes = vb::CStr(rs.Fields("FindListCode").Value());
    info = vb::Split(vb::CStr(rs.Fields("FindInfoCode").Value()), "$$$");
    item_.IsNextPage = vb::CInt(rs.Fields("IsNextPage").Value());
    const vb::Variant named = rs.Fields("NamedDemourl").Value();
    if (!named.IsNull()) demo = vb::CStr(named);
  }

  out.Write("<form name=\"myform\" method=\"post\" action=\"" +
            HtmlAttribute(vb::Variant(ScriptFileName_)) + "\">\r\n");
  out.Write("<input type=\"hidden\" name=\"action\" value=\"step4\">\r\n");
  out.Write("<input type=\"hidden\" name=\"ChannelID\" value=\"" + channel + "\">\r\n");
  out.Write("<input type=\"hidden\" name=\"ItemID\" value=\"" + std::to_string(ItemID_) +
            "\">\r\n");
  out.Write("<input type=\"hidden\" name=\"change\" value=\"yes\">\r\n");
  out.Write(
      "<table border=\"0\" align=\"center\" cellpadding=\"3\" cellspacing=\"1\" "
      "class=\"TableBorder\">\r\n");
  out.Write("<tr><th colspan=2>采集项目第三步</th></tr>\r\n");
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  if (showcode >= 1) {
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
  out.Write("<tr><td colspan=2 class=TableTitle>项 目 编 辑 -- " + m + "信息设置</td></tr>\r\n");

  const std::string hidden_labels[2] = {"隐藏设置窗口", "打开设置窗口"};
  const Switch switches[] = {
      {m + "分类设置(可选项)：",
       "selClass",
       {{"0", "分类设置窗口"}, {"1", "打开设置窗口"}},
       4,
       7,
       "* 如果第一步设置了自动归类，请设置此项"},
      {m + "作者设置：",
       "selfont8",
       {{"0", hidden_labels[0]}, {"1", hidden_labels[1]}},
       8,
       9,
       "* 如果指定作者,开始代码填“0”，结束代码填作者名称"},
      {m + "来源设置：",
       "selfont10",
       {{"0", hidden_labels[0]}, {"1", hidden_labels[1]}},
       10,
       11,
       "* 如果要指定来源,开始代码填“0”，结束代码填来源"},
      {m + "更新时间设置：",
       "selfont12",
       {{"0", hidden_labels[0]}, {"1", hidden_labels[1]}},
       12,
       13,
       "* 如果第一步设置显示为最新时间，此设置无效"},
      {"是否内容分页采集：",
       "IsNextPage",
       {{"0", "不作设置"}, {"1", "内容分页设置"}, {"2", "分页设置"}},
       14,
       17,
       "* 如果内容有分页，请设置此项"},
      {"内容过滤设置：",
       "selfont18",
       {{"0", hidden_labels[0]}, {"1", hidden_labels[1]}},
       18,
       21,
       ""},
      {"匹配字符设置：",
       "selfont22",
       {{"0", hidden_labels[0]}, {"1", hidden_labels[1]}},
       22,
       25,
       ""},
  };
  const std::string labels[26] = {"获取" + m + "标题开始代码：",
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
  auto note = [](int i) -> std::string {
    switch (i) {
      case 4:
      case 6:
        return "<br>不获取分类请输入“0”";
      case 5:
      case 7:
        return "<br>手动设置，请直接输入分类名称";
      case 12:
      case 13:
        return "<br>不设置请输入“0”";
      default:
        return "";
    }
  };

  int row = 0;
  auto cls = [&row] { return (row++ % 2 == 0) ? std::string("TableRow1") : "TableRow2"; };
  auto code_row = [&](int i, bool hidden) {
    const std::string c = cls();
    std::string attributes;
    if (i >= 4) attributes = " id=\"InfoCode" + std::to_string(i) + "\"" + HiddenStyle(hidden);
    out.Write("<tr" + attributes + "><td class=" + c + " width=\"20%\" align=right><b>" +
              labels[i] + "</b>" + note(i) + "</td><td class=" + c + ">" +
              markup::TextArea("FindInfoCode" + std::to_string(i), markup::PartAt(info, i), 5, 80) +
              "</td></tr>\r\n");
  };
  for (int i = 0; i <= 3; ++i) code_row(i, false);
  for (const Switch& s : switches) {
    const bool paging = s.name == "IsNextPage";
    std::string radios;
    for (const auto& [value, label] : s.options) {
      bool on = value == "0";
      if (paging) {
        on = (value == "0" && item_.IsNextPage == 0) || (value == "1" && item_.IsNextPage == 1) ||
             (value == "2" && item_.IsNextPage > 1);
      }
      radios += "<input type=\"radio\" name=\"" + s.name + "\" value=\"" + value + "\" onclick=\"" +
                ShowRows(s.first, s.last, value != "0") + "\"" + Checked(on) + "> " + label + " ";
    }
    if (!s.note.empty()) radios += "<font color=red>" + s.note + "</font>";
    const std::string c = cls();
    out.Write("<tr><td class=" + c + " align=right><b>" + s.label + "</b></td><td class=" + c +
              ">" + radios + "</td></tr>\r\n");
    for (int i = s.first; i <= s.last; ++i) {
      code_row(i, paging ? item_.IsNextPage == 0 : true);
    }
  }

  std::string shown_demo;
  if (!demo.empty()) shown_demo = vb::Trim(vb::Replace(vb::Replace(demo, "'", ""), "\"", ""));
  {
    const std::string c = cls();
    out.Write("<tr><td class=" + c + " align=right><b>指定演示URL：</b></td><td class=" + c +
              "><input type=\"text\" name=\"NamedDemourl\" size=\"80\"" +
              markup::ValueAttribute(vb::Variant(shown_demo)) + "></td></tr>\r\n");
  }
  out.Write("<tr><td colspan=2 align=center class=TableRow2>");
  out.Write(markup::kBackButton);
  out.Write(
      " <input type=\"submit\" name=\"B22\" value=\" 下一步 \" class=\"button\"> "
      "<input type=\"checkbox\" name=\"ShowCode\" value=\"1\"> 显示源码</td></tr>\r\n");
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
