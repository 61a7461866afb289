// SoftCollection.SaveSoftData, second half: the gathered entry skipped,
// updated or added when its name is already in the channel, its file
// downloaded (and re-packed) when the item asks, its download addresses
// put in their stored form, its introduction's pictures saved, its row
// written to QX_SoftList and linked to its download server, the counters
// raised once the row is there, and the panel's status lines set. An entry
// that fails leaves none of the files it wrote.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "gathering/software/soft_collection.h"
#include "gathering/software/soft_run_types.h"
#include "platform/ado/connection.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/remote_saving.h"
#include "processing/url_fixing.h"
#include "processing/value_checks.h"

namespace ostrel::software {

void SoftCollection::SaveSoftData(vb::Variant& url) {
  entry_files_.clear();
  bool kept = false;
  // An error ends the entry silently; the run goes on with the next line.
  vb::TryStep([&] {
    GatheredSoft soft;
    if (ExtractSoft(vb::CStr(url), soft)) kept = StoreSoft(soft);
  });
  if (!kept) RemoveEntryFiles();
}

bool SoftCollection::StoreSoft(GatheredSoft& soft) {
  processing::VBProcess& process = Process();
  asp::Response& out = host_.Response();
  const bool downloading = settings_.UseDownload >= 1 && item_.IsDown >= 1;
  const bool server = item_.downid != 0;
  const bool test_mode = settings_.UseDownload == 9;
  const std::string plain_caption = vb::Replace(DownName_, "*", "");

  std::string sub;
  if (item_.PathForm == 9) {
    sub = ClassFolder_;
  } else if (item_.PathForm == 8) {
    sub = ClassFolder_ + process.BuildDatePath(8);
  } else {
    sub = process.BuildDatePath(item_.PathForm);
  }
  const std::string folder = (server ? item_.SaveFilePath : ChannelPath_ + "UploadFile/") + sub;
  const std::string physical = process.CheckMapPath(folder, true);

  // The file, the stored form of the addresses and the introduction's
  // pictures, before the row.
  auto prepare = [&] {
    if (downloading) {
      process.CreatedPathEx(physical);
      const std::string saved = DownloadSoftFile(soft.firstAddress, physical);
      if (!DownSucceed_) return false;
      // A file that is not in place is no download: nothing is stored
      // without its address.
      if (saved.empty()) {
        gathering::WriteStatusScript(out, "软件采集失败", "软件下载失败");
        return false;
      }
      if (server) {
        soft.serverFile = sub + saved;
      } else {
        soft.addressText = plain_caption + "|||" + folder + saved;
        soft.serverFile = "";
      }
    } else if (settings_.TrueAddress == 1) {
      soft.serverFile = "";
      soft.addressText = "|||";
      if (server) {
        if (!ClearAddr_ || ClearedStr_.empty()) {
          soft.serverFile = vb::Mid(soft.realAddress, vb::InStrRev(soft.realAddress, "/") + 1);
        } else if (vb::InStr(ClearedStr_, "|") == 0) {
          soft.serverFile =
              vb::Replace(soft.realAddress, ClearedStr_, "", 1, -1, vb::CompareMode::Text);
        } else {
          soft.serverFile = soft.realAddress;
          for (const std::string& piece : vb::Split(ClearedStr_, "|")) {
            if (piece.empty()) continue;
            soft.serverFile = vb::Replace(soft.serverFile, piece, "", 1, -1, vb::CompareMode::Text);
          }
        }
      } else {
        soft.addressText = plain_caption + "|||" + soft.realAddress;
      }
    }

    // The thumbnail and the introduction's pictures are fetched together.
    std::vector<processing::RemotePicture> thumbnail;
    if (soft.namedThumbnail) thumbnail.push_back(soft.namedThumbnail->file);
    soft.content = process.FormatContentUrl(soft.content, entry_url_);
    if (process.PictureEx()) {
      const std::string pictures =
          ChannelPath_ + "UploadPic/" + process.BuildDatePath(item_.PathForm);
      process.CreatedPathEx(process.CheckMapPath(pictures, true));
      soft.content = processing::RemoteToLocal(process, soft.content, pictures, thumbnail);
      for (const std::string& file : vb::Split(process.AllFileName(), "|")) {
        if (!file.empty()) entry_files_.push_back(process.CheckMapPath(file, false));
      }
    } else {
      processing::SaveRemoteFiles(process, thumbnail);
    }
    if (soft.namedThumbnail) {
      soft.namedThumbnail->file.saved = thumbnail[0].saved;
      soft.thumbnail = KeepThumbnail(*soft.namedThumbnail);
    }
    return true;
  };

  // The name is looked up as it is stored: its first 220 characters, in
  // this channel only.
  const std::string stored_name = vb::Left(soft.name, 220);
  const std::string channel = std::to_string(ChannelID_);
  int32_t softid = 0;
  const gathering::EntryStore entry{
      .lookup = "SELECT * FROM QX_SoftList WHERE ChannelID=" + channel + " And softname='" +
                process.CheckStr(stored_name) + "'",
      .RepeatDeal = settings_.RepeatDeal,
      .test_mode = test_mode,
      .ClassID = soft.ClassID,
      .texts = {"软件采集成功", "软件采集成功", "软件采集失败", "目标软件已存在，不予采集"},
      .prepare = prepare,
      .row =
          [&] {
            return std::vector<std::pair<const char*, vb::Variant>>{
                {"ChannelID", vb::Variant(ChannelID_)},
                {"SpecialID", vb::Variant(item_.SpecialID)},
                {"ClassID", vb::Variant(soft.ClassID)},
                {"SoftName", vb::Variant(stored_name)},
                {"SoftVer", vb::Variant(soft.version)},
                {"ColorMode", vb::Variant(int32_t{0})},
                {"FontMode", vb::Variant(int32_t{0})},
                {"content", vb::Variant(soft.content)},
                {"Related", vb::Variant("")},
                {"Languages", vb::Variant(vb::Left(soft.language, 50))},
                {"SoftType", vb::Variant(vb::Left(soft.type, 50))},
                {"RunSystem", vb::Variant(vb::Left(soft.runSystem, 50))},
                {"impower", vb::Variant(vb::Left(soft.impower, 30))},
                {"SoftSize", vb::Variant(SoftSize)},
                {"star", vb::Variant(int32_t{item_.star})},
                {"Homepage", vb::Variant(soft.homepage)},
                {"Contact", vb::Variant(soft.contact)},
                {"Author", vb::Variant("")},
                {"Regsite", vb::Variant("")},
                {"showreg", vb::Variant(int32_t{0})},
                {"username", vb::Variant(vb::Trim(AdminName_))},
                {"PointNum", vb::Variant(int32_t{0})},
                {"SoftPrice", vb::Variant(int32_t{0})},
                {"SoftTime", vb::Variant(vb::CDate(vb::Variant(soft.updateTime)))},
                {"isTop", vb::Variant(int32_t{0})},
                {"AllHits", vb::Variant(soft.AllHits)},
                {"DayHits", vb::Variant(int32_t{0})},
                {"WeekHits", vb::Variant(int32_t{0})},
                {"MonthHits", vb::Variant(int32_t{0})},
                {"HitsTime", vb::Variant(vb::Now())},
                {"HtmlFileDate", vb::Variant(vb::Trim(process.HtmlRndFileName()))},
                {"SoftImage", vb::Variant(soft.thumbnail)},
                {"Decode", vb::Variant("")},
                {"isBest", vb::Variant(int32_t{0})},
                {"UserGroup", vb::Variant(int32_t{0})},
                {"ErrCode", vb::Variant(int32_t{0})},
                {"DownAddress", vb::Variant(process.CheckNostr(soft.addressText))},
                {"isUpdate", vb::Variant(int32_t{1})},
                {"isAccept", vb::Variant(int32_t{1})},
                {"ForbidEssay", vb::Variant(int32_t{0})},
                {"AlphaIndex", vb::Variant(process.ReadAlpha(stored_name))},
            };
          },
      .key = [&](ado::Recordset& rs) { softid = vb::CLng(rs.Fields("softid").Value()); },
      // The entry's link to its download server, a skipped one's too.
      .linked =
          [&](bool updating) {
            const std::string server_file = vb::Trim(soft.serverFile);
            if (vb::Len(server_file) <= 3 || item_.downid < 1 || test_mode) return;
            if (!updating) {
              AddDownServer(ChannelID_, item_.downid, softid, server_file);
              return;
            }
            ado::Recordset link;
            link.Open("SELECT * FROM QX_DownAddress WHERE ChannelID=" + channel +
                          " And softid=" + std::to_string(softid),
                      *component::HostState().HostConnection, ado::adOpenKeyset,
                      ado::adLockOptimistic);
            if (link.Eof()) {
              link.AddNew();
              link.Fields("ChannelID").SetValue(vb::Variant(ChannelID_));
              link.Fields("softid").SetValue(vb::Variant(softid));
            }
            link.Fields("downid").SetValue(vb::Variant(item_.downid));
            link.Fields("DownFileName").SetValue(vb::Variant(server_file));
            link.Update();
            link.Close();
          },
  };
  return StoreEntry(entry) == StoreOutcome::kStored;
}

}  // namespace ostrel::software
