#include "gathering/common/gathering_object.h"

#include "gathering/common/page_markup.h"
#include "platform/ado/ado_error.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/net/run_origin.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/value_checks.h"
#include "processing/vb_process.h"

namespace ostrel::gathering {
namespace {

constexpr std::string_view kConnectionFailed = "数据库连接出错，请检查连接字串。";

}  // namespace

GatheringObject::GatheringObject(const ChannelDefaults& defaults)
    : ScriptFileName_(defaults.ScriptFileName),
      ChannelID_(defaults.ChannelID),
      ChannelPath_(defaults.ChannelPath),
      ModuleName_(defaults.ModuleName),
      look_(*defaults.look),
      default_channel_(defaults.RequestChannelID != 0 ? defaults.RequestChannelID
                                                      : defaults.ChannelID) {
  vb::TryStep([&] { host_ = component::HostObjects::Take(); });
  component::HostState().HostConnected = false;
}

// Only a gathering (or clean-up) object gives the host objects back: the
// helpers it made during the request leave them to the page.
GatheringObject::~GatheringObject() {
  host_.Release();
  process_.reset();
  if (conn_) {
    vb::TryStep([&] {
      if (conn_->State() == ado::adStateOpen) conn_->Close();
    });
    conn_.reset();
  }
  // Also marks the connections closed, so the next object on this thread
  // does not take the released ones for open ones.
  processing::CloseHostConnection();
}

processing::VBProcess& GatheringObject::Process() {
  if (!process_) process_ = std::make_shared<processing::VBProcess>();
  return *process_;
}

void GatheringObject::OpenConnection() {
  bool opened = vb::TryStep([&] {
    conn_ = std::make_shared<ado::Connection>();
    conn_->Open(ConnString_, "", "", -1);
  });
  if (!opened) {
    conn_.reset();
    connection_failed_ = true;
    vb::TryStep([&] {
      host_.Response().Write(kConnectionFailed);
      host_.Response().End();
    });
  }
  // A site may keep the gathering tables in its own database file: the
  // host connection is then this one, and the request reads and writes the
  // file through one database and one cache.
  const std::string file = ado::DataSourceOf(ConnString_);
  if (conn_ && !file.empty() && file == ado::DataSourceOf(DBConnstr_)) {
    component::HostState().HostConnection = conn_;
  } else {
    processing::OpenHostConnection(DBConnstr_);
  }
  component::HostState().HostConnected = true;
}

ado::Connection& GatheringObject::GatherConnection() {
  if (connection_failed_) {
    throw vb::VbError(ado::kErrInvalidConnection, ado::kErrorSource,
                      std::string(kConnectionFailed));
  }
  if (!conn_ || conn_->State() != ado::adStateOpen) ado::RaiseAdo(ado::kErrInvalidConnection);
  return *conn_;
}

int32_t GatheringObject::ItemNumber(const vb::Variant& ItemID) {
  int32_t id = 0;
  vb::TryStep([&] { id = processing::ChkNumeric(vb::CStr(ItemID)); });
  return id;
}

void GatheringObject::FixStar(int16_t& star) {
  if (star > 5 || star == 0) star = static_cast<int16_t>(Process().GetRndStar());
}

bool GatheringObject::TakeEditItem() {
  vb::TryStep(
      [&] { ItemID_ = Process().ChkNumeric(markup::RequestText(host_.Request(), "ItemID")); });
  if (ItemID_ == 0) {
    processing::AlertBack("请选择正确的项目ID!");
    return false;
  }
  edit_mode_ = true;
  return true;
}

std::string GatheringObject::ReadRequest(std::string_view wait_banner) {
  WaitBanner_ = wait_banner;
  vb::TryStep([&] {
    if (!component::HostState().HostConnected) OpenConnection();
  });
  processing::VBProcess& process = Process();
  // A ChannelID too large to read is no ChannelID either: the page's own
  // channel, not whatever the object started with (which for a page whose
  // default differs would be another channel's).
  if (!vb::TryStep(
          [&] { ChannelID_ = process.ChkNumeric(vb::CStr(host_.Request().Item("ChannelID"))); })) {
    ChannelID_ = 0;
  }
  if (ChannelID_ == 0) ChannelID_ = default_channel_;
  vb::TryStep([&] { AdminName_ = process.CheckStr(vb::CStr(host_.Session().Item("AdminName"))); });
  vb::TryStep([&] { action_ = vb::LCase(vb::CStr(host_.Request().Command("action"))); });
  return vb::Trim(action_);
}

std::string GatheringObject::ItemListAddress(std::string_view item_table) {
  const asp::Request& request = host_.Request();
  // The editor's first step posts the address it saves.
  if (request.Form().Contains("RemoteListUrl")) {
    return vb::Trim(markup::FormText(request, "RemoteListUrl"));
  }
  std::string address;
  vb::TryStep([&] {
    const int32_t id = ItemNumber(request.Item("ItemID"));
    if (id == 0) return;
    ado::Recordset rs;
    rs.Open("SELECT RemoteListUrl FROM " + std::string(item_table) +
                " WHERE ItemID=" + std::to_string(id),
            GatherConnection(), ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (!rs.Eof()) address = vb::Trim(processing::TextOf(rs.Fields("RemoteListUrl").Value()));
  });
  return address;
}

void GatheringObject::RunAction(const std::function<void()>& action) {
  if (connection_failed_) return;
  // The action ends where it fails; the page still gets its footer.
  vb::TryStep(action);
}

void GatheringObject::DispatchPageAction(std::string_view wait_banner, const ItemListTexts& list,
                                         std::string_view cache_prefix) {
  const std::string action = ReadRequest(wait_banner);
  // Whatever the action fetches, it fetches for the request's item.
  const net::RunOrigin origin([&] { return ItemListAddress(list.table); });
  RunAction([&] {
    if (action == "copy") {
      CloneItem();
    } else if (action == "del") {
      DeleteItems(list.table, cache_prefix);
    } else if (action == "config") {
      ShowGatherConfig();
    } else if (action == "save") {
      SaveGatherConfig();
    } else if (action == "edit") {
      if (TakeEditItem()) EditItemStep1();
    } else if (action == "add") {
      edit_mode_ = false;
      EditItemStep1();
    } else if (action == "step2") {
      EditItemStep2();
    } else if (action == "step3") {
      EditItemStep3();
    } else if (action == "step4" || action == "demo") {
      EditItemStep4();
    } else if (action == "begin") {
      BeginGather();
    } else if (action == "savenew") {
      GatherNextLink();
    } else if (action == "remove") {
      RemoveAllCache();
    } else {
      ShowItemList(list);
    }
  });
}

}  // namespace ostrel::gathering
