// SoftCollection: the item editor's last page. With change=yes it stores
// the detail-page codes, the download-page switch and the trial address of
// the third page; then it either says the item is complete or, for
// action=demo or a ticked ShowCode, runs the trial run (soft_editor_trial.cpp).
#include <string>

#include "gathering/common/page_markup.h"
#include "gathering/software/soft_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::software {

void SoftCollection::EditItemStep4() {
  asp::Response& out = host_.Response();
  const asp::Request& request = host_.Request();
  processing::VBProcess& process = Process();
  const std::string channel = std::to_string(ChannelID_);
  ItemID_ = process.ChkNumeric(markup::RequestText(request, "ItemID"));
  const int32_t showcode = process.ChkNumeric(markup::RequestText(request, "showcode"));
  const std::string item = std::to_string(ItemID_);
  const std::string where = " FROM QX_SoftItem WHERE ChannelID=" + channel + " And ItemID=" + item;

  if (vb::Trim(markup::RequestText(request, "change")) == "yes") {
    // Read first: a switch too large for its column is refused before
    // anything changes.
    markup::FormNumbers form(process, request);
    const int16_t downpage = form.Small("downpage");
    if (!form.all_fit()) {
      processing::AlertBack(markup::kNumberOutOfRange);
      return;
    }
    std::string codes;
    for (int i = 0; i <= 39; ++i) {
      codes += markup::FormText(request, "FindInfoCode" + std::to_string(i)) + "$$$";
    }
    codes += "0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0";
    sql_ = "SELECT ItemID,FindInfoCode,downpage,NamedDemourl" + where;
    rs_ = std::make_shared<ado::Recordset>();
    rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
    if (rs_->Bof() && rs_->Eof()) {
      processing::AlertBack("错误的系统参数！");
      rs_.reset();
      return;
    }
    rs_->Fields("FindInfoCode").SetValue(vb::Variant(codes));
    rs_->Fields("downpage").SetValue(vb::Variant(downpage));
    rs_->Fields("NamedDemourl")
        .SetValue(vb::Variant(
            vb::Trim(vb::Replace(markup::RequestText(request, "NamedDemourl"), "'", ""))));
    rs_->Update();
    rs_->Close();
    rs_.reset();
    process.DelCahe(vb::Variant("SoftItem" + item));
  }

  sql_ =
      "SELECT ItemID,AutoClass,Encoding,RemoteListUrl,RemoveCode,FindListCode,FindInfoCode,"
      "DownPage,RetuneClass,NamedDemourl,strReplace" +
      where;
  std::string demo;
  {
    ado::Recordset rs = GatherConnection().Execute(sql_);
    if (rs.Bof() && rs.Eof()) {
      processing::AlertBack("错误的系统参数！");
      return;
    }
    item_.AutoClass = vb::CInt(rs.Fields("AutoClass").Value());
    item_.Encoding = vb::Trim(vb::CStr(rs.Fields("Encoding").Value()));
    item_.RemoteListUrl = vb::Trim(vb::CStr(rs.Fields("RemoteListUrl").Value()));
    item_.RemoveCode = vb::CStr(rs.Fields("RemoveCode").Value());
    item_.FindListCode = vb::CStr(rs.Fields("FindListCode").Value());
    item_.FindInfoCode = vb::CStr(rs.Fields("FindInfoCode").Value());
    item_.downpage = vb::CInt(rs.Fields("DownPage").Value());
    // The trial shows class names as cut: the class rules are not applied.
    item_.RetuneClass = processing::TextOf(rs.Fields("RetuneClass").Value());
    demo = vb::Trim(processing::TextOf(rs.Fields("NamedDemourl").Value()));
    const vb::Variant rules = rs.Fields("strReplace").Value();
    if (!rules.IsNull()) item_.strReplace = vb::CStr(rules);
  }

  out.Write(
      "<table border=\"0\" align=\"center\" cellpadding=\"3\" cellspacing=\"1\" "
      "class=\"TableBorder\">\r\n");
  out.Write("<tr><th colspan=2>采集项目第三步</th></tr>\r\n");
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  if (vb::LCase(vb::Trim(markup::RequestText(request, "action"))) == "demo" || showcode > 0) {
    if (!RunTrial(demo)) return;
  } else {
    out.Write(markup::FinishRow(ChannelID_, ItemID_));
  }
  out.Write(markup::FinishButtonRow(ChannelID_, ItemID_));
  out.Write("</table>\r\n");
}

}  // namespace ostrel::software
