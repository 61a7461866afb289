// NewsCollection: the item editor's second page. With change=yes it checks
// the first page's form and stores it (a new row when the item is new);
// then it shows the list-page codes, optionally after the remote list
// page's source. It posts action=step3.
#include <string>
#include <vector>

#include "gathering/articles/news_collection.h"
#include "gathering/common/page_markup.h"
#include "platform/asp/server.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"

namespace ostrel::articles {
namespace {

using markup::Checked;
using markup::FormText;
using markup::PartAt;
using processing::HtmlAttribute;
using processing::HtmlText;

}  // namespace

void NewsCollection::EditItemStep2() {
  asp::Response& out = host_.Response();
  const asp::Request& request = host_.Request();
  processing::VBProcess& process = Process();
  const std::string channel = std::to_string(ChannelID_);
  ItemID_ = process.ChkNumeric(markup::RequestText(request, "ItemID"));
  const int32_t showcode = process.ChkNumeric(markup::RequestText(request, "showcode"));
  const bool change = vb::Trim(processing::TextOf(request.Command("change"))) == "yes";

  int32_t saved_id = 0;  // the key of a row this request inserted
  if (change) {
    markup::FormNumbers form(process, request);
    struct {
      int32_t ClassID, SpecialID;
      int16_t StopItem, IsDown, AutoClass, PathForm, IsNowTime;
      int32_t AllHits;
      int16_t star, IsPagination;
      int32_t startid, lastid;
      std::string RemoveCode;
    } n{form.Long("ClassID"),       form.Long("SpecialID"),  form.Small("StopItem"),
        form.Small("IsDown"),       form.Small("AutoClass"), form.Small("PathForm"),
        form.Small("IsNowTime"),    form.Long("AllHits"),    form.Small("star"),
        form.Small("IsPagination"), form.Long("startid"),    form.Long("lastid"),
        form.RemoveCode()};
    std::string problem =
        markup::StepOneProblem(request, n.AutoClass, n.ClassID, n.IsPagination, 3);
    if (problem.empty() && !form.all_fit()) problem = markup::kNumberOutOfRange;
    if (!problem.empty()) {
      processing::AlertBack(problem);
      return;
    }

    process.DelCahe(vb::Variant("NewsItem" + std::to_string(ItemID_)));
    if (!OpenItemRow("QX_NewsItem")) return;
    auto set = [&](std::string_view column, vb::Variant value) {
      rs_->Fields(column).SetValue(std::move(value));
    };
    set("ItemName", vb::Variant(vb::Trim(FormText(request, "ItemName"))));
    set("SiteUrl", vb::Variant(vb::Trim(FormText(request, "SiteUrl"))));
    set("ChannelID", vb::Variant(ChannelID_));
    set("ClassID", vb::Variant(n.ClassID));
    set("SpecialID", vb::Variant(n.SpecialID));
    set("StopItem", vb::Variant(n.StopItem));
    set("Encoding", vb::Variant(vb::Trim(FormText(request, "Encoding"))));
    set("IsDown", vb::Variant(n.IsDown));
    set("AutoClass", vb::Variant(n.AutoClass));
    set("PathForm", vb::Variant(n.PathForm));
    set("IsNowTime", vb::Variant(n.IsNowTime));
    set("AllHits", vb::Variant(n.AllHits));
    set("star", vb::Variant(n.star));
    set("RemoveCode", vb::Variant(n.RemoveCode));
    set("RemoteListUrl", vb::Variant(vb::Trim(FormText(request, "RemoteListUrl"))));
    set("PaginalList", vb::Variant(vb::Trim(FormText(request, "PaginalList"))));
    set("IsPagination", vb::Variant(n.IsPagination));
    set("startid", vb::Variant(n.startid));
    set("lastid", vb::Variant(n.lastid));
    if (ItemID_ == 0) {
      set("lastime", vb::Variant(vb::Now()));
      set("FindListCode", vb::Variant(vb::Join(std::vector<std::string>(15, "0"), "$$$")));
      set("FindInfoCode", vb::Variant(vb::Join(std::vector<std::string>(39, "0"), "$$$")));
      set("IsNextPage", vb::Variant(int32_t{0}));
      set("NamedDemourl", vb::Variant(""));
    }
    set("RetuneClass", vb::Variant(vb::Trim(FormText(request, "ClassList"))));
    set("strReplace", vb::Variant(vb::Trim(FormText(request, "ReplaceList"))));
    rs_->Update();
    // A new item goes on under the key the database just gave it.
    if (ItemID_ == 0) saved_id = vb::CLng(rs_->Fields("ItemID").Value());
    rs_->Close();
    rs_.reset();
  }

  // Read the item back: the request's item, the row just added, or (shown
  // without a save and without a number) the channel's newest item.
  rs_ = std::make_shared<ado::Recordset>();
  if (ItemID_ != 0 || saved_id != 0) {
    sql_ = "SELECT ItemID,FindListCode FROM QX_NewsItem WHERE ChannelID=" + channel +
           " And ItemID=" + std::to_string(ItemID_ != 0 ? ItemID_ : saved_id);
  } else {
    sql_ = "SELECT TOP 1 ItemID,FindListCode FROM QX_NewsItem WHERE ChannelID=" + channel +
           " ORDER BY ItemID DESC";
  }
  rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockReadOnly);
  if (rs_->Eof()) {
    rs_.reset();
    processing::AlertBack("错误的系统参数！");
    return;
  }
  const int32_t item_id = vb::CLng(rs_->Fields("ItemID").Value());
  const std::vector<std::string> codes =
      vb::Split(vb::CStr(rs_->Fields("FindListCode").Value()), "$$$");
  rs_->Close();
  rs_.reset();

  out.Write(markup::StepFormHead(ScriptFileName_, "step3", ChannelID_, item_id, "采集项目第二步"));
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  if (showcode >= 1 && !markup::WriteListSource(out, request, ChannelID_, item_id, page_text_)) {
    return;
  }

  markup::WriteListCodeRows(out, process, codes);
  out.Write(markup::StepButtonRow());
  out.Write("</table>\r\n</form>\r\n");
}

}  // namespace ostrel::articles
