#include "processing/vb_process.h"

#include "platform/ado/connection.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"

namespace ostrel::processing {

VBProcess::VBProcess() {
  // The host objects of the request; outside a request there are none and
  // the defaults below still apply.
  vb::TryStep([&] { host_ = component::HostObjects::Take(); });
}

VBProcess::~VBProcess() {
  // The request keeps its objects for the other objects of the page.
  host_.Release();
}

void VBProcess::SetMaxSize(int32_t kilobytes) {
  int64_t bytes = static_cast<int64_t>(kilobytes) * 1024;
  if (bytes > INT32_MAX || bytes < INT32_MIN) vb::Raise(vb::kErrOverflow);
  max_size_ = static_cast<int32_t>(bytes);
}

void OpenHostConnection(const std::string& connStr) {
  component::HostConnectionState& state = component::HostState();
  bool opened = vb::TryStep([&] {
    state.HostConnection = std::make_shared<ado::Connection>();
    state.HostConnection->Open(connStr, "", "", -1);
  });
  if (!opened) {
    state.HostConnection.reset();
    vb::TryStep([] {
      asp::Response& response = component::HostObjects::Take().Response();
      response.Write("数据库连接出错，请打开conn.asp文件检查连接字串。");
      response.End();
    });
  }
  state.HostConnected = true;
}

void CloseHostConnection() {
  component::HostConnectionState& state = component::HostState();
  if (state.HostConnection) {
    vb::TryStep([&] {
      if (state.HostConnection->State() == ado::adStateOpen) state.HostConnection->Close();
    });
    state.HostConnection.reset();
  }
  state.HostConnected = false;
}

std::shared_ptr<ado::Recordset> VBProcess::Execute(const vb::Variant& sCommand) {
  if (!component::HostState().HostConnected) OpenHostConnection(connectstr_);
  std::shared_ptr<ado::Recordset> result;
  vb::TryStep([&] {
    const auto& connection = component::HostState().HostConnection;
    if (!connection) vb::Raise(vb::kErrObjectNotSet);
    result = std::make_shared<ado::Recordset>(connection->Execute(vb::CStr(sCommand)));
  });
  return result;
}

bool VBProcess::vbCreatPathEx(vb::Variant& sPath) const {
  // The folder chain is written back to the caller's variable.
  std::string path = vb::CStr(sPath);
  bool made = processing::vbCreatPathEx(host_, path);
  sPath = vb::Variant(path);
  return made;
}

// ---- Application-variable cache -------------------------------------------

std::string VBProcess::CacheKey(std::string_view item) const {
  return vb::CStr(CacheName) + "_" + std::string(item);
}

void VBProcess::RaiseNoCacheName() {
  throw vb::VbError(kErrNoCacheName, "ZembleCacheServer", " please change the CacheName.");
}

void VBProcess::SetName(const vb::Variant& name) {
  cache_key_name_ = vb::LCase(vb::CStr(name));
  cache_entry_ = host_.Application().Item(CacheKey(cache_key_name_));
}

bool VBProcess::ObjIsEmpty() const {
  if (!cache_entry_.IsArray() || cache_entry_.Rank() != 1 || cache_entry_.UBound() < 1) {
    return true;
  }
  const vb::Variant& stored = cache_entry_.At(1);
  if (!stored.IsDate()) return true;
  int64_t age = vb::DateDiff("s", stored.AsDate(), vb::Now());
  return age >= 60LL * cache_lifetime_;
}

void VBProcess::SetValue(const vb::Variant& value) {
  if (cache_key_name_.empty()) RaiseNoCacheName();
  vb::Variant entry = vb::Variant::Array1(0, 2);
  entry.At(0) = value;
  entry.At(1) = vb::Variant(vb::Now());
  cache_entry_ = entry;
  asp::Application& application = host_.Application();
  application.Lock();
  application.SetItem(CacheKey(cache_key_name_), std::move(entry));
  application.UnLock();
}

vb::Variant VBProcess::Value() const {
  if (cache_key_name_.empty()) RaiseNoCacheName();
  if (cache_entry_.IsArray() && cache_entry_.Rank() == 1 && cache_entry_.UBound() >= 0 &&
      cache_entry_.LBound() <= 0) {
    return cache_entry_.At(0);
  }
  return vb::Variant();
}

void VBProcess::DelCahe(const vb::Variant& name) {
  // Not lower-cased: Application keys match without regard to case.
  asp::Application& application = host_.Application();
  application.Lock();
  application.contents().Remove(CacheKey(vb::CStr(name)));
  application.UnLock();
}

}  // namespace ostrel::processing
