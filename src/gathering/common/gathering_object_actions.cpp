// GatheringObject: the small actions of every channel's admin page:
// deleting items, clearing the site's Application variables, the one-line
// progress message, and the alert that leads back to the item list.
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "gathering/common/gathering_object.h"
#include "gathering/common/page_markup.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::gathering {
namespace {

// The item numbers of a delete request: whole numbers separated by commas,
// blanks around them allowed. Nothing when anything else was sent (or a
// number beyond 32 bits), so no request text ever reaches the statement.
std::optional<std::vector<int32_t>> ItemNumbers(const std::string& list) {
  std::vector<int32_t> numbers;
  for (const std::string& piece : vb::Split(list, ",")) {
    const std::string digits = vb::Trim(piece);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
      return std::nullopt;
    }
    int32_t n = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    numbers.push_back(n);
  }
  return numbers;
}

}  // namespace

void GatheringObject::DeleteItems(std::string_view table, std::string_view cache_prefix) {
  const asp::Request& request = host_.Request();
  const std::string list = vb::Trim(markup::RequestText(request, "ItemID"));
  std::optional<std::vector<int32_t>> numbers;
  if (!list.empty()) numbers = ItemNumbers(list);
  if (!numbers) {
    processing::AlertBack("请选择正确的系统参数！");
    return;
  }
  std::string in;
  for (int32_t n : *numbers) in += (in.empty() ? "" : ",") + std::to_string(n);
  const std::string where = " FROM " + std::string(table) +
                            " WHERE ChannelID=" + std::to_string(ChannelID_) + " And ItemID in (" +
                            in + ")";

  // Only this channel's items go, and their cached rows with them.
  ado::Connection& connection = GatherConnection();
  std::vector<int32_t> deleted;
  {
    ado::Recordset rs = connection.Execute("SELECT ItemID" + where);
    for (; !rs.Eof(); rs.MoveNext()) deleted.push_back(vb::CLng(rs.Fields("ItemID").Value()));
  }
  connection.Execute("DELETE" + where);
  for (int32_t id : deleted) {
    Process().DelCahe(vb::Variant(std::string(cache_prefix) + std::to_string(id)));
  }

  std::string back = processing::OwnReferer(request);
  if (back.empty()) back = ScriptFileName_ + "?ChannelID=" + std::to_string(ChannelID_);
  host_.Response().Redirect(back);
}

void GatheringObject::AlertToItemList(std::string_view msg) {
  // Without a page of this site to return to, the browser must not reload
  // the action itself (a clone would clone again): it goes to the list.
  if (!processing::OwnReferer(host_.Request()).empty()) {
    processing::AlertReturn(msg);
    return;
  }
  asp::Response& out = host_.Response();
  const std::string list = ScriptFileName_ + "?ChannelID=" + std::to_string(ChannelID_);
  out.Write("<script language=\"javascript\">\r\n");
  out.Write("alert(\"" + processing::ScriptString(msg) + "\");");
  out.Write("location.replace(\"" + processing::ScriptString(list) + "\");\r\n");
  out.Write("</script>\r\n");
  out.Flush();
  out.End();
}

void GatheringObject::RemoveAllCache() {
  asp::Application& application = host_.Application();
  // The names first: removing while enumerating would skip some.
  const std::vector<std::string> names = application.contents().Keys();
  for (const std::string& name : names) {
    application.Lock();
    application.contents().Remove(name);
    application.UnLock();
    vb::Variant line("更新 <b>" + processing::HtmlText(vb::Variant(name)) + "</b> 完成");
    InnerHtml(line);
  }
  vb::Variant done("当前站点全部缓存清理完成。");
  InnerHtml(done);
}

void GatheringObject::InnerHtml(vb::Variant& msg) {
  asp::Response& out = host_.Response();
  out.Write("<li>" + processing::TextOf(msg) + "</li>");
  out.Flush();
}

}  // namespace ostrel::gathering
