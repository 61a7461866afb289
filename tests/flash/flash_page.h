// A page request for the Flash channel: a FlashCollection set up as
// Admin_FlashGather.asp sets it, with the form helpers of the article
// editor's tests.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "articles/news_editor_test_page.h"
#include "gathering/flash/flash_collection.h"
#include "processing/page_fixture.h"

namespace ostrel::flash {

using articles::EncodeForm;
using articles::FieldOf;
using articles::Fields;
using articles::ReadForm;
using articles::WithField;
using testing::CountOf;

class FlashPageTest : public testing::PageFixture {
 protected:
  std::string Request(const std::string& query, const std::string& form = "",
                      std::vector<std::pair<std::string, std::string>> server_variables = {},
                      const std::string& conn = "") {
    StartRequest(query, form, std::move(server_variables));
    auto flash = std::make_shared<FlashCollection>();
    flash->SetConnString(conn.empty() ? ConnString() : conn);
    flash->SetDBConnstr(ConnString());
    flash->ReadFlashConfig();
    flash->ShowCollection();
    last_ = flash;
    return Output();
  }
  std::string Post(const std::string& query, const Fields& fields) {
    return Request(query, EncodeForm(fields));
  }

  void AddItem(int id, int channel, const std::string& name, const std::string& extra = "") {
    RunSql(
        "INSERT INTO QX_FlashItem (ItemID, ItemName, SiteUrl, ChannelID, ClassID, SpecialID, "
        "StopItem, lastime, RemoteListUrl) VALUES (" +
        std::to_string(id) + ", '" + name + "', 'http://site/', " + std::to_string(channel) +
        ", 1, 0, 0, '2026-02-01 10:00:00', 'http://site/list')");
    if (!extra.empty()) {
      RunSql("UPDATE QX_FlashItem SET " + extra + " WHERE ItemID=" + std::to_string(id));
    }
  }

  std::shared_ptr<FlashCollection> last_;
};

}  // namespace ostrel::flash
