#include "gathering/software/soft_collection.h"

#include "component/registration.h"
#include "platform/com/class_info.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace ostrel::software {

const component::ComponentClass<SoftCollection> kSoftCollectionClass("Ostrel.SoftCollection");

SoftCollection::SoftCollection()
    : GatheringObject({.ScriptFileName = "admin_SoftGather.asp",
                       .ChannelID = 2,
                       .ChannelPath = "/soft/",
                       .ModuleName = "软件",
                       .look = &markup::kSoftLook}) {}

void SoftCollection::SetUnzipPath(std::string s) {
  if (!s.empty()) {
    s = vb::Trim(vb::Replace(s, "/", "\\"));
    if (!s.ends_with('\\')) s += '\\';
  }
  UnzipPath_ = std::move(s);
}

void SoftCollection::SetZipSwitch(std::string s) { ZipSwitch_ = vb::CBool(vb::Variant(s)); }

// The members in the order of the class's dispatch interface.
const com::TypeInfo& SoftCollection::Type() const {
  using S = SoftCollection;
  static const com::TypeInfo info = com::ClassInfo<S>("SoftCollection")
                                        .Field("SoftSize", &S::SoftSize)
                                        .Property("SendCookie", nullptr, &S::SetSendCookie)
                                        .Property("MaxCount", nullptr, &S::SetMaxCount)
                                        .Property("UnzipPath", nullptr, &S::SetUnzipPath)
                                        .Property("ClearedStr", nullptr, &S::SetClearedStr)
                                        .Property("ClearAddr", nullptr, &S::SetClearAddr)
                                        .Property("ReplaceType", nullptr, &S::SetReplaceType)
                                        .Property("ClassNameType", nullptr, &S::SetClassNameType)
                                        .Property("AutoSize", nullptr, &S::SetAutoSize)
                                        .Property("UseItemPath", nullptr, &S::SetUseItemPath)
                                        .Property("LockedRAR", nullptr, &S::SetLockedRAR)
                                        .Property("UnzipPass", nullptr, &S::SetUnzipPass)
                                        .Property("Synchro", nullptr, &S::SetSynchro)
                                        .Property("ProsBorder", nullptr, &S::SetProsBorder)
                                        .Property("ProsColor", nullptr, &S::SetProsColor)
                                        .Property("ProsBack", nullptr, &S::SetProsBack)
                                        .Property("SpeedColor", nullptr, &S::SetSpeedColor)
                                        .Property("Space", nullptr, &S::SetSpace)
                                        .Property("PageListNum", nullptr, &S::SetPageListNum)
                                        .Property("ScriptFileName", nullptr, &S::SetScriptFileName)
                                        .Property("ModuleName", nullptr, &S::SetModuleName)
                                        .Property("ChannelPath", nullptr, &S::SetChannelPath)
                                        .Property("DownName", nullptr, &S::SetDownName)
                                        .Property("ConnString", nullptr, &S::SetConnString)
                                        .Property("DBConnstr", nullptr, &S::SetDBConnstr)
                                        .Property("SqlDataBase", nullptr, &S::SetSqlDataBase)
                                        .Property("ZipSwitch", nullptr, &S::SetZipSwitch)
                                        .Property("LeastSize", nullptr, &S::SetLeastSize)
                                        .Property("Imagemark", nullptr, &S::SetImageMark)
                                        .Method("ReloadSoftItem", &S::ReloadSoftItem)
                                        .Method("ReloadSoftConfig", &S::ReloadSoftConfig)
                                        .Method("ReadSoftConfig", &S::ReadSoftConfig)
                                        .Method("ReadSoftItem", &S::ReadSoftItem)
                                        .Method("ShowCollection", &S::ShowCollection)
                                        .Method("GetClassID", &S::GetClassID)
                                        .Method("ClassUpdateCount", &S::ClassUpdateCount)
                                        .Method("SelDownServer", &S::SelDownServer)
                                        .Method("AddDownServer", &S::AddDownServer)
                                        .Method("GetTempDirectory", &S::GetTempDirectory)
                                        .Method("RemoveAllCache", &S::RemoveAllCache)
                                        .Method("InnerHtml", &S::InnerHtml)
                                        .Method("FileDownload", &S::FileDownload)
                                        .Method("ReplaceSoftType", &S::ReplaceSoftType)
                                        .Build();
  return info;
}

}  // namespace ostrel::software
