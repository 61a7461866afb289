// clsManager: the references of a module, from the host database.
#include <string>
#include <vector>

#include "maintenance/cls_manager.h"
#include "maintenance/name_matcher.h"
#include "platform/ado/connection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace ostrel::maintenance {

bool clsManager::MarkReferenced(const UploadFolder& folder, std::vector<Listed>& files) {
  const std::string ch = std::to_string(Channel_);
  const bool upload_file = vb::LCase(folder.name) == "uploadfile";
  // The first query decides: no row, nothing deleted. The others add what
  // else refers to files of this folder: the download-server file names,
  // and the pictures that article texts and software introductions show.
  std::vector<std::string> queries;
  switch (ModuleID_) {
    case 1:
      queries = {"SELECT UploadImage FROM [QX_Article] WHERE ChannelID=" + ch,
                 "SELECT content FROM [QX_Article] WHERE ChannelID=" + ch};
      break;
    case 2:
      if (upload_file) {
        queries = {"SELECT DownAddress FROM [QX_SoftList] WHERE ChannelID=" + ch,
                   "SELECT DownFileName FROM QX_DownAddress WHERE ChannelID=" + ch};
      } else {
        queries = {"SELECT SoftImage FROM [QX_SoftList] WHERE SoftImage<>'' And ChannelID=" + ch,
                   "SELECT content FROM [QX_SoftList] WHERE ChannelID=" + ch};
      }
      break;
    case 3:
      queries = {"SELECT ProductImage FROM [QX_ShopList] WHERE ProductImage<>'' And ChannelID=" +
                 ch};
      break;
    case 5:
      queries = {upload_file
                     ? "SELECT showurl FROM [QX_FlashList] WHERE showurl<>'' And ChannelID=" + ch
                     : "SELECT miniature FROM [QX_FlashList] WHERE miniature<>'' And ChannelID=" +
                           ch};
      break;
    default:
      queries = {"SELECT Picurl FROM [QX_Adlist] WHERE Picurl<>''"};
      break;
  }

  std::vector<std::string> names;
  names.reserve(files.size());
  for (const Listed& file : files) names.push_back(file.name);
  NameMatcher matcher(names);
  for (size_t q = 0; q < queries.size(); ++q) {
    // A query that fails, or a row that cannot be read, would make
    // referenced files look unreferenced: then nothing is deleted.
    ado::Recordset rs;
    try {
      const auto& connection = component::HostState().HostConnection;
      if (!connection) vb::Raise(vb::kErrObjectNotSet);
      rs = connection->Execute(queries[q]);
      if (q == 0 && rs.Eof()) return false;
      for (; !rs.Eof(); rs.MoveNext()) {
        const vb::Variant& value = rs.Fields(0).Value();
        if (value.IsNull()) continue;
        matcher.Feed(vb::CStr(value));
        matcher.Feed("|");
      }
    } catch (const vb::VbError& error) {
      Refuse("读取引用记录失败，未删除任何文件：" + error.description());
    }
  }
  for (size_t i = 0; i < files.size(); ++i) files[i].referenced = matcher.found()[i];
  return true;
}

}  // namespace ostrel::maintenance
