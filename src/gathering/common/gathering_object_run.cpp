// GatheringObject: the two ends of a run that every channel shares. The
// start ends by stamping the item's last run and sending the browser to the
// first step; each savenew step reads its own line of the link list, shows
// the progress table, gathers the line through the channel's own entry
// routine and leads on, past the last line to the summary.
#include <limits>
#include <string>
#include <string_view>

#include "gathering/common/gathering_object.h"
#include "gathering/common/link_list_index.h"
#include "platform/ado/recordset.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::gathering {

std::string GatheringObject::LinkListPath(std::string_view word) {
  return host_.Server().MapPath(LinkListName(word, ItemID_));
}

bool GatheringObject::ReadRunItemID() {
  // A number beyond 32 bits is no item number either.
  ItemID_ = 0;
  vb::TryStep([&] { ItemID_ = Process().ChkNumeric(vb::CStr(host_.Request().Item("ItemID"))); });
  if (ItemID_ != 0) return true;
  processing::AlertBack("错误的系统参数，请输入项目ID！");
  return false;
}

bool GatheringObject::ReadOpenRunItem(const std::function<int32_t(vb::Variant& ItemID)>& read) {
  if (!ReadRunItemID()) return false;
  vb::Variant item_id(ItemID_);
  if (read(item_id) < 1) return true;
  processing::AlertBack("此项目已经关闭，不能采集！");
  return false;
}

void GatheringObject::ReadEntryStep(bool pass_failures, int32_t& page, std::string& D) {
  asp::Request& request = host_.Request();
  page = Process().ChkNumeric(vb::CStr(request.Item("page")));
  D = "0";
  auto read_d = [&] {
    const vb::Variant d = request.Item("d");
    if (!d.IsEmpty()) D = vb::CStr(vb::Variant(vb::CCur(d)));
  };
  if (pass_failures) {
    vb::TryStep(read_d);
  } else {
    read_d();
  }
}

void GatheringObject::StartFirstStep(std::string_view item_table) {
  ado::Recordset item;
  item.Open(
      "SELECT * FROM " + std::string(item_table) + " WHERE ItemID= " + std::to_string(ItemID_),
      GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
  item.Fields("lastime").SetValue(vb::Variant(vb::Now()));
  item.Update();
  item.Close();
  RunStepper(host_.Response(), ScriptFileName_, ChannelID_, ItemID_).WriteFirstStep();
}

void GatheringObject::StartListRun(
    const ListSource& source, std::string_view word, std::string_view item_table,
    const std::function<std::string(const ListLinks&, size_t)>& line) {
  asp::Response& out = host_.Response();
  out.Write(WaitBanner_);
  out.Flush();
  ListLinks found;
  if (!CollectListLinks(source, out, found)) return;
  if (vb::Len(found.Joined()) < 5) {
    processing::AlertBack("获取分类列表出错，请重新设置分类列表代码！");
    return;
  }
  host_.Session().SetItem("SucceedCount", vb::Variant(int32_t{0}));
  // The lines are joined by CRLF, so the file never ends in a line break
  // and the run has exactly as many steps as lines.
  std::string text;
  for (size_t k = 0; k < found.pieces.size(); ++k) {
    if (vb::Len(found.pieces[k].link) < 6) continue;
    if (!out.IsClientConnected()) out.End();
    if (!text.empty()) text += "\r\n";
    text += line(found, k);
  }
  SaveLinkList(LinkListPath(word), text);
  StartFirstStep(item_table);
}

void GatheringObject::GatherListLine(const RunLine& run) {
  asp::Request& request = host_.Request();
  asp::Response& out = host_.Response();

  ItemID_ = Process().ChkNumeric(vb::CStr(request.Item("ItemID")));
  const std::string path = LinkListPath(run.word);
  // The step reads only its own line of the list, through the list's index.
  LinkListIndex list(path);
  if (list.Shorter(10)) {
    processing::ShowErrorTable(std::string(run.list_error));
    return;
  }

  // The run's start time D travels unchanged from step to step. A page or
  // D that is no number ends the step here, or is passed over.
  auto step = [&](const std::function<void()>& statement) {
    if (run.pass_failures) {
      vb::TryStep(statement);
    } else {
      statement();
    }
  };
  RunPosition at;
  const vb::Variant page_value = request.Item("page");
  if (!vb::Trim(vb::CStr(page_value)).empty()) {
    step([&] { at.page = vb::CLng(page_value); });
    step([&] { at.D = vb::CStr(vb::Variant(vb::CCur(request.Item("d")))); });
  } else {
    at.D = vb::CStr(vb::Variant(vb::CCur(vb::Variant(vb::Timer()))));
  }
  const LinkListIndex::Lines lines =
      list.At(at.page < 0 ? std::numeric_limits<size_t>::max() : static_cast<size_t>(at.page));
  at.count = static_cast<int32_t>(lines.count);

  const RunStepper stepper(out, ScriptFileName_, ChannelID_, ItemID_);
  stepper.WriteProgressTable(at, run.markup,
                             processing::HtmlText(host_.Session().Item("SucceedCount")));
  if (at.page < at.count) {
    step([&] {
      if (at.page < 0) vb::Raise(vb::kErrSubscript);
      vb::Variant url{lines.wanted};
      run.gather(url);
    });
    stepper.WriteNextStep(at, run.interval);
    return;
  }
  Process().DeleteFiles(path, true);
  LinkListIndex::Forget(path);
  stepper.WriteRunEnd(at);
}

}  // namespace ostrel::gathering
