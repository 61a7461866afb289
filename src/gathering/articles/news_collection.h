// NewsCollection: the article channel's object. The channel's admin page
// creates one per request, sets its properties, calls ReadNewsConfig and
// then ShowCollection, and releases it at the end of the page. What every
// channel holds (host objects, connections, toolbox, request state) is its
// GatheringObject; here are the article settings, the fields of the current
// gathering item and the article pages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "component/host_access.h"
#include "gathering/common/gathering_object.h"
#include "gathering/common/page_markup.h"
#include "gathering/articles/news_fields.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/vb/variant.h"
#include "processing/vb_process.h"

namespace ostrel::articles {

namespace markup = gathering::markup;

class NewsCollection : public gathering::GatheringObject {
 public:
  NewsCollection();

  const com::TypeInfo& Type() const override;

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
  void SaveNewsData(vb::Variant& url);
  // ---- end of gathering run: public members ----

  // What this request has read so far.
  const NewsSettings& settings() const { return settings_; }
  const NewsItemFields& item() const { return item_; }

 private:
  // ---- Gathering run: private members and state (news_run*.cpp) ----
  struct GatheredArticle;  // one article on its way to QX_Article (news_run_types.h)
  void GatherNextLink() override;
  void BeginGather() override;
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
  // The settings page's rows, from the settings ReadNewsConfig loaded.
  std::vector<gathering::SettingsSection> SettingsSections() const;
  void ShowGatherConfig() override;
  void SaveGatherConfig() override;
  void EditItemStep1() override;  // reads edit_mode_
  void EditItemStep2() override;
  void EditItemStep3() override;
  void EditItemStep4() override;
  void CloneItem() override;
  // The address of the first article that the item's list page leads to
  // (item_.RemoteListUrl, cut with the list codes FindListCode); "" after
  // the failing step's alert.
  std::string FirstArticleAddress(const std::string& encoding, const std::string& FindListCode);
  // The trial run of step 4: one article page cut as a run would cut it and
  // shown, nothing stored. False after the failing step's alert.
  bool RunTrial(const std::string& encoding, const std::string& demo_url);
  std::string page_text_;       // the remote page fetched by a preview or the trial run
  std::string RemoveCodeText_;  // the item's tag-filter flags, as step 4 read them
  // ---- end of item menu, editor and settings page: private members and state ----

  vb::Variant settings_rows_;           // cached QX_NewsConfig row [column][0]
  vb::Variant item_rows_;               // cached QX_NewsItem row [column][0]
  NewsSettings settings_;
  NewsItemFields item_;
};

}  // namespace ostrel::articles
