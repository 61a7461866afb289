// NewsCollection: the article channel's object. The channel's admin page
// creates one per request, sets its properties, calls ReadNewsConfig and
// then ShowCollection, and releases it at the end of the page. It holds the
// page's settings, the request's host objects, its own connection to the
// gathering database, one VBProcess, the base settings and the fields of the
// current gathering item.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "component/host_access.h"
#include "gathering/articles/news_fields.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/vb/variant.h"
#include "processing/vb_process.h"

namespace ostrel::articles {

class NewsCollection : public com::Dispatch {
 public:
  NewsCollection();
  ~NewsCollection() override;

  const com::TypeInfo& Type() const override;

  // Set-only properties of the page.
  void SetPageListNum(int16_t n) { PageListNum_ = n; }
  void SetScriptFileName(std::string s) { ScriptFileName_ = std::move(s); }
  void SetModuleName(std::string s) { ModuleName_ = std::move(s); }
  void SetChannelPath(std::string s) { ChannelPath_ = std::move(s); }
  void SetConnString(std::string s) { ConnString_ = std::move(s); }
  void SetDBConnstr(std::string s) { DBConnstr_ = std::move(s); }
  void SetSqlDataBase(int16_t n) { SqlDataBase_ = n; }
  void SetImageMark(bool on) { ImageMark_ = on; }

  // Settings and items (news_settings.cpp). The reloads read one row into
  // the cache item the caller selected and let a failure reach the caller;
  // the readers go through the cache and skip a failing step.
  void ReloadNewsItem(vb::Variant& ItemID);
  void ReloadNewsConfig();
  // Hands the database settings to the toolbox, loads the site
  // configuration and the base settings (reloaded when the cached "Date" is
  // not today).
  void ReadNewsConfig();
  void ReadNewsItem(vb::Variant& ItemID);

  // The admin page's one entry (news_dispatch.cpp): reads the request and
  // runs one action; an error inside the action ends that action only.
  void ShowCollection();

  // ---- Gathering run: public members (news_run*.cpp) ----
  int32_t GetClassID(int32_t chanid, std::string superior, std::string inferior);
  vb::Variant ClassUpdateCount(vb::Variant& ChannelID, vb::Variant& sortid);
  void SaveNewsData(vb::Variant& url);
  // ---- end of gathering run: public members ----

  // ---- Item menu, editor and settings page: public members (news_editor*.cpp) ----
  void RemoveAllCache();
  void InnerHtml(vb::Variant& msg);
  // ---- end of item menu, editor and settings page: public members ----

  // Opens the gathering connection from ConnString and the request's host
  // connection from DBConnstr; a failure writes its message and ends the
  // response. Either way the request's HostConnected becomes True.
  void OpenConnection();

  // The toolbox, made on first use.
  processing::VBProcess& Process();
  // The gathering connection (nullptr when it could not be opened).
  const std::shared_ptr<ado::Connection>& gather_connection() const { return conn_; }

  // What this request has read so far.
  const NewsSettings& settings() const { return settings_; }
  const NewsItemFields& item() const { return item_; }
  int32_t channel_id() const { return ChannelID_; }
  const std::string& action() const { return action_; }
  int32_t item_id() const { return ItemID_; }
  bool edit_mode() const { return edit_mode_; }
  const std::string& admin_name() const { return AdminName_; }
  const std::string& wait_banner() const { return WaitBanner_; }

 private:
  // The open gathering connection; error 91 when there is none.
  ado::Connection& GatherConnection();

  // The item list and its names (item_list.cpp).
  void ShowItemList();
  std::string GetClassName(int32_t ClassID);
  std::string GetSpecialName(int32_t SpecialID);

  // ---- Gathering run: private members and state (news_run*.cpp) ----
  struct ListLinks;        // the links cut from a run's list pages (news_run_types.h)
  struct GatheredArticle;  // one article on its way to QX_Article (news_run_types.h)
  void GatherNextLink();
  void BeginGather();
  // Fetches the item's list page or pages and cuts their links; false when
  // the one list page came back empty (the alert is written).
  bool CollectListLinks(ListLinks& found);
  // The first half of SaveNewsData: fetch, cut, class, paging, cleaning.
  // False when the article was turned down (its error table, if any, is
  // written).
  bool ExtractArticle(const std::string& url, GatheredArticle& article);
  // The second half: progress panel, pictures, the row, counters, status.
  void StoreArticle(GatheredArticle& article);
  void WriteProgressPanel(const GatheredArticle& article);
  // Saves the content's pictures under the channel's upload folder.
  void SaveArticlePictures(GatheredArticle& article);
  // ---- end of gathering run: private members and state ----

  // ---- Item menu, editor and settings page: private members and state (news_editor*.cpp) ----
  void ShowGatherConfig();
  void SaveGatherConfig();
  void ShowItemMenu(int32_t ItemID);
  void EditItemStep1();  // reads edit_mode_
  void EditItemStep2();
  void EditItemStep3();
  void EditItemStep4();
  void DeleteItems();
  void CloneItem();
  // The address of the first article that the item's list page leads to
  // (item_.RemoteListUrl, cut with the list codes FindListCode); "" after
  // the failing step's alert.
  std::string FirstArticleAddress(const std::string& encoding, const std::string& FindListCode);
  // The trial run of step 4: one article page cut as a run would cut it and
  // shown, nothing stored. False after the failing step's alert.
  bool RunTrial(const std::string& encoding, const std::string& demo_url);
  // An action's alert, then the browser goes to the referring page of this
  // site, or to the channel's item list when there is none; the response ends.
  void AlertToItemList(std::string_view msg);
  std::string page_text_;       // the remote page fetched by a preview or the trial run
  std::string RemoveCodeText_;  // the item's tag-filter flags, as step 4 read them
  // ---- end of item menu, editor and settings page: private members and state ----

  component::HostObjects host_;
  std::shared_ptr<processing::VBProcess> process_;
  std::shared_ptr<ado::Connection> conn_;
  std::string ConnString_;
  std::string ScriptFileName_ = "Admin_ArticleGather.asp";
  int32_t ChannelID_ = 1;
  std::string ChannelPath_ = "/article/";
  std::string ModuleName_ = "文章";
  int16_t PageListNum_ = 30;
  std::string action_;                  // Request("action"), lower-cased, not trimmed
  bool edit_mode_ = false;              // the editor was reached through "edit", not "add"
  std::shared_ptr<ado::Recordset> rs_;  // the working recordset of the page members
  std::string sql_;                     // and its SQL text
  vb::Variant settings_rows_;           // cached QX_NewsConfig row [column][0]
  vb::Variant item_rows_;               // cached QX_NewsItem row [column][0]
  std::string AdminName_;
  int32_t ItemID_ = 0;
  std::string WaitBanner_;
  NewsSettings settings_;
  NewsItemFields item_;
  std::string DBConnstr_;
  int16_t SqlDataBase_ = 0;
  bool ImageMark_ = true;
};

}  // namespace ostrel::articles
