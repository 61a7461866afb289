// NewsCollection: the editor's navigation row and the item clone.
#include <string>
#include <vector>

#include "gathering/articles/news_collection.h"
#include "gathering/common/page_markup.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::articles {
namespace {

constexpr std::string_view kWrongParameter = "请选择正确的系统参数！";

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

void NewsCollection::CloneItem() {
  processing::VBProcess& process = Process();
  ItemID_ = process.ChkNumeric(markup::RequestText(host_.Request(), "ItemID"));
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

}  // namespace ostrel::articles
