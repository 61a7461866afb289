// admin_SoftGather.asp: the software channel's page, made as the article
// channel's page is: the frame, the channel's object through the class
// registry, set up from the configuration, ReadSoftConfig and
// ShowCollection, then the foot unless the response was ended.
#include <string>

#include "host/admin_pages.h"
#include "platform/asp/server.h"
#include "platform/com/class_registry.h"
#include "platform/com/dispatch.h"
#include "platform/vb/vb_error.h"

namespace ostrel::host {

void SoftGatherPage(asp::RequestContext& page, const AdminSettings& settings) {
  asp::Response& response = *page.Response;
  WriteAdminHead(response, "软件采集管理", "admin_SoftGather.asp");
  vb::ObjectRef collection;
  try {
    collection = com::CreateObject("Ostrel.SoftCollection");
    collection->Let("PageListNum", vb::Variant(static_cast<int16_t>(settings.page_list_num)));
    collection->Let("ScriptFileName", vb::Variant("admin_SoftGather.asp"));
    collection->Let("ChannelPath", vb::Variant("/soft/"));
    collection->Let("ConnString", vb::Variant("Data Source=" + settings.gather_db));
    collection->Let("DBConnstr", vb::Variant("Data Source=" + settings.host_db));
    // Archives are re-packed by the host's own archive layer.
    collection->Let("ZipSwitch", vb::Variant("True"));
    collection->Call("ReadSoftConfig");
    collection->Call("ShowCollection");
  } catch (const vb::VbError& error) {
    response.Write("<p class=\"style1\">页面错误 " + std::to_string(error.number()) + "：" +
                   asp::Server::HTMLEncode(error.description()) + "</p>\r\n");
  }
  // Released while the request is still bound: the terminator closes the
  // connections and gives back the host objects.
  collection.reset();
  if (!response.IsEnded()) WriteAdminFoot(response);
}

}  // namespace ostrel::host
