// Admin_Maintenance.asp: the upload-file clean-up. The administrator picks a
// channel and one of its upload folders, sees which files no stored row
// refers to (a dry run that changes nothing), confirms, and is told how many
// files the clean-up deleted. Only a posted confirmation deletes.
#include <string>
#include <vector>

#include "host/admin_pages.h"
#include "platform/asp/server.h"
#include "platform/com/class_registry.h"
#include "platform/com/dispatch.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"

namespace ostrel::host {
namespace {

// The channels of this host and their upload folders.
struct Channel {
  int32_t id;
  const char* name;
  int16_t module;  // clsManager.ModuleID
  const char* path;
  std::vector<std::string> folders;
};

const std::vector<Channel>& Channels() {
  static const std::vector<Channel> channels = {
      {1, "文章", 1, "/article/", {"UploadPic"}},
      {2, "软件", 2, "/soft/", {"UploadPic", "UploadFile"}},
      {5, "Flash", 5, "/flash/", {"UploadPic", "UploadFile"}},
  };
  return channels;
}

std::string Text(const asp::Request& request, const char* key) {
  return vb::CStr(request.Item(key));
}

void WriteMessage(asp::Response& response, const std::string& id, const std::string& html) {
  response.Write("<tr><td class=\"TableRow1\" align=\"center\" id=\"" + id + "\">" + html +
                 "</td></tr>\r\n");
}

// The page's head: the admin frame's channel row, then the clean-up's own
// menu row (no gathering channel's links: this page belongs to none).
void WriteCleanupHead(asp::Response& response) {
  WriteAdminBar(response, "上传文件清理", "<a href=\"Admin_Maintenance.asp\">上传文件清理</a>");
}

void WriteChoice(asp::Response& response, int32_t channel_id, const std::string& dir) {
  response.Write(
      "<tr><td class=\"TableRow1\" align=\"center\">"
      "<form method=\"get\" action=\"Admin_Maintenance.asp\" name=\"ChooseForm\">"
      "<input type=\"hidden\" name=\"action\" value=\"list\">频道：<select name=\"ChannelID\">");
  for (const Channel& channel : Channels()) {
    response.Write("<option value=\"" + std::to_string(channel.id) + "\"" +
                   (channel.id == channel_id ? " selected" : "") + ">" + channel.name +
                   "</option>");
  }
  response.Write(" </select> 上传目录：<select name=\"UploadDir\">");
  for (const char* folder : {"UploadPic", "UploadFile"}) {
    response.Write(std::string("<option value=\"") + folder + "\"" +
                   (dir == folder ? " selected" : "") + ">" + folder + "</option>");
  }
  response.Write(
      "</select> <input type=\"submit\" value=\"查看无用文件\" class=\"button\" id=\"ListButton\">"
      "</form></td></tr>\r\n");
}

}  // namespace

void MaintenancePage(asp::RequestContext& page, const AdminSettings& settings) {
  asp::Response& response = *page.Response;
  const asp::Request& request = *page.Request;
  WriteCleanupHead(response);
  const std::string action = vb::LCase(vb::CStr(request.Command("action")));
  const std::string channel_text = vb::Trim(Text(request, "ChannelID"));
  const std::string dir = Text(request, "UploadDir");
  response.Write(
      "<table border=\"0\" align=\"center\" cellpadding=\"3\" cellspacing=\"1\" "
      "class=\"tableborder\">\r\n<tr><th>上传文件清理</th></tr>\r\n");
  const Channel* channel = nullptr;
  for (const Channel& c : Channels()) {
    if (std::to_string(c.id) == channel_text) channel = &c;
  }
  WriteChoice(response, channel ? channel->id : 0, dir);
  WriteMessage(response, "KeptRecent",
               "最近五分钟内修改过的文件不会列出，也不会删除：它们可能正等待采集写入记录。");

  bool known_folder = false;
  for (const std::string& folder : channel ? channel->folders : std::vector<std::string>{}) {
    known_folder = known_folder || folder == dir;
  }
  const bool posted = vb::CStr(request.ServerVariables().Item("REQUEST_METHOD")) == "POST";
  if (action != "list" && action != "clean") {
    WriteMessage(response, "Hint",
                 "选择频道和上传目录，先查看哪些文件没有被任何记录引用，确认后再删除。");
  } else if (!known_folder) {
    WriteMessage(response, "Refused", "该频道没有这个上传目录。");
  } else if (action == "clean" && !posted) {
    WriteMessage(response, "Refused", "删除须从确认按钮提交。");
  } else {
    const std::string site_path = std::string(channel->path) + dir + "/";
    vb::ObjectRef manager;
    try {
      manager = com::CreateObject("Ostrel.clsManager");
      manager->Let("DBConnstr", vb::Variant("Data Source=" + settings.host_db));
      manager->Let("ModuleID", vb::Variant(channel->module));
      manager->Let("Channel", vb::Variant(channel->id));
      manager->Let("ChannelPath", vb::Variant(channel->path));
      manager->Let("UploadPath", vb::Variant(dir + "/"));
      if (action == "list") {
        const vb::Variant list = manager->Call("ListUselessFiles");
        const int32_t count = vb::CLng(manager->Get("FilesCount"));
        WriteMessage(response, "Found",
                     asp::Server::HTMLEncode(site_path) + " 中有 <b>" + std::to_string(count) +
                         "</b> 个文件没有被任何记录引用" + (count ? "：" : "。"));
        if (count > 0) {
          response.Write("<tr><td class=\"TableRow2\"><ul id=\"UselessFiles\">");
          for (int32_t i = list.LBound(); i <= list.UBound(); ++i) {
            response.Write("<li>" + asp::Server::HTMLEncode(vb::CStr(list.At(i))) + "</li>");
          }
          response.Write(
              "</ul></td></tr>\r\n<tr><td class=\"TableRow1\" align=\"center\">"
              "<form method=\"post\" action=\"Admin_Maintenance.asp\" name=\"ConfirmForm\">"
              "<input type=\"hidden\" name=\"action\" value=\"clean\">"
              "<input type=\"hidden\" name=\"ChannelID\" value=\"" +
              std::to_string(channel->id) +
              "\"><input type=\"hidden\" name=\"UploadDir\" value=\"" + dir +
              "\"><input type=\"submit\" value=\"确认删除\" class=\"button\" "
              "id=\"ConfirmButton\"></form></td></tr>\r\n");
        }
      } else {
        manager->Call("DelUselessFile");
        const int32_t count = vb::CLng(manager->Get("FilesCount"));
        WriteMessage(response, "Done",
                     "清理完成：" + asp::Server::HTMLEncode(site_path) + " 中删除了 <b>" +
                         std::to_string(count) + "</b> 个无用文件。");
      }
    } catch (const vb::VbError& error) {
      WriteMessage(
          response, "Refused",
          "<span class=\"style1\">" + asp::Server::HTMLEncode(error.description()) + "</span>");
    }
    // Released while the request is still bound: the terminator closes the
    // host connection and gives back the host objects.
    manager.reset();
  }
  response.Write("</table>\r\n");
  if (!response.IsEnded()) WriteAdminFoot(response);
}

}  // namespace ostrel::host
