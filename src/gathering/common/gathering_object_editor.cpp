// GatheringObject: what the channels' item editors share around the item
// row: the request of a step, the row a first step shows, the save of a
// step's columns, and the clone (a new item copied from one of the
// channel's items, so that an administrator can start a similar item from
// a working one; the database gives the copy its own key, and its last run
// is now, so it heads the item list).
#include <optional>
#include <string>
#include <vector>

#include "gathering/common/code_list.h"
#include "gathering/common/gathering_object.h"
#include "gathering/common/page_markup.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::gathering {

GatheringObject::EditorStep GatheringObject::ReadEditorStep() {
  const asp::Request& request = host_.Request();
  processing::VBProcess& process = Process();
  ItemID_ = process.ChkNumeric(markup::RequestText(request, "ItemID"));
  EditorStep step;
  step.showcode = process.ChkNumeric(markup::RequestText(request, "showcode"));
  step.change = vb::Trim(processing::TextOf(request.Command("change"))) == "yes";
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

bool GatheringObject::OpenStepOneItem(std::string_view table, std::shared_ptr<ado::Recordset>& item,
                                      std::string& title) {
  if (!edit_mode_) {
    ItemID_ = 0;
    title = "添加新的采集项目";
    return true;
  }
  item = EditedItem(table);
  if (!item) return false;
  rs_ = item;
  title = "编辑采集项目 第一步";
  return true;
}

void GatheringObject::ShowItemMenu(int32_t ItemID) {
  markup::WriteItemMenu(host_.Response(), ChannelID_, ItemID);
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
                                    std::string_view padding, int count) {
  const std::string codes = markup::PostedCodes(host_.Request(), "FindListCode", count, padding);
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

bool GatheringObject::OpenItemRow(std::string_view table, bool own_channel) {
  rs_ = std::make_shared<ado::Recordset>();
  std::string where = " WHERE (ItemID is null)";
  if (ItemID_ != 0) {
    where = (own_channel ? " WHERE ChannelID=" + std::to_string(ChannelID_) + " And" : " WHERE") +
            std::string(" ItemID=") + std::to_string(ItemID_);
  }
  sql_ = "SELECT * FROM " + std::string(table) + where;
  rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
  if (ItemID_ == 0) {
    rs_->AddNew();
  } else if (rs_->Eof()) {
    rs_.reset();
    // Another channel's item is no item of this one: the save ends quietly.
    if (!own_channel) processing::AlertBack("错误的系统参数！");
    return false;
  }
  return true;
}

int32_t GatheringObject::SaveStepOneForm(const StepOneSave& save) {
  const asp::Request& request = host_.Request();
  processing::VBProcess& process = Process();
  // Every value is read before anything is checked or written.
  markup::FormNumbers form(process, request);
  std::vector<vb::Variant> values;
  int32_t AutoClass = 0, ClassID = 0, IsPagination = 0;
  for (const StepOneColumn& c : save.columns) {
    vb::Variant value;
    switch (c.kind) {
      case StepOneColumn::kText:
        value = vb::Variant(vb::Trim(markup::FormText(request, c.column)));
        break;
      case StepOneColumn::kPath:
        value = vb::Variant(vb::Replace(vb::Trim(markup::FormText(request, c.column)), "\\", "/"));
        break;
      case StepOneColumn::kLong:
        value = vb::Variant(form.Long(c.column));
        break;
      case StepOneColumn::kSmall:
        value = vb::Variant(form.Small(c.column));
        break;
      case StepOneColumn::kChannel:
        value = vb::Variant(ChannelID_);
        break;
      case StepOneColumn::kRemoveCode:
        value = vb::Variant(form.RemoveCode(save.tag_filters));
        break;
    }
    if (c.column == "AutoClass") AutoClass = vb::CLng(value);
    if (c.column == "ClassID") ClassID = vb::CLng(value);
    if (c.column == "IsPagination") IsPagination = vb::CLng(value);
    values.push_back(std::move(value));
  }
  std::string problem =
      markup::StepOneProblem(request, AutoClass, ClassID, IsPagination, save.least_encoding);
  if (problem.empty() && !form.all_fit()) problem = markup::kNumberOutOfRange;
  if (!problem.empty()) {
    processing::AlertBack(problem);
    return -1;
  }

  if (!OpenItemRow(save.table, true)) return -1;
  auto set = [&](std::string_view column, vb::Variant value) {
    rs_->Fields(column).SetValue(std::move(value));
  };
  for (size_t i = 0; i < save.columns.size(); ++i) set(save.columns[i].column, values[i]);
  if (ItemID_ == 0) {
    set("lastime", vb::Variant(vb::Now()));
    set("FindListCode",
        vb::Variant(vb::Join(std::vector<std::string>(save.list_parts, "0"), "$$$")));
    set("FindInfoCode",
        vb::Variant(vb::Join(std::vector<std::string>(save.info_parts, "0"), "$$$")));
    set("downpage", vb::Variant(int16_t{0}));
    set("NamedDemourl", vb::Variant(""));
  }
  set("RetuneClass", vb::Variant(vb::Trim(markup::FormText(request, "ClassList"))));
  set("strReplace", vb::Variant(vb::Trim(markup::FormText(request, "ReplaceList"))));
  if (save.extra) save.extra(*rs_);
  rs_->Update();
  // A new item goes on under the key the database just gave it.
  const int32_t saved = ItemID_ != 0 ? ItemID_ : vb::CLng(rs_->Fields("ItemID").Value());
  rs_->Close();
  rs_.reset();
  // Dropped after the row changed, so no reader caches the old row between.
  process.DelCahe(vb::Variant(std::string(save.cache_prefix) + std::to_string(saved)));
  return saved;
}

void GatheringObject::EditInfoCodeStep(const InfoCodeStep& channel) {
  asp::Response& out = host_.Response();
  const EditorStep step = ReadEditorStep();
  if (step.change && !SaveListCodes(channel.table, channel.cache_prefix, channel.list_padding,
                                    channel.list_codes)) {
    return;
  }

  std::string encoding, list_url, list_codes, demo;
  std::vector<std::string> info;
  int32_t downpage = 0;
  {
    std::optional<ado::Recordset> row = ItemColumns(
        channel.table, "Encoding,RemoteListUrl,FindListCode,FindInfoCode,DownPage,NamedDemourl",
        ItemID_);
    if (!row) return;
    ado::Recordset& rs = *row;
    encoding = vb::Trim(vb::CStr(rs.Fields("Encoding").Value()));
    list_url = vb::Trim(vb::CStr(rs.Fields("RemoteListUrl").Value()));
    list_codes = vb::CStr(rs.Fields("FindListCode").Value());
    info = vb::Split(
        vb::CStr(rs.Fields("FindInfoCode").Value()) + std::string(channel.info_padding), "$$$");
    downpage = vb::CInt(rs.Fields("DownPage").Value());
    demo = processing::TextOf(rs.Fields("NamedDemourl").Value());
  }

  out.Write(markup::StepFormHead(ScriptFileName_, "step4", ChannelID_, ItemID_, "采集项目第三步",
                                 "", look_));
  if (ItemID_ > 0) markup::WriteItemMenu(out, ChannelID_, ItemID_);
  if (step.showcode >= 1 && !markup::WriteEntrySource(out, list_url, encoding, list_codes, look_)) {
    return;
  }

  const int n = markup::WriteInfoCodeRows(out, channel.form(ModuleName_, downpage), info, look_);
  out.Write(markup::DemoUrlRow(demo, n, look_));
  out.Write(markup::StepButtonRow(look_));
  out.Write(channel.note_row);
  out.Write(markup::StepFormEnd(look_));
}

void GatheringObject::EditListCodeStep(
    const StepOneSave& save, size_t special,
    const std::function<std::string(const std::vector<std::string>&)>& extra_rows) {
  asp::Response& out = host_.Response();
  const EditorStep step = ReadEditorStep();
  int32_t item_id = ItemID_;
  if (step.change) {
    item_id = SaveStepOneForm(save);
    if (item_id < 0) return;
  }
  std::vector<std::string> codes;
  {
    const std::string table(save.table);
    const std::string channel = std::to_string(ChannelID_);
    sql_ = item_id != 0
               ? "SELECT ItemID,FindListCode FROM " + table + " WHERE ChannelID=" + channel +
                     " And ItemID=" + std::to_string(item_id)
               : "SELECT TOP 1 ItemID,FindListCode FROM " + table + " WHERE ChannelID=" + channel +
                     " ORDER BY ItemID DESC";
    ado::Recordset rs = GatherConnection().Execute(sql_);
    if (rs.Bof() && rs.Eof()) return;  // no item of this channel: nothing to show
    item_id = vb::CLng(rs.Fields("ItemID").Value());
    codes = vb::Split(vb::CStr(rs.Fields("FindListCode").Value()), "$$$");
  }

  out.Write(markup::StepFormHead(ScriptFileName_, "step3", ChannelID_, item_id, "采集项目第二步",
                                 "", look_));
  if (ItemID_ > 0) ShowItemMenu(ItemID_);
  std::string list_page;
  if (step.showcode >= 1 &&
      !markup::WriteListSource(out, host_.Request(), ChannelID_, item_id, list_page, look_)) {
    return;
  }
  markup::WriteListCodeRows(out, Process(), codes, special, extra_rows ? extra_rows(codes) : "",
                            look_);
  out.Write(markup::StepButtonRow(look_));
  out.Write(markup::StepFormEnd(look_));
}

void GatheringObject::EditFinishStep(const FinishStep& channel) {
  asp::Response& out = host_.Response();
  const EditorStep step = ReadEditorStep();
  if (step.change && !SaveInfoCodes(channel.table, channel.cache_prefix, "downpage",
                                    channel.info_codes, channel.info_padding)) {
    return;
  }
  std::string demo;
  {
    std::optional<ado::Recordset> row = ItemColumns(channel.table, channel.trial_columns, ItemID_);
    if (!row) return;
    channel.read(*row);
    demo = vb::Trim(processing::TextOf(row->Fields("NamedDemourl").Value()));
  }

  out.Write(markup::kTableHead);
  out.Write("<tr><th colspan=2>采集项目第三步</th></tr>\r\n");
  if (ItemID_ > 0) markup::WriteItemMenu(out, ChannelID_, ItemID_);
  if (vb::Trim(action_) == "demo" || step.showcode > 0) {
    if (!channel.trial(demo)) return;
  } else {
    out.Write(markup::FinishRow(ChannelID_, ItemID_, look_));
  }
  out.Write(markup::FinishButtonRow(ChannelID_, ItemID_, look_));
  out.Write("</table>\r\n");
}

bool GatheringObject::WriteTrialResult(
    const std::string& demo_url, const TrialList& list,
    const std::function<std::string(const std::string& address, const std::string& list_area,
                                    std::string& result)>& read) {
  std::string address, area;
  if (vb::Len(demo_url) >= 10) {
    address = vb::Trim(vb::Replace(demo_url, "\"", ""));
  } else {
    std::string list_page;
    address =
        FirstListLink(list.list_url, list.encoding, CodeList(list.list_codes), list_page, &area);
    if (address.empty()) return false;
  }
  std::string result;
  const std::string error = read(address, area, result);
  if (!error.empty()) {
    processing::AlertBack(error);
    return false;
  }
  host_.Response().Write(markup::ResultRow(result, look_));
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
