// FlashCollection: the item editor's second page. With change=yes it checks
// the first page's form and stores it (a new row when the item is new);
// then it shows the list-page codes with the list thumbnail codes,
// optionally after the remote list page's source. It posts action=step3.
#include <string>
#include <vector>

#include "gathering/common/page_markup.h"
#include "gathering/flash/flash_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/page_messages.h"

namespace ostrel::flash {
namespace {

using markup::FormRow;
using markup::FormText;

// Padding of a new item's code columns: the parts every step can show.
constexpr size_t kNewListParts = 18;
constexpr size_t kNewInfoParts = 44;

// The list thumbnail switch (code 4), its begin and end codes (5, 6),
// hidden while the switch is off, and the picture-name restriction (7).
std::string ListThumbnailRows(processing::VBProcess& process,
                              const std::vector<std::string>& codes) {
  const bool cut = process.ChkNumeric(markup::PartAt(codes, 4)) > 0;
  const std::string show =
      markup::ShowElement("ListCode5", true) + markup::ShowElement("ListCode6", true);
  const std::string hide =
      markup::ShowElement("ListCode5", false) + markup::ShowElement("ListCode6", false);
  const std::string radios =
      "<input type=\"radio\" value=\"0\" name=\"FindListCode4\" onclick=\"" + hide + "\"" +
      markup::Checked(!cut) +
      "> 没有图片截取&nbsp;&nbsp;<input type=\"radio\" value=\"1\" name=\"FindListCode4\" "
      "onclick=\"" +
      show + "\"" + markup::Checked(cut) + "> 截取缩略图";
  const std::string note = "</b><br><font color='blue'>不设置请输入“0”</font><b>";
  return FormRow("分类列表处截取缩略图：", radios, 0) +
         FormRow("截取缩略图开始代码：" + note,
                 markup::TextArea("FindListCode5", markup::PartAt(codes, 5), 5, 80), 0,
                 std::string(" id=\"ListCode5\"") + markup::HiddenStyle(!cut)) +
         FormRow("截取缩略图结束代码：" + note,
                 markup::TextArea("FindListCode6", markup::PartAt(codes, 6), 5, 80), 1,
                 std::string(" id=\"ListCode6\"") + markup::HiddenStyle(!cut)) +
         FormRow(
             "限制要采集的图片名称：",
             markup::TextInput("FindListCode7", 60, vb::Variant(markup::PartAt(codes, 7)), true),
             0);
}

}  // namespace

int32_t FlashCollection::SaveStepOne() {
  const asp::Request& request = host_.Request();
  processing::VBProcess& process = Process();
  markup::FormNumbers form(process, request);
  const int32_t ClassID = form.Long("ClassID");
  const int32_t SpecialID = form.Long("SpecialID");
  const int16_t StopItem = form.Small("StopItem");
  const int16_t IsDown = form.Small("IsDown");
  const int16_t showmode = form.Small("showmode");
  const int16_t AutoClass = form.Small("AutoClass");
  const int16_t PathForm = form.Small("PathForm");
  const int16_t AutoRename = form.Small("AutoRename");
  const int16_t IsNowTime = form.Small("IsNowTime");
  const int32_t AllHits = form.Long("AllHits");
  const int16_t star = form.Small("star");
  const std::string RemoveCode = form.RemoveCode(11);
  const int16_t IsPagination = form.Small("IsPagination");
  const int32_t startid = form.Long("startid");
  const int32_t lastid = form.Long("lastid");
  std::string problem = markup::StepOneProblem(request, AutoClass, ClassID, IsPagination, 3);
  if (problem.empty() && !form.all_fit()) problem = markup::kNumberOutOfRange;
  if (!problem.empty()) {
    processing::AlertBack(problem);
    return -1;
  }

  if (!OpenItemRow("QX_FlashItem")) return -1;
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
  set("showmode", vb::Variant(showmode));
  set("AutoClass", vb::Variant(AutoClass));
  set("PathForm", vb::Variant(PathForm));
  set("SaveFilePath",
      vb::Variant(vb::Replace(vb::Trim(FormText(request, "SaveFilePath")), "\\", "/")));
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
    set("FindListCode", vb::Variant(vb::Join(std::vector<std::string>(kNewListParts, "0"), "$$$")));
    set("FindInfoCode", vb::Variant(vb::Join(std::vector<std::string>(kNewInfoParts, "0"), "$$$")));
    set("downpage", vb::Variant(int16_t{0}));
    set("NamedDemourl", vb::Variant(""));
  }
  set("RetuneClass", trimmed("ClassList"));
  set("strReplace", trimmed("ReplaceList"));
  rs_->Update();
  // A new item goes on under the key the database just gave it.
  const int32_t saved = ItemID_ != 0 ? ItemID_ : vb::CLng(rs_->Fields("ItemID").Value());
  rs_->Close();
  rs_.reset();
  // Dropped after the row changed, so no reader caches the old row between.
  process.DelCahe(vb::Variant("FlashItem" + std::to_string(saved)));
  return saved;
}

void FlashCollection::EditItemStep2() {
  asp::Response& out = host_.Response();
  const EditorStep step = ReadEditorStep();
  int32_t item_id = ItemID_;
  if (step.change) {
    item_id = SaveStepOne();
    if (item_id < 0) return;
  }

  std::vector<std::string> codes;
  {
    std::optional<ado::Recordset> rs = ItemColumns("QX_FlashItem", "FindListCode", item_id);
    if (!rs) return;
    item_id = vb::CLng(rs->Fields("ItemID").Value());
    codes = vb::Split(vb::CStr(rs->Fields("FindListCode").Value()), "$$$");
  }

  out.Write(markup::StepFormHead(ScriptFileName_, "step3", ChannelID_, item_id, "采集项目第二步"));
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  std::string list_page;
  if (step.showcode >= 1 &&
      !markup::WriteListSource(out, host_.Request(), ChannelID_, item_id, list_page)) {
    return;
  }
  processing::VBProcess& process = Process();
  markup::WriteListCodeRows(out, process, codes, 8, ListThumbnailRows(process, codes));
  out.Write(markup::StepButtonRow());
  out.Write("</table>\r\n</form>\r\n");
}

}  // namespace ostrel::flash
