// SoftCollection: the item editor's first page, the item's base settings
// (name, site, class, switches, download server and addresses, folders,
// tag filters, list address and paging, archive clean-up, the two rule
// lists), and the navigation row every step shows for an existing item.
// It posts action=step2; it writes nothing.
#include <string>

#include "gathering/common/page_markup.h"
#include "gathering/software/soft_collection.h"
#include "platform/asp/server.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::software {
using markup::TextInput;

void SoftCollection::EditItemStep1() {
  asp::Response& out = host_.Response();
  processing::VBProcess& process = Process();
  const std::string channel = std::to_string(ChannelID_);
  std::string title;
  std::shared_ptr<ado::Recordset> item;
  if (!OpenStepOneItem("QX_SoftItem", item, title)) return;
  item_.downid = 0;
  if (item) vb::TryStep([&] { item_.downid = vb::CLng(item->Fields("downid").Value()); });
  const markup::ItemRow row(item.get());

  out.Write("<script language=\"javascript\" src=\"include/Ostrel.js\"></script>\r\n");
  out.Write(markup::StepFormHead(ScriptFileName_, "step2", ChannelID_, ItemID_, title,
                                 "return CheckForm();", look_));
  if (ItemID_ > 0) ShowItemMenu(ItemID_);
  // The form's rows after the download switch: the download server and the
  // number of download addresses; with archive support, the archive
  // clean-up fields before the text rules. The row classes are the
  // channel's own, in page order.
  const markup::StepOneForm* form = nullptr;
  auto servers = [&](int& n) {
    // The server list is written by its own member, straight into the page:
    // the row is written around a mark that stands for it.
    constexpr std::string_view kMark = "\x01";
    const std::string server_row =
        markup::StepOneRow(*form, "选择下载服务器：",
                           std::string(kMark) +
                               "    <font color='blue'>* 如果软件下载到本地，建议选择或<a "
                               "href='admin_Servered.asp?action=add&ChannelID=" +
                               channel + "'><font color='red'>添加下载服务器</font></a></font>",
                           n++);
    const size_t mark = server_row.find(kMark);
    out.Write(server_row.substr(0, mark));
    SelDownServer(item_.downid);
    out.Write(server_row.substr(mark + kMark.size()));
    out.Write(markup::StepOneRow(
        *form, "获取最多下载地址数：",
        "<input type=\"text\" name=\"MaxAddress\" id=\"MaxAddress\" size=\"10\" maxlength=\"5\"" +
            markup::ValueAttribute(row.edit() ? row["MaxAddress"] : vb::Variant("1")) +
            ">&nbsp;&nbsp;<font color='blue'>* "
            "如果文件下载到本地，这里是下载地址序号，0-9。</font>",
        n++));
  };
  auto archive_fields = [&](int& n) {
    if (!ZipSwitch_) return;
    // One file name per line in the box; "|" between them in the column.
    std::string files;
    if (row.edit() && !row["RemoveFile"].IsNull()) {
      files = vb::Replace(vb::Trim(vb::CStr(row["RemoveFile"])), "|", "\r\n");
    }
    out.Write(markup::StepOneRow(*form, "说明文件名称：",
                                 "<textarea name=\"RemoveFile\" id=\"RemoveFile\" cols=\"50\" "
                                 "rows=\"5\" wrap=\"VIRTUAL\">\r\n" +
                                     asp::Server::HTMLEncode(files) +
                                     "</textarea> <font color=red>* "
                                     "移除压缩内的垃圾文件，多个文件请用回车（Enter ←）分开</font>",
                                 n++));
    out.Write(markup::StepOneRow(
        *form, "过滤文件名中的字符：",
        TextInput("strLeachName", 50, row["strLeachName"], row.edit(), true), n++));
  };
  const markup::StepOneForm rows{
      .look = look_,
      .rows = ZipSwitch_ ? "12121212122121212121212121" : "121212121221212121212121",
      .is_down_label = "是否下载软件到本地：",
      .save_path_label = "保存软件的路径：",
      .save_path_size = 45,
      .save_path_default = "/soft/UploadFile/",
      .save_path_note = "      <font color=\"blue\">* 可以使用相对路径或者绝对路径</font>",
      .tag_filters = 15,
      .tag_break = 7,
      .after_is_down = servers,
      .before_text_rules = archive_fields};
  form = &rows;
  markup::WriteStepOneRows(out, process, ChannelID_, row, rows);
  if (item) {
    item->Close();
    rs_.reset();
  }
}

}  // namespace ostrel::software
