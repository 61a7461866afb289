// The sample remote site of --demo: its pages and pictures served from
// demo/ on a loopback port, the demo item inserted once and moved to the new
// port on every start, and the item's codes matching the demo pages.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/demo_site.h"
#include "host/first_run.h"
#include "host/test_http.h"
#include "platform/text/charset.h"
#include "platform/vb/vb_error.h"

namespace ostrel::host {
namespace {

using test::Fetch;
using test::HttpResult;
using test::TempFolder;

const std::string kDemoRoot = std::string(OSTREL_SOURCE_DIR) + "/demo";

std::string DemoFile(const std::string& relative) {
  std::ifstream in(kDemoRoot + "/" + relative, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  EXPECT_TRUE(in.good() || in.eof()) << relative;
  return bytes.str();
}

std::string Utf8(const std::string& gb2312) { return text::Decode(gb2312, "GB2312"); }

// Every text between begin and end, in order (not nested, not overlapping).
std::vector<std::string> CutAll(const std::string& text, const std::string& begin,
                                const std::string& end) {
  std::vector<std::string> out;
  size_t at = 0;
  for (;;) {
    size_t b = text.find(begin, at);
    if (b == std::string::npos) return out;
    size_t e = text.find(end, b + begin.size());
    if (e == std::string::npos) return out;
    out.push_back(text.substr(b + begin.size(), e - b - begin.size()));
    at = e + end.size();
  }
}

std::string Cut(const std::string& text, const std::string& begin, const std::string& end) {
  std::vector<std::string> all = CutAll(text, begin, end);
  return all.empty() ? std::string() : all.front();
}

std::vector<std::string> Split(const std::string& text, const std::string& by) {
  std::vector<std::string> out;
  size_t at = 0;
  for (;;) {
    size_t next = text.find(by, at);
    out.push_back(text.substr(at, next - at));
    if (next == std::string::npos) return out;
    at = next + by.size();
  }
}

// The page as the gathering run sees it: decoded, without line breaks.
std::string Flat(const std::string& gb2312) {
  std::string out;
  for (char c : Utf8(gb2312)) {
    if (c != '\r' && c != '\n' && c != '\t') out += c;
  }
  return out;
}

// The demo item's rows, each column by name.
using ItemRow = std::map<std::string, std::string>;

std::vector<ItemRow> DemoRows(const std::string& db_path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* stmt = nullptr;
  const char* sql = "SELECT * FROM QX_NewsItem WHERE ItemName = ?1 ORDER BY ItemID";
  std::vector<ItemRow> rows;
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, kDemoItemName, -1, SQLITE_STATIC);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      ItemRow row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        const unsigned char* v = sqlite3_column_text(stmt, i);
        row[sqlite3_column_name(stmt, i)] = v ? reinterpret_cast<const char*>(v) : "";
      }
      rows.push_back(row);
    }
  } else {
    ADD_FAILURE() << sqlite3_errmsg(db);
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return rows;
}

void RunSql(const std::string& db_path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(db_path.c_str(), &db);
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  sqlite3_close(db);
}

HostConfig Databases(const TempFolder& folder) {
  HostConfig config;
  config.data_dir = folder.Path("data");
  config.schema_dir = std::string(OSTREL_SOURCE_DIR) + "/schema";
  config.gather_db = folder.Path("data/gather.db");
  config.host_db = folder.Path("data/host.db");
  EnsureDatabases(config);
  return config;
}

TEST(DemoSiteTest, ServesTheListPagesArticlesAndPictures) {
  DemoSite site(kDemoRoot);
  std::string error;
  ASSERT_TRUE(site.Start(&error)) << error;
  const int port = site.port();
  EXPECT_EQ(site.origin(), "http://127.0.0.1:" + std::to_string(port));

  HttpResult root = Fetch(port, "GET", "/");
  EXPECT_EQ(root.status(), 302);
  EXPECT_EQ(root.Header("Location"), "/list_1.html");
  // The run's check that a list page answers is a HEAD request.
  EXPECT_EQ(Fetch(port, "HEAD", "/list_1.html").status(), 200);

  std::set<std::string> articles;
  for (int page = 1; page <= 3; ++page) {
    HttpResult list = Fetch(port, "GET", "/list_" + std::to_string(page) + ".html");
    ASSERT_EQ(list.status(), 200) << page;
    EXPECT_EQ(list.Header("Content-Type"), "text/html");
    std::string text = Utf8(list.body);
    EXPECT_NE(text.find("charset=gb2312"), std::string::npos);
    EXPECT_NE(text.find("第 " + std::to_string(page) + " 页 / 共 3 页"), std::string::npos);
    for (const std::string& link : CutAll(text, "<li><a href=\"", "\"")) articles.insert(link);
  }
  ASSERT_EQ(articles.size(), 12u);
  for (const std::string& link : articles) {
    HttpResult article = Fetch(port, "GET", "/" + link);
    EXPECT_EQ(article.status(), 200) << link;
    EXPECT_NE(Utf8(article.body).find("<h1 class=\"title\">"), std::string::npos) << link;
  }

  HttpResult jpeg = Fetch(port, "GET", "/images/park.jpg");
  EXPECT_EQ(jpeg.status(), 200);
  EXPECT_EQ(jpeg.Header("Content-Type"), "image/jpeg");
  EXPECT_TRUE(jpeg.body.starts_with("\xFF\xD8\xFF"));
  HttpResult png = Fetch(port, "GET", "/images/trees.png");
  EXPECT_EQ(png.Header("Content-Type"), "image/png");
  EXPECT_TRUE(png.body.starts_with("\x89PNG"));
  // Pictures under 100 bytes would not be saved by a run.
  EXPECT_GT(Fetch(port, "GET", "/images/bus.png").body.size(), 100u);
  EXPECT_EQ(Fetch(port, "GET", "/images/none.png").status(), 404);
  site.Stop();

  TempFolder empty;
  DemoSite missing(empty.path());
  EXPECT_FALSE(missing.Start(&error));
  EXPECT_NE(error.find("missing"), std::string::npos);

  // A port another host holds: the message says where to move it.
  DemoSite first(kDemoRoot);
  ASSERT_TRUE(first.Start(&error)) << error;
  DemoSite second(kDemoRoot, "127.0.0.1:" + std::to_string(first.port()));
  EXPECT_FALSE(second.Start(&error, "/srv/data/ostrel.ini", true));
  for (const char* part : {"[Demo]\n    Listen=", "/srv/data/ostrel.ini", "--listen"}) {
    EXPECT_NE(error.find(part), std::string::npos) << error;
  }
  first.Stop();
}

TEST(DemoItemTest, InsertedOnceAndMovedToTheNewPortOnEveryStart) {
  TempFolder folder;
  HostConfig config = Databases(folder);
  int id = EnsureDemoItem(config.gather_db, "http://127.0.0.1:1111");
  ASSERT_GT(id, 0);
  std::vector<ItemRow> rows = DemoRows(config.gather_db);
  ASSERT_EQ(rows.size(), 1u);
  ItemRow row = rows[0];
  EXPECT_EQ(row["ItemID"], std::to_string(id));
  EXPECT_EQ(row["SiteUrl"], "http://127.0.0.1:1111/");
  EXPECT_EQ(row["RemoteListUrl"], "http://127.0.0.1:1111/list_1.html");
  EXPECT_EQ(row["PaginalList"], "http://127.0.0.1:1111/list_{$pageid}.html");
  EXPECT_EQ(row["NamedDemourl"], "http://127.0.0.1:1111/news/news_03.html");
  EXPECT_EQ(row["ChannelID"], "1");
  EXPECT_EQ(row["IsDown"], "1");
  EXPECT_EQ(row["AutoClass"], "0");
  EXPECT_EQ(row["IsNowTime"], "0");
  EXPECT_EQ(row["IsPagination"], "1");
  EXPECT_EQ(row["startid"], "1");
  EXPECT_EQ(row["lastid"], "3");
  EXPECT_EQ(row["IsNextPage"], "1");
  EXPECT_EQ(row["Encoding"], "GB2312");
  EXPECT_EQ(row["StopItem"], "0");
  EXPECT_EQ(Split(row["FindListCode"], "$$$").size(), 6u);
  EXPECT_EQ(Split(row["FindInfoCode"], "$$$").size(), 26u);

  // The item's own class must be a leaf class of the article channel that
  // is no external link, or every article is refused.
  sqlite3* db = nullptr;
  sqlite3_open_v2(config.host_db.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* stmt = nullptr;
  std::string sql =
      "SELECT COUNT(*) FROM QX_Classify WHERE ChannelID=1 AND ClassID=" + row["ClassID"] +
      " AND child=0 AND TurnLink=0";
  ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(stmt, 0), 1);
  sqlite3_finalize(stmt);
  sqlite3_close(db);

  // The administrator changes a code and points the site address elsewhere;
  // the next start keeps both and moves only the loopback addresses.
  RunSql(config.gather_db,
         "UPDATE QX_NewsItem SET FindListCode='edited', "
         "SiteUrl='http://example.org/' WHERE ItemID=" +
             row["ItemID"]);
  EXPECT_EQ(EnsureDemoItem(config.gather_db, "http://127.0.0.1:2222"), id);
  rows = DemoRows(config.gather_db);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]["RemoteListUrl"], "http://127.0.0.1:2222/list_1.html");
  EXPECT_EQ(rows[0]["PaginalList"], "http://127.0.0.1:2222/list_{$pageid}.html");
  EXPECT_EQ(rows[0]["NamedDemourl"], "http://127.0.0.1:2222/news/news_03.html");
  EXPECT_EQ(rows[0]["SiteUrl"], "http://example.org/");
  EXPECT_EQ(rows[0]["FindListCode"], "edited");

  // A deleted demo item comes back on the next start.
  RunSql(config.gather_db, "DELETE FROM QX_NewsItem");
  EXPECT_GT(EnsureDemoItem(config.gather_db, "http://127.0.0.1:3333"), id);
  EXPECT_EQ(DemoRows(config.gather_db).size(), 1u);

  // No database: an error, and no empty file made in its place.
  EXPECT_THROW(EnsureDemoItem(folder.Path("none.db"), "http://127.0.0.1:1"), vb::VbError);
  EXPECT_FALSE(folder.Exists("none.db"));
}

TEST(DemoItemTest, MoveToOriginReplacesOnlyALoopbackPort) {
  const std::string origin = "http://127.0.0.1:9";
  EXPECT_EQ(MoveToOrigin("http://127.0.0.1:8081/list_1.html", origin),
            "http://127.0.0.1:9/list_1.html");
  EXPECT_EQ(MoveToOrigin("http://127.0.0.1:8081", origin), origin);
  EXPECT_EQ(MoveToOrigin("http://127.0.0.1:/x", origin), "http://127.0.0.1:/x");
  EXPECT_EQ(MoveToOrigin("http://127.0.0.10:80/x", origin), "http://127.0.0.10:80/x");
  EXPECT_EQ(MoveToOrigin("https://127.0.0.1:80/x", origin), "https://127.0.0.1:80/x");
  EXPECT_EQ(MoveToOrigin("", origin), "");
}

// The item's codes, used as the run uses them, find every field of every
// demo article: a change to the pages that the item no longer fits fails
// here rather than in a browser.
TEST(DemoItemTest, TheItemsCodesCutTheDemoPages) {
  TempFolder folder;
  HostConfig config = Databases(folder);
  EnsureDemoItem(config.gather_db, "http://127.0.0.1:1");
  ItemRow row = DemoRows(config.gather_db).at(0);
  std::vector<std::string> list_codes = Split(row["FindListCode"], "$$$");
  std::vector<std::string> info = Split(row["FindInfoCode"], "$$$");

  std::vector<std::string> links;
  std::vector<std::string> titles;
  for (int page = 1; page <= 3; ++page) {
    std::string text = Flat(DemoFile("list_" + std::to_string(page) + ".html"));
    std::string area = Cut(text, list_codes[0], list_codes[1]);
    ASSERT_FALSE(area.empty()) << page;
    std::vector<std::string> found = CutAll(area, list_codes[2], list_codes[3]);
    EXPECT_EQ(found.size(), 4u) << page;
    links.insert(links.end(), found.begin(), found.end());
    for (const std::string& title : CutAll(area, "target=\"_blank\">", "</a>")) {
      titles.push_back(title);
    }
  }
  ASSERT_EQ(links.size(), 12u);
  ASSERT_EQ(titles.size(), 12u);

  int paged = 0;
  int pictures = 0;
  for (size_t i = 0; i < links.size(); ++i) {
    std::string text = Flat(DemoFile(links[i]));
    EXPECT_EQ(Cut(text, info[0], info[1]), titles[i]) << links[i];
    std::string content = Cut(text, info[2], info[3]);
    ASSERT_FALSE(content.empty()) << links[i];
    EXPECT_FALSE(Cut(text, info[8], info[9]).empty()) << links[i];
    EXPECT_FALSE(Cut(text, info[10], info[11]).empty()) << links[i];
    EXPECT_TRUE(Cut(text, info[12], info[13]).starts_with("2024-03-")) << links[i];
    pictures += static_cast<int>(CutAll(content, "<img src=\"", "\"").size());
    // The paging area lies inside the content (IsNextPage 1), and every
    // link in it leads to a page of the same article.
    std::string area = Cut(content, info[14], info[15]);
    if (area.empty()) {
      EXPECT_NE(content.find(info[18]), std::string::npos) << "filter text in " << links[i];
      continue;
    }
    ++paged;
    std::string stem = links[i].substr(5, 7);  // "news_NN"
    for (const std::string& next : CutAll(area, info[16], info[17])) {
      EXPECT_TRUE(next.starts_with(stem + "_")) << next;
      std::string continued = Flat(DemoFile("news/" + next));
      EXPECT_FALSE(Cut(continued, info[2], info[3]).empty()) << next;
    }
  }
  EXPECT_EQ(paged, 3);
  EXPECT_GE(pictures, 5);
}

}  // namespace
}  // namespace ostrel::host
