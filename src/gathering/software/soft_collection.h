// SoftCollection: the software channel's object. The channel's admin page
// creates one per request, sets its properties, calls ReadSoftConfig and
// then ShowCollection, and releases it at the end of the page. What every
// channel holds (host objects, connections, toolbox, request state) is its
// GatheringObject; here are the software properties, settings and item
// fields and the software pages. The gathering run (soft_run_*.cpp) and the
// item editor (soft_editor_*.cpp) are members of this class in files of
// their own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gathering/common/gathering_object.h"
#include "gathering/common/page_markup.h"
#include "gathering/software/soft_entry.h"
#include "gathering/software/soft_fields.h"
#include "platform/vb/variant.h"

namespace ostrel::transfer {
class Downloader;
class RedoZipFile;
}  // namespace ostrel::transfer

namespace ostrel::software {

namespace markup = gathering::markup;

class SoftCollection : public gathering::GatheringObject {
 public:
  SoftCollection();

  const com::TypeInfo& Type() const override;

  // Size in KB of the current entry's file (public variable).
  int32_t SoftSize = 0;

  // Set-only properties of the page (the common ones are GatheringObject's).
  void SetSendCookie(std::string s) { SendCookie_ = std::move(s); }
  void SetMaxCount(int16_t n) { MaxCount_ = n; }
  // A folder written with "/" is kept with "\" and one trailing "\"; an
  // empty value stays empty.
  void SetUnzipPath(std::string s);
  void SetClearedStr(std::string s) { ClearedStr_ = std::move(s); }
  void SetClearAddr(bool on) { ClearAddr_ = on; }
  void SetReplaceType(std::string s) { ReplaceType_ = std::move(s); }
  void SetClassNameType(bool on) { ClassNameType_ = on; }
  void SetAutoSize(bool on) { AutoSize_ = on; }
  void SetUseItemPath(bool on) { UseItemPath_ = on; }
  void SetLockedRAR(bool on) { LockedRAR_ = on; }
  void SetUnzipPass(std::string s) { UnzipPass_ = std::move(s); }
  void SetSynchro(bool on) { Synchro_ = on; }
  void SetDownName(std::string s) { DownName_ = std::move(s); }
  // The text as a Boolean (True/False or a number); anything else raises 13
  // and keeps the old value.
  void SetZipSwitch(std::string s);
  void SetLeastSize(int32_t n) { LeastSize_ = n; }

  // Settings and items (soft_settings.cpp).
  void ReloadSoftItem(vb::Variant& ItemID);
  void ReloadSoftConfig();
  void ReadSoftConfig();
  void ReadSoftItem(vb::Variant& ItemID);

  // The admin page's one entry (soft_dispatch.cpp).
  void ShowCollection();

  // Lookups (soft_lookups.cpp): the channel's top-level download servers as
  // a select list written into the page, and the link of a stored entry to
  // its download server.
  vb::Variant SelDownServer(int32_t intdownid);
  vb::Variant AddDownServer(int32_t ChannelID, int32_t downid, int32_t softid,
                            std::string softname);

  // The run's public members (soft_run_download.cpp, soft_run_extract.cpp).
  // GetTempDirectory names the next rotating working folder of a re-pack.
  // FileDownload copies url to the file fromPath with the progress output
  // of mode blnPross; the full physical path of the file, or "".
  // ReplaceSoftType applies "$$$"-joined "from|to" rules to a type name.
  std::string GetTempDirectory();
  std::string FileDownload(std::string url, std::string fromPath,
                           std::optional<int16_t> blnPross = std::nullopt,
                           std::optional<int32_t> mvarLeast = std::nullopt,
                           std::optional<std::string> strHost = std::nullopt);
  std::string ReplaceSoftType(std::string strType, std::string ReplaceList);

  // What this request has read so far.
  const SoftSettings& settings() const { return settings_; }
  const SoftItemFields& item() const { return item_; }
  bool zip_switch() const { return ZipSwitch_; }
  const std::string& unzip_path() const { return UnzipPath_; }

 private:
  // The item editor (soft_editor_*.cpp) and the clone.
  void EditItemStep1() override;  // reads edit_mode_
  void EditItemStep2() override;
  void EditItemStep3() override;
  void EditItemStep4() override;
  // The trial run of step 4: one entry read as a run reads it and shown,
  // nothing stored; false after the alert that stopped it.
  bool RunTrial(const std::string& demo_url);
  void CloneItem() override;

  // The settings page (soft_config_page.cpp).
  std::vector<gathering::SettingsSection> SettingsSections();
  void ShowGatherConfig() override;
  void SaveGatherConfig() override;

  // ---- The gathering run (soft_run_*.cpp) ----
  struct GatheredSoft;  // one entry on its way to QX_SoftList (soft_run_types.h)
  void BeginGather() override;
  void GatherNextLink() override;
  void SaveSoftData(vb::Variant& url);
  // The first half of SaveSoftData: fetch, cut, class, thumbnail, download
  // addresses, cleaning and the flushed panel; false when the entry was
  // turned down (its error table, if any, is written).
  bool ExtractSoft(const std::string& url, GatheredSoft& soft);
  // Entry extraction (soft_run_extract.cpp), shared by the run (ExtractSoft)
  // and the editor's trial run. ExtractSoftEntry fetches the detail page at
  // url in the item's charset (item_ holds the item) and cuts and cleans
  // every field into entry. It returns "" for a complete entry, or the
  // message that stops it (a run shows it in an error table, the trial as
  // an alert). A run also resolves the class (ResolveEntryClass, which may
  // set the class folder) and saves the thumbnail under the channel folder;
  // what the run does next with the links (MaxAddress, download servers)
  // is its own. A VbError reaches the caller.
  std::string ExtractSoftEntry(const std::string& url, EntryReading reading, SoftEntry& entry);
  std::string ResolveEntryClass(SoftEntry& entry);
  void WriteProgressPanel(GatheredSoft& soft);
  // The second half: duplicates, download, addresses, pictures, the row,
  // the download-server link, counters, status. True when the entry was
  // stored (or counted in test mode): its files stay.
  bool StoreSoft(GatheredSoft& soft);
  // The absolute download links of a separate download page, "|||"-joined;
  // "" whenever its area or its links are not found.
  std::string GetDownPageLinks(std::string url, std::string areaBegin, std::string areaEnd,
                               std::string linkBegin, std::string linkEnd, std::string charset);
  // Downloads (soft_run_download.cpp).
  std::string GetRealDownAddress(const std::string& address);
  std::string DownloadSoftFile(const std::string& address, const std::string& folder);
  std::string RepackSoftFile(const std::string& file, const std::string& folder);

  std::shared_ptr<transfer::RedoZipFile> repacker_;

  // Page properties.
  std::string SendCookie_;
  int16_t MaxCount_ = 20;
  std::string UnzipPath_ = "UpzipFile/";
  std::string ClearedStr_;
  bool ClearAddr_ = false;
  std::string ReplaceType_;
  bool ClassNameType_ = false;
  bool AutoSize_ = true;
  bool UseItemPath_ = false;
  bool LockedRAR_ = true;
  std::string UnzipPass_;
  bool Synchro_ = true;
  std::string DownName_ = "点击此处下载";
  bool ZipSwitch_ = false;
  int32_t LeastSize_ = 100;

  vb::Variant settings_rows_;  // cached QX_SoftConfig row [column][0]
  vb::Variant item_rows_;      // cached QX_SoftItem row [column][0]
  SoftSettings settings_;
  SoftItemFields item_;
};

}  // namespace ostrel::software
