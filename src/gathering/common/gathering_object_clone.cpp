// GatheringObject.CloneItem: a new gathering item copied from one of the
// channel's items, so that an administrator can start a similar item from
// a working one. The database gives the copy its own key; its last run is
// now, so it heads the item list.
#include <string>

#include "gathering/common/gathering_object.h"
#include "gathering/common/page_markup.h"
#include "platform/vb/datetime.h"
#include "processing/page_messages.h"

namespace ostrel::gathering {

void GatheringObject::CloneItem(const CloneColumns& columns) {
  constexpr std::string_view kWrongParameter = "请选择正确的系统参数！";
  ItemID_ = Process().ChkNumeric(markup::RequestText(host_.Request(), "ItemID"));
  if (ItemID_ == 0) {
    processing::AlertBack(kWrongParameter);
    return;
  }
  const std::string table(columns.table);
  ado::Recordset source = GatherConnection().Execute(
      "SELECT * FROM " + table + " WHERE ChannelID=" + std::to_string(ChannelID_) +
      " And ItemID=" + std::to_string(ItemID_));
  if (source.Eof()) {
    processing::AlertBack(kWrongParameter);
    return;
  }

  rs_ = std::make_shared<ado::Recordset>();
  sql_ = "SELECT * FROM " + table + " WHERE (ItemID is null)";
  rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
  rs_->AddNew();
  for (std::string_view column : columns.before_stamp) {
    rs_->Fields(column).SetValue(source.Fields(column).Value());
  }
  rs_->Fields("lastime").SetValue(vb::Variant(vb::Now()));
  for (std::string_view column : columns.after_stamp) {
    rs_->Fields(column).SetValue(source.Fields(column).Value());
  }
  rs_->Update();
  rs_->Close();
  rs_.reset();
  AlertToItemList("恭喜您！采集项目克隆成功。");
}

}  // namespace ostrel::gathering
