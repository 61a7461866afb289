// NewsCollection: the base settings and the gathering items, read through
// the toolbox's Application cache by column position.
#include <string>

#include "gathering/articles/news_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/vb_error.h"

namespace ostrel::articles {
namespace {

// The item number a caller gave, as it goes into SQL and the cache name.
// Only a whole number gets there; anything else is item 0, which no row has.
int32_t ItemNumber(const vb::Variant& ItemID) {
  int32_t id = 0;
  vb::TryStep([&] { id = processing::ChkNumeric(vb::CStr(ItemID)); });
  return id;
}

// One cell of a cached row; error 13 or 9 when the row is missing or short.
const vb::Variant& Cell(const vb::Variant& rows, int32_t column) { return rows.At(column, 0); }

void Copy(const vb::Variant& rows, int32_t column, int16_t& field) {
  vb::TryStep([&] { field = vb::CInt(Cell(rows, column)); });
}
void Copy(const vb::Variant& rows, int32_t column, int32_t& field) {
  vb::TryStep([&] { field = vb::CLng(Cell(rows, column)); });
}
void Copy(const vb::Variant& rows, int32_t column, std::string& field) {
  vb::TryStep([&] { field = vb::CStr(Cell(rows, column)); });
}
// A rule column that may be Null: Null leaves the field as it was.
void CopyUnlessNull(const vb::Variant& rows, int32_t column, std::string& field) {
  vb::TryStep([&] {
    const vb::Variant& value = Cell(rows, column);
    if (!value.IsNull()) field = vb::CStr(value);
  });
}

}  // namespace

void NewsCollection::ReloadNewsItem(vb::Variant& ItemID) {
  if (!component::HostState().HostConnected) OpenConnection();
  sql_ = "SELECT * FROM [QX_NewsItem] WHERE ItemID=" + std::to_string(ItemNumber(ItemID));
  ado::Recordset rs = GatherConnection().Execute(sql_);
  Process().SetValue(rs.GetRows(1));
}

void NewsCollection::ReloadNewsConfig() {
  if (!component::HostState().HostConnected) OpenConnection();
  sql_ = "SELECT * FROM [QX_NewsConfig] ";
  rs_.reset();
  rs_ = std::make_shared<ado::Recordset>(GatherConnection().Execute(sql_));
  Process().SetValue(rs_->GetRows(1));
  rs_.reset();
}

void NewsCollection::ReadNewsConfig() {
  processing::VBProcess& process = Process();
  process.SetConnectstr(DBConnstr_);
  process.SetSqlDataBase(SqlDataBase_);
  process.SetAddImageMark(ImageMark_);
  vb::TryStep([&] { process.ReadConfig(); });
  // Loading the site configuration may have opened the host connection
  // alone; the next test then opens both connections.
  component::HostState().HostConnected = false;

  vb::TryStep([&] { process.SetName("NewsConfig"); });
  vb::TryStep([&] {
    if (process.ObjIsEmpty()) ReloadNewsConfig();
  });
  vb::TryStep([&] { settings_rows_ = process.Value(); });

  // "Date" is shared with the software and Flash readers and is not
  // rewritten here: once it holds an earlier day, every call reloads, until
  // the entry expires and is stored again.
  vb::TryStep([&] { process.SetName("Date"); });
  if (process.ObjIsEmpty()) {
    vb::TryStep([&] { process.SetValue(vb::Variant(vb::Today())); });
  } else {
    bool stale = false;
    vb::TryStep([&] { stale = vb::CStr(process.Value()) != vb::CStr(vb::Variant(vb::Today())); });
    if (stale) {
      vb::TryStep([&] { process.SetName("NewsConfig"); });
      vb::TryStep([&] { ReloadNewsConfig(); });
      vb::TryStep([&] { settings_rows_ = process.Value(); });
    }
  }

  Copy(settings_rows_, 1, settings_.stopGather);
  Copy(settings_rows_, 2, settings_.RepeatDeal);
  Copy(settings_rows_, 3, settings_.MaxPicSize);
  Copy(settings_rows_, 4, settings_.AllowPicExt);
  Copy(settings_rows_, 5, settings_.setInterval);
}

void NewsCollection::ReadNewsItem(vb::Variant& ItemID) {
  processing::VBProcess& process = Process();
  vb::TryStep([&] { process.SetName("NewsItem" + std::to_string(ItemNumber(ItemID))); });
  vb::TryStep([&] {
    if (process.ObjIsEmpty()) ReloadNewsItem(ItemID);
  });
  vb::TryStep([&] { item_rows_ = process.Value(); });

  const vb::Variant& row = item_rows_;
  Copy(row, 4, item_.ClassID);
  Copy(row, 5, item_.SpecialID);
  Copy(row, 6, item_.StopItem);
  Copy(row, 7, item_.Encoding);
  Copy(row, 8, item_.IsDown);
  Copy(row, 9, item_.AutoClass);
  Copy(row, 10, item_.PathForm);
  Copy(row, 11, item_.IsNowTime);
  Copy(row, 12, item_.AllHits);
  Copy(row, 13, item_.star);
  Copy(row, 14, item_.RemoveCode);
  Copy(row, 16, item_.RemoteListUrl);
  Copy(row, 17, item_.PaginalList);
  Copy(row, 18, item_.IsPagination);
  Copy(row, 19, item_.startid);
  Copy(row, 20, item_.lastid);
  Copy(row, 21, item_.FindListCode);
  Copy(row, 22, item_.FindInfoCode);
  CopyUnlessNull(row, 23, item_.RetuneClass);
  Copy(row, 24, item_.IsNextPage);
  CopyUnlessNull(row, 26, item_.strReplace);

  // 0 means "automatic"; a rating above 5 is no rating. A negative one stays.
  if (item_.star > 5 || item_.star == 0) item_.star = static_cast<int16_t>(process.GetRndStar());
}

}  // namespace ostrel::articles
