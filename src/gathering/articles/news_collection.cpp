#include "gathering/articles/news_collection.h"

#include "component/registration.h"
#include "platform/com/class_info.h"
#include "platform/vb/vb_error.h"

namespace ostrel::articles {

const component::ComponentClass<NewsCollection> kNewsCollectionClass("Ostrel.NewsCollection");

NewsCollection::NewsCollection() {
  vb::TryStep([&] { host_ = component::HostObjects::Take(); });
  component::HostState().HostConnected = false;
}

NewsCollection::~NewsCollection() {
  host_.Release();
  process_.reset();
  component::HostConnectionState& state = component::HostState();
  if (state.HostConnection) {
    vb::TryStep([&] {
      if (state.HostConnection->State() == ado::adStateOpen) state.HostConnection->Close();
    });
    state.HostConnection.reset();
  }
  if (conn_) {
    vb::TryStep([&] {
      if (conn_->State() == ado::adStateOpen) conn_->Close();
    });
    conn_.reset();
  }
}

processing::VBProcess& NewsCollection::Process() {
  if (!process_) process_ = std::make_shared<processing::VBProcess>();
  return *process_;
}

void NewsCollection::OpenConnection() {
  bool opened = vb::TryStep([&] {
    conn_ = std::make_shared<ado::Connection>();
    conn_->Open(ConnString_, "", "", -1);
  });
  if (!opened) {
    conn_.reset();
    vb::TryStep([&] {
      host_.Response().Write("数据库连接出错，请检查连接字串。");
      host_.Response().End();
    });
  }
  processing::OpenHostConnection(DBConnstr_);
  component::HostState().HostConnected = true;
}

ado::Connection& NewsCollection::GatherConnection() {
  if (!conn_) vb::Raise(vb::kErrObjectNotSet);
  return *conn_;
}

// The members in the order of the class's dispatch interface.
const com::TypeInfo& NewsCollection::Type() const {
  using N = NewsCollection;
  static const com::TypeInfo info = com::ClassInfo<N>("NewsCollection")
                                        .Property("PageListNum", nullptr, &N::SetPageListNum)
                                        .Property("ScriptFileName", nullptr, &N::SetScriptFileName)
                                        .Property("ModuleName", nullptr, &N::SetModuleName)
                                        .Property("ChannelPath", nullptr, &N::SetChannelPath)
                                        .Property("ConnString", nullptr, &N::SetConnString)
                                        .Property("DBConnstr", nullptr, &N::SetDBConnstr)
                                        .Property("SqlDataBase", nullptr, &N::SetSqlDataBase)
                                        .Property("Imagemark", nullptr, &N::SetImageMark)
                                        .Method("ReloadNewsItem", &N::ReloadNewsItem)
                                        .Method("ReloadNewsConfig", &N::ReloadNewsConfig)
                                        .Method("ReadNewsConfig", &N::ReadNewsConfig)
                                        .Method("ReadNewsItem", &N::ReadNewsItem)
                                        .Method("ShowCollection", &N::ShowCollection)
                                        .Method("GetClassID", &N::GetClassID)
                                        .Method("ClassUpdateCount", &N::ClassUpdateCount)
                                        .Method("SaveNewsData", &N::SaveNewsData)
                                        .Method("RemoveAllCache", &N::RemoveAllCache)
                                        .Method("InnerHtml", &N::InnerHtml)
                                        .Build();
  return info;
}

}  // namespace ostrel::articles
