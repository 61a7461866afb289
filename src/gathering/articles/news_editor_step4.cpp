// NewsCollection: the item editor's last page. With change=yes it stores
// the article-page codes, the paging mode and the trial address of the
// third page; then it either says the item is complete or, for
// action=demo or a ticked ShowCode, runs the trial run (news_editor_trial.cpp).
#include <string>

#include "gathering/articles/news_collection.h"
#include "gathering/common/page_markup.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::articles {

void NewsCollection::EditItemStep4() {
  asp::Response& out = host_.Response();
  const asp::Request& request = host_.Request();
  processing::VBProcess& process = Process();
  const std::string channel = std::to_string(ChannelID_);
  ItemID_ = process.ChkNumeric(markup::RequestText(request, "ItemID"));
  const int32_t showcode = process.ChkNumeric(markup::RequestText(request, "showcode"));
  const std::string item = std::to_string(ItemID_);
  const std::string where = " FROM QX_NewsItem WHERE ChannelID=" + channel + " And ItemID=" + item;

  if (vb::Trim(markup::RequestText(request, "change")) == "yes") {
    // Read first: a paging mode out of range is refused before anything changes.
    int32_t IsNextPage = 0;
    if (!vb::TryStep(
            [&] { IsNextPage = process.ChkNumeric(markup::RequestText(request, "IsNextPage")); }) ||
        IsNextPage > INT16_MAX) {
      processing::AlertBack("输入的数值超出范围，请重新输入！");
      return;
    }
    process.DelCahe(vb::Variant("NewsItem" + item));
    std::string codes;
    for (int i = 0; i <= 25; ++i) {
      codes += markup::FormText(request, "FindInfoCode" + std::to_string(i)) + "$$$";
    }
    codes += "0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0";
    sql_ = "SELECT ItemID,FindInfoCode,IsNextPage,NamedDemourl" + where;
    rs_ = std::make_shared<ado::Recordset>();
    rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
    if (rs_->Bof() && rs_->Eof()) {
      processing::AlertBack("错误的系统参数！");
      rs_.reset();
      return;
    }
    rs_->Fields("FindInfoCode").SetValue(vb::Variant(codes));
    rs_->Fields("IsNextPage").SetValue(vb::Variant(IsNextPage));
    rs_->Fields("NamedDemourl")
        .SetValue(vb::Variant(
            vb::Replace(vb::Trim(markup::RequestText(request, "NamedDemourl")), "'", "")));
    rs_->Update();
    rs_->Close();
    rs_.reset();
  }

  sql_ =
      "SELECT ItemID,AutoClass,Encoding,RemoteListUrl,RemoveCode,FindListCode,FindInfoCode,"
      "IsNextPage,RetuneClass,NamedDemourl,strReplace" +
      where;
  std::string encoding, demo;
  {
    ado::Recordset rs = GatherConnection().Execute(sql_);
    if (rs.Bof() && rs.Eof()) {
      processing::AlertBack("错误的系统参数！");
      return;
    }
    item_.AutoClass = vb::CInt(rs.Fields("AutoClass").Value());
    item_.IsNextPage = vb::CInt(rs.Fields("IsNextPage").Value());
    encoding = vb::Trim(vb::CStr(rs.Fields("Encoding").Value()));
    item_.RemoteListUrl = vb::Trim(vb::CStr(rs.Fields("RemoteListUrl").Value()));
    RemoveCodeText_ = vb::CStr(rs.Fields("RemoveCode").Value());
    item_.FindListCode = vb::CStr(rs.Fields("FindListCode").Value());
    item_.FindInfoCode = vb::CStr(rs.Fields("FindInfoCode").Value());
    // Read for completeness only: the trial shows class names as cut.
    item_.RetuneClass = processing::TextOf(rs.Fields("RetuneClass").Value());
    const vb::Variant named = rs.Fields("NamedDemourl").Value();
    if (!named.IsNull()) demo = vb::Trim(vb::CStr(named));
    const vb::Variant rules = rs.Fields("strReplace").Value();
    if (!rules.IsNull()) item_.strReplace = vb::CStr(rules);
  }

  out.Write(
      "<table border=\"0\" align=\"center\" cellpadding=\"3\" cellspacing=\"1\" "
      "class=\"TableBorder\">\r\n");
  out.Write("<tr><th colspan=2>采集项目第三步</th></tr>\r\n");
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  const std::string run_tail = "&ChannelID=" + channel + "&ItemID=" + item;
  if (vb::LCase(vb::Trim(markup::RequestText(request, "action"))) == "demo" || showcode > 0) {
    if (!RunTrial(encoding, demo)) return;
  } else {
    out.Write(
        "<tr><td colspan=2 class=TableRow1><li>恭喜您！采集项目设置全部完成。</li>"
        "<li>如果要查看项目设置是否正确，请点击<a href='?action=demo" +
        run_tail + "' class=showmenu>项目演示</a></li></td></tr>\r\n");
  }
  out.Write("<tr><td colspan=2 align=center class=TableRow2>");
  out.Write(markup::kBackButton);
  out.Write(
      " <input type=\"button\" name=\"B22\" value=\"全部设置完成\" "
      "onclick=\"location.href='?ChannelID=" +
      channel +
      "'\" class=\"button\"> <input type=\"button\" name=\"B32\" value=\"开始采集\" "
      "onclick=\"location.href='?action=begin" +
      run_tail + "'\" class=\"button\"></td></tr>\r\n");
  out.Write("</table>\r\n");
}

}  // namespace ostrel::articles
