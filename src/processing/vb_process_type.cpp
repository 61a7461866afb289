// The members of VBProcess as late-bound callers see them, in the order of
// its dispatch interface: the public fields first.
#include "component/registration.h"
#include "platform/com/class_info.h"
#include "processing/recordset_object.h"
#include "processing/vb_process.h"
#include "processing/xml_document_object.h"

namespace ostrel::processing {

const component::ComponentClass<VBProcess> kVBProcessClass("Ostrel.VBProcess");

vb::ObjectRef VBProcess::ExecuteObject(vb::Variant& sCommand) {
  std::shared_ptr<ado::Recordset> rs = Execute(sCommand);
  if (!rs) return vb::ObjectRef();
  return std::make_shared<RecordsetObject>(std::move(rs));
}

vb::ObjectRef VBProcess::CreateXML2DOMObject() const { return XmlDocumentRef(CreateXML2DOM()); }
vb::ObjectRef VBProcess::CreateXMLDOMObject() const { return XmlDocumentRef(CreateXMLDOM()); }

const com::TypeInfo& VBProcess::Type() const {
  using P = VBProcess;
  static const com::TypeInfo info = com::ClassInfo<P>("VBProcess")
                                        .Field("PathFileName", &P::PathFileName)
                                        .Field("PictureExist", &P::PictureExist)
                                        .Field("PreviewSetting", &P::PreviewSetting)
                                        .Field("CacheName", &P::CacheName)
                                        .Field("CacheData", &P::CacheData)
                                        .Field("VersionID", &P::VersionID)
                                        .Field("SiteName", &P::SiteName)
                                        .Field("FSO_ScriptName", &P::FSO_ScriptName)
                                        .Field("InstallDir", &P::InstallDir)
                                        .Property("Version", &P::Version, nullptr)
                                        .Property("AddImageMark", nullptr, &P::SetAddImageMark)
                                        .Property("MaxSize", nullptr, &P::SetMaxSize)
                                        .Property("AllowExt", nullptr, &P::SetAllowExt)
                                        .Property("PictureEx", &P::PictureEx, nullptr)
                                        .Property("AllFileName", &P::AllFileName, nullptr)
                                        .Property("CachesName", nullptr, &P::SetCachesName)
                                        .Property("Name", nullptr, &P::SetName)
                                        .Property("Value", &P::Value, &P::SetValue)
                                        .Method("ObjIsEmpty", &P::ObjIsEmpty)
                                        .Method("DelCahe", &P::DelCahe)
                                        .Method("ChkBoolean", &P::ChkBoolean)
                                        .Method("CheckNumeric", &P::CheckNumeric)
                                        .Method("ChkNumeric", &P::ChkNumeric)
                                        .Method("CheckNull", &P::CheckNull)
                                        .Method("CheckStr", &P::CheckStr)
                                        .Method("CheckNostr", &P::CheckNostr)
                                        .Method("CheckNullStr", &P::CheckNullStr)
                                        .Method("CheckMapPath", &P::CheckMapPath)
                                        .Method("CheckHTTP", &P::CheckHTTP)
                                        .Method("GetRemoteData", &P::GetRemoteData)
                                        .Method("FindMatch", &P::FindMatch)
                                        .Method("CutFixed", &P::CutFixed)
                                        .Method("ReplaceTrim", &P::ReplaceTrim)
                                        .Method("CheckMatch", &P::CheckMatch)
                                        .Method("CheckHTML", &P::CheckHTML)
                                        .Method("CutFixation", &P::CutFixation)
                                        .Method("Formatime", &P::Formatime)
                                        .Method("FormatRemoteUrl", &P::FormatRemoteUrl)
                                        .Method("FormatContentUrl", &P::FormatContentUrl)
                                        .Method("SaveRemoteFile", &P::SaveRemoteFile)
                                        .Method("RemoteToLocal", &P::RemoteToLocal)
                                        .Method("FormatUrl", &P::FormatUrl)
                                        .Method("Html2Ubb", &P::Html2Ubb)
                                        .Method("ReplaceClass", &P::ReplaceClass)
                                        .Method("FormatSize", &P::FormatSize)
                                        .Method("FormatFileSize", &P::FormatFileSize)
                                        .Method("URLDecode", &P::URLDecode)
                                        .Method("BuildDatePath", &P::BuildDatePath)
                                        .Method("GetRndFileName", &P::GetRndFileName)
                                        .Method("GetFileExtName", &P::GetFileExtName)
                                        .Method("GetRndHits", &P::GetRndHits)
                                        .Method("GetRndStar", &P::GetRndStar)
                                        .Method("CheckPath", &P::CheckPath)
                                        .Method("FolderExists", &P::FolderExists)
                                        .Method("CreatedPathEx", &P::CreatedPathEx)
                                        .Method("vbCreatPathEx", &P::vbCreatPathEx)
                                        .Method("DeleteFiles", &P::DeleteFiles)
                                        .Method("DeleteFolders", &P::DeleteFolders)
                                        .Method("MoveFolders", &P::MoveFolders)
                                        .Method("MoveFiles", &P::MoveFiles)
                                        .Method("CreateXML2DOM", &P::CreateXML2DOMObject)
                                        .Method("CreateXMLDOM", &P::CreateXMLDOMObject)
                                        .Method("CreateXMLDocument", &P::CreateXMLDocument)
                                        .Method("JAPEncode", &P::JAPEncode)
                                        .Method("JAPUncode", &P::JAPUncode)
                                        .Method("FormatStr", &P::FormatStr)
                                        .Method("FindFileSize", &P::FindFileSize)
                                        .Property("Connectstr", nullptr, &P::SetConnectstr)
                                        .Property("SqlDataBase", nullptr, &P::SetSqlDataBase)
                                        .Method("Execute", &P::ExecuteObject)
                                        .Method("ReadConfig", &P::ReadConfig)
                                        .Method("ReloadConfig", &P::ReloadConfig)
                                        .Method("LoadSelectClass", &P::LoadSelectClass)
                                        .Method("HtmlRndFileName", &P::HtmlRndFileName)
                                        .Method("FormatDate", &P::FormatDate)
                                        .Method("ChkFormStr", &P::ChkFormStr)
                                        .Method("ReadAlpha", &P::ReadAlpha)
                                        .Method("AddWatermark", &P::AddWatermark)
                                        .Build();
  return info;
}

}  // namespace ostrel::processing
