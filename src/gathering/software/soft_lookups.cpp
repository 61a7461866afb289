// SoftCollection: the download-server lookups of the host database. The
// class lookups (GetClassID, ClassUpdateCount) are every channel's, in
// GatheringObject.
#include <string>

#include "gathering/software/soft_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"

namespace ostrel::software {

vb::Variant SoftCollection::SelDownServer(int32_t intdownid) {
  asp::Response& out = host_.Response();
  out.Write(" <select name=\"downid\" size=\"1\">");
  out.Write(std::string("<option value=\"0\"") + markup::Selected(intdownid == 0) +
            ">↓请选择下载服务器↓</option>");
  std::shared_ptr<ado::Recordset> rs = Process().Execute(vb::Variant(
      "SELECT downid,DownloadName,depth,rootid FROM QX_DownServer WHERE depth=0 And ChannelID=" +
      std::to_string(ChannelID_)));
  if (!rs) vb::Raise(vb::kErrObjectNotSet);
  for (; !rs->Eof(); rs->MoveNext()) {
    const vb::Variant rootid = rs->Fields("rootid").Value();
    bool chosen = false;
    vb::TryStep([&] { chosen = vb::CLng(rootid) == intdownid; });
    out.Write("<option value=\"" + processing::HtmlAttribute(rootid) + "\"" +
              markup::Selected(chosen) + ">" +
              processing::HtmlText(rs->Fields("DownloadName").Value()) + "</option>");
  }
  out.Write("<option value=\"0\">不使用下载服务器</option>");
  out.Write("</select>");
  return vb::Variant();
}

vb::Variant SoftCollection::AddDownServer(int32_t ChannelID, int32_t downid, int32_t softid,
                                          std::string softname) {
  if (vb::Trim(softname).empty()) return vb::Variant();
  processing::VBProcess& process = Process();
  const int32_t d = process.ChkNumeric(std::to_string(downid));
  const int32_t s = process.ChkNumeric(std::to_string(softid));
  if (d == 0 || s == 0) return vb::Variant();
  vb::TryStep([&] {
    component::HostConnectionState& state = component::HostState();
    if (!state.HostConnected || !state.HostConnection) {
      processing::OpenHostConnection(DBConnstr_);
    }
    if (!state.HostConnection) return;
    ado::Recordset rs;
    rs.Open("SELECT * FROM QX_DownAddress WHERE ChannelID=" + std::to_string(ChannelID) +
                " And softid=" + std::to_string(s),
            *state.HostConnection, ado::adOpenKeyset, ado::adLockOptimistic);
    // One link per entry: an existing row stays as it is.
    if (rs.Eof()) {
      rs.AddNew();
      rs.Fields("ChannelID").SetValue(vb::Variant(ChannelID));
      rs.Fields("softid").SetValue(vb::Variant(s));
      rs.Fields("downid").SetValue(vb::Variant(d));
      rs.Fields("DownFileName").SetValue(vb::Variant(process.CheckStr(softname)));
      rs.Update();
    }
    rs.Close();
  });
  return vb::Variant();
}

}  // namespace ostrel::software
