// GatheringObject: the settings and item rows of a channel, read through
// the toolbox's Application cache.
#include <string>

#include "gathering/common/gathering_object.h"
#include "gathering/common/record_columns.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/vb_error.h"

namespace ostrel::gathering {
namespace {

// One cell of a cached row; error 13 or 9 when the row is missing or short.
const vb::Variant& Cell(const vb::Variant& rows, int32_t column) { return rows.At(column, 0); }

}  // namespace

void CopyCell(const vb::Variant& rows, int32_t column, int16_t& field) {
  vb::TryStep([&] { field = vb::CInt(Cell(rows, column)); });
}
void CopyCell(const vb::Variant& rows, int32_t column, int32_t& field) {
  vb::TryStep([&] { field = vb::CLng(Cell(rows, column)); });
}
void CopyCell(const vb::Variant& rows, int32_t column, std::string& field) {
  vb::TryStep([&] { field = vb::CStr(Cell(rows, column)); });
}
void CopyCellUnlessNull(const vb::Variant& rows, int32_t column, std::string& field) {
  vb::TryStep([&] {
    const vb::Variant& value = Cell(rows, column);
    if (!value.IsNull()) field = vb::CStr(value);
  });
}

void GatheringObject::ReloadRows(const std::string& sql) {
  if (!component::HostState().HostConnected) OpenConnection();
  sql_ = sql;
  rs_.reset();
  rs_ = std::make_shared<ado::Recordset>(GatherConnection().Execute(sql_));
  Process().SetValue(rs_->GetRows(1));
  rs_.reset();
}

vb::Variant GatheringObject::ReadSettingsRows(std::string_view cache_name,
                                              const std::function<void()>& reload) {
  processing::VBProcess& process = Process();
  process.SetConnectstr(DBConnstr_);
  process.SetSqlDataBase(SqlDataBase_);
  process.SetAddImageMark(ImageMark_);
  vb::TryStep([&] { process.ReadConfig(); });
  // Loading the site configuration may have opened the host connection
  // alone; the next test then opens both connections.
  component::HostState().HostConnected = false;

  const vb::Variant name{std::string(cache_name)};
  vb::Variant rows;
  vb::TryStep([&] { process.SetName(name); });
  vb::TryStep([&] {
    if (process.ObjIsEmpty()) reload();
  });
  vb::TryStep([&] { rows = process.Value(); });

  // "Date" is one item for the three channels and is not rewritten here:
  // once it holds an earlier day, every call reloads, until the entry
  // expires and is stored again.
  vb::TryStep([&] { process.SetName(vb::Variant("Date")); });
  if (process.ObjIsEmpty()) {
    vb::TryStep([&] { process.SetValue(vb::Variant(vb::Today())); });
  } else {
    bool stale = false;
    vb::TryStep([&] { stale = vb::CStr(process.Value()) != vb::CStr(vb::Variant(vb::Today())); });
    if (stale) {
      vb::TryStep([&] { process.SetName(name); });
      vb::TryStep(reload);
      vb::TryStep([&] { rows = process.Value(); });
    }
  }
  return rows;
}

vb::Variant GatheringObject::ReadItemRows(std::string_view cache_prefix, int32_t id,
                                          const std::function<void()>& reload) {
  processing::VBProcess& process = Process();
  vb::Variant rows;
  vb::TryStep(
      [&] { process.SetName(vb::Variant(std::string(cache_prefix) + std::to_string(id))); });
  vb::TryStep([&] {
    if (process.ObjIsEmpty()) reload();
  });
  vb::TryStep([&] { rows = process.Value(); });
  return rows;
}

}  // namespace ostrel::gathering
