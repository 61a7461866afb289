// NewsCollection: the editor's navigation row and the small actions of the
// admin page: deleting and cloning items, clearing the site's Application
// variables, and the one-line progress message.
#include <charconv>
#include <string>
#include <vector>

#include "gathering/articles/news_collection.h"
#include "gathering/articles/news_editor_markup.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::articles {
namespace {

constexpr std::string_view kWrongParameter = "请选择正确的系统参数！";

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

// The columns a clone copies, in the order they are set; lastime is
// stamped between RemoveCode and RemoteListUrl.
constexpr const char* kCopiedBeforeStamp[] = {
    "ItemName", "SiteUrl",   "ChannelID", "ClassID",   "SpecialID", "StopItem", "Encoding",
    "IsDown",   "AutoClass", "PathForm",  "IsNowTime", "AllHits",   "star",     "RemoveCode"};
constexpr const char* kCopiedAfterStamp[] = {
    "RemoteListUrl", "PaginalList", "IsPagination", "startid",      "lastid",    "FindListCode",
    "FindInfoCode",  "RetuneClass", "IsNextPage",   "NamedDemourl", "strReplace"};

}  // namespace

void NewsCollection::ShowItemMenu(int32_t ItemID) {
  asp::Response& out = host_.Response();
  const std::string c = std::to_string(ChannelID_);
  const std::string tail = "&ChannelID=" + c + "&ItemID=" + std::to_string(ItemID) + "'";
  out.Write("<tr>\r\n");
  out.Write(" <td colspan=2 align=center class=tablerow2>");
  out.Write("<a href='?ChannelID=" + c + "' style=\"color: green;\">管理首页</a> | ");
  out.Write("<a href='?action=edit" + tail + " class=showmenu>设置第一步</a> | ");
  out.Write("<a href='?action=step2" + tail + " class=showmenu>设置第二步</a> | ");
  out.Write("<a href='?action=step3" + tail + " class=showmenu>设置第三步</a> | ");
  out.Write("<a href='?action=demo" + tail + " class=showmenu>项目演示</a> | ");
  out.Write("<a href='?action=begin" + tail + " style=\"color: red;\">开始采集</a>");
  out.Write("</td>\r\n");
  out.Write("</tr>\r\n");
}

void NewsCollection::DeleteItems() {
  const asp::Request& request = host_.Request();
  const std::string list = vb::Trim(editor::RequestText(request, "ItemID"));
  std::optional<std::vector<int32_t>> numbers;
  if (!list.empty()) numbers = ItemNumbers(list);
  if (!numbers) {
    processing::AlertBack(kWrongParameter);
    return;
  }
  std::string in;
  for (int32_t n : *numbers) in += (in.empty() ? "" : ",") + std::to_string(n);
  const std::string where = " FROM QX_NewsItem WHERE ChannelID=" + std::to_string(ChannelID_) +
                            " And ItemID in (" + in + ")";

  // Only this channel's items go, and their cached rows with them.
  ado::Connection& connection = GatherConnection();
  std::vector<int32_t> deleted;
  {
    ado::Recordset rs = connection.Execute("SELECT ItemID" + where);
    for (; !rs.Eof(); rs.MoveNext()) deleted.push_back(vb::CLng(rs.Fields("ItemID").Value()));
  }
  connection.Execute("DELETE" + where);
  for (int32_t id : deleted) Process().DelCahe(vb::Variant("NewsItem" + std::to_string(id)));

  std::string back = processing::OwnReferer(request);
  if (back.empty()) back = ScriptFileName_ + "?ChannelID=" + std::to_string(ChannelID_);
  host_.Response().Redirect(back);
}

void NewsCollection::CloneItem() {
  processing::VBProcess& process = Process();
  ItemID_ = process.ChkNumeric(editor::RequestText(host_.Request(), "ItemID"));
  if (ItemID_ == 0) {
    processing::AlertBack(kWrongParameter);
    return;
  }
  ado::Recordset source = GatherConnection().Execute(
      "SELECT * FROM QX_NewsItem WHERE ChannelID=" + std::to_string(ChannelID_) +
      " And ItemID=" + std::to_string(ItemID_));
  if (source.Eof()) {
    processing::AlertBack(kWrongParameter);
    return;
  }

  rs_ = std::make_shared<ado::Recordset>();
  sql_ = "SELECT * FROM QX_NewsItem WHERE (ItemID is null)";
  rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
  rs_->AddNew();
  for (const char* column : kCopiedBeforeStamp) {
    rs_->Fields(column).SetValue(source.Fields(column).Value());
  }
  rs_->Fields("lastime").SetValue(vb::Variant(vb::Now()));
  for (const char* column : kCopiedAfterStamp) {
    rs_->Fields(column).SetValue(source.Fields(column).Value());
  }
  rs_->Update();
  rs_->Close();
  rs_.reset();
  AlertToItemList("恭喜您！采集项目克隆成功。");
}

void NewsCollection::AlertToItemList(std::string_view msg) {
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

void NewsCollection::RemoveAllCache() {
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

void NewsCollection::InnerHtml(vb::Variant& msg) {
  asp::Response& out = host_.Response();
  out.Write("<li>" + processing::TextOf(msg) + "</li>");
  out.Flush();
}

}  // namespace ostrel::articles
