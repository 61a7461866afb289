// A page request for the article channel: a NewsCollection set up as the
// admin page sets it, and helpers to add gathering items.
#pragma once

#include "gathering/articles/news_collection.h"
#include "support/channel_page.h"

namespace ostrel::articles {

// The page harness and the form helpers (support/page_form.h).
using namespace ostrel::testing;  // NOLINT(google-build-using-namespace)

class NewsPageTest : public testing::ChannelPageTest<NewsCollection> {
 protected:
  NewsPageTest() : ChannelPageTest({.word = "News", .leaf_class = 2}) {}
  void ReadConfig(NewsCollection& news) override { news.ReadNewsConfig(); }
  void ReadItem(NewsCollection& news, vb::Variant& id) override { news.ReadNewsItem(id); }
};

}  // namespace ostrel::articles
