// GatheringObject: the item list, the page a channel shows when a request
// names no action. It pages through the channel's gathering items, offers
// the actions on each and, after a finished run (action=yes), its summary.
#include <map>
#include <string>

#include "gathering/common/gathering_object.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/format.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::gathering {

using processing::HtmlAttribute;
using processing::HtmlText;

namespace {

// A row's last run, red when it started on the day of now (the page's one
// reading of the clock).
std::string LastRunText(const vb::Variant& lastime, vb::DateTime now) {
  std::string text = HtmlText(lastime);
  if (vb::IsDate(lastime) && vb::DateDiff("d", vb::CDate(lastime), now) == 0) {
    text = "<font color=red>" + text + "</font>";
  }
  return text;
}

// The run's elapsed seconds, from its start D (seconds since midnight, as
// the run's first request took it); a run that crossed midnight gets the
// day's seconds added.
std::string ElapsedText(const vb::Variant& start) {
  double elapsed = vb::Timer() - vb::CDbl(start);
  if (elapsed < 0) elapsed += 86400;
  return vb::FormatNumber(vb::Variant(elapsed), 2, true);
}

}  // namespace

void GatheringObject::ShowItemList(const ItemListTexts& texts) {
  asp::Response& out = host_.Response();
  out.Write("<script language=\"JavaScript\" src=\"include/showpage.js\"></script>\r\n");
  out.Write(
      "<table border=\"0\" align=\"center\" cellpadding=\"3\" cellspacing=\"1\" "
      "class=\"tableborder\">");
  out.Write("<tr>");
  for (const char* heading : {" <th>项目名称</th>", " <th>所属分类</th>", " <th>所属专题</th>",
                              " <th>状态</th>", " <th>上次采集时间</th>", " <th>管理操作</th>"}) {
    out.Write(heading);
  }
  out.Write("</tr>");

  const std::string channel = std::to_string(ChannelID_);
  const std::string table(texts.table);
  ado::Connection& connection = GatherConnection();
  int32_t total = 0;
  {
    ado::Recordset count =
        connection.Execute("SELECT COUNT(ItemID) FROM " + table + " WHERE ChannelID=" + channel);
    total = vb::CLng(count.Fields(0).Value());
  }
  // A page number that is no usable number (beyond 32 bits included) is 0.
  int32_t page = 0;
  vb::TryStep([&] { page = Process().ChkNumeric(vb::CStr(host_.Request().Item("page"))); });
  if (page == 0) page = 1;
  const int32_t per_page = PageListNum_ < 1 ? 30 : PageListNum_;
  const int32_t pages = total / per_page + (total % per_page != 0 ? 1 : 0);
  if (page < 1) page = 1;
  if (page > pages) page = pages;  // an empty list shows page 0

  rs_ = std::make_shared<ado::Recordset>();
  sql_ =
      "SELECT ItemID,ItemName,SiteUrl,ChannelID,ClassID,SpecialID,StopItem,lastime,RemoteListUrl "
      "FROM [" +
      table + "] WHERE ChannelID=" + channel + " ORDER BY lastime DESC,ItemID DESC";
  rs_->Open(sql_, connection, ado::adOpenKeyset, ado::adLockReadOnly);
  if (rs_->Bof() && rs_->Eof()) {
    out.Write("<tr><td align=center colspan=9 class=TableRow2>" + std::string(texts.empty_line) +
              "</td></tr>");
  } else {
    if (pages > 1) rs_->Move((page - 1) * per_page);
    // Most items of a page share a few classes: each name is read once.
    std::map<int32_t, std::string> class_names, special_names;
    auto class_name = [&](int32_t id) {
      auto it = class_names.find(id);
      if (it == class_names.end()) it = class_names.emplace(id, GetClassName(id)).first;
      return it->second;
    };
    auto special_name = [&](int32_t id) {
      auto it = special_names.find(id);
      if (it == special_names.end()) it = special_names.emplace(id, GetSpecialName(id)).first;
      return it->second;
    };
    const vb::DateTime now = vb::Now();
    for (int32_t i = 0; i < per_page && !rs_->Eof(); ++i) {
      if (!out.IsClientConnected()) out.End();
      {
        // The row is put together and written once. What each former
        // write held is read first and then added whole, so a value that
        // raises half-way leaves the row as writing piece by piece did.
        struct RowText {
          asp::Response& out;
          std::string text;
          ~RowText() { out.Write(text); }
        } row{out, {}};
        std::string& r = row.text;
        r.reserve(1536);
        const char* cell = i % 2 == 0 ? " <td class=TableRow1" : " <td class=TableRow2";
        const std::string id = HtmlAttribute(rs_->Fields("ItemID").Value());
        r += "<tr align=center>";
        {
          const std::string site = HtmlAttribute(rs_->Fields("SiteUrl").Value());
          const std::string name = HtmlText(rs_->Fields("ItemName").Value());
          r.append(cell).append(" title='点击打开目标网站'><a href='").append(site);
          r.append("' target=_blank>").append(name).append("</a></td>");
        }
        {
          const std::string list = HtmlAttribute(rs_->Fields("RemoteListUrl").Value());
          const std::string cls = HtmlText(class_name(vb::CLng(rs_->Fields("ClassID").Value())));
          r.append(cell).append(" title='点击查看目标网站列表'><a href='").append(list);
          r.append("' target=_blank>").append(cls).append("</a></td>");
        }
        {
          const std::string special =
              HtmlText(special_name(vb::CLng(rs_->Fields("SpecialID").Value())));
          r.append(cell).append(">").append(special).append("</td>");
        }
        r.append(cell).append(">");
        const bool open = vb::Equals(rs_->Fields("StopItem").Value(), vb::Variant(int32_t{0}));
        r += open ? "<font color=blue>√</font>" : "<font color=red>×</font>";
        r += "</td>";
        r.append(cell).append(">");
        r += LastRunText(rs_->Fields("lastime").Value(), now);
        r += "</td>";
        const std::string tail = "&ItemID=" + id + "&ChannelID=" + channel + "'";
        r.append(cell).append("><a href='?action=edit").append(tail).append(">编辑</a> | ");
        r.append("<a href='?action=begin").append(tail).append(">采集</a> | ");
        r.append("<a href='?action=demo").append(tail).append(">演示</a> | ");
        r.append("<a href='?action=copy").append(tail).append(">克隆</a> | ");
        r.append("<a href='?action=del")
            .append(tail)
            .append(
                " onclick=\"{if(confirm('您确定要删除此项目吗?')){return true;}return false;}\">"
                "删除</a>");
        r += "</td>";
        r += "</tr>";
      }
      rs_->MoveNext();
    }
  }
  rs_->Close();
  rs_.reset();

  out.Write("<tr>");
  out.Write(" <td colspan=\"9\" class=\"tablerow2\" align=\"right\">");
  processing::WriteListPager(page, pages, total, per_page, "", ModuleName_ + "采集");
  out.Write("</td>");
  out.Write("</tr>");

  // The summary shows once: showing it resets the count. The test is on the
  // untrimmed action, so " yes" shows the list alone.
  if (action_ == "yes") {
    const std::string elapsed = ElapsedText(host_.Request().Item("D"));
    out.Write("<tr>");
    out.Write(" <td colspan=9 class=tablerow2>");
    out.Write("<b class=style2>恭喜您！采集" + ModuleName_ + "全部完成...");
    out.Write("成功采集" + ModuleName_ + " <font color=\"#FF0000\">" +
              HtmlText(host_.Session().Item("SucceedCount")) +
              "</font> 个，总费时 <font color=\"#FF0000\">" + elapsed + "</font> 秒,完成时间" +
              vb::CStr(vb::Variant(vb::Now())) + "</b>");
    out.Write("</td>");
    out.Write("</tr>");
    host_.Session().SetItem("SucceedCount", vb::Variant(int32_t{0}));
  }
  out.Write("</table>");
}

std::string GatheringObject::GetClassName(int32_t ClassID) {
  std::string name = "没有分类";
  vb::TryStep([&] {
    std::shared_ptr<ado::Recordset> rs = Process().Execute(
        vb::Variant("SELECT ClassName FROM QX_Classify WHERE ClassID=" + std::to_string(ClassID)));
    if (rs && !rs->Eof()) name = processing::TextOf(rs->Fields("ClassName").Value());
  });
  return name;
}

std::string GatheringObject::GetSpecialName(int32_t SpecialID) {
  std::string name = "没有指定专题";
  vb::TryStep([&] {
    std::shared_ptr<ado::Recordset> rs = Process().Execute(vb::Variant(
        "SELECT SpecialName FROM QX_Special WHERE SpecialID=" + std::to_string(SpecialID)));
    if (rs && !rs->Eof()) name = processing::TextOf(rs->Fields("SpecialName").Value());
  });
  return name;
}

}  // namespace ostrel::gathering
