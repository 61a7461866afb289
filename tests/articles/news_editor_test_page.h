// Helpers of the item editor's tests: the forms of support/page_form.h, a
// count by any query, and a cache entry as a reader leaves it.
#pragma once

#include <string>

#include "articles/news_page.h"
#include "platform/ado/connection.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace ostrel::articles {

class NewsEditorTest : public NewsPageTest {
 protected:
  int64_t Count(const std::string& sql) {
    ado::Connection connection;
    connection.Open(ConnString());
    return vb::CLng(connection.Execute(sql).Fields(0).Value());
  }

  // Puts an entry under the cache name (as a reader would have).
  void Cache(const std::string& name) {
    application_->SetItem("myzemble_" + vb::LCase(name), vb::Variant("cached"));
  }
};

}  // namespace ostrel::articles
