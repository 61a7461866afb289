#include "maintenance/cls_manager.h"

#include "component/registration.h"
#include "maintenance/channel_lock.h"
#include "platform/ado/connection.h"
#include "platform/com/class_info.h"
#include "platform/vb/strings.h"

namespace ostrel::maintenance {
namespace {

const component::ComponentClass<clsManager> kManagerClass("Ostrel.clsManager");

}  // namespace

// The request's host objects, and nothing else: the host connection stays
// as the page left it (DelUselessFile opens it when it is not open).
clsManager::clsManager() {
  vb::TryStep([&] { host_ = component::HostObjects::Take(); });
}

clsManager::~clsManager() {
  host_.Release();
  process_.reset();
  processing::CloseHostConnection();
}

void clsManager::Refuse(const std::string& reason) {
  throw vb::VbError(kErrCleanupRefused, "clsManager", reason);
}

void clsManager::PrepareToolbox() {
  if (!process_) process_ = std::make_shared<processing::VBProcess>();
  process_->SetConnectstr(DBConnstr_);
  process_->SetSqlDataBase(SqlDataBase_);
  vb::TryStep([&] { process_->ReadConfig(); });
  const component::HostConnectionState& state = component::HostState();
  bool open = false;
  vb::TryStep([&] {
    open = state.HostConnected && state.HostConnection &&
           state.HostConnection->State() == ado::adStateOpen;
  });
  if (!open) processing::OpenHostConnection(DBConnstr_);
}

std::vector<clsManager::Listed> clsManager::Run(bool remove) {
  FilesCount = 0;
  PrepareToolbox();
  const UploadFolder folder = CheckedFolder();
  CheckUploadDir(folder);
  ChannelLock lock(folder.channel);
  if (!lock.held()) {
    Refuse("频道目录“" + ChannelPath_ + "”正在清理中，请稍后再试。");
  }
  if (!folder.exists) return {};
  // The folders are walked with the file-system object that the site
  // configuration names; a configuration that names none walks nothing.
  if (vb::LCase(vb::Trim(process_->FSO_ScriptName)) != "scripting.filesystemobject") return {};
  std::vector<Listed> files = WalkFolder(folder);
  if (files.empty() || !MarkReferenced(folder, files)) return {};
  std::vector<Listed> useless;
  for (Listed& file : files) {
    if (!file.referenced) useless.push_back(std::move(file));
  }
  FilesCount = static_cast<int32_t>(useless.size());
  if (remove) DeleteListed(folder, useless);
  return useless;
}

void clsManager::DelUselessFile() { Run(true); }

vb::Variant clsManager::ListUselessFiles() {
  const std::vector<Listed> useless = Run(false);
  vb::Variant list = vb::Variant::Array1(0, static_cast<int32_t>(useless.size()) - 1);
  for (size_t i = 0; i < useless.size(); ++i) {
    list.At(static_cast<int32_t>(i)) = vb::Variant(useless[i].site_path);
  }
  return list;
}

// The members in the order of the class's dispatch interface.
const com::TypeInfo& clsManager::Type() const {
  using C = clsManager;
  static const com::TypeInfo info = com::ClassInfo<C>("clsManager")
                                        .Field("FilesCount", &C::FilesCount)
                                        .Property("DBConnstr", nullptr, &C::SetDBConnstr)
                                        .Property("SqlDataBase", nullptr, &C::SetSqlDataBase)
                                        .Property("ModuleID", nullptr, &C::SetModuleID)
                                        .Property("Channel", nullptr, &C::SetChannel)
                                        .Property("ChannelPath", nullptr, &C::SetChannelPath)
                                        .Property("UploadPath", nullptr, &C::SetUploadPath)
                                        .Method("DelUselessFile", &C::DelUselessFile)
                                        .Method("ListUselessFiles", &C::ListUselessFiles)
                                        .Build();
  return info;
}

}  // namespace ostrel::maintenance
