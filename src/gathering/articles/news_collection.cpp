#include "gathering/articles/news_collection.h"

#include "component/registration.h"
#include "platform/com/class_info.h"

namespace ostrel::articles {

const component::ComponentClass<NewsCollection> kNewsCollectionClass("Ostrel.NewsCollection");

NewsCollection::NewsCollection()
    : GatheringObject({.ScriptFileName = "Admin_ArticleGather.asp",
                       .ChannelID = 1,
                       .ChannelPath = "/article/",
                       .ModuleName = "文章"}) {}

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
