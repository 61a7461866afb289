// A page request for the article channel: a NewsCollection set up as the
// admin page sets it, and helpers to add gathering items.
#pragma once

#include <memory>
#include <string>

#include "gathering/articles/news_collection.h"
#include "processing/page_fixture.h"

namespace ostrel::articles {

class NewsPageTest : public testing::PageFixture {
 protected:
  std::shared_ptr<NewsCollection> MakeNews() {
    auto news = std::make_shared<NewsCollection>();
    news->SetConnString(ConnString());
    news->SetDBConnstr(ConnString());
    return news;
  }

  // One request of the admin page: ReadNewsConfig, then ShowCollection.
  std::string ShowPage(const std::string& query, int16_t page_list_num = 30) {
    StartRequest(query);
    auto news = MakeNews();
    news->SetPageListNum(page_list_num);
    news->ReadNewsConfig();
    news->ShowCollection();
    last_ = news;
    return Output();
  }

  void AddItem(int id, int channel, const std::string& name, const std::string& lastime) {
    RunSql(
        "INSERT INTO QX_NewsItem (ItemID, ItemName, SiteUrl, ChannelID, ClassID, SpecialID, "
        "StopItem, lastime, RemoteListUrl) VALUES (" +
        std::to_string(id) + ", '" + name + "', 'http://site/', " + std::to_string(channel) +
        ", 2, 0, 0, '" + lastime + "', 'http://site/list')");
  }

  std::shared_ptr<NewsCollection> last_;
};

using testing::CountOf;

}  // namespace ostrel::articles
