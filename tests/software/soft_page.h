// A page request for the software channel: a SoftCollection set up as
// admin_SoftGather.asp sets it, with the form helpers of the article
// editor's tests.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "articles/news_editor_test_page.h"
#include "gathering/software/soft_collection.h"
#include "processing/page_fixture.h"

namespace ostrel::software {

using articles::EncodeForm;
using articles::FieldOf;
using articles::Fields;
using articles::ReadForm;
using articles::WithField;

class SoftPageTest : public testing::PageFixture {
 protected:
  std::string Request(const std::string& query, const std::string& form = "",
                      bool zip_switch = true, int16_t page_list_num = 30,
                      std::vector<std::pair<std::string, std::string>> server_variables = {}) {
    StartRequest(query, form, std::move(server_variables));
    auto soft = std::make_shared<SoftCollection>();
    soft->SetConnString(ConnString());
    soft->SetDBConnstr(ConnString());
    soft->SetPageListNum(page_list_num);
    soft->SetZipSwitch(zip_switch ? "True" : "False");
    soft->ReadSoftConfig();
    soft->ShowCollection();
    last_ = soft;
    return Output();
  }
  std::string Post(const std::string& query, const Fields& fields, bool zip_switch = true) {
    return Request(query, EncodeForm(fields), zip_switch);
  }

  // The software channel's class tree: 软件 (5) with 工具软件 (6) and
  // 游戏娱乐 (7).
  void AddClasses() {
    RunSql(
        "INSERT INTO QX_Classify (ClassID, ChannelID, ClassName, depth, TurnLink, child, rootid, "
        "orders, parentid, Parentstr, ClassDir, HtmlFileDir) VALUES "
        "(5, 2, '软件', 0, 0, 2, 3, 0, 0, '0', 'soft', 'soft'), "
        "(6, 2, '工具软件', 1, 0, 0, 3, 1, 5, '5', 'tools', 'soft/tools'), "
        "(7, 2, '游戏娱乐', 1, 0, 0, 3, 2, 5, '5', 'games', 'soft/games')");
  }

  void AddItem(int id, int channel, const std::string& name, const std::string& extra = "") {
    RunSql(
        "INSERT INTO QX_SoftItem (ItemID, ItemName, SiteUrl, ChannelID, ClassID, SpecialID, "
        "StopItem, lastime, RemoteListUrl) VALUES (" +
        std::to_string(id) + ", '" + name + "', 'http://site/', " + std::to_string(channel) +
        ", 6, 0, 0, '2026-02-01 10:00:00', 'http://site/list')");
    if (!extra.empty()) {
      RunSql("UPDATE QX_SoftItem SET " + extra + " WHERE ItemID=" + std::to_string(id));
    }
  }

  std::shared_ptr<SoftCollection> last_;
};

using testing::CountOf;

}  // namespace ostrel::software
