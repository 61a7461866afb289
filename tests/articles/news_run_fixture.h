// Gathering runs of the article channel against the small remote site of
// tests/fixtures/article_site (GB2312 pages served on 127.0.0.1), with the
// admin page's folder and the database of PageFixture.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "news_page.h"
#include "platform/ado/connection.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "support/fetch_limits_guard.h"
#include "support/fixtures.h"
#include "support/http_server.h"
#include "support/run_steps.h"

namespace ostrel::articles {

// The list codes of the site's list pages and the article codes of its
// articles (title, content, parent and child class, author, source, time,
// paging area and paging links).
inline const std::string kListCodes = "<ul class=\"list\">$$$</ul>$$$<a href=\"$$$\"$$$0$$$0";
inline std::string InfoCodes(const testing::CodeParts& changes = {}) {
  return testing::JoinCodes(28,
                            {{0, "<h1 class=\"title\">"},
                             {1, "</h1>"},
                             {2, "<div class=\"content\">"},
                             {3, "</div><!--/content-->"},
                             {4, "<span class=\"p\">"},
                             {5, "</span>"},
                             {6, "<span class=\"c\">"},
                             {7, "</span>"},
                             {8, "<span class=\"author\">"},
                             {9, "</span>"},
                             {10, "<span class=\"src\">"},
                             {11, "</span>"},
                             {12, "<span class=\"time\">"},
                             {13, "</span>"},
                             {14, "<div class=\"pages\">"},
                             {15, "</div>"},
                             {16, "<a href=\""},
                             {17, "\""}},
                            changes);
}
using testing::SqlText;

class NewsRunTest : public NewsPageTest {
 protected:
  void SetUp() override {
    NewsPageTest::SetUp();
    std::filesystem::create_directories(dir_ / "admin");
    site_.ServeFolder(ostrel::testing::FixturePath("article_site"));
    now_ = vb::DateAdd("h", 12, vb::DateSerial(2026, 3, 1));
    clock_ = std::make_unique<ostrel::testing::ClockGuard>(&now_);
  }
  void TearDown() override {
    clock_.reset();
    NewsPageTest::TearDown();
  }

  // An item of channel 1, class 2 (a leaf under class 1), gathering the
  // site's unpaged list; extra is a list of "column=value" SQL assignments
  // applied after the insert.
  void AddRunItem(int id, const std::string& extra = "") {
    RunSql(
        "INSERT INTO QX_NewsItem (ItemID, ItemName, SiteUrl, ChannelID, ClassID, SpecialID, "
        "StopItem, Encoding, IsDown, AutoClass, PathForm, IsNowTime, AllHits, star, lastime, "
        "RemoteListUrl, FindListCode, FindInfoCode, IsNextPage) VALUES (" +
        std::to_string(id) + ", '站点', '" + site_.Url("/") + "', 1, 2, 0, 0, 'GB2312', 0, 0, 1, " +
        "0, 50, 3, '2020-01-01 00:00:00', '" + site_.Url("/news/list.htm") + "', '" +
        SqlText(kListCodes) + "', '" + SqlText(InfoCodes()) + "', 1)");
    if (!extra.empty()) {
      RunSql("UPDATE QX_NewsItem SET " + extra + " WHERE ItemID=" + std::to_string(id));
    }
  }
  static std::string NextQuery(const std::string& page) { return testing::NextStepQuery(page); }

  // The first value of a query on the test database, as text ("" for none).
  std::string Value(const std::string& sql) {
    ado::Connection connection;
    connection.Open(ConnString());
    ado::Recordset rs = connection.Execute(sql);
    if (rs.Eof()) return "";
    return vb::CStr(rs.Fields(0).Value());
  }
  int Count(const std::string& table_and_condition) {
    return std::stoi(Value("SELECT COUNT(*) FROM " + table_and_condition));
  }

  std::string Url(const std::string& path) const { return site_.Url(path); }

  ostrel::testing::HttpServer site_;
  vb::DateTime now_;
  std::unique_ptr<ostrel::testing::ClockGuard> clock_;
};

}  // namespace ostrel::articles
