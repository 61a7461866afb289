// NewsCollection: the base settings page. action=config shows the one row
// of QX_NewsConfig as a form (from the settings ReadNewsConfig loaded),
// action=save checks and stores it, drops the cached settings and sends the
// browser back.
#include <string>

#include "gathering/articles/news_collection.h"
#include "gathering/articles/news_editor_markup.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::articles {
namespace {

using editor::Checked;

// The largest picture size in KB whose byte count still fits the toolbox's
// 32-bit limit; a larger one would break every later run's picture saving.
constexpr int32_t kMaxPicSizeLimit = 2097151;

// Picture types the web server would run as programs: a gathered file with
// one of these names under the site must never be allowed.
constexpr std::string_view kServerScripts[] = {"asp", "aspx", "php", "cgi", "pl", "jsp", "shtml"};

// Whether every "|"-separated type is made of letters and digits and is no
// server script.
bool SafeExtensions(const std::string& list) {
  for (const std::string& ext : vb::Split(list, "|")) {
    if (ext.empty()) return false;
    for (char c : ext) {
      const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      if (!alnum) return false;
    }
    const std::string lower = vb::LCase(ext);
    for (std::string_view script : kServerScripts) {
      if (lower == script) return false;
    }
  }
  return true;
}

}  // namespace

void NewsCollection::ShowGatherConfig() {
  asp::Response& out = host_.Response();
  const NewsSettings& s = settings_;
  out.Write("<form name=myform method=post action='?action=save'>\r\n");
  out.Write("<input type=hidden name='ChannelID' value='" + std::to_string(ChannelID_) + "'>\r\n");
  out.Write("<table border=0 align=center cellpadding=3 cellspacing=1 class=\"TableBorder\">\r\n");
  out.Write("<tr><th colspan=2>" + ModuleName_ + "采集基本设置</th></tr>\r\n");

  out.Write(
      "<tr><td class=TableRow1 width=\"30%\" align=right><b>采集功能开关：</b></td>"
      "<td class=TableRow1>");
  out.Write("<input type=radio name=stopGather value='1'");
  out.Write(Checked(s.stopGather == 1));
  out.Write("> 关闭 <input type=radio name=stopGather value='0'");
  out.Write(Checked(s.stopGather == 0));
  out.Write("> 打开 <input type=radio name=stopGather value='9'");
  out.Write(Checked(s.stopGather == 9));
  out.Write("> 采集测试 <font color=red>(供测试程序用，不写数据库)</font></td></tr>\r\n");

  out.Write("<tr><td class=TableRow2 align=right><b>重复" + ModuleName_ +
            "处理：</b></td><td class=TableRow2>");
  out.Write("<input type=radio name=RepeatDeal value='0'");
  out.Write(Checked(s.RepeatDeal == 0));
  out.Write("> 跳过 <input type=radio name=RepeatDeal value='1'");
  out.Write(Checked(s.RepeatDeal == 1));
  out.Write("> 更新 <input type=radio name=RepeatDeal value='2'");
  out.Write(Checked(s.RepeatDeal > 1));
  out.Write("> 添加</td></tr>\r\n");

  out.Write(
      "<tr><td class=TableRow1 align=right><b>允许下载的图片大小：</b></td><td class=TableRow1>"
      "<input type=text name=MaxPicSize size=12 maxlength=10 value='" +
      std::to_string(s.MaxPicSize) +
      "'> KB <font color=red>* 不限制请输入“0”</font></td></tr>\r\n");
  out.Write(
      "<tr><td class=TableRow2 align=right><b>允许下载的文件类型：</b></td><td class=TableRow2>"
      "<input type=text name=AllowPicExt size=50 maxlength=255 value='" +
      processing::HtmlAttribute(vb::Variant(s.AllowPicExt)) +
      "'> <font color=blue>* 每个文件类型请用“|”分开</font></td></tr>\r\n");
  out.Write(
      "<tr><td class=TableRow1 align=right><b>采集过程间隔时间：</b></td><td class=TableRow1>"
      "<input type=text name=setInterval size=12 maxlength=10 value='" +
      std::to_string(s.setInterval) + "'> 毫秒</td></tr>\r\n");
  out.Write("<tr><td class=TableRow2 colspan=2 align=center>");
  out.Write(editor::kBackButton);
  out.Write(" <input type=submit name=B22 value='保存设置' class=button></td></tr>\r\n");
  out.Write("</table></form> ");
}

void NewsCollection::SaveGatherConfig() {
  const asp::Request& request = host_.Request();
  processing::VBProcess& process = Process();
  // Only a field left empty is refused; blanks alone pass and store an
  // empty list, which lets no picture be saved.
  const std::string posted_ext = editor::FormText(request, "AllowPicExt");
  if (posted_ext.empty()) {
    processing::AlertBack("请输入允许下载的文件类型!");
    return;
  }
  const std::string AllowPicExt = vb::Trim(posted_ext);
  if (!SafeExtensions(AllowPicExt)) {
    processing::AlertBack(
        "允许下载的文件类型只能由字母和数字组成，并且不能是asp、aspx、php、cgi、pl、jsp、shtml!");
    return;
  }
  // Every number is read before anything changes, so a number out of range
  // is refused with nothing dropped or written.
  int32_t stopGather = 0, RepeatDeal = 0, setInterval = 0, MaxPicSize = 0;
  const bool numbers_read = vb::TryStep([&] {
    stopGather = process.ChkNumeric(editor::FormText(request, "stopGather"));
    RepeatDeal = process.ChkNumeric(editor::FormText(request, "RepeatDeal"));
    setInterval = process.ChkNumeric(editor::FormText(request, "setInterval"));
  });
  if (!numbers_read || stopGather > INT16_MAX || RepeatDeal > INT16_MAX) {
    processing::AlertBack("采集基本设置的数值超出范围!");
    return;
  }
  const bool size_read = vb::TryStep(
      [&] { MaxPicSize = process.ChkNumeric(editor::FormText(request, "MaxPicSize")); });
  if (!size_read || MaxPicSize > kMaxPicSizeLimit) {
    processing::AlertBack("允许下载的图片大小不能超过2097151KB!");
    return;
  }

  process.DelCahe(vb::Variant("NewsConfig"));
  rs_ = std::make_shared<ado::Recordset>();
  sql_ = "SELECT * FROM QX_NewsConfig WHERE id=1";
  rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
  rs_->Fields("stopGather").SetValue(vb::Variant(stopGather));
  rs_->Fields("RepeatDeal").SetValue(vb::Variant(RepeatDeal));
  rs_->Fields("setInterval").SetValue(vb::Variant(setInterval));
  rs_->Fields("MaxPicSize").SetValue(vb::Variant(MaxPicSize));
  rs_->Fields("AllowPicExt").SetValue(vb::Variant(AllowPicExt));
  rs_->Update();
  rs_->Close();
  rs_.reset();
  processing::AlertReturn("保存采集基本设置成功!");
}

}  // namespace ostrel::articles
