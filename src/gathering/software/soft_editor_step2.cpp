// SoftCollection: the item editor's second page. With change=yes it checks
// the first page's form and stores it (a new row when the item is new);
// then it shows the list-page codes, optionally after the remote list
// page's source. It posts action=step3.
#include <string>
#include <vector>

#include "gathering/common/page_markup.h"
#include "gathering/software/soft_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"

namespace ostrel::software {

using markup::FormText;

int32_t SoftCollection::SaveStepOne() {
  const asp::Request& request = host_.Request();
  processing::VBProcess& process = Process();
  markup::FormNumbers form(process, request);
  const int32_t ClassID = form.Long("ClassID");
  const int32_t SpecialID = form.Long("SpecialID");
  const int16_t StopItem = form.Small("StopItem");
  const int16_t IsDown = form.Small("IsDown");
  const int32_t downid = form.Long("downid");
  const int16_t MaxAddress = form.Small("MaxAddress");
  const int16_t AutoClass = form.Small("AutoClass");
  const int16_t PathForm = form.Small("PathForm");
  const int16_t AutoRename = form.Small("AutoRename");
  const int16_t IsNowTime = form.Small("IsNowTime");
  const int32_t AllHits = form.Long("AllHits");
  const int16_t star = form.Small("star");
  const std::string RemoveCode = form.RemoveCode();
  const int16_t IsPagination = form.Small("IsPagination");
  const int32_t startid = form.Long("startid");
  const int32_t lastid = form.Long("lastid");
  std::string problem = markup::StepOneProblem(request, AutoClass, ClassID, IsPagination, 1);
  if (problem.empty() && !form.all_fit()) problem = markup::kNumberOutOfRange;
  if (!problem.empty()) {
    processing::AlertBack(problem);
    return -1;
  }

  if (!OpenItemRow("QX_SoftItem")) return -1;
  auto set = [&](std::string_view column, vb::Variant value) {
    rs_->Fields(column).SetValue(std::move(value));
  };
  auto trimmed = [&](std::string_view key) {
    return vb::Variant(vb::Trim(FormText(request, key)));
  };
  set("ItemName", trimmed("ItemName"));
  set("SiteUrl", trimmed("SiteUrl"));
  set("ChannelID", vb::Variant(ChannelID_));
  set("ClassID", vb::Variant(ClassID));
  set("SpecialID", vb::Variant(SpecialID));
  set("StopItem", vb::Variant(StopItem));
  set("Encoding", trimmed("Encoding"));
  set("IsDown", vb::Variant(IsDown));
  set("downid", vb::Variant(downid));
  set("MaxAddress", vb::Variant(MaxAddress));
  set("AutoClass", vb::Variant(AutoClass));
  set("PathForm", vb::Variant(PathForm));
  set("SaveFilePath", trimmed("SaveFilePath"));
  set("AutoRename", vb::Variant(AutoRename));
  set("IsNowTime", vb::Variant(IsNowTime));
  set("AllHits", vb::Variant(AllHits));
  set("star", vb::Variant(star));
  set("RemoveCode", vb::Variant(RemoveCode));
  set("RemoteListUrl", trimmed("RemoteListUrl"));
  set("PaginalList", trimmed("PaginalList"));
  set("IsPagination", vb::Variant(IsPagination));
  set("startid", vb::Variant(startid));
  set("lastid", vb::Variant(lastid));
  if (ItemID_ == 0) {
    set("lastime", vb::Variant(vb::Now()));
    set("FindListCode", vb::Variant(vb::Join(std::vector<std::string>(20, "0"), "$$$")));
    set("FindInfoCode", vb::Variant(vb::Join(std::vector<std::string>(52, "0"), "$$$")));
    set("DownPage", vb::Variant(int16_t{0}));
    set("NamedDemourl", vb::Variant(""));
  }
  set("RetuneClass", trimmed("ClassList"));
  set("strReplace", trimmed("ReplaceList"));
  if (ZipSwitch_) {
    set("RemoveFile",
        vb::Variant(vb::Trim(vb::Replace(FormText(request, "RemoveFile"), "\r\n", "|"))));
    set("strLeachName", trimmed("strLeachName"));
  }
  rs_->Update();
  // A new item goes on under the key the database just gave it.
  const int32_t saved = ItemID_ != 0 ? ItemID_ : vb::CLng(rs_->Fields("ItemID").Value());
  rs_->Close();
  rs_.reset();
  // Dropped after the row changed, so no reader caches the old row between.
  process.DelCahe(vb::Variant("SoftItem" + std::to_string(saved)));
  return saved;
}

void SoftCollection::EditItemStep2() {
  asp::Response& out = host_.Response();
  const EditorStep step = ReadEditorStep();
  int32_t item_id = ItemID_;
  if (step.change) {
    item_id = SaveStepOne();
    if (item_id < 0) return;
  }

  std::vector<std::string> codes;
  {
    ado::Recordset rs = GatherConnection().Execute(
        "SELECT ItemID,FindListCode FROM QX_SoftItem WHERE ChannelID=" +
        std::to_string(ChannelID_) + " And ItemID=" + std::to_string(item_id));
    if (rs.Eof()) {
      processing::AlertBack("错误的系统参数！");
      return;
    }
    item_id = vb::CLng(rs.Fields("ItemID").Value());
    codes = vb::Split(vb::CStr(rs.Fields("FindListCode").Value()), "$$$");
  }

  out.Write(markup::StepFormHead(ScriptFileName_, "step3", ChannelID_, item_id, "采集项目第二步"));
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  std::string list_page;
  if (step.showcode >= 1 &&
      !markup::WriteListSource(out, host_.Request(), ChannelID_, item_id, list_page)) {
    return;
  }
  markup::WriteListCodeRows(out, Process(), codes);
  out.Write(markup::StepButtonRow());
  out.Write("</table>\r\n</form>\r\n");
}

}  // namespace ostrel::software
