// The channels' gathering pages (Admin_ArticleGather.asp,
// admin_SoftGather.asp, Admin_FlashGather.asp), each made the one way: the
// frame, the channel's object through the class registry, set up from the
// configuration, its settings read, ShowCollection, then the foot unless the
// response was ended. What differs between them is data.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/admin_pages.h"
#include "platform/asp/server.h"
#include "platform/com/class_registry.h"
#include "platform/com/dispatch.h"
#include "platform/vb/vb_error.h"

namespace ostrel::host {
namespace {

struct GatherPage {
  std::string_view title;
  std::string_view script;  // ScriptFileName, and the frame's channel links
  std::string_view prog_id;
  std::string_view channel_path;
  std::string_view read_config;  // the settings reader the page calls first
  std::vector<std::pair<std::string_view, vb::Variant>> lets = {};  // the channel's own
};

void RunGatherPage(asp::RequestContext& page, const AdminSettings& settings,
                   const GatherPage& channel) {
  asp::Response& response = *page.Response;
  WriteAdminHead(response, channel.title, channel.script);
  vb::ObjectRef collection;
  try {
    collection = com::CreateObject(std::string(channel.prog_id));
    collection->Let("PageListNum", vb::Variant(static_cast<int16_t>(settings.page_list_num)));
    collection->Let("ScriptFileName", vb::Variant(std::string(channel.script)));
    collection->Let("ChannelPath", vb::Variant(std::string(channel.channel_path)));
    collection->Let("ConnString", vb::Variant("Data Source=" + settings.gather_db));
    collection->Let("DBConnstr", vb::Variant("Data Source=" + settings.host_db));
    for (const auto& [name, value] : channel.lets) collection->Let(std::string(name), value);
    collection->Call(std::string(channel.read_config));
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

}  // namespace

void ArticleGatherPage(asp::RequestContext& page, const AdminSettings& settings) {
  RunGatherPage(page, settings,
                {.title = "文章采集管理",
                 .script = "Admin_ArticleGather.asp",
                 .prog_id = "Ostrel.NewsCollection",
                 .channel_path = "/article/",
                 .read_config = "ReadNewsConfig"});
}

void SoftGatherPage(asp::RequestContext& page, const AdminSettings& settings) {
  RunGatherPage(page, settings,
                {.title = "软件采集管理",
                 .script = "admin_SoftGather.asp",
                 .prog_id = "Ostrel.SoftCollection",
                 .channel_path = "/soft/",
                 .read_config = "ReadSoftConfig",
                 // Archives are re-packed by the host's own archive layer.
                 .lets = {{"ZipSwitch", vb::Variant("True")}}});
}

void FlashGatherPage(asp::RequestContext& page, const AdminSettings& settings) {
  RunGatherPage(page, settings,
                {.title = "动画采集管理",
                 .script = "Admin_FlashGather.asp",
                 .prog_id = "Ostrel.FlashCollection",
                 .channel_path = "/flash/",
                 .read_config = "ReadFlashConfig"});
}

}  // namespace ostrel::host
