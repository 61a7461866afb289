// FlashCollection: the item editor's first page, the item's base settings
// (name, site, class, special, switches, show mode, folders, hits, stars,
// tag filters, list address and paging, the two rule lists), and the
// navigation row every step shows for an existing item. It posts
// action=step2; it writes nothing.
#include <string>

#include "gathering/common/page_markup.h"
#include "gathering/flash/flash_collection.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::flash {

void FlashCollection::EditItemStep1() {
  asp::Response& out = host_.Response();
  std::string title;
  std::shared_ptr<ado::Recordset> item;
  if (!OpenStepOneItem("QX_FlashItem", item, title)) return;
  int16_t mode = 1;
  if (item) vb::TryStep([&] { mode = vb::CInt(item->Fields("showmode").Value()); });
  const markup::ItemRow row(item.get());

  out.Write("<script language=\"javascript\" src=\"include/Ostrel.js\"></script>\r\n");
  out.Write(markup::StepFormHead(ScriptFileName_, "step2", ChannelID_, ItemID_, title,
                                 "return CheckForm();", look_));
  if (ItemID_ > 0) ShowItemMenu(ItemID_);
  // Flash items filter eleven kinds of tags (SCRIPT to HTML), the line
  // breaking after DIV. The row classes are the channel's own, in page
  // order; the list address's two cells differ.
  const markup::StepOneForm* form = nullptr;
  const markup::StepOneForm rows{
      .look = look_,
      .rows = "12121212221212121312121",
      .is_down_label = "是否下载文件到本地：",
      .save_path_label = "保存文件的目录：",
      .save_path_size = 30,
      .save_path_default = "UploadFile/",
      .save_path_note = "      <font color=\"blue\">* 相对于频道目录下面，目录后面请加上“/”</font>",
      .tag_filters = 11,
      .tag_break = 5,
      .after_is_down =
          [&](int& n) {
            out.Write(markup::StepOneRow(
                *form, "采集的文件类型：",
                ShowFlashMode(mode) + "    <font color='blue'>* 用于页面直接播放的类型</font>",
                n++));
          },
      .before_text_rules = nullptr};
  form = &rows;
  markup::WriteStepOneRows(out, Process(), ChannelID_, row, rows);
  if (item) {
    item->Close();
    rs_.reset();
  }
}

}  // namespace ostrel::flash
