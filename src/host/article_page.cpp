// Admin_ArticleGather.asp: the article channel's page. It writes the frame,
// makes the channel's object through the class registry, sets it up from
// the configuration, lets it run the request's action, releases it and
// writes the foot unless the response was ended.
#include <string>

#include "host/admin_pages.h"
#include "platform/asp/server.h"
#include "platform/com/class_registry.h"
#include "platform/com/dispatch.h"
#include "platform/vb/vb_error.h"

namespace ostrel::host {

void ArticleGatherPage(asp::RequestContext& page, const AdminSettings& settings) {
  asp::Response& response = *page.Response;
  WriteAdminHead(response, "文章采集管理");
  vb::ObjectRef collection;
  try {
    collection = com::CreateObject("Ostrel.NewsCollection");
    collection->Let("PageListNum", vb::Variant(static_cast<int16_t>(settings.page_list_num)));
    collection->Let("ScriptFileName", vb::Variant("Admin_ArticleGather.asp"));
    collection->Let("ChannelPath", vb::Variant("/article/"));
    collection->Let("ConnString", vb::Variant("Data Source=" + settings.gather_db));
    collection->Let("DBConnstr", vb::Variant("Data Source=" + settings.host_db));
    collection->Call("ReadNewsConfig");
    collection->Call("ShowCollection");
  } catch (const vb::VbError& error) {
    // As the original server showed a script error: where the page stopped.
    response.Write("<p class=\"style1\">页面错误 " + std::to_string(error.number()) + "：" +
                   asp::Server::HTMLEncode(error.description()) + "</p>\r\n");
  }
  // Released while the request is still bound: the terminator closes the
  // connections and gives back the host objects.
  collection.reset();
  if (!response.IsEnded()) WriteAdminFoot(response);
}

}  // namespace ostrel::host
