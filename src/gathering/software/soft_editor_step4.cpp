// SoftCollection: the item editor's last page. With change=yes it stores
// the detail-page codes, the download-page switch and the trial address of
// the third page; then it either says the item is complete or, for
// action=demo or a ticked ShowCode, runs the trial run (soft_editor_trial.cpp).
#include <optional>
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
  const EditorStep step = ReadEditorStep();
  if (step.change && !SaveInfoCodes("QX_SoftItem", "SoftItem", "downpage", 40,
                                    "0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0")) {
    return;
  }

  std::string demo;
  {
    std::optional<ado::Recordset> row =
        ItemColumns("QX_SoftItem",
                    "AutoClass,Encoding,RemoteListUrl,RemoveCode,FindListCode,FindInfoCode,"
                    "DownPage,RetuneClass,NamedDemourl,strReplace",
                    ItemID_);
    if (!row) return;
    ado::Recordset& rs = *row;
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

  if (vb::Trim(action_) == "demo" || step.showcode > 0) {
    if (!RunTrial(demo)) return;
  } else {
    out.Write(markup::FinishRow(ChannelID_, ItemID_));
  }
  out.Write(markup::FinishButtonRow(ChannelID_, ItemID_));
  out.Write("</table>\r\n");
}

}  // namespace ostrel::software
