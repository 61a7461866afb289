// GatheringObject: the item list, the page a channel shows when a request
// names no action. It pages through the channel's gathering items, offers
// the actions on each and, after a finished run (action=yes), its summary.
#include <map>
#include <set>
#include <span>
#include <string>

#include "gathering/common/gathering_object.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/format.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::gathering {

using processing::AppendHtmlAttribute;
using processing::AppendHtmlText;
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

// A table of names by id: the classes or the special topics, and what a
// row shows for an id that has no name there.
struct NameTable {
  const char* table;
  const char* id;
  const char* name;
  const char* none;
};
constexpr NameTable kClasses{"QX_Classify", "ClassID", "ClassName", "没有分类"};
constexpr NameTable kSpecials{"QX_Special", "SpecialID", "SpecialName", "没有指定专题"};

// The ids of a page in one name table, and their names once read, encoded
// for the page.
struct NameRead {
  const NameTable& names;
  std::set<int32_t> ids;
  std::map<int32_t, std::string> found;
};

// The names of the parts' ids in one statement, each part's rows tagged by
// its place. False when the statement fails.
bool TryReadNames(processing::VBProcess& process, std::span<NameRead* const> parts) {
  std::string sql;
  for (size_t k = 0; k < parts.size(); ++k) {
    const NameTable& names = parts[k]->names;
    if (parts[k]->ids.empty()) continue;
    if (!sql.empty()) sql += " UNION ALL ";
    sql.append("SELECT ").append(std::to_string(k)).append(",").append(names.id).append(",");
    sql.append(names.name).append(" FROM ").append(names.table).append(" WHERE ");
    sql.append(names.id).append(" IN (");
    for (int32_t id : parts[k]->ids) sql.append(std::to_string(id)).append(",");
    sql.back() = ')';
  }
  if (sql.empty()) return true;
  std::shared_ptr<ado::Recordset> rs = process.Execute(vb::Variant(sql));
  if (!rs) return false;
  return vb::TryStep([&] {
    for (; !rs->Eof(); rs->MoveNext()) {
      parts[vb::CLng(rs->Fields(0).Value())]->found.emplace(vb::CLng(rs->Fields(1).Value()),
                                                            HtmlText(rs->Fields(2).Value()));
    }
  });
}

// The names of every part's ids: one statement for all the tables, or, when
// it fails, one for each, so that a table that cannot be read leaves the
// other's names. An id without a row, or every id of a table that cannot be
// read, gets the table's none.
void ReadNames(processing::VBProcess& process, std::span<NameRead* const> parts) {
  if (!TryReadNames(process, parts) && parts.size() > 1) {
    for (NameRead* part : parts) {
      part->found.clear();
      TryReadNames(process, std::span<NameRead* const>(&part, 1));
    }
  }
  for (NameRead* part : parts) {
    for (int32_t id : part->ids) part->found.emplace(id, HtmlText(vb::Variant(part->names.none)));
  }
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
  // Every item of the channel is read (the rows are in memory), so their
  // number is the count: ItemID, the key, is never Null.
  rs_ = std::make_shared<ado::Recordset>();
  sql_ =
      "SELECT ItemID,ItemName,SiteUrl,ChannelID,ClassID,SpecialID,StopItem,lastime,RemoteListUrl "
      "FROM [" +
      table + "] WHERE ChannelID=" + channel + " ORDER BY lastime DESC,ItemID DESC";
  rs_->Open(sql_, connection, ado::adOpenKeyset, ado::adLockReadOnly);
  const int32_t total = rs_->RecordCount();
  // A page number that is no usable number (beyond 32 bits included) is 0.
  int32_t page = 0;
  vb::TryStep([&] { page = Process().ChkNumeric(vb::CStr(host_.Request().Item("page"))); });
  if (page == 0) page = 1;
  const int32_t per_page = PageListNum_ < 1 ? 30 : PageListNum_;
  const int32_t pages = total / per_page + (total % per_page != 0 ? 1 : 0);
  if (page < 1) page = 1;
  if (page > pages) page = pages;  // an empty list shows page 0

  if (rs_->Bof() && rs_->Eof()) {
    out.Write("<tr><td align=center colspan=9 class=TableRow2>" + std::string(texts.empty_line) +
              "</td></tr>");
  } else {
    if (pages > 1) rs_->Move((page - 1) * per_page);
    // Each field is found by its name once; it reads the current row.
    const ado::Field item_id = rs_->Fields("ItemID"), site_url = rs_->Fields("SiteUrl"),
                     item_name = rs_->Fields("ItemName"), list_url = rs_->Fields("RemoteListUrl"),
                     class_id = rs_->Fields("ClassID"), special_id = rs_->Fields("SpecialID"),
                     stop_item = rs_->Fields("StopItem"), lastime = rs_->Fields("lastime");
    // The page's rows share a few classes and topics: the names of all of
    // them are read at once. An id that does not read as a number is left
    // to raise where its row shows it.
    NameRead classes{kClasses, {}, {}}, specials{kSpecials, {}, {}};
    int32_t scanned = 0;
    for (; scanned < per_page && !rs_->Eof(); ++scanned, rs_->MoveNext()) {
      vb::TryStep([&] { classes.ids.insert(vb::CLng(class_id.Value())); });
      vb::TryStep([&] { specials.ids.insert(vb::CLng(special_id.Value())); });
    }
    rs_->Move(-scanned);
    NameRead* const parts[] = {&classes, &specials};
    ReadNames(Process(), parts);
    const std::map<int32_t, std::string>& class_names = classes.found;
    const std::map<int32_t, std::string>& special_names = specials.found;
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
        const std::string id = HtmlAttribute(item_id.Value());
        r += "<tr align=center>";
        // A value of the database always has a text; only the class and
        // the topic ids can raise, before their cells are added.
        r.append(cell).append(" title='点击打开目标网站'><a href='");
        AppendHtmlAttribute(r, site_url.Value());
        r.append("' target=_blank>");
        AppendHtmlText(r, item_name.Value());
        r.append("</a></td>");
        {
          const std::string& cls = class_names.at(vb::CLng(class_id.Value()));
          r.append(cell).append(" title='点击查看目标网站列表'><a href='");
          AppendHtmlAttribute(r, list_url.Value());
          r.append("' target=_blank>").append(cls).append("</a></td>");
        }
        {
          const std::string& special = special_names.at(vb::CLng(special_id.Value()));
          r.append(cell).append(">").append(special).append("</td>");
        }
        r.append(cell).append(">");
        const bool open = vb::Equals(stop_item.Value(), vb::Variant(int32_t{0}));
        r += open ? "<font color=blue>√</font>" : "<font color=red>×</font>";
        r += "</td>";
        r.append(cell).append(">");
        r += LastRunText(lastime.Value(), now);
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

}  // namespace ostrel::gathering
