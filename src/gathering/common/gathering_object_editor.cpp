// GatheringObject: what the channels' item editors share around the item
// row: the request of a step, the row a first step shows, the save of a
// step's columns, and the clone (a new item copied from one of the
// channel's items, so that an administrator can start a similar item from
// a working one; the database gives the copy its own key, and its last run
// is now, so it heads the item list).
#include <string>

#include "gathering/common/gathering_object.h"
#include "gathering/common/page_markup.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/page_messages.h"

namespace ostrel::gathering {

GatheringObject::EditorStep GatheringObject::ReadEditorStep() {
  const asp::Request& request = host_.Request();
  processing::VBProcess& process = Process();
  ItemID_ = process.ChkNumeric(markup::RequestText(request, "ItemID"));
  EditorStep step;
  step.showcode = process.ChkNumeric(markup::RequestText(request, "showcode"));
  step.change = vb::Trim(markup::RequestText(request, "change")) == "yes";
  return step;
}

std::shared_ptr<ado::Recordset> GatheringObject::EditedItem(std::string_view table) {
  auto item = std::make_shared<ado::Recordset>(GatherConnection().Execute(
      "SELECT * FROM " + std::string(table) + " WHERE ChannelID=" + std::to_string(ChannelID_) +
      " And ItemID=" + std::to_string(ItemID_)));
  if (item->Bof() && item->Eof()) {
    processing::AlertBack("错误的系统参数!");
    return nullptr;
  }
  return item;
}

bool GatheringObject::SaveItemColumns(std::string_view table, std::string_view columns,
                                      std::string_view cache_prefix,
                                      const std::function<void(ado::Recordset&)>& set) {
  const std::string item = std::to_string(ItemID_);
  sql_ = "SELECT ItemID," + std::string(columns) + " FROM " + std::string(table) +
         " WHERE ChannelID=" + std::to_string(ChannelID_) + " And ItemID=" + item;
  rs_ = std::make_shared<ado::Recordset>();
  rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
  if (rs_->Bof() && rs_->Eof()) {
    processing::AlertBack("错误的系统参数！");
    rs_.reset();
    return false;
  }
  set(*rs_);
  rs_->Update();
  rs_->Close();
  rs_.reset();
  // Dropped after the row changed, so no reader caches the old row between.
  Process().DelCahe(vb::Variant(std::string(cache_prefix) + item));
  return true;
}

bool GatheringObject::SaveListCodes(std::string_view table, std::string_view cache_prefix,
                                    std::string_view padding) {
  const std::string codes = markup::PostedCodes(host_.Request(), "FindListCode", 6, padding);
  return SaveItemColumns(table, "FindListCode", cache_prefix, [&](ado::Recordset& rs) {
    rs.Fields("FindListCode").SetValue(vb::Variant(codes));
  });
}

bool GatheringObject::SaveInfoCodes(std::string_view table, std::string_view cache_prefix,
                                    std::string_view switch_column, int count,
                                    std::string_view padding) {
  const asp::Request& request = host_.Request();
  markup::FormNumbers form(Process(), request);
  const int16_t switch_value = form.Small(switch_column);
  if (!form.all_fit()) {
    processing::AlertBack(markup::kNumberOutOfRange);
    return false;
  }
  const std::string codes = markup::PostedCodes(request, "FindInfoCode", count, padding);
  const std::string demo =
      vb::Trim(vb::Replace(markup::RequestText(request, "NamedDemourl"), "'", ""));
  return SaveItemColumns(table, "FindInfoCode," + std::string(switch_column) + ",NamedDemourl",
                         cache_prefix, [&](ado::Recordset& rs) {
                           rs.Fields("FindInfoCode").SetValue(vb::Variant(codes));
                           rs.Fields(switch_column).SetValue(vb::Variant(switch_value));
                           rs.Fields("NamedDemourl").SetValue(vb::Variant(demo));
                         });
}

std::optional<ado::Recordset> GatheringObject::ItemColumns(std::string_view table,
                                                           std::string_view columns, int32_t item) {
  sql_ = "SELECT ItemID," + std::string(columns) + " FROM " + std::string(table) +
         " WHERE ChannelID=" + std::to_string(ChannelID_) + " And ItemID=" + std::to_string(item);
  ado::Recordset rs = GatherConnection().Execute(sql_);
  if (rs.Bof() && rs.Eof()) {
    processing::AlertBack("错误的系统参数！");
    return std::nullopt;
  }
  return rs;
}

bool GatheringObject::OpenItemRow(std::string_view table) {
  rs_ = std::make_shared<ado::Recordset>();
  sql_ = "SELECT * FROM " + std::string(table) +
         (ItemID_ != 0 ? " WHERE ItemID=" + std::to_string(ItemID_) : " WHERE (ItemID is null)");
  rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
  if (ItemID_ == 0) {
    rs_->AddNew();
  } else if (rs_->Eof()) {
    rs_.reset();
    processing::AlertBack("错误的系统参数！");
    return false;
  }
  return true;
}

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
