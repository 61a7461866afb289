// GatheringObject: what the article, software and Flash gathering objects
// share behind their own dispatch interfaces. One object serves one admin
// page request: it holds the request's host objects, its own connection to
// the gathering database, one toolbox (VBProcess), the page's settings and
// the request state that the dispatcher reads. The members here are the
// mechanism; each channel hands in its tables, cache names, defaults and
// texts as data, and keeps its own public interface (Type()).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "component/host_access.h"
#include "gathering/common/page_markup.h"
#include "gathering/common/run_steps.h"
#include "gathering/common/settings_rows.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/variant.h"
#include "processing/markup_text.h"
#include "processing/remote_saving.h"
#include "processing/vb_process.h"

namespace ostrel::transfer {
class Downloader;
}  // namespace ostrel::transfer

namespace ostrel::gathering {

// A channel's defaults: the admin page's script, the channel number of a
// new object, its folder and its word, and the channel number that a
// missing or unusable ChannelID of the request falls back to (0: the new
// object's).
struct ChannelDefaults {
  std::string_view ScriptFileName;
  int32_t ChannelID;
  std::string_view ChannelPath;
  std::string_view ModuleName;
  int32_t RequestChannelID = 0;
  // The layout of the channel's editor pages.
  const markup::EditorLook* look = &markup::kArticleLook;
};

// One savenew step as a channel runs it: the word of its link-list file,
// the error shown for a missing list, its progress-table markup, the
// interval before the next step, the entry routine that gathers a line,
// and the channel's error rule: a failing statement ends the step, or with
// pass_failures is passed over (a page that is no number counts as 0, a
// line that is not there is not gathered, and the run leads on).
struct RunLine {
  std::string_view word;
  std::string_view list_error;
  const ProgressTableMarkup& markup;
  int32_t interval;
  std::function<void(vb::Variant&)> gather;
  bool pass_failures = false;
};

// The item list's data: the item table and the line shown when the channel
// has no item.
struct ItemListTexts {
  std::string_view table;
  std::string_view empty_line;
};

// What a clone copies: the item table, and its columns in the order they
// are set, before and after the last-run time that the clone stamps.
struct CloneColumns {
  std::string_view table;
  std::span<const std::string_view> before_stamp;
  std::span<const std::string_view> after_stamp;
};

// One column that an editor's first step saves: text trimmed, text trimmed
// with its backslashes made slashes, a whole number of 32 or 16 bits, the
// object's channel, or the tag-filter flags.
struct StepOneColumn {
  enum Kind { kText, kPath, kLong, kSmall, kChannel, kRemoveCode };
  std::string_view column;
  Kind kind;
};

// A channel's first-step save: its item table and cached row, the columns
// in the order they are written, the form's tag filters, the shortest
// charset it takes, the "0" codes a new row starts with, and the channel's
// own columns (extra, written last; may be empty).
struct StepOneSave {
  std::string_view table;
  std::string_view cache_prefix;
  std::span<const StepOneColumn> columns;
  int tag_filters;
  int32_t least_encoding;
  size_t list_parts;
  size_t info_parts;
  std::function<void(ado::Recordset&)> extra;
};

// A channel's third editor step: its item table and cached row, the list
// codes step 2 posts and their padding, the "0" parts added to the stored
// detail codes before they are shown ("" for none), the code form for the
// item's download-page switch and ModuleName, and the note row under it.
struct InfoCodeStep {
  std::string_view table;
  std::string_view cache_prefix;
  int list_codes;
  std::string_view list_padding;
  std::string_view info_padding;
  std::function<markup::InfoCodeForm(const std::string& ModuleName, int32_t downpage)> form;
  std::string note_row;
};

// A channel's last editor step: its item table and cached row, the detail
// codes step 3 posts and their padding, the item's columns its trial run
// reads (read hands the row to the channel) and the trial run itself
// (false after its alert).
struct FinishStep {
  std::string_view table;
  std::string_view cache_prefix;
  int info_codes;
  std::string_view info_padding;
  std::string_view trial_columns;
  std::function<void(ado::Recordset&)> read;
  std::function<bool(const std::string& demo_url)> trial;
};

// The columns of an item that every trial run reads, into the item fields
// of the same names (a channel's item type).
inline constexpr std::string_view kTrialColumns =
    "AutoClass,Encoding,RemoteListUrl,RemoveCode,FindListCode,FindInfoCode,DownPage,RetuneClass,"
    "NamedDemourl,strReplace";
template <class Item>
void ReadTrialColumns(ado::Recordset& rs, Item& item) {
  item.AutoClass = vb::CInt(rs.Fields("AutoClass").Value());
  item.Encoding = vb::Trim(vb::CStr(rs.Fields("Encoding").Value()));
  item.RemoteListUrl = vb::Trim(vb::CStr(rs.Fields("RemoteListUrl").Value()));
  item.RemoveCode = vb::CStr(rs.Fields("RemoveCode").Value());
  item.FindListCode = vb::CStr(rs.Fields("FindListCode").Value());
  item.FindInfoCode = vb::CStr(rs.Fields("FindInfoCode").Value());
  item.downpage = vb::CInt(rs.Fields("DownPage").Value());
  // The trial shows class names as cut: the class rules are not applied.
  item.RetuneClass = processing::TextOf(rs.Fields("RetuneClass").Value());
  const vb::Variant rules = rs.Fields("strReplace").Value();
  if (!rules.IsNull()) item.strReplace = vb::CStr(rules);
}

// The status lines of a stored entry and of one skipped as known.
struct StoreTexts {
  std::string_view stored_status;
  std::string_view stored_reason;
  std::string_view skipped_status;
  std::string_view skipped_reason;
};

// One gathered entry as its channel stores it (StoreEntry): the lookup of
// its name in the channel (the channel's SQL), the settings' RepeatDeal (0
// skips a known name, 1 rewrites its row, any other adds another), test
// mode (no row, no class counter; shown and counted all the same), the
// class the counters rise for, and the channel's hooks: prepare runs its
// own steps before the row (false ends the entry with their own status;
// nothing stored, nothing counted), row gives the columns in the order
// they are written, key reads the row's key (after a known name is found,
// and after the row is written), linked runs after the row is closed
// (told whether a row was rewritten). pass_failures: a count that cannot
// rise is passed over instead of ending the entry.
struct EntryStore {
  std::string lookup;
  int32_t RepeatDeal = 0;
  bool test_mode = false;
  int32_t ClassID = 0;
  StoreTexts texts;
  std::function<bool()> prepare = nullptr;
  std::function<std::vector<std::pair<const char*, vb::Variant>>()> row;
  std::function<void(ado::Recordset&)> key = nullptr;
  std::function<void(bool updating)> linked = nullptr;
  bool pass_failures = false;
};

class GatheringObject : public com::Dispatch {
 public:
  ~GatheringObject() override;

  // Set-only properties every channel's page sets.
  void SetPageListNum(int16_t n) { PageListNum_ = n; }
  void SetScriptFileName(std::string s) { ScriptFileName_ = std::move(s); }
  void SetModuleName(std::string s) { ModuleName_ = std::move(s); }
  void SetChannelPath(std::string s) { ChannelPath_ = std::move(s); }
  void SetConnString(std::string s) { ConnString_ = std::move(s); }
  void SetDBConnstr(std::string s) { DBConnstr_ = std::move(s); }
  void SetSqlDataBase(int16_t n) { SqlDataBase_ = n; }
  void SetImageMark(bool on) { ImageMark_ = on; }
  // The download progress of the software and Flash runs: the bar's
  // border, colour and background, the speed text's colour, and every how
  // many downloader events the progress is written.
  void SetProsBorder(std::string s) { ProsBorder_ = std::move(s); }
  void SetProsColor(std::string s) { ProsColor_ = std::move(s); }
  void SetProsBack(std::string s) { ProsBack_ = std::move(s); }
  void SetSpeedColor(std::string s) { SpeedColor_ = std::move(s); }
  void SetSpace(int16_t n) { Space_ = n; }

  // The class tree (gathering_object_classes.cpp). GetClassID gives the
  // leaf class, no outside link, that the gathered parent and child names
  // lead to in channel chanid (0 for none) and remembers the class folder;
  // ClassUpdateCount raises the counters of a class and its ancestors.
  int32_t GetClassID(int32_t chanid, std::string superior, std::string inferior);
  vb::Variant ClassUpdateCount(vb::Variant& ChannelID, vb::Variant& sortid);

  // The class a gathered entry is filed into, in ClassID. With auto_class
  // off, the item's own class own, which must be a leaf of this channel and
  // no outside link (its folder becomes class_folder()); on, the one that
  // the gathered names parent and child lead to once cleaned (CheckNostr)
  // and renamed by rules, the names handed back in parent_ruled and
  // child_ruled. "" when found, else the message that says why not (the
  // names in it encoded).
  std::string EntryClass(bool auto_class, int32_t own, const std::string& parent,
                         const std::string& child, const std::string& rules,
                         std::string& parent_ruled, std::string& child_ruled, int32_t& ClassID);
  // Saves the gathered thumbnail at picture as a local picture of the
  // channel (UploadPic/ and the date folder of path_form) under a new name
  // with a picture type's extension; its path relative to the channel
  // folder, or "" when it is no picture or cannot be saved. The file is one
  // of entry_files_.
  std::string SaveThumbnail(const std::string& picture, int32_t path_form);
  // SaveThumbnail in two halves, for an entry that fetches its thumbnail
  // together with other pictures: the name drawn (and the folder made),
  // nothing when it is no picture or cannot be named; then, once fetched,
  // the path relative to the channel folder ("" when not saved).
  struct NamedThumbnail {
    processing::RemotePicture file;  // the physical path and the address
    std::string relative;
  };
  std::optional<NamedThumbnail> NameThumbnail(const std::string& picture, int32_t path_form);
  std::string KeepThumbnail(const NamedThumbnail& thumbnail);

  // Removes every Application variable of the site, one line per name.
  void RemoveAllCache();
  // "<li>" & msg & "</li>", flushed.
  void InnerHtml(vb::Variant& msg);

  // Opens the gathering connection from ConnString and the request's host
  // connection from DBConnstr; a failure writes its message and ends the
  // response, and marks the object unusable. Either way the request's
  // HostConnected becomes True.
  void OpenConnection();
  // False once the gathering connection could not be opened: every later
  // use of it fails with that reason, and ShowCollection runs no action.
  bool usable() const { return !connection_failed_; }

  // The toolbox, made on first use.
  processing::VBProcess& Process();
  // The gathering connection (nullptr when it could not be opened).
  const std::shared_ptr<ado::Connection>& gather_connection() const { return conn_; }

  // What this request has read so far.
  int32_t channel_id() const { return ChannelID_; }
  const std::string& action() const { return action_; }
  int32_t item_id() const { return ItemID_; }
  const std::string& admin_name() const { return AdminName_; }
  const std::string& wait_banner() const { return WaitBanner_; }
  bool edit_mode() const { return edit_mode_; }
  // The folder of the class GetClassID (or a run's own-class check) found,
  // ending in "/"; "" until then.
  const std::string& class_folder() const { return ClassFolder_; }

 protected:
  // Takes the request's host objects; HostConnected becomes False.
  explicit GatheringObject(const ChannelDefaults& defaults);

  // The open gathering connection. When it could not be opened, or is
  // closed, error 3709 with the reason: nothing runs on a dead connection.
  ado::Connection& GatherConnection();

  // The item number a caller gave, as it goes into SQL and a cache name:
  // only a whole number gets there; anything else is item 0, which no row
  // has.
  static int32_t ItemNumber(const vb::Variant& ItemID);
  // A star rating of 0 means "automatic" and one above 5 is no rating: both
  // become the toolbox's random star. A negative one stays.
  void FixStar(int16_t& star);
  // The "edit" action's item: ItemID from the request; when it is no usable
  // number, the alert "请选择正确的项目ID!" and false. edit_mode() is true
  // after a usable one.
  bool TakeEditItem();

  // The dispatcher's frame: keeps the wait banner, opens the connections,
  // reads the channel (0 or unusable gives the channel's default), the
  // administrator and the action (lower-cased, untrimmed in action_).
  // Returns the trimmed action the channel's table is matched against.
  std::string ReadRequest(std::string_view wait_banner);
  // The list address of the request's item in item_table: the one the
  // editor posts, else the stored one of Request("ItemID"); "" for none.
  // Whether the request's fetches may reach private addresses follows from
  // it (net::RunOrigin).
  std::string ItemListAddress(std::string_view item_table);
  // Runs one action; an error inside it ends that action only. An object
  // whose gathering connection failed runs none.
  void RunAction(const std::function<void()>& action);
  // ShowCollection of every channel: reads the request and runs exactly one
  // action of the admin page protocol through the channel's own members
  // below; any other action (none, "yes" included) shows the item list.
  // wait_banner is the channel's banner of a run collecting its links;
  // cache_prefix names the item's cache entries ("NewsItem").
  void DispatchPageAction(std::string_view wait_banner, const ItemListTexts& list,
                          std::string_view cache_prefix);

  // The channel's own members that the protocol's actions lead to.
  virtual void ShowGatherConfig() = 0;
  virtual void SaveGatherConfig() = 0;
  virtual void EditItemStep1() = 0;  // reads edit_mode_
  virtual void EditItemStep2() = 0;
  virtual void EditItemStep3() = 0;
  virtual void EditItemStep4() = 0;
  virtual void CloneItem() = 0;
  virtual void BeginGather() = 0;
  virtual void GatherNextLink() = 0;

  // Records (gathering_object_records.cpp). ReloadRows runs sql on the
  // gathering connection and stores the first row's rows array under the
  // selected cache item; a failure reaches the caller.
  void ReloadRows(const std::string& sql);
  // Hands the database settings to the toolbox, loads the site
  // configuration, then the settings rows cached as cache_name (reloaded
  // through reload when missing, and while the shared "Date" item is not
  // today). Every step that fails is passed over.
  vb::Variant ReadSettingsRows(std::string_view cache_name, const std::function<void()>& reload);
  // The rows of item id cached as cache_prefix & id, reloaded when missing.
  vb::Variant ReadItemRows(std::string_view cache_prefix, int32_t id,
                           const std::function<void()>& reload);

  // The run (gathering_object_run.cpp). LinkListPath is the physical path
  // of ItemID_'s link-list file. StartFirstStep stamps the item's lastime in
  // item_table and sends the browser to the first step. GatherListLine is
  // one whole savenew step: the item comes from the request.
  std::string LinkListPath(std::string_view word);
  // The start's item: Request("ItemID") into ItemID_; false, after the
  // alert, when it is no item number.
  bool ReadRunItemID();
  // The start's open item: ReadRunItemID, then read (which reads the
  // channel's item and gives its StopItem); false after the alert when
  // there is no item number or the item is closed.
  bool ReadOpenRunItem(const std::function<int32_t(vb::Variant& ItemID)>& read);
  // Where an entry's step stands, for its panel's skip link: the line
  // (page, by ChkNumeric) and the run's start D as a currency number ("0"
  // when absent). A D that is no number ends the entry, or with
  // pass_failures stays "0".
  void ReadEntryStep(bool pass_failures, int32_t& page, std::string& D);
  void StartFirstStep(std::string_view item_table);
  // The start of a run on an open item: the wait banner, the list pages of
  // source walked, the link-list file of word written with one line per
  // link of 6 characters or more (line(found, k) makes the line of piece
  // k), the run's counter reset and StartFirstStep. A list that yields no
  // link ends with an alert before anything is written.
  void StartListRun(const ListSource& source, std::string_view word, std::string_view item_table,
                    const std::function<std::string(const ListLinks&, size_t)>& line);
  void GatherListLine(const RunLine& run);

  // Removes the files an entry that is not kept wrote (entry_files_).
  void RemoveEntryFiles();
  // The entry's store (gathering_object_store.cpp): stored, skipped as
  // known, or ended by the channel's own steps.
  enum class StoreOutcome { kStored, kSkipped, kEnded };
  StoreOutcome StoreEntry(const EntryStore& entry);

  // Page actions (gathering_object_actions.cpp). DeleteItems deletes the
  // channel's items whose whole numbers the request lists, drops their
  // cached rows and returns to the referring page of this site (or the item
  // list); anything but whole numbers is refused with an alert.
  void DeleteItems(std::string_view table, std::string_view cache_prefix);
  // An action's alert, then the browser goes to the referring page of this
  // site, or to the channel's item list when there is none; the response
  // ends.
  void AlertToItemList(std::string_view msg);

  // The item editors (gathering_object_editor.cpp). ReadEditorStep reads a
  // step's request: ItemID (into ItemID_), showcode and change=yes.
  struct EditorStep {
    int32_t showcode = 0;
    bool change = false;
  };
  EditorStep ReadEditorStep();
  // The channel's item ItemID_ as a first step shows it in edit mode;
  // nullptr after the alert "错误的系统参数!".
  std::shared_ptr<ado::Recordset> EditedItem(std::string_view table);
  // The first step's item and title: in edit mode the edited item (also
  // in rs_), else no item and ItemID_ 0. False after the alert when the
  // edited item is missing.
  bool OpenStepOneItem(std::string_view table, std::shared_ptr<ado::Recordset>& item,
                       std::string& title);
  // The editor's navigation row of item ItemID.
  void ShowItemMenu(int32_t ItemID);
  // Writes columns of the channel's item ItemID_ through set, then drops
  // the item's cached row (cache_prefix & ItemID). False after the alert
  // "错误的系统参数！" when the channel has no such item: nothing is written.
  bool SaveItemColumns(std::string_view table, std::string_view columns,
                       std::string_view cache_prefix,
                       const std::function<void(ado::Recordset&)>& set);
  // Step 3's save: the first count posted list codes, then padding, into
  // FindListCode (SaveItemColumns).
  bool SaveListCodes(std::string_view table, std::string_view cache_prefix,
                     std::string_view padding, int count = 6);
  // Step 4's save: the count posted detail-page codes, then padding, into
  // FindInfoCode, the step's 16-bit switch (the separate download page,
  // the content paging) and the trial address without quotes. A switch too
  // large for its column is refused with an alert before anything changes.
  bool SaveInfoCodes(std::string_view table, std::string_view cache_prefix,
                     std::string_view switch_column, int count, std::string_view padding);
  // The channel's item (SELECT ItemID,columns) for a step to show; nullopt
  // after the alert "错误的系统参数！".
  std::optional<ado::Recordset> ItemColumns(std::string_view table, std::string_view columns,
                                            int32_t item);
  // rs_ open on the row of item ItemID_ for the first step's save, a new
  // row added when ItemID_ is 0. own_channel: only the channel's own row
  // (the row of another channel's item is never moved into this one), and
  // false without an alert when there is none; else the row of that number
  // in any channel, and false after the alert "错误的系统参数！".
  bool OpenItemRow(std::string_view table, bool own_channel = false);
  // Step 2's save of the first step's form: checked first (the first
  // failing check, or a number too large for its column, is refused with
  // an alert and nothing changes), then written into the item's row (a new
  // row for item 0, its codes padded with "0"), then the cached row
  // dropped. The item's number; -1 after an alert, or quietly when the
  // channel has no such item.
  int32_t SaveStepOneForm(const StepOneSave& save);
  // Step 3 (action=step3): with change=yes the posted list codes are saved;
  // the item is read again; on request the source of its first entry page
  // is shown; then the form of the detail codes, the trial address and the
  // note, which posts action=step4.
  void EditInfoCodeStep(const InfoCodeStep& step);
  // Step 2 (action=step2): with change=yes the first step's form is saved
  // (SaveStepOneForm); the item is read back (the channel's newest item
  // for item 0); on request the source of its list page is shown; then the
  // list codes' form (special: the part of the special setting;
  // extra_rows: the channel's own rows before it), which posts
  // action=step3. An item the channel does not have ends the step quietly.
  void EditListCodeStep(
      const StepOneSave& save, size_t special,
      const std::function<std::string(const std::vector<std::string>&)>& extra_rows);
  // Step 4 (action=step4, and action=demo for the trial alone): with
  // change=yes the posted detail codes are saved; the item is read again;
  // then the finish row, or for action=demo or a ticked ShowCode the trial
  // run; then the buttons to the list and to a run.
  void EditFinishStep(const FinishStep& step);
  // The trial run's frame for an item whose list is at list_url (in
  // encoding, cut by list_codes): the entry page's address is the trial
  // address when it has 10 characters or more (without its double quotes),
  // else the first link of the list (its list area then in list_area). read
  // cuts the entry at that address and gives its alert ("" for none) and
  // the result's markup, shown in the result row. False after an alert.
  struct TrialList {
    const std::string& list_url;
    const std::string& encoding;
    const std::string& list_codes;
  };
  bool WriteTrialResult(
      const std::string& demo_url, const TrialList& list,
      const std::function<std::string(const std::string& address, const std::string& list_area,
                                      std::string& result)>& read);
  // The clone: a copy of the channel's item that the request names, then
  // back to the item list. An item of another channel, or none, is refused
  // with an alert and nothing is written.
  void CloneItem(const CloneColumns& columns);

  // The item list (gathering_object_item_list.cpp).
  void ShowItemList(const ItemListTexts& texts);

  // An entry's file download (gathering_object_download.cpp), the same in
  // every channel that downloads. NewDownloader puts a new downloader into
  // FileDown_, its GetData events reaching FileDown_GetData with the
  // channel's progress mode as it stands at each event (*mode).
  transfer::Downloader& NewDownloader(const int16_t* mode);
  // The same for the file of the entry being gathered at address, with
  // what every channel hands over alike: the entry page is the referrer,
  // progress events come when *mode is not 0, the file is fetched only when
  // use_download is on (1 or 9) into folder (mapped), of the types
  // AllowDownExt allows ("|"-separated), up to MaxDownSize kilobytes,
  // named by AutoRename and ending in FileSuffix. With pass_failures a
  // setting that fails is passed over; otherwise it ends the download.
  struct EntryDownload {
    const int16_t* mode;
    int16_t use_download;
    std::string folder;
    std::string AllowDownExt;
    int32_t MaxDownSize;
    int16_t AutoRename;
    std::string FileSuffix;
    bool pass_failures;
  };
  transfer::Downloader& NewEntryDownloader(const std::string& address, const EntryDownload& with);
  // The probe of down (Execute) and the size it found, in DownFileSize_;
  // a probe that fails is passed over with pass_failures.
  void ProbeEntryFile(transfer::Downloader& down, bool pass_failures);
  // The progress of one downloader event in mode (0 none, 1 speed text, 2
  // bar, 3 both), written every Space_-th event; nothing divides by an
  // unknown size or an empty block.
  void FileDown_GetData(int16_t mode, int32_t Progress, int32_t Ret, const std::string& sSpeed);
  // The empty bar the events fill, flushed.
  void ShowProgressBar();
  // The progress rows of an entry's panel for mode (0 none, 1 speed text,
  // 2 bar, 3 both): the bar, then the speed text's spans, each closing its
  // cell and opening the next.
  void WriteProgressRows(int16_t mode);
  // The probed size and final address of down in the entry's panel, before
  // the transfer starts; flushed. The address is remote text: encoded.
  void WriteFileTarget(const transfer::Downloader& down);
  // The close of an entry's panel: the reason span, the stop link and the
  // link that skips to the line after page of the run started at D;
  // flushed.
  void WritePanelEnd(int32_t page, const std::string& D);
  // A failed download's status: txt1 := status, txt2 := the reason in blue
  // (encoded); flushed.
  void WriteDownloadFailure(std::string_view status, const std::string& reason);
  // The transfer of a probed downloader: its target shown, the file copied.
  // The full path of the file; "" when nothing usable arrived (an empty
  // file is removed), after the failure status failed_status.
  std::string TransferFile(transfer::Downloader& down, std::string_view failed_status);

  // The base settings page (gathering_object_settings.cpp): the form of the
  // given rows, and the save of the posted form into row 1 of table. The
  // save checks every field before anything changes, writes the row, then
  // drops the cached settings and returns to the form.
  void ShowSettingsForm(const SettingsForm& form, std::span<const SettingsSection> sections);
  void SaveSettings(std::string_view table, std::string_view cache_name,
                    std::span<const SettingsSection> sections,
                    const std::function<bool()>& extra_checks = nullptr);

  component::HostObjects host_;
  std::shared_ptr<processing::VBProcess> process_;
  std::shared_ptr<ado::Connection> conn_;
  std::string ConnString_;
  std::string DBConnstr_;
  int16_t SqlDataBase_ = 0;
  bool ImageMark_ = true;
  std::string ScriptFileName_;
  int32_t ChannelID_;
  std::string ChannelPath_;
  std::string ModuleName_;
  const markup::EditorLook& look_;
  int16_t PageListNum_ = 30;
  std::string action_;  // Request.Command("action"), lower-cased, not trimmed
  std::string AdminName_;
  int32_t ItemID_ = 0;
  std::string WaitBanner_;
  std::string ClassFolder_;
  bool edit_mode_ = false;  // the editor was reached through "edit", not "add"
  std::string ProsBorder_ = "#384780";
  std::string ProsColor_ = "#0650D2";
  std::string ProsBack_ = "#FFFFFF";
  std::string SpeedColor_ = "red";
  int16_t Space_ = 3;
  // The entry of a run's step, as its parts hand it on.
  std::shared_ptr<transfer::Downloader> FileDown_;
  std::string entry_url_;                 // the entry page: referrer of every download
  bool DownSucceed_ = false;              // the entry's file is in place
  int32_t DownFileSize_ = 0;              // bytes, as the downloader reported them
  int64_t progress_events_ = 0;           // GetData events handled while progress is on
  std::vector<std::string> entry_files_;  // files this entry wrote, removed if it fails
  std::shared_ptr<ado::Recordset> rs_;    // the working recordset of the page members
  std::string sql_;                       // and its SQL text

 private:
  int32_t default_channel_;
  bool connection_failed_ = false;
};

}  // namespace ostrel::gathering
