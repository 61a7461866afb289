// Downloader's creation and its members as late-bound callers (host pages)
// see them, in the order of its dispatch interface.
#include "component/registration.h"
#include "platform/com/class_info.h"
#include "transfer/downloader.h"

namespace ostrel::transfer {

const component::ComponentClass<Downloader> kDownloaderClass("Ostrel.Downloader");

// The request's host objects are taken here and left to the request on
// release, so the page's output goes on after the downloader is gone.
Downloader::Downloader() : host_(component::HostObjects::Take()), limits_(net::GetFetchLimits()) {
  // A program file may take far longer than a page; its own overall limit.
  limits_.total_timeout = limits_.download_timeout;
}

Downloader::~Downloader() { data_.Close(); }

const com::TypeInfo& Downloader::Type() const {
  using M = Downloader;
  using Text = void (M::*)(std::string_view);
  static const com::TypeInfo info =
      com::ClassInfo<M>("Downloader")
          .Field("ErrNumber", &M::ErrNumber)
          .Field("DownFileUrl", &M::DownFileUrl)
          .Property("setCookie", nullptr, &M::setCookie)
          .Property("Version", &M::Version, nullptr)
          .Property("Progress", nullptr, &M::Progress)
          .Property("UnsealDown", nullptr, &M::UnsealDown)
          .Property("SaveFile", nullptr, &M::SaveFile)
          .Property("url", static_cast<std::string (M::*)() const>(&M::url),
                    static_cast<Text>(&M::url))
          .Property("ReferHost", nullptr, &M::ReferHost)
          .Property("SaveFilePath", static_cast<std::string (M::*)() const>(&M::SaveFilePath),
                    static_cast<Text>(&M::SaveFilePath))
          .Property("AutoRename", nullptr, &M::AutoRename)
          .Property("PlusPrefix", nullptr, &M::PlusPrefix)
          .Property("FilePrefix", nullptr, &M::FilePrefix)
          .Property("FileSuffix", nullptr, &M::FileSuffix)
          .Property("FilterName", nullptr, &M::FilterName)
          .Property("FileSize", &M::FileSize, nullptr)
          .Property("MaxSize", nullptr, &M::MaxSize)
          .Property("LeastSize", nullptr, &M::LeastSize)
          .Property("InceptExt", nullptr, &M::InceptExt)
          .Property("Description", &M::Description, nullptr)
          .Property("IsFtp", &M::IsFtp, nullptr)
          .Property("Server", &M::Server, nullptr)
          .Property("UserName", &M::UserName, nullptr)
          .Property("PassWord", &M::PassWord, nullptr)
          .Property("port", &M::port, nullptr)
          .Property("FileFtpPathName", &M::FileFtpPathName, nullptr)
          .Method("Execute", &M::Execute)
          .Method("DownAddress", &M::DownAddress)
          .Method("FTPConnection", &M::FTPConnection)
          .Method("GetHeader", &M::GetHeader)
          .Method("Cancel", &M::Cancel)
          .Method("StartDownLoad", &M::StartDownLoad)
          .Method("GetFileName", &M::GetFileName)
          .Property("GetFileExt", &M::GetFileExt, nullptr)
          .Method("GetFullFilePath", &M::GetFullFilePath)
          .Method("AddFileSuffix", &M::AddFileSuffix)
          .Method("GenFileName", &M::GenFileName)
          .Method("GetRndFileName", &M::GetRndFileName)
          .Method("CheckPath", &M::CheckPath)
          .Method("CheckFiletype", &M::CheckFiletype)
          .Method("CheckNamestr", &M::CheckNamestr)
          .Method("URLDecode", &M::URLDecode)
          .Method("CreatedPathEx", &M::CreatedPathEx)
          .Event("GetData", &M::GetData)
          .Build();
  return info;
}

}  // namespace ostrel::transfer
