// A request of one gathering channel's admin page run in-process
// (PageFixture), for any channel built on the shared gathering object: the
// channel's object set up as its page sets it, its item and settings rows
// changed behind its cache, and the checks every channel's item editor
// shares.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text/charset.h"
#include "processing/page_fixture.h"
#include "support/page_form.h"
#include "support/run_steps.h"

namespace ostrel::testing {

// What the harness needs of a channel: the word its tables and cache names
// are made of (QX_<word>Item, QX_<word>Config, "<word>Item7") and a leaf
// class of the channel that new items are filed under.
struct ChannelNames {
  std::string_view word;
  int32_t leaf_class;
};

// Server variables of a request that comes from a page of the admin site.
inline const std::vector<std::pair<std::string, std::string>> kFromAdminPage = {
    {"HTTP_HOST", "admin.test"}, {"HTTP_REFERER", "http://admin.test/admin/x.asp?page=2"}};

template <class Collection>
class ChannelPageTest : public PageFixture {
 protected:
  explicit ChannelPageTest(ChannelNames names) : names_(names) {}

  // What the channel's page does after setting the connections and the
  // page size, before ShowCollection: at least reading its settings.
  virtual void ReadConfig(Collection& channel) = 0;
  // How the channel reads an item's row into its object (and caches it).
  virtual void ReadItem(Collection& channel, vb::Variant& id) = 0;

  // The channel's object, connected to the test database (conn, when
  // given, is the gathering connection instead).
  std::shared_ptr<Collection> Make(const std::string& conn = "") {
    auto channel = std::make_shared<Collection>();
    channel->SetConnString(conn.empty() ? ConnString() : conn);
    channel->SetDBConnstr(ConnString());
    return channel;
  }
  // One request of the admin page with a query, a posted form and server
  // variables, as the page makes it; the object stays in last_.
  std::string Request(const std::string& query, const std::string& form = "",
                      std::vector<std::pair<std::string, std::string>> server_variables = {},
                      const std::string& conn = "") {
    StartRequest(query, form, std::move(server_variables));
    auto channel = Make(conn);
    channel->SetPageListNum(page_list_num_);
    ReadConfig(*channel);
    channel->ShowCollection();
    last_ = channel;
    return Output();
  }
  std::string Post(const std::string& query, const Fields& fields) {
    return Request(query, EncodeForm(fields));
  }

  // A request without a usable ChannelID (none, 0, negative, no number, too
  // large, or any of the more queries) is one of channel.
  void ExpectChannelFallsBackTo(int32_t channel, std::initializer_list<const char*> more = {}) {
    std::vector<const char*> queries = {"", "ChannelID=0", "ChannelID=-3", "ChannelID=abc",
                                        "ChannelID=99999999999"};
    queries.insert(queries.end(), more);
    for (const char* query : queries) {
      Request(query);
      EXPECT_EQ(last_->channel_id(), channel) << query;
    }
  }

  std::string Word() const { return std::string(names_.word); }
  std::string ItemTable() const { return "QX_" + Word() + "Item"; }
  // An item of the channel's table, in its leaf class; extra is a list of
  // "column=value" SQL assignments applied after the insert.
  void AddItem(int id, int channel, const std::string& name, const std::string& extra = "") {
    RunSql("INSERT INTO " + ItemTable() +
           " (ItemID, ItemName, SiteUrl, ChannelID, ClassID, SpecialID, StopItem, lastime, "
           "RemoteListUrl) VALUES (" +
           std::to_string(id) + ", '" + name + "', 'http://site/', " + std::to_string(channel) +
           ", " + std::to_string(names_.leaf_class) +
           ", 0, 0, '2026-02-01 10:00:00', 'http://site/list')");
    if (!extra.empty()) SetItem(id, extra);
  }
  // Changes an item (item 1 when none is named) and drops its cached copy.
  void SetItem(int id, const std::string& assignments) {
    RunSql("UPDATE " + ItemTable() + " SET " + assignments + " WHERE ItemID=" + std::to_string(id));
    application_->contents().Remove("myzemble_" + vb::LCase(Word()) + "item" + std::to_string(id));
  }
  void SetItem(const std::string& assignments) { SetItem(1, assignments); }
  // Changes the base settings and drops their cached copy.
  void SetConfig(const std::string& assignments) {
    RunSql("UPDATE QX_" + Word() + "Config SET " + assignments + " WHERE id=1");
    application_->contents().Remove("myzemble_" + vb::LCase(Word()) + "config");
  }
  std::map<std::string, std::string> ConfigRow() {
    return Row("SELECT * FROM QX_" + Word() + "Config WHERE id=1");
  }
  // The settings form saved from a page that has cached the settings: the
  // save says so and drops the cached copy. The row it stored.
  std::map<std::string, std::string> SaveConfig(const Fields& form) {
    Request("");
    EXPECT_TRUE(Cached(Word() + "Config"));
    EXPECT_TRUE(Alerts(Post("action=save", form), "保存采集基本设置成功!"));
    EXPECT_FALSE(Cached(Word() + "Config"));
    return ConfigRow();
  }
  // A settings form the save refuses with message: the row and its cached
  // copy stay.
  void ExpectConfigRefused(const Fields& form, const std::string& message) {
    const auto before = ConfigRow();
    Request("");
    const std::string page = Post("action=save", form);
    EXPECT_TRUE(Alerts(page, message + "\");history.back();")) << page;
    EXPECT_EQ(ConfigRow(), before) << message;
    EXPECT_TRUE(Cached(Word() + "Config")) << message;
  }
  // Item id read as a run reads it, after a request: its row is cached.
  void CacheItem(int id) {
    Request("");
    vb::Variant item(int32_t{id});
    ReadItem(*last_, item);
    EXPECT_TRUE(Cached(Word() + "Item" + std::to_string(id)));
  }
  std::map<std::string, std::string> ItemRow(int id) {
    return Row("SELECT * FROM " + ItemTable() + " WHERE ItemID=" + std::to_string(id));
  }

  // Each expression (a column, or SQL on the row) of the first row that
  // from_where ("QX_SoftList WHERE ...") selects has the value given.
  void ExpectRow(const std::string& from_where,
                 const std::map<std::string, std::string>& expected) {
    for (const auto& [expression, value] : expected) {
      EXPECT_EQ(Row("SELECT " + expression + " AS v FROM " + from_where)["v"], value) << expression;
    }
  }

  // Item id's link-list file, its bytes ("" when there is none), and its
  // text, decoded from GB2312 as a run writes it.
  std::filesystem::path LinkListPath(int id = 1) const {
    return dir_ / "admin" / ("tmp" + Word() + "list" + std::to_string(id) + ".dat");
  }
  std::string LinkListBytes(int id = 1) const {
    std::ifstream in(LinkListPath(id), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string LinkList(int id = 1) const { return text::Decode(LinkListBytes(id), "GB2312"); }
  void WriteLinkList(int id, const std::string& utf8) const {
    std::ofstream(LinkListPath(id), std::ios::binary) << text::Encode(utf8, "GB2312");
  }

  // The files below a folder of the site, by name.
  std::vector<std::string> FilesIn(const std::string& folder) const {
    std::vector<std::string> names;
    if (!std::filesystem::exists(dir_ / folder)) return names;
    for (const auto& f : std::filesystem::recursive_directory_iterator(dir_ / folder)) {
      if (f.is_regular_file()) names.push_back(f.path().filename().string());
    }
    return names;
  }

  // Items 3, 5 and 7 of channel and 8 of other, item 3's row cached: the
  // delete refuses a list of anything but whole numbers and deletes
  // nothing; "3, 5,8" asked from another site's page deletes 3 and 5 only,
  // drops 3's cached row and goes back to the channel's list (list); asked
  // from a page of this site, it goes back to that page.
  void ExpectDeleteKeepsToTheChannel(int channel, int other, const std::string& list) {
    for (int id : {3, 5, 7}) AddItem(id, channel, "项目");
    AddItem(8, other, "别的频道");
    CacheItem(3);
    for (const std::string& bad :
         {std::string(), std::string("3 or 1=1"), std::string("3,,5"), std::string("99999999999"),
          "3;DELETE FROM " + ItemTable(), "3);DELETE FROM " + ItemTable() + ";--"}) {
      EXPECT_NE(Request("action=del&ItemID=" + bad).find("请选择正确的系统参数！"),
                std::string::npos)
          << bad;
      EXPECT_EQ(Count(ItemTable()), 4) << bad;
    }
    Request("action=del&ItemID=3,%205,8", "",
            {{"HTTP_HOST", "127.0.0.1:8080"}, {"HTTP_REFERER", "http://evil.example/x"}});
    EXPECT_EQ(Count(ItemTable()), 2);  // 7, and 8 of the other channel
    EXPECT_FALSE(Cached(Word() + "Item3"));
    EXPECT_EQ(sink_->Header("Location"), list);
    const std::string back = "http://127.0.0.1:8080/admin/x.asp?page=2";
    Request("action=del&ItemID=7", "", {{"HTTP_HOST", "127.0.0.1:8080"}, {"HTTP_REFERER", back}});
    EXPECT_EQ(sink_->Header("Location"), back);
    EXPECT_EQ(Count(ItemTable()), 1);
  }

  // The item's row after a save, against the row before: every column the
  // same but those named in changed.
  static void ExpectSameColumns(const std::map<std::string, std::string>& after,
                                const std::map<std::string, std::string>& before,
                                std::initializer_list<std::string_view> changed) {
    for (const auto& [column, value] : after) {
      if (std::find(changed.begin(), changed.end(), column) != changed.end()) continue;
      EXPECT_EQ(value, before.at(column)) << column;
    }
  }
  // The item editor's four pages of item id, its row cached after the
  // first: each step posts the form of the page before unchanged, the
  // cached row is gone from the first save on, and the last page says the
  // item is complete.
  std::vector<std::string> PostEveryStepUnchanged(int id) {
    std::vector<std::string> pages = {Request("action=edit&ItemID=" + std::to_string(id))};
    CacheItem(id);
    for (const char* step : {"step2", "step3", "step4"}) {
      pages.push_back(Post(std::string("action=") + step, ReadForm(pages.back())));
      EXPECT_FALSE(Cached(Word() + "Item" + std::to_string(id))) << step;
    }
    EXPECT_NE(pages[3].find("恭喜您！采集项目设置全部完成。"), std::string::npos) << pages[3];
    return pages;
  }
  // Item id's editor pages by name as an administrator walks them asking
  // for the source views: each step's form posted as it was shown, then
  // the finish page and the trial.
  std::vector<std::pair<std::string, std::string>> EditorPages(int id) {
    const std::string item = "&ItemID=" + std::to_string(id);
    const std::string first = Request("action=edit" + item);
    const std::string second =
        Post("action=step2&showcode=1", WithField(ReadForm(first), "ShowCode", "1"));
    const std::string third = Post("action=step3&showcode=1", ReadForm(second));
    return {{"step1", first},
            {"step2", second},
            {"step3", third},
            {"step4", Request("action=step4" + item)},
            {"trial", Request("action=demo" + item)}};
  }
  // A step's save (query) refuses the posted form with the alert message
  // and shows no form.
  void ExpectStepRefuses(const std::string& query, const Fields& form, const std::string& message) {
    const std::string page = Post(query, form);
    EXPECT_TRUE(Alerts(page, message)) << message << "\n" << page;
    EXPECT_EQ(page.find("<form"), std::string::npos) << message;
  }
  // Each step that saves refuses an item of another channel (ChannelID 3
  // here) and so writes nothing: steps 3 and 4 with an alert, step 2, which
  // has no item of that number in this channel, quietly, even when its
  // whole form (form, the item's first step) is posted.
  void ExpectStepsRefuseAnotherChannelsItem(int id, Fields form) {
    const auto before = ItemRow(id);
    for (const char* action : {"step3", "step4"}) {
      EXPECT_NE(
          Post(std::string("action=") + action + "&ChannelID=3", {{"ItemID", std::to_string(id)}})
              .find("错误的系统参数！"),
          std::string::npos)
          << action;
    }
    const std::string saved = Post("action=step2&ChannelID=3", form);
    EXPECT_EQ(saved.find("alert("), std::string::npos) << saved;
    EXPECT_EQ(saved.find("<form"), std::string::npos);
    EXPECT_EQ(ItemRow(id), before);
    EXPECT_EQ(Count(ItemTable()), 1);
  }
  // Item id, the only item of the table, cloned: refused from another
  // channel (ChannelID 3 here), then copied under a new key and stamp with
  // every other column the same, a Null strReplace staying Null.
  void ExpectCloneCopiesEveryColumn(int id) {
    RunSql("UPDATE " + ItemTable() + " SET strReplace=NULL WHERE ItemID=" + std::to_string(id));
    const std::string item = "&ItemID=" + std::to_string(id);
    EXPECT_NE(Request("action=copy&ChannelID=3" + item).find("请选择正确的系统参数！"),
              std::string::npos);
    EXPECT_EQ(Count(ItemTable()), 1);
    EXPECT_NE(Request("action=copy" + item, "", kFromAdminPage).find("恭喜您！采集项目克隆成功。"),
              std::string::npos);
    auto source = ItemRow(id);
    auto copy = Row("SELECT * FROM " + ItemTable() + " WHERE ItemID<>" + std::to_string(id));
    ASSERT_FALSE(copy.empty());
    EXPECT_NE(copy["ItemID"], source["ItemID"]);
    EXPECT_NE(copy["lastime"], source["lastime"]);
    EXPECT_EQ(copy["strReplace"], "<null>");
    for (const char* stamped : {"ItemID", "lastime"}) {
      source.erase(stamped);
      copy.erase(stamped);
    }
    EXPECT_EQ(copy, source);
  }

  // The editor's trial run of item 1 (query), after a request that has
  // cached the settings: its page. The trial stores nothing: the item's
  // row, the cache's names and the channel's list table stay as they were.
  std::string TrialStoringNothing(const std::string& query, const std::string& list_table) {
    Request("");
    const auto row = ItemRow(1);
    const auto cached = application_->contents().Keys();
    const std::string page = Request(query);
    EXPECT_EQ(ItemRow(1), row);
    EXPECT_EQ(application_->contents().Keys(), cached);
    EXPECT_EQ(Count(list_table), 0);
    return page;
  }
  // The trial run of item 1 stops at the alert message, before the
  // closing row of a finished trial.
  void ExpectTrialAlert(const std::string& message,
                        const std::string& query = "action=demo&ItemID=1") {
    const std::string page = Request(query);
    EXPECT_TRUE(Alerts(page, message)) << message << "\n" << page;
    EXPECT_EQ(page.find("全部设置完成"), std::string::npos) << message;
  }

  // The trial run of item 1 of a channel that gathers downloads (software,
  // Flash), its detail codes made by codes, with the code of the name, of
  // the download list (at list) or of the download link (at link) unset or
  // not found: each alert says which code failed.
  template <class Codes>
  void ExpectDownloadTrialAlerts(Codes codes, int list, int link) {
    const std::pair<CodeParts, const char*> cases[] = {
        {{{0, "<h9>"}}, "获取软件名称代码出错！请确定你的代码输入正确。"},
        {{{list, "0"}}, "请输入获取下载地址列表代码！"},
        {{{list, "<ol>"}}, "获取下载地址列表错误！请确定你的代码输入正确。"},
        {{{link, ""}}, "请输入获取下载连接代码！"},
        {{{link, "<b>"}}, "获取下载连接错误！请确定你的代码输入正确。"},
    };
    for (const auto& [changes, message] : cases) {
      SetItem("FindInfoCode='" + codes(changes) + "'");
      ExpectTrialAlert(message);
    }
  }

  ChannelNames names_;
  int16_t page_list_num_ = 30;  // the page size the next request sets
  std::shared_ptr<Collection> last_;
};

}  // namespace ostrel::testing
