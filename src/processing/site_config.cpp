// VBProcess: the site configuration and the class option list.
#include <optional>
#include <string>

#include "platform/ado/recordset.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "processing/markup_text.h"
#include "processing/vb_process.h"

namespace ostrel::processing {
namespace {

// Positions in the QX_Config row; the other columns only hold their places.
constexpr int32_t kSiteNameColumn = 1;
constexpr int32_t kInstallDirColumn = 6;
constexpr int32_t kFsoScriptNameColumn = 30;
constexpr int32_t kVersionIdColumn = 34;
constexpr int32_t kPreviewSettingColumn = 39;

// VB's "v <> 0" and "v = 0" in an If: Null is neither.
bool IsNonZero(const vb::Variant& v) {
  std::optional<int> c = vb::Compare(v, vb::Variant(int32_t{0}));
  return c && *c != 0;
}
bool IsZero(const vb::Variant& v) {
  std::optional<int> c = vb::Compare(v, vb::Variant(int32_t{0}));
  return c && *c == 0;
}

}  // namespace

void VBProcess::ReloadConfig() {
  std::shared_ptr<ado::Recordset> rs;
  vb::TryStep([&] { rs = Execute(vb::Variant("Select * from [QX_Config] ")); });
  vb::TryStep([&] {
    if (!rs) vb::Raise(vb::kErrObjectNotSet);
    SetValue(rs->GetRows(1));
  });
}

void VBProcess::ReadConfig() {
  const vb::Variant today(vb::Today());
  vb::TryStep([&] { SetName("MyConfig"); });
  vb::TryStep([&] {
    if (ObjIsEmpty()) ReloadConfig();
  });
  vb::TryStep([&] { CacheData = Value(); });

  // The rows are read again on the first call of each new day.
  vb::TryStep([&] { SetName("Dated"); });
  if (ObjIsEmpty()) {
    vb::TryStep([&] { SetValue(today); });
  } else {
    bool stale = false;
    vb::TryStep([&] { stale = vb::CStr(Value()) != vb::CStr(today); });
    if (stale) {
      vb::TryStep([&] { SetName("MyConfig"); });
      vb::TryStep([&] { ReloadConfig(); });
      vb::TryStep([&] { CacheData = Value(); });
      vb::TryStep([&] { SetName("Dated"); });
      vb::TryStep([&] { SetValue(today); });
    }
  }

  // A column that cannot be read (no rows, Null) leaves its field as it was.
  auto column = [&](int32_t index) -> const vb::Variant& { return CacheData.At(index, 0); };
  vb::TryStep([&] { SiteName = vb::CStr(column(kSiteNameColumn)); });
  vb::TryStep([&] { InstallDir = vb::CStr(column(kInstallDirColumn)); });
  vb::TryStep([&] { FSO_ScriptName = vb::CStr(column(kFsoScriptNameColumn)); });
  vb::TryStep([&] { VersionID = vb::CInt(column(kVersionIdColumn)); });
  vb::TryStep([&] { PreviewSetting = vb::CStr(column(kPreviewSettingColumn)); });
}

std::string VBProcess::LoadSelectClass(vb::Variant& ChannelID) {
  // Only a channel number reaches the SQL text and the cache name.
  const std::string channel = std::to_string(ChkNumeric(vb::CStr(ChannelID)));
  SetName("SelectClass" + channel);
  if (ObjIsEmpty()) {
    std::shared_ptr<ado::Recordset> rs =
        Execute(vb::Variant("select ClassID,ClassName,depth,TurnLink,child from QX_Classify "
                            "where ChannelID = " +
                            channel + " order by rootid,orders"));
    if (!rs) vb::Raise(vb::kErrObjectNotSet);
    std::string list;
    if (rs->Bof() && rs->Eof()) list = "<option>没有添加分类</option>";
    while (!rs->Eof()) {
      const std::string id = HtmlText(rs->Fields("ClassID").Value());
      const vb::Variant& depth = rs->Fields("depth").Value();
      if (IsNonZero(rs->Fields("TurnLink").Value())) {
        list += "<option value=\"0\"";  // an external link cannot be chosen
      } else if (IsZero(depth) && IsNonZero(rs->Fields("child").Value())) {
        list += "<option";  // a top class with sub-classes is only a heading
      } else {
        list += "<option value=\"" + id + "\"";
      }
      // The mark is replaced by "selected" where a class is shown as chosen.
      list += " {ClassID=" + id + "}>";
      const int32_t levels = depth.IsNull() ? 0 : vb::CLng(depth);
      if (levels >= 1) {
        for (int32_t level = 2; level <= levels; ++level) list += "\u3000";
        list += "\u3000\u251c ";
      }
      list += HtmlText(rs->Fields("ClassName").Value()) + "</option>\r\n";
      rs->MoveNext();
    }
    rs->Close();
    SetValue(vb::Variant(list));
  }
  return vb::CStr(Value());
}

}  // namespace ostrel::processing
