// GatheringObject.GetClassID and ClassUpdateCount: a gathered entry's class
// in the host's class tree (QX_Classify), found from the class names cut
// from its page, and the entry counters of that class and of every class
// above it.
#include <optional>
#include <string>
#include <vector>

#include "gathering/common/gathering_object.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/files_folders.h"
#include "processing/markup_text.h"
#include "processing/tag_filter.h"
#include "processing/value_checks.h"

namespace ostrel::gathering {
namespace {

// A class name as it goes into a statement: trimmed, without quotes (so it
// cannot end the literal it stands in) and without NUL characters.
std::string ClassNameLiteral(const std::string& name) {
  return processing::CheckStr(vb::Replace(vb::Trim(name), "'", ""));
}

// The ClassID of the first row, 0 when there is none.
int32_t FirstClassID(const std::shared_ptr<ado::Recordset>& rs) {
  if (!rs || rs->Eof()) return 0;
  return vb::CLng(rs->Fields("ClassID").Value());
}

// Parentstr and the class itself as an "in" list. The host keeps Parentstr
// as whole numbers joined by commas; anything else in it is left out, so
// the list is always a list of numbers.
std::string ClassList(const vb::Variant& parents, int32_t class_id) {
  std::string list;
  for (const std::string& part : vb::Split(processing::TextOf(parents), ",")) {
    std::string number = vb::Trim(part);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) continue;
    if (number.size() > 10) continue;
    list += number + ",";
  }
  return list + std::to_string(class_id);
}

}  // namespace

int32_t GatheringObject::GetClassID(int32_t chanid, std::string superior, std::string inferior) {
  superior = ClassNameLiteral(superior);
  inferior = ClassNameLiteral(inferior);
  processing::VBProcess& process = Process();
  int32_t channel = 0;
  vb::TryStep([&] { channel = process.ChkNumeric(std::to_string(chanid)); });
  if (channel == 0) return 0;
  const std::string in_channel = "SELECT ClassID,ClassName,child";

  int32_t result = 0;
  vb::TryStep([&] {
    if (!superior.empty()) {
      std::shared_ptr<ado::Recordset> parent = process.Execute(vb::Variant(
          in_channel + ",ClassDir FROM [QX_Classify] WHERE ChannelID=" + std::to_string(channel) +
          " And TurnLink=0 And ClassName='" + superior + "'"));
      if (!parent || parent->Eof()) return;
      // The parent's folder holds whatever the child lookup finds.
      ClassFolder_ = processing::TextOf(parent->Fields("ClassDir").Value()) + "/";
      const int32_t parent_id = vb::CLng(parent->Fields("ClassID").Value());
      if (vb::CLng(parent->Fields("child").Value()) == 0) {
        result = parent_id;
        return;
      }
      if (inferior.empty()) return;
      result = FirstClassID(process.Execute(vb::Variant(
          in_channel + " FROM [QX_Classify] WHERE ChannelID=" + std::to_string(channel) +
          " And parentid=" + std::to_string(parent_id) +
          " And child=0 And TurnLink=0 And ClassName='" + inferior + "'")));
    } else if (!inferior.empty()) {
      std::shared_ptr<ado::Recordset> leaf = process.Execute(
          vb::Variant(in_channel +
                      ",HtmlFileDir FROM [QX_Classify] WHERE ChannelID=" + std::to_string(channel) +
                      " And child=0 And TurnLink=0 And ClassName='" + inferior + "'"));
      result = FirstClassID(leaf);
      if (result != 0) {
        // The class's top folder: the first element of its path.
        const std::string path = processing::TextOf(leaf->Fields("HtmlFileDir").Value());
        ClassFolder_ = path.substr(0, path.find('/')) + "/";
      }
    }
  });
  return result;
}

vb::Variant GatheringObject::ClassUpdateCount(vb::Variant& ChannelID, vb::Variant& sortid) {
  vb::TryStep([&] {
    processing::VBProcess& process = Process();
    const std::string channel = std::to_string(vb::CLng(ChannelID));
    const int32_t class_id = vb::CLng(sortid);
    std::shared_ptr<ado::Recordset> rs = process.Execute(
        vb::Variant("SELECT ClassID,Parentstr FROM [QX_Classify] WHERE ChannelID = " + channel +
                    " And ClassID=" + std::to_string(class_id)));
    if (!rs || rs->Eof()) return;
    const std::string list =
        ClassList(rs->Fields("Parentstr").Value(), vb::CLng(rs->Fields("ClassID").Value()));
    process.Execute(vb::Variant(
        "UPDATE [QX_Classify] SET ShowCount=ShowCount+1,isUpdate=1 WHERE ChannelID = " + channel +
        " And ClassID in (" + list + ")"));
  });
  return vb::Variant();
}

std::string GatheringObject::EntryClass(bool auto_class, int32_t own, const std::string& parent,
                                        const std::string& child, const std::string& rules,
                                        std::string& parent_ruled, std::string& child_ruled,
                                        int32_t& ClassID) {
  ClassID = 0;
  if (!auto_class) {
    std::shared_ptr<ado::Recordset> rs = Process().Execute(
        vb::Variant("SELECT ClassID,rootid,depth,HtmlFileDir FROM [QX_Classify] WHERE ChannelID=" +
                    std::to_string(ChannelID_) + " And ClassID=" + std::to_string(own) +
                    " And child=0 And TurnLink=0"));
    if (!rs) vb::Raise(vb::kErrObjectNotSet);
    if (rs->Eof() || own == 0) {
      return "<li>分类ID错误！可能这个分类是外部连接。</li><li>请编辑采集项目重新选择分类。</li>";
    }
    const std::string path = processing::TextOf(rs->Fields("HtmlFileDir").Value());
    ClassFolder_ = path.substr(0, path.find('/')) + "/";
    ClassID = own;
    return "";
  }
  parent_ruled = processing::CheckNostr(parent);
  child_ruled = processing::CheckNostr(child);
  if (!rules.empty()) {
    parent_ruled = processing::ReplaceClass(parent_ruled, rules);
    child_ruled = processing::ReplaceClass(child_ruled, rules);
  }
  ClassID = GetClassID(ChannelID_, vb::Trim(parent_ruled), vb::Trim(child_ruled));
  if (ClassID != 0) return "";
  // The names came from a remote page: they reach the error table as text.
  auto text = [](const std::string& s) { return processing::HtmlText(vb::Variant(s)); };
  return "<li>自动获取分类错误！可能这个分类是外部连接。</li><li>目标类别：" + text(parent) +
         " / " + text(child) + " </li><li>当前类别：" + text(parent_ruled) + " / " +
         text(child_ruled) + " </li>";
}

std::optional<GatheringObject::NamedThumbnail> GatheringObject::NameThumbnail(
    const std::string& picture, int32_t path_form) {
  // The saved name takes its extension from a picture type, never from the
  // remote address as it stands.
  const std::string ext = vb::LCase(processing::GetFileExtName(picture));
  if (!IsPictureExtension(ext)) return std::nullopt;
  std::optional<NamedThumbnail> named;
  // A picture that cannot be named leaves the entry without one.
  vb::TryStep([&] {
    const std::string folder =
        "UploadPic/" + processing::BuildDatePath(static_cast<int16_t>(path_form));
    const std::string physical = processing::CheckMapPath(host_, ChannelPath_ + folder, true);
    processing::CreatedPathEx(host_, physical);
    const std::string file = processing::GetRndFileNameIn(physical, ext);
    named = NamedThumbnail{{physical + file, picture}, folder + file};
  });
  return named;
}

std::string GatheringObject::KeepThumbnail(const NamedThumbnail& thumbnail) {
  if (!thumbnail.file.saved) return "";
  entry_files_.push_back(thumbnail.file.local);
  return thumbnail.relative;
}

std::string GatheringObject::SaveThumbnail(const std::string& picture, int32_t path_form) {
  std::optional<NamedThumbnail> named = NameThumbnail(picture, path_form);
  if (!named) return "";
  named->file.saved = Process().SaveRemoteFile(named->file.local, picture);
  return KeepThumbnail(*named);
}

}  // namespace ostrel::gathering
