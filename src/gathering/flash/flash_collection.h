// FlashCollection: the Flash channel's object. The channel's admin page
// creates one per request, sets its properties, calls ReadFlashConfig and
// then ShowCollection, and releases it at the end of the page. What every
// channel holds (host objects, connections, toolbox, request state, the
// download progress colours) is its GatheringObject; here are the Flash
// settings and item fields, the Flash pages and the player markup. The
// gathering run and the item editor are members of this class in files of
// their own (flash_run_*.cpp, flash_editor_*.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gathering/common/gathering_object.h"
#include "gathering/common/page_markup.h"
#include "gathering/flash/flash_entry.h"
#include "gathering/flash/flash_fields.h"
#include "platform/vb/variant.h"

namespace ostrel::flash {

namespace markup = gathering::markup;

class FlashCollection : public gathering::GatheringObject {
 public:
  FlashCollection();

  const com::TypeInfo& Type() const override;

  // Items per list page: a Long kept as a 16-bit number; a value beyond
  // -32768 to 32767 raises overflow (6) and keeps the old value.
  void SetPageListNumLong(int32_t n);

  // Settings and items (flash_settings.cpp).
  void ReloadFlashItem(vb::Variant& ItemID);
  void ReloadFlashConfig();
  void ReadFlashConfig();
  void ReadFlashItem(vb::Variant& ItemID);

  // The admin page's one entry (flash_dispatch.cpp).
  void ShowCollection();

  // The radio group of the six show modes, the one of modeid marked
  // (flash_config_page.cpp).
  std::string ShowFlashMode(int16_t modeid);

  // Writes the player markup of one file in its show mode (player_markup.h);
  // the run and the editor's trial show their entries with it. Not part of
  // the dispatch interface.
  void ShowPlayerHtml(const vb::Variant& url, const vb::Variant& mode);

  // The class counters of GatheringObject, with the channel's String
  // result: always "" (flash_run_store.cpp).
  std::string ClassUpdateCount(vb::Variant& ChannelID, vb::Variant& sortid);

  // Every web address in a text made a link that opens a new window: full
  // addresses of the web, file and stream schemes, and bare "www."/"cn."
  // domains after a blank (flash_run_extract.cpp).
  std::string ReadComeFrom(std::string strContent);

  // What this request has read so far.
  const FlashSettings& settings() const { return settings_; }
  const FlashItemFields& item() const { return item_; }
  int16_t page_list_num() const { return PageListNum_; }

 private:
  // The settings page (flash_config_page.cpp).
  std::vector<gathering::SettingsSection> SettingsSections();
  void ShowGatherConfig() override;
  void SaveGatherConfig() override;

  // ---- The gathering run (flash_run_*.cpp) ----
  struct GatheredFlash;  // one entry on its way to QX_FlashList (flash_run_types.h)
  void BeginGather() override;
  void GatherNextLink() override;
  void SaveFlashData(vb::Variant& line);
  // The first half of SaveFlashData: the entry read (ExtractFlashEntry) and
  // the flushed panel; false when the entry was turned down (its error
  // table, if any, is written).
  bool ExtractFlash(const std::string& line, GatheredFlash& flash);
  void WriteProgressPanel(const GatheredFlash& flash);
  // The second half: duplicates, download, thumbnail, the row, counters and
  // status (flash_run_store.cpp). True when the entry's files stay.
  bool StoreFlash(GatheredFlash& flash);
  // Copies the entry's file into folder (physical); its bare saved name, or
  // "" with DownSucceed_ false (flash_run_download.cpp).
  std::string DownloadFlashFile(const std::string& address, const std::string& folder);

  // The entry reading the run and the editor's trial share
  // (flash_run_extract.cpp). ExtractFlashEntry fetches the entry page at
  // link and cuts and cleans its fields with the item's codes (item_);
  // listThumb is the thumbnail the list gave ("" for none). It returns ""
  // or the message of the step that failed; a run also resolves the class
  // (ResolveFlashClass). It leaves the fixed download path in fixed_path_,
  // which GetDownPageLink reads: the absolute download link of a separate
  // download page, "" when a step finds nothing.
  std::string ExtractFlashEntry(const std::string& link, const std::string& listThumb,
                                EntryReading reading, FlashEntry& entry);
  std::string ResolveFlashClass(FlashEntry& entry);
  std::string GetDownPageLink(const std::string& address, const std::string& listBegin,
                              const std::string& listEnd, const std::string& linkBegin,
                              const std::string& linkEnd, const std::string& charset);

  // The item editor (flash_editor_*.cpp): the navigation row, the four
  // steps, the trial run on the item read by step 4 (false after an alert)
  // and the clone.
  void EditItemStep1() override;
  void EditItemStep2() override;
  void EditItemStep3() override;
  void EditItemStep4() override;
  bool RunTrial(const std::string& demo_url);
  void CloneItem() override;

  bool panel_written_ = false;  // the entry's panel is in the page
  std::string fixed_path_;      // put before a cut download link ("" for none)
  int64_t entry_size_ = 0;      // KB, stored in filesize

  vb::Variant settings_rows_;  // cached QX_FlashConfig row [column][0]
  vb::Variant item_rows_;      // cached QX_FlashItem row [column][0]
  FlashSettings settings_;
  FlashItemFields item_;
};

}  // namespace ostrel::flash
