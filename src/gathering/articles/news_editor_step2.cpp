// NewsCollection: the item editor's second page. With change=yes it checks
// the first page's form and stores it (a new row when the item is new);
// then it shows the list-page codes, optionally after the remote list
// page's source. It posts action=step3.
#include <string>
#include <vector>

#include "gathering/articles/news_collection.h"
#include "gathering/common/page_markup.h"
#include "platform/asp/server.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"
#include "processing/remote_fetch.h"

namespace ostrel::articles {
namespace {

using markup::Checked;
using markup::FormText;
using markup::PartAt;
using processing::HtmlAttribute;
using processing::HtmlText;

// The numbers of the first page's form, read before anything is dropped or
// written, so a number out of range is refused with nothing changed.
struct StepOneNumbers {
  int32_t ClassID, SpecialID, StopItem, IsDown, AutoClass, PathForm, IsNowTime, AllHits, star;
  int32_t IsPagination, startid, lastid;
  std::string RemoveCode;
};

// The first check of the first page's form that fails; "" when all pass.
std::string StepOneProblem(const asp::Request& request, const StepOneNumbers& n) {
  if (vb::Trim(FormText(request, "ItemName")).empty()) return "请填写项目名称！";
  const std::string site = FormText(request, "SiteUrl");
  if (vb::Trim(site).empty()) return "请填写目标站点URL！";
  if (vb::LCase(vb::Left(site, 4)) != "http") {
    return "目标站点URL输入错误，请在URL前面加上“http://”！";
  }
  if (vb::Len(vb::Trim(FormText(request, "Encoding"))) < 3) return "请选择目标站点的文件编码！";
  if (n.AutoClass == 0 && n.ClassID == 0) {
    return "该一级分类已经有下属分类，不能采集；请重新选择分类！";
  }
  if (vb::Trim(FormText(request, "RemoteListUrl")).empty()) return "请填写远程列表URL！";
  if (n.IsPagination >= 1 && vb::Trim(FormText(request, "PaginalList")).empty()) {
    return "请填写远程分页列表URL！";
  }
  return "";
}

// 16-bit columns: a larger number would not read back.
bool Fits16(int32_t n) { return n <= INT16_MAX; }

}  // namespace

void NewsCollection::EditItemStep2() {
  asp::Response& out = host_.Response();
  const asp::Request& request = host_.Request();
  processing::VBProcess& process = Process();
  const std::string channel = std::to_string(ChannelID_);
  ItemID_ = process.ChkNumeric(markup::RequestText(request, "ItemID"));
  const int32_t showcode = process.ChkNumeric(markup::RequestText(request, "showcode"));
  const bool change = vb::Trim(markup::RequestText(request, "change")) == "yes";

  int32_t saved_id = 0;  // the key of a row this request inserted
  if (change) {
    StepOneNumbers n{};
    // Each number on its own, so one out of range leaves the others read
    // and the checks below run in their order on the true values.
    bool read = true;
    auto num = [&](std::string_view key) {
      int32_t value = 0;
      if (!vb::TryStep([&] { value = process.ChkNumeric(FormText(request, key)); })) read = false;
      return value;
    };
    n.ClassID = num("ClassID");
    n.SpecialID = num("SpecialID");
    n.StopItem = num("StopItem");
    n.IsDown = num("IsDown");
    n.AutoClass = num("AutoClass");
    n.PathForm = num("PathForm");
    n.IsNowTime = num("IsNowTime");
    n.AllHits = num("AllHits");
    n.star = num("star");
    n.IsPagination = num("IsPagination");
    n.startid = num("startid");
    n.lastid = num("lastid");
    for (int i = 0; i <= 14; ++i) {
      n.RemoveCode += std::to_string(num("RemoveCode" + std::to_string(i))) + "|";
    }
    n.RemoveCode += "0|0|0|0|0|0|0|0|0";
    std::string problem = StepOneProblem(request, n);
    if (problem.empty() && (!read || !Fits16(n.StopItem) || !Fits16(n.IsDown) ||
                            !Fits16(n.AutoClass) || !Fits16(n.PathForm) || !Fits16(n.IsNowTime) ||
                            !Fits16(n.star) || !Fits16(n.IsPagination))) {
      problem = "输入的数值超出范围，请重新输入！";
    }
    if (!problem.empty()) {
      processing::AlertBack(problem);
      return;
    }

    process.DelCahe(vb::Variant("NewsItem" + std::to_string(ItemID_)));
    rs_ = std::make_shared<ado::Recordset>();
    sql_ = ItemID_ != 0 ? "SELECT * FROM QX_NewsItem WHERE ItemID=" + std::to_string(ItemID_)
                        : "SELECT * FROM QX_NewsItem WHERE (ItemID is null)";
    rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
    if (ItemID_ == 0) {
      rs_->AddNew();
    } else if (rs_->Eof()) {
      rs_.reset();
      processing::AlertBack("错误的系统参数！");
      return;
    }
    auto set = [&](std::string_view column, vb::Variant value) {
      rs_->Fields(column).SetValue(std::move(value));
    };
    set("ItemName", vb::Variant(vb::Trim(FormText(request, "ItemName"))));
    set("SiteUrl", vb::Variant(vb::Trim(FormText(request, "SiteUrl"))));
    set("ChannelID", vb::Variant(ChannelID_));
    set("ClassID", vb::Variant(n.ClassID));
    set("SpecialID", vb::Variant(n.SpecialID));
    set("StopItem", vb::Variant(n.StopItem));
    set("Encoding", vb::Variant(vb::Trim(FormText(request, "Encoding"))));
    set("IsDown", vb::Variant(n.IsDown));
    set("AutoClass", vb::Variant(n.AutoClass));
    set("PathForm", vb::Variant(n.PathForm));
    set("IsNowTime", vb::Variant(n.IsNowTime));
    set("AllHits", vb::Variant(n.AllHits));
    set("star", vb::Variant(n.star));
    set("RemoveCode", vb::Variant(vb::Trim(n.RemoveCode)));
    set("RemoteListUrl", vb::Variant(vb::Trim(FormText(request, "RemoteListUrl"))));
    set("PaginalList", vb::Variant(vb::Trim(FormText(request, "PaginalList"))));
    set("IsPagination", vb::Variant(n.IsPagination));
    set("startid", vb::Variant(n.startid));
    set("lastid", vb::Variant(n.lastid));
    if (ItemID_ == 0) {
      set("lastime", vb::Variant(vb::Now()));
      set("FindListCode", vb::Variant(vb::Join(std::vector<std::string>(15, "0"), "$$$")));
      set("FindInfoCode", vb::Variant(vb::Join(std::vector<std::string>(39, "0"), "$$$")));
      set("IsNextPage", vb::Variant(int32_t{0}));
      set("NamedDemourl", vb::Variant(""));
    }
    set("RetuneClass", vb::Variant(vb::Trim(FormText(request, "ClassList"))));
    set("strReplace", vb::Variant(vb::Trim(FormText(request, "ReplaceList"))));
    rs_->Update();
    // A new item goes on under the key the database just gave it.
    if (ItemID_ == 0) saved_id = vb::CLng(rs_->Fields("ItemID").Value());
    rs_->Close();
    rs_.reset();
  }

  // Read the item back: the request's item, the row just added, or (shown
  // without a save and without a number) the channel's newest item.
  rs_ = std::make_shared<ado::Recordset>();
  if (ItemID_ != 0 || saved_id != 0) {
    sql_ = "SELECT ItemID,FindListCode FROM QX_NewsItem WHERE ChannelID=" + channel +
           " And ItemID=" + std::to_string(ItemID_ != 0 ? ItemID_ : saved_id);
  } else {
    sql_ = "SELECT TOP 1 ItemID,FindListCode FROM QX_NewsItem WHERE ChannelID=" + channel +
           " ORDER BY ItemID DESC";
  }
  rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockReadOnly);
  if (rs_->Eof()) {
    rs_.reset();
    processing::AlertBack("错误的系统参数！");
    return;
  }
  const int32_t item_id = vb::CLng(rs_->Fields("ItemID").Value());
  const std::vector<std::string> codes =
      vb::Split(vb::CStr(rs_->Fields("FindListCode").Value()), "$$$");
  rs_->Close();
  rs_.reset();

  out.Write("<form name=\"myform\" method=\"post\" action=\"" +
            HtmlAttribute(vb::Variant(ScriptFileName_)) + "\">\r\n");
  out.Write("<input type=\"hidden\" name=\"action\" value=\"step3\">\r\n");
  out.Write("<input type=\"hidden\" name=\"ChannelID\" value=\"" + channel + "\">\r\n");
  out.Write("<input type=\"hidden\" name=\"ItemID\" value=\"" + std::to_string(item_id) +
            "\">\r\n");
  out.Write("<input type=\"hidden\" name=\"change\" value=\"yes\">\r\n");
  out.Write(
      "<table border=\"0\" align=\"center\" cellpadding=\"3\" cellspacing=\"1\" "
      "class=\"TableBorder\">\r\n");
  out.Write("<tr><th colspan=2>采集项目第二步</th></tr>\r\n");
  if (ItemID_ > 0) ShowItemMenu(ItemID_);

  if (showcode >= 1) {
    const std::string list_url = vb::Trim(FormText(request, "RemoteListUrl"));
    page_text_ = processing::GetRemoteData(list_url, vb::Trim(FormText(request, "Encoding")));
    if (page_text_.empty()) {
      const std::string first_step =
          "?action=edit&ChannelID=" + channel + "&ItemID=" + std::to_string(item_id);
      out.Write("<script language=\"javascript\">");
      out.Write("alert('获取远程信息出错！请确定你的远程列表URL输入无误。');");
      out.Write("location.replace('" + first_step + "');</script>\r\n");
      return;
    }
    markup::WriteSourceView(out, page_text_, list_url);
  }

  out.Write("<tr><td colspan=2 class=TableTitle>项 目 编 辑 -- 列表连接设置</td></tr>\r\n");
  constexpr const char* kLabels[] = {"获取列表开始代码：", "获取列表结束代码：",
                                     "获取连接开始代码：", "获取连接结束代码："};
  for (size_t i = 0; i < 4; ++i) {
    const std::string cls = i % 2 == 0 ? "TableRow1" : "TableRow2";
    out.Write("<tr><td class=" + cls + " width=\"20%\" align=right><b>" + kLabels[i] +
              "</b></td><td class=" + cls + ">" +
              markup::TextArea("FindListCode" + std::to_string(i), PartAt(codes, i), 5, 80) +
              "</td></tr>\r\n");
  }
  const bool relocate = process.ChkNumeric(PartAt(codes, 4)) > 0;
  out.Write(
      "<tr><td class=TableRow1 align=right><b>特殊设置：</b></td><td class=TableRow1>"
      "<input type=\"radio\" name=\"FindListCode4\" value=\"0\"" +
      std::string(Checked(!relocate)) +
      " onclick=\"document.getElementById('especial').style.display='none';\"> 不作处理 "
      "<input type=\"radio\" name=\"FindListCode4\" value=\"1\"" +
      Checked(relocate) +
      " disabled onclick=\"document.getElementById('especial').style.display='';\"> 重新定位"
      "<span id=\"especial\" style=\"display:none\"> <input type=\"text\" name=\"FindListCode5\" "
      "size=\"60\"" +
      markup::ValueAttribute(vb::Variant(PartAt(codes, 5))) + "></span></td></tr>\r\n");
  out.Write("<tr><td colspan=2 align=center class=TableRow2>");
  out.Write(markup::kBackButton);
  out.Write(
      " <input type=\"submit\" name=\"B22\" value=\" 下一步 \" class=\"button\"> "
      "<input type=\"checkbox\" name=\"ShowCode\" value=\"1\"> 显示源码</td></tr>\r\n");
  out.Write("</table>\r\n</form>\r\n");
}

}  // namespace ostrel::articles
