// NewsCollection.GatherNextLink: one savenew step of an article gathering
// run. It gathers the link on line `page` of the run's link-list file,
// shows the run's progress and loads the next step after the settings'
// interval; the step past the last line deletes the file and leads to the
// run's summary (action=yes).
#include <string>
#include <vector>

#include "gathering/articles/news_collection.h"
#include "platform/ado/stream.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::articles {
namespace {

// The link-list file's text; "" when it is missing or unreadable, which the
// step reports like an empty list.
std::string ReadLinkList(const std::string& path) {
  std::string text;
  vb::TryStep([&] {
    ado::Stream stream;
    stream.SetType(ado::adTypeBinary);
    stream.SetMode(3);
    stream.Open();
    stream.SetPosition(0);
    stream.LoadFromFile(path);
    stream.SetPosition(0);
    stream.SetType(ado::adTypeText);
    stream.SetCharset("GB2312");
    text = stream.ReadText();
    stream.Close();
  });
  return text;
}

}  // namespace

void NewsCollection::GatherNextLink() {
  processing::VBProcess& process = Process();
  asp::Request& request = host_.Request();
  asp::Response& out = host_.Response();

  ItemID_ = process.ChkNumeric(vb::CStr(request.Item("ItemID")));
  const std::string path = host_.Server().MapPath("tmpNewslist" + std::to_string(ItemID_) + ".dat");
  const std::string text = ReadLinkList(path);
  if (vb::Len(text) < 10) {
    processing::ShowErrorTable("获取软件列表错误！");
    return;
  }
  std::vector<std::string> lines = vb::Split(text, "\r\n");
  const int32_t count = static_cast<int32_t>(lines.size());

  // The run's start time D travels unchanged from step to step; a page or
  // D that is no number ends the step here.
  int32_t page = 0;
  vb::Currency start;
  const vb::Variant page_value = request.Item("page");
  if (!vb::Trim(vb::CStr(page_value)).empty()) {
    page = vb::CLng(page_value);
    start = vb::CCur(request.Item("d"));
  } else {
    start = vb::CCur(vb::Variant(vb::Timer()));
  }
  const std::string D = vb::CStr(vb::Variant(start));
  const std::string channel = std::to_string(ChannelID_);

  const double share = static_cast<double>(page) / count;
  const std::string bar = vb::CStr(vb::Variant(share * 400));
  const std::string percent = vb::FormatNumber(vb::Variant(share * 100), 2, true);
  const std::string succeeded = processing::HtmlText(host_.Session().Item("SucceedCount"));
  for (const std::string& line : {
           std::string("<br><br>"),
           std::string("<table width='400' border='0' align='center' cellpadding='0' "
                       "cellspacing='0'>"),
           std::string("  <tr>"),
           "    <td height='50'>总共需要采集 <font color='blue'><b>" + std::to_string(count) +
               "</b></font> 个页面，正在采集第 <font color='red'><b>" + std::to_string(page) +
               "</b></font>  个页面…… 成功采集：<font color='blue'><b>" + succeeded +
               "</b></font></td>",
           std::string("  </tr>"),
           std::string("  <tr>"),
           std::string("    <td><table width='100%' border='0' cellpadding='1' cellspacing='1'>"),
           std::string("      <tr>"),
           "        <td style='border:1px solid #384780;background-color:#FFFFFF'><table width='" +
               bar +
               "' height='12' border='0' cellpadding='0' cellspacing='0' bgcolor='#36D91A'>"
               "<tr><td></td></tr></table></td>",
           std::string("      </tr>"),
           std::string("    </table></td>"),
           std::string("  </tr>"),
           std::string("  <tr>"),
           "    <td align='center'>" + percent + " %</td>",
           std::string("  </tr>"),
           std::string("</table>"),
           std::string("<table width='400' border='0' align='center' cellpadding='0' "
                       "cellspacing='0'>"),
           std::string("  <tr>"),
           "    <td height='30' align='center'><input type='button' name='stop' "
           "value=' 立即停止采集 ' class='button' onclick=\"window.location.href='" +
               ScriptFileName_ + "?action=yes&ChannelID=" + channel + "&D=" + D +
               "&page=" + std::to_string(page) + "'\"></td>",
           std::string("  </tr>"),
           std::string("</table>"),
       }) {
    out.Write(line + "\r\n");
  }
  out.Flush();

  if (page < 0) vb::Raise(vb::kErrSubscript);
  if (page < count) {
    vb::Variant url(lines[static_cast<size_t>(page)]);
    SaveNewsData(url);
    out.Write("<script language='JavaScript'>\r\n");
    out.Write("function buildRefresh(){window.location.href='" + ScriptFileName_ +
              "?action=savenew&ChannelID=" + channel + "&page=" + std::to_string(page + 1) +
              "&ItemID=" + std::to_string(ItemID_) + "&D=" + D + "';}\r\n");
    out.Write("setTimeout('buildRefresh()'," + std::to_string(settings_.setInterval) + ");\r\n");
    out.Write("</script>\r\n");
    out.Flush();
    return;
  }

  process.DeleteFiles(path, true);
  out.Write("<meta http-equiv=\"refresh\" content=\"1;url='" + ScriptFileName_ +
            "?action=yes&ChannelID=" + channel + "&page=" + std::to_string(int64_t{page} + 1) +
            "&D=" + D + "'\">");
  out.Flush();
}

}  // namespace ostrel::articles
