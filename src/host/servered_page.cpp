// admin_Servered.asp: the download servers of a channel (QX_DownServer in
// the host database), which the software editor offers for its items. It
// lists the channel's servers, top-level ones each followed by the servers
// that belong to it, and adds, changes and deletes them. A top-level
// server's rootid is its own downid; a server that belongs to one holds
// that server's downid as rootid and depth 1.
#include <string>
#include <vector>

#include "host/admin_pages.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/asp/server.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"

namespace ostrel::host {
namespace {

constexpr char kPage[] = "admin_Servered.asp";

// A request value as a whole number from 0 up; anything else is 0.
int32_t WholeNumber(const vb::Variant& value) {
  const std::string text = vb::Trim(vb::CStr(value));
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
    return 0;
  }
  return std::stoi(text);
}

struct Server {
  int32_t downid = 0;
  std::string name;
  int32_t depth = 0;
  int32_t rootid = 0;
};

// The channel's servers, each top-level one followed by those of its own.
std::vector<Server> ServersOf(ado::Connection& db, int32_t channel) {
  std::vector<Server> all;
  ado::Recordset rs = db.Execute(
      "SELECT downid,DownloadName,depth,rootid FROM QX_DownServer WHERE ChannelID=" +
      std::to_string(channel) + " ORDER BY rootid,depth,downid");
  for (; !rs.Eof(); rs.MoveNext()) {
    all.push_back({vb::CLng(rs.Fields("downid").Value()), vb::CStr(rs.Fields("DownloadName").Value()),
                   vb::CLng(rs.Fields("depth").Value()), vb::CLng(rs.Fields("rootid").Value())});
  }
  return all;
}

void Alert(asp::Response& out, std::string_view message) {
  // The messages are fixed texts without quotes or markup.
  out.Write("<script language=\"javascript\">\r\nalert(\"");
  out.Write(message);
  out.Write("\");history.back();\r\n</script>\r\n");
}

void BackToList(asp::Response& out, int32_t channel) {
  out.Redirect(std::string(kPage) + "?ChannelID=" + std::to_string(channel));
}

void WriteList(asp::Response& out, const std::vector<Server>& servers, int32_t channel,
               const Server& editing) {
  const std::string ch = std::to_string(channel);
  out.Write(
      "<table border=0 align=center cellpadding=3 cellspacing=1 class=tableborder>\r\n"
      "<tr><th colspan=4>下载服务器管理（频道 " +
      ch +
      "）</th></tr>\r\n"
      "<tr><td class=TableTitle align=center>ID</td><td class=TableTitle>服务器名称</td>"
      "<td class=TableTitle align=center>类型</td><td class=TableTitle align=center>管理操作</td>"
      "</tr>\r\n");
  if (servers.empty()) {
    out.Write("<tr><td colspan=4 align=center class=TableRow2>还没有添加下载服务器！</td></tr>\r\n");
  }
  for (size_t i = 0; i < servers.size(); ++i) {
    const Server& s = servers[i];
    const std::string cls = i % 2 == 0 ? "TableRow1" : "TableRow2";
    const std::string id = std::to_string(s.downid);
    out.Write("<tr class=server><td class=" + cls + " align=center>" + id + "</td><td class=" + cls +
              ">" + (s.depth > 0 ? "　├ " : "") + asp::Server::HTMLEncode(s.name) +
              "</td><td class=" + cls + " align=center>" + (s.depth > 0 ? "子服务器" : "顶级服务器") +
              "</td><td class=" + cls + " align=center><a href='" + kPage + "?action=edit&downid=" +
              id + "&ChannelID=" + ch + "'>编辑</a> | <a href='" + kPage + "?action=del&downid=" + id +
              "&ChannelID=" + ch +
              "' onclick=\"{if(confirm('您确定要删除此下载服务器吗?')){return true;}return false;}\">"
              "删除</a></td></tr>\r\n");
  }
  out.Write("</table><br>\r\n");

  // The form adds a server, or changes the one being edited.
  out.Write("<form name=myform method=post action='" + std::string(kPage) +
            "?action=save'>\r\n<input type=hidden name='ChannelID' value='" + ch +
            "'>\r\n<input type=hidden name='downid' value='" + std::to_string(editing.downid) +
            "'>\r\n<table border=0 align=center cellpadding=3 cellspacing=1 class=tableborder>\r\n"
            "<tr><th colspan=2>" +
            (editing.downid ? "修改下载服务器" : "添加下载服务器") +
            "</th></tr>\r\n<tr><td class=TableRow1 align=right><b>服务器名称：</b></td>"
            "<td class=TableRow1><input type=text name=DownloadName id=DownloadName size=40 "
            "maxlength=100 value=\"" +
            asp::Server::HTMLEncode(editing.name) +
            "\"></td></tr>\r\n<tr><td class=TableRow2 align=right><b>所属服务器：</b></td>"
            "<td class=TableRow2><select name=rootid id=rootid><option value='0'>作为顶级服务器"
            "</option>");
  for (const Server& s : servers) {
    if (s.depth != 0 || s.downid == editing.downid) continue;
    const bool chosen = editing.depth > 0 && editing.rootid == s.downid;
    out.Write("<option value='" + std::to_string(s.downid) + "'" + (chosen ? " selected" : "") +
              ">" + asp::Server::HTMLEncode(s.name) + "</option>");
  }
  out.Write(
      "</select></td></tr>\r\n<tr><td class=TableRow1>&nbsp;</td><td class=TableRow1>"
      "<input type=submit name=Submit value='保存' class=Button></td></tr>\r\n</table></form>\r\n");
}

// Adds or changes one server from the posted form; false after an alert.
bool SaveServer(asp::Response& out, const asp::Request& request, ado::Connection& db,
                int32_t channel) {
  const std::string name = vb::Trim(vb::CStr(request.Form().Item("DownloadName")));
  if (name.empty()) {
    Alert(out, "请输入下载服务器名称!");
    return false;
  }
  const int32_t downid = WholeNumber(request.Form().Item("downid"));
  int32_t parent = WholeNumber(request.Form().Item("rootid"));
  if (parent != 0) {
    // Only a top-level server of this channel, other than the server itself,
    // can hold others.
    ado::Recordset top = db.Execute("SELECT downid FROM QX_DownServer WHERE depth=0 And ChannelID=" +
                                    std::to_string(channel) +
                                    " And downid=" + std::to_string(parent));
    if (top.Eof() || parent == downid) {
      Alert(out, "所属服务器不正确!");
      return false;
    }
  }
  ado::Recordset rs;
  rs.Open("SELECT * FROM QX_DownServer WHERE ChannelID=" + std::to_string(channel) +
              " And downid=" + std::to_string(downid),
          db, ado::adOpenKeyset, ado::adLockOptimistic);
  const bool adding = rs.Eof();
  if (adding && downid != 0) {
    Alert(out, "没有找到这个下载服务器!");
    return false;
  }
  if (adding) {
    rs.AddNew();
    rs.Fields("ChannelID").SetValue(vb::Variant(channel));
  }
  rs.Fields("DownloadName").SetValue(vb::Variant(name));
  rs.Fields("depth").SetValue(vb::Variant(int32_t{parent != 0 ? 1 : 0}));
  rs.Fields("rootid").SetValue(vb::Variant(parent));
  rs.Update();
  if (parent == 0) {
    // A top-level server is its own root.
    const int32_t id = vb::CLng(rs.Fields("downid").Value());
    rs.Fields("rootid").SetValue(vb::Variant(id));
    rs.Update();
  }
  rs.Close();
  return true;
}

}  // namespace

void ServeredPage(asp::RequestContext& page, const AdminSettings& settings) {
  asp::Response& out = *page.Response;
  const asp::Request& request = *page.Request;
  int32_t channel = WholeNumber(request.Item("ChannelID"));
  if (channel == 0) channel = 2;
  const std::string action = vb::LCase(vb::Trim(vb::CStr(request.Command("action"))));
  const int32_t downid = WholeNumber(request.Item("downid"));
  WriteAdminHead(out, "下载服务器管理", "admin_SoftGather.asp");
  try {
    ado::Connection db;
    db.Open("Data Source=" + settings.host_db, "", "", -1);
    const std::string in_channel = " WHERE ChannelID=" + std::to_string(channel);
    if (action == "save") {
      if (SaveServer(out, request, db, channel)) BackToList(out, channel);
    } else if (action == "del") {
      // A top-level server takes the servers that belong to it along.
      db.Execute("DELETE FROM QX_DownServer" + in_channel + " And (downid=" +
                 std::to_string(downid) + " Or (depth>0 And rootid=" + std::to_string(downid) +
                 "))");
      BackToList(out, channel);
    } else {
      const std::vector<Server> servers = ServersOf(db, channel);
      Server editing;
      if (action == "edit") {
        for (const Server& s : servers) {
          if (s.downid == downid) editing = s;
        }
      }
      WriteList(out, servers, channel, editing);
    }
    db.Close();
  } catch (const vb::VbError& error) {
    out.Write("<p class=\"style1\">页面错误 " + std::to_string(error.number()) + "：" +
              asp::Server::HTMLEncode(error.description()) + "</p>\r\n");
  }
  if (!out.IsEnded()) WriteAdminFoot(out);
}

}  // namespace ostrel::host
