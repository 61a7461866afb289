#include "host/demo_site.h"

#include <sqlite3.h>

#include <cctype>
#include <filesystem>
#include <string_view>
#include <vector>

#include "host/host_config.h"
#include "platform/ado/ado_error.h"
#include "platform/vb/vb_error.h"

namespace ostrel::host {

namespace {

constexpr char kLoopbackPrefix[] = "http://127.0.0.1:";

// The codes that cut the demo pages, joined with "$$$" as the item columns
// keep them. The list: its area, then each link.
const std::vector<std::string_view> kListCodes = {
    "<ul class=\"newslist\">", "</ul>", "<li><a href=\"", "\"", "0", "0",
};

// The article page: title, content, the two class names (unused: the item
// has its own class), author, source, time, the paging area and its links,
// four filter strings and two match filters.
const std::vector<std::string_view> kInfoCodes = {
    "<h1 class=\"title\">",
    "</h1>",
    "<!--content begin-->",
    "<!--content end-->",
    "0",
    "0",
    "0",
    "0",
    "<span class=\"author\">",
    "</span>",
    "<span class=\"source\">",
    "</span>",
    "<span class=\"date\">",
    "</span>",
    "<div class=\"pages\">",
    "</div>",
    "<a href=\"",
    "\"",
    "（本文由演示新闻网提供）",
    "0",
    "0",
    "0",
    "0",
    "0",
    "0",
    "0",
};

std::string Joined(const std::vector<std::string_view>& codes) {
  std::string out;
  for (size_t i = 0; i < codes.size(); ++i) {
    if (i > 0) out += "$$$";
    out += codes[i];
  }
  return out;
}

[[noreturn]] void RaiseDb(sqlite3* db, const std::string& what) {
  ado::RaiseAdo(ado::kErrProvider, what + ": " + sqlite3_errmsg(db));
}

// A prepared statement, finalised on every way out.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) RaiseDb(db, sql);
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void Bind(int index, const std::string& text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  void Bind(int index, int value) { sqlite3_bind_int(stmt_, index, value); }
  // True while there is a row.
  bool Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) RaiseDb(db_, sqlite3_sql(stmt_));
    return false;
  }
  std::string Text(int column) {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    return text ? reinterpret_cast<const char*>(text) : "";
  }
  int Int(int column) { return sqlite3_column_int(stmt_, column); }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

void Exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) RaiseDb(db, sql);
}

int InsertItem(sqlite3* db, const std::string& origin) {
  // A paged list of three pages; the articles go into the leaf class 国内
  // (2) of the article channel, their pictures are saved, and each
  // article's continuation pages are joined to it.
  Statement insert(db,
                   "INSERT INTO QX_NewsItem (ItemName, SiteUrl, ChannelID, ClassID, SpecialID, "
                   "StopItem, Encoding, IsDown, AutoClass, PathForm, IsNowTime, AllHits, star, "
                   "RemoteListUrl, PaginalList, IsPagination, startid, lastid, FindListCode, "
                   "FindInfoCode, RetuneClass, IsNextPage, NamedDemourl, strReplace) "
                   "VALUES (?1, ?2, 1, 2, 0, 0, 'GB2312', 1, 0, 1, 0, 0, 3, ?3, ?4, 1, 1, 3, "
                   "?5, ?6, '', 1, ?7, '')");
  insert.Bind(1, kDemoItemName);
  insert.Bind(2, origin + "/");
  insert.Bind(3, origin + "/list_1.html");
  insert.Bind(4, origin + "/list_{$pageid}.html");
  insert.Bind(5, Joined(kListCodes));
  insert.Bind(6, Joined(kInfoCodes));
  insert.Bind(7, origin + "/news/news_03.html");
  insert.Step();
  return static_cast<int>(sqlite3_last_insert_rowid(db));
}

// The demo folder served as static files: a remote site has no host pages.
ServerSettings SiteSettings(const std::string& demo_root, const std::string& listen) {
  ServerSettings settings;
  settings.listen = listen;
  settings.threads = 1;
  settings.connection_threads = 32;
  settings.pages.site_root = demo_root;
  return settings;
}

}  // namespace

DemoSite::DemoSite(const std::string& demo_root, const std::string& listen)
    : demo_root_(demo_root), server_(SiteSettings(demo_root, listen)) {
  int port = 0;
  SplitListen(listen, &address_, &port);
  server_.AddRedirect("/", "/list_1.html");
}

bool DemoSite::Start(std::string* error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(demo_root_ + "/list_1.html", ec)) {
    *error = "the demo site's files are missing from " + demo_root_;
    return false;
  }
  if (!server_.Start(error)) {
    *error = "demo site: " + *error;
    return false;
  }
  return true;
}

std::string DemoSite::origin() const {
  return "http://" + address_ + ":" + std::to_string(server_.port());
}

std::string MoveToOrigin(const std::string& text, const std::string& origin) {
  std::string_view prefix = kLoopbackPrefix;
  if (!text.starts_with(prefix)) return text;
  size_t end = prefix.size();
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
  if (end == prefix.size()) return text;
  return origin + text.substr(end);
}

int EnsureDemoItem(const std::string& gather_db, const std::string& origin) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(gather_db.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close_v2(db);
    ado::RaiseAdo(ado::kErrProvider, "Cannot open " + gather_db + ": " + message);
  }
  sqlite3_busy_timeout(db, 5000);
  int item_id = 0;
  try {
    Exec(db, "BEGIN IMMEDIATE");
    struct Found {
      int id;
      std::string addresses[4];
    };
    std::vector<Found> found;
    {
      Statement select(db,
                       "SELECT ItemID, SiteUrl, RemoteListUrl, PaginalList, NamedDemourl "
                       "FROM QX_NewsItem WHERE ItemName = ?1 ORDER BY ItemID");
      select.Bind(1, kDemoItemName);
      while (select.Step()) {
        found.push_back(
            {select.Int(0), {select.Text(1), select.Text(2), select.Text(3), select.Text(4)}});
      }
    }
    if (found.empty()) {
      item_id = InsertItem(db, origin);
    } else {
      item_id = found.front().id;
      for (const Found& item : found) {
        Statement update(db,
                         "UPDATE QX_NewsItem SET SiteUrl = ?1, RemoteListUrl = ?2, "
                         "PaginalList = ?3, NamedDemourl = ?4 WHERE ItemID = ?5");
        for (int i = 0; i < 4; ++i) update.Bind(i + 1, MoveToOrigin(item.addresses[i], origin));
        update.Bind(5, item.id);
        update.Step();
      }
    }
    Exec(db, "COMMIT");
  } catch (const vb::VbError&) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
    throw;
  }
  sqlite3_close_v2(db);
  return item_id;
}

}  // namespace ostrel::host
