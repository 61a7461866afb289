#include "host/demo_site.h"

#include <sqlite3.h>

#include <cctype>
#include <filesystem>
#include <string_view>
#include <vector>

#include "host/demo_flash_codes.h"
#include "host/demo_soft_codes.h"
#include "host/first_run.h"
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

template <class Codes>
std::string Joined(const Codes& codes) {
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

// A demo class (a leaf of channel) in the host database; made when
// missing. Its ClassID.
int EnsureDemoClass(sqlite3* db, int channel, const char* name) {
  {
    Statement select(db, "SELECT ClassID FROM QX_Classify WHERE ChannelID=?2 AND ClassName=?1");
    select.Bind(1, name);
    select.Bind(2, channel);
    if (select.Step()) return select.Int(0);
  }
  Statement insert(db,
                   "INSERT INTO QX_Classify (ChannelID, ClassName, depth, TurnLink, child, rootid, "
                   "orders, parentid, Parentstr, ClassDir, HtmlFileDir, ShowCount, isUpdate) "
                   "VALUES (?2, ?1, 0, 0, 0, 0, 0, 0, '0', 'demo', 'demo', 0, 0)");
  insert.Bind(1, name);
  insert.Bind(2, channel);
  insert.Step();
  const int id = static_cast<int>(sqlite3_last_insert_rowid(db));
  Statement root(db, "UPDATE QX_Classify SET rootid=?1 WHERE ClassID=?1");
  root.Bind(1, id);
  root.Step();
  return id;
}

// Inserts an item row of a channel whose demo site is the folder site:
// binds ?1 to ?8 to the item's name, the site, its class, its two list
// addresses there (the first page and the paged form), its list and entry
// codes and its trial entry page in the site. The new ItemID.
int InsertSiteItem(sqlite3* db, Statement& insert, const char* name, const std::string& site,
                   int class_id, const std::string& list_codes, const std::string& info_codes,
                   const char* trial_page) {
  insert.Bind(1, name);
  insert.Bind(2, site);
  insert.Bind(3, class_id);
  insert.Bind(4, site + "list_1.html");
  insert.Bind(5, site + "list_{$pageid}.html");
  insert.Bind(6, list_codes);
  insert.Bind(7, info_codes);
  insert.Bind(8, site + trial_page);
  insert.Step();
  return static_cast<int>(sqlite3_last_insert_rowid(db));
}

// The software item: downloads its files (through the download page and
// the 302), re-packs them as zip with the site's readme and shows the
// progress. The settings are the channel's: they are set only with the
// item, so an administrator's later changes stay.
int InsertSoftItem(sqlite3* db, const std::string& origin, int class_id) {
  Statement insert(db,
                   "INSERT INTO QX_SoftItem (ItemName, SiteUrl, ChannelID, ClassID, SpecialID, "
                   "StopItem, Encoding, IsDown, downid, MaxAddress, AutoClass, PathForm, "
                   "AutoRename, IsNowTime, AllHits, star, RemoteListUrl, PaginalList, "
                   "IsPagination, startid, lastid, FindListCode, FindInfoCode, downpage, "
                   "RetuneClass, RemoveFile, strLeachName, NamedDemourl, strReplace) "
                   "VALUES (?1, ?2, 2, ?3, 0, 0, 'GB2312', 1, 0, 0, 0, 1, 0, 0, 999, 3, ?4, ?5, "
                   "1, 1, 2, ?6, ?7, 1, '', 'ad.url', '', ?8, '')");
  const int id = InsertSiteItem(db, insert, kDemoSoftItemName, origin + "/soft/", class_id,
                                Joined(kSoftListCodes), Joined(kSoftInfoCodes), "soft_01.html");
  Statement config(db,
                   "UPDATE QX_SoftConfig SET UseDownload=1, isProgress=3, TrueAddress=0, "
                   "isZipFile=1, ZipMode=1, ZipTimeout=0, AllowDownExt='zip|rar|exe', "
                   "AllowFileExt='zip|rar|exe', DownFilePath=?1, ReadmePath=?2, ReadmeFile=?3 "
                   "WHERE id=1");
  config.Bind(1, kSoftDownFolder);
  config.Bind(2, kSoftReadmeFolder);
  config.Bind(3, kSiteReadmeName);
  config.Step();
  return id;
}

// The Flash item: both list pages with their thumbnails, every entry's
// file downloaded with progress into the channel's upload folder, shown as
// a movie. The settings are the channel's, set only with the item.
int InsertFlashItem(sqlite3* db, const std::string& origin, int class_id) {
  Statement insert(db,
                   "INSERT INTO QX_FlashItem (ItemName, SiteUrl, ChannelID, ClassID, SpecialID, "
                   "StopItem, Encoding, IsDown, showmode, AutoClass, PathForm, SaveFilePath, "
                   "AutoRename, IsNowTime, AllHits, star, RemoteListUrl, PaginalList, "
                   "IsPagination, startid, lastid, FindListCode, FindInfoCode, downpage, "
                   "RetuneClass, NamedDemourl, strReplace) "
                   "VALUES (?1, ?2, 5, ?3, 0, 0, 'GB2312', 1, 1, 0, 1, 'UploadFile/', 0, 0, 999, "
                   "3, ?4, ?5, 1, 1, 2, ?6, ?7, 0, '', ?8, '')");
  const int id = InsertSiteItem(db, insert, kDemoFlashItemName, origin + "/flash/", class_id,
                                Joined(kFlashListCodes), Joined(kFlashInfoCodes), "flash_01.html");
  Exec(db,
       "UPDATE QX_FlashConfig SET UseDownload=1, isProgress=3, "
       "AllowDownExt='swf|gif|jpg|png|wav|mp3' WHERE id=1");
  return id;
}

sqlite3* OpenDatabase(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close_v2(db);
    ado::RaiseAdo(ado::kErrProvider, "Cannot open " + path + ": " + message);
  }
  sqlite3_busy_timeout(db, 5000);
  return db;
}

// Runs work inside one write transaction of the database at path; a
// failure rolls it back and reaches the caller.
template <class F>
void InTransaction(const std::string& path, F&& work) {
  sqlite3* db = OpenDatabase(path);
  try {
    Exec(db, "BEGIN IMMEDIATE");
    work(db);
    Exec(db, "COMMIT");
  } catch (const vb::VbError&) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
    throw;
  }
  sqlite3_close_v2(db);
}

// Points the four addresses of every item of table named name that still
// lead to a loopback port at origin; inserts one with insert when there is
// none. The (first) item's ItemID.
template <class F>
int EnsureItem(sqlite3* db, const std::string& table, const char* name, const std::string& origin,
               F&& insert) {
  struct Found {
    int id;
    std::string addresses[4];
  };
  std::vector<Found> found;
  {
    Statement select(db, ("SELECT ItemID, SiteUrl, RemoteListUrl, PaginalList, NamedDemourl "
                          "FROM " +
                          table + " WHERE ItemName = ?1 ORDER BY ItemID")
                             .c_str());
    select.Bind(1, name);
    while (select.Step()) {
      found.push_back(
          {select.Int(0), {select.Text(1), select.Text(2), select.Text(3), select.Text(4)}});
    }
  }
  if (found.empty()) return insert();
  for (const Found& item : found) {
    Statement update(db, ("UPDATE " + table +
                          " SET SiteUrl = ?1, RemoteListUrl = ?2, PaginalList = ?3, "
                          "NamedDemourl = ?4 WHERE ItemID = ?5")
                             .c_str());
    for (int i = 0; i < 4; ++i) update.Bind(i + 1, MoveToOrigin(item.addresses[i], origin));
    update.Bind(5, item.id);
    update.Step();
  }
  return found.front().id;
}

// The demo folder served as static files: a remote site has no host pages.
ServerSettings SiteSettings(const std::string& demo_root, const std::string& listen) {
  ServerSettings settings;
  settings.listen = listen;
  settings.threads = 1;
  // A stand-in remote site: the host's own runs fetch from it at once.
  settings.connections_per_address = 0;
  settings.pages.site_root = demo_root;
  return settings;
}

}  // namespace

DemoSite::DemoSite(const std::string& demo_root, const std::string& listen)
    : demo_root_(demo_root), server_(SiteSettings(demo_root, listen)) {
  int port = 0;
  SplitListen(listen, &address_, &port);
  server_.AddRedirect("/", "/list_1.html");
  // The software site's download links answer as many sites do: a 302 to
  // where the file lies.
  std::error_code ec;
  for (const auto& file : std::filesystem::directory_iterator(demo_root + "/soft/files", ec)) {
    const std::string name = file.path().filename().string();
    server_.AddRedirect("/soft/down/" + name, "/soft/files/" + name);
  }
}

bool DemoSite::Start(std::string* error, std::string_view config_path, bool data_folder_given) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(demo_root_ + "/list_1.html", ec)) {
    *error = "the demo site's files are missing from " + demo_root_;
    return false;
  }
  if (server_.Start(error)) return true;
  const std::string listen = "    [Demo]\n    Listen=" + address_ + ":PORT\n";
  *error = "demo site: " + *error +
           ".\n  Is another ostrel-host --demo running? To run a second one beside it,\n";
  if (!data_folder_given) {
    *error +=
        "  give it a data folder of its own, or it shares the first one's\n"
        "  databases and configuration:\n"
        "    --data DIR --listen ADDR:PORT\n"
        "  and its demo site a free port in DIR/ostrel.ini:\n" +
        listen;
  } else {
    *error += "  give its demo site a free port in its configuration file\n  " +
              std::string(config_path) + ":\n" + listen +
              "  and, if the admin port is taken too, its admin pages one with\n"
              "    --listen ADDR:PORT";
  }
  if (error->ends_with('\n')) error->pop_back();
  return false;
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
  int item_id = 0;
  InTransaction(gather_db, [&](sqlite3* db) {
    item_id = EnsureItem(db, "QX_NewsItem", kDemoItemName, origin,
                         [&] { return InsertItem(db, origin); });
  });
  return item_id;
}

int EnsureDemoSoftItem(const std::string& gather_db, const std::string& host_db,
                       const std::string& origin) {
  int class_id = 0;
  InTransaction(host_db,
                [&](sqlite3* db) { class_id = EnsureDemoClass(db, 2, kDemoSoftClassName); });
  int item_id = 0;
  InTransaction(gather_db, [&](sqlite3* db) {
    item_id = EnsureItem(db, "QX_SoftItem", kDemoSoftItemName, origin,
                         [&] { return InsertSoftItem(db, origin, class_id); });
  });
  return item_id;
}

int EnsureDemoFlashItem(const std::string& gather_db, const std::string& host_db,
                        const std::string& origin) {
  int class_id = 0;
  InTransaction(host_db,
                [&](sqlite3* db) { class_id = EnsureDemoClass(db, 5, kDemoFlashClassName); });
  int item_id = 0;
  InTransaction(gather_db, [&](sqlite3* db) {
    item_id = EnsureItem(db, "QX_FlashItem", kDemoFlashItemName, origin,
                         [&] { return InsertFlashItem(db, origin, class_id); });
  });
  return item_id;
}

}  // namespace ostrel::host
