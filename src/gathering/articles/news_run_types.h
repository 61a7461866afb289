// The working values of the article channel's gathering run that pass
// between its steps inside one request: the links cut from the list pages
// (begin) and one article between its extraction and its row (savenew).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gathering/articles/news_collection.h"

namespace ostrel::articles {

// One article: the fields cut from its page and cleaned, then the values
// the storing half adds.
struct NewsCollection::GatheredArticle {
  std::string link;     // the address as the step passed it, shown in the panel
  std::string url;      // the article page's address, trimmed
  std::string title;    // escaped (FormatStr): shown, looked up and stored
  std::string content;  // cleaned; then with absolute links and local pictures
  std::string parent;   // the class names as cut (AutoClass on)
  std::string child;
  std::string parentRuled;  // and after CheckNostr and RetuneClass
  std::string childRuled;
  std::string author;
  std::string source;
  std::string writeTime;    // the publication time in text form
  std::string key;          // the short title key (Related)
  int32_t ClassID = 0;      // the item's class or the resolved one
  int32_t AllHits = 0;      // the item's, or a random count for 999
  int16_t BriefTopic = 0;   // 0 no picture, 1 pictures, 2 three saved files or more
  std::string ImageUrl;     // the first saved picture
  std::string UploadImage;  // every saved file, "|"-joined as the toolbox keeps them
};

}  // namespace ostrel::articles
