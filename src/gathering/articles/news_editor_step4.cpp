// NewsCollection: the item editor's last page. With change=yes it stores
// the article-page codes, the paging mode and the trial address of the
// third page; then it either says the item is complete or, for
// action=demo or a ticked ShowCode, runs the trial run (news_editor_trial.cpp).
#include <optional>
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
  const EditorStep step = ReadEditorStep();
  if (step.change && !SaveInfoCodes("QX_NewsItem", "NewsItem", "IsNextPage", 26,
                                    "0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0")) {
    return;
  }

  std::string encoding, demo;
  {
    std::optional<ado::Recordset> row =
        ItemColumns("QX_NewsItem",
                    "AutoClass,Encoding,RemoteListUrl,RemoveCode,FindListCode,FindInfoCode,"
                    "IsNextPage,RetuneClass,NamedDemourl,strReplace",
                    ItemID_);
    if (!row) return;
    ado::Recordset& rs = *row;
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

  if (vb::Trim(action_) == "demo" || step.showcode > 0) {
    if (!RunTrial(encoding, demo)) return;
  } else {
    out.Write(markup::FinishRow(ChannelID_, ItemID_));
  }
  out.Write(markup::FinishButtonRow(ChannelID_, ItemID_));
  out.Write("</table>\r\n");
}

}  // namespace ostrel::articles
