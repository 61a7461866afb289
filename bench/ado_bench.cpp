// The cost of the data-access layer against the plain SQLite API.
//
// Both sides run the same work on the same database: keyed reads of a whole
// gathering item (the way the settings loader reads one: a statement built by
// concatenation, then GetRows(1)), and article inserts (the way the storing
// step adds one: an updatable recordset, AddNew, the fields, Update, the new
// key read back). The plain side uses prepared statements that it keeps and
// binds, as a straightforward caller would, and copies what it reads into
// strings. Each side runs three times, interleaved; the best run counts.
//
//   bench_ado [operations]     default 10000
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/ado/schema_loader.h"
#include "platform/vb/datetime.h"

using namespace ostrel;

namespace {

constexpr int kItems = 1000;

double Seconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Check(int rc, sqlite3* db, int expected = SQLITE_OK) {
  if (rc != expected) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
}

void SeedItems(const std::string& path) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(path.c_str(), &db), db);
  Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
  sqlite3_stmt* stmt = nullptr;
  Check(sqlite3_prepare_v2(db,
                           "INSERT INTO QX_NewsItem (ItemName, SiteUrl, ChannelID, RemoteListUrl,"
                           " PaginalList, RetuneClass) VALUES (?, ?, 1, ?, ?, NULL)",
                           -1, &stmt, nullptr),
        db);
  for (int i = 0; i < kItems; ++i) {
    std::string n = std::to_string(i);
    std::string name = "采集项目 " + n, site = "http://127.0.0.1:8081/",
                list = site + "list" + n + ".html";
    sqlite3_bind_text(stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, site.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 3, list.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 4, (site + "list_{$pageid}.html").c_str(), -1, SQLITE_TRANSIENT);
    Check(sqlite3_step(stmt), db, SQLITE_DONE);
    sqlite3_reset(stmt);
  }
  sqlite3_finalize(stmt);
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
  sqlite3_close(db);
}

// The fields of one article, the same for both sides.
struct Article {
  std::string title;
  std::string content;
};

const char* const kTextColumns[] = {"Author",   "ComeFrom",    "HtmlFileDate", "username",
                                    "ImageUrl", "UploadImage", "AlphaIndex"};
const char* const kTextValues[] = {"作者",
                                   "来源网站",
                                   "2005080812000042",
                                   "admin",
                                   "/article/UploadPic/200508/1.jpg",
                                   "|/article/UploadPic/200508/1.jpg",
                                   "A"};

}  // namespace

int main(int argc, char** argv) {
  int ops = argc > 1 ? std::atoi(argv[1]) : 10000;
  char pattern[] = "/tmp/ostrel-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  std::string dir = pattern;
  std::string path = dir + "/site.db";
  std::string schema = std::string(OSTREL_SOURCE_DIR) + "/schema/";
  ado::CreateDatabase(path,
                      {schema + "gather.sql", schema + "host.sql", schema + "first_rows.sql"});
  SeedItems(path);

  ado::Connection conn;
  conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path);
  sqlite3* db = nullptr;
  Check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr),
        db);
  Check(sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr), db);
  sqlite3_busy_timeout(db, 5000);

  std::string content(2000, 'x');
  content.replace(0, 30, "<p>正文内容</p>");
  vb::DateTime now = vb::Now();
  std::string now_text = vb::ToStorageText(now);
  long sink = 0;
  int serial = 0;

  // ---- keyed reads ----
  auto ado_select = [&] {
    for (int i = 0; i < ops; ++i) {
      int id = 1 + (i * 7919) % kItems;
      ado::Recordset rs =
          conn.Execute("SELECT * FROM [QX_NewsItem] WHERE ItemID=" + std::to_string(id));
      vb::Variant row = rs.GetRows(1);
      sink += static_cast<long>(row.At(1, 0).AsString().size());
    }
  };
  sqlite3_stmt* select = nullptr;
  Check(sqlite3_prepare_v2(db, "SELECT * FROM QX_NewsItem WHERE ItemID=?", -1, &select, nullptr),
        db);
  auto plain_select = [&] {
    for (int i = 0; i < ops; ++i) {
      int id = 1 + (i * 7919) % kItems;
      sqlite3_bind_int(select, 1, id);
      Check(sqlite3_step(select), db, SQLITE_ROW);
      int n = sqlite3_column_count(select);
      std::vector<std::string> row(static_cast<size_t>(n));
      for (int c = 0; c < n; ++c) {
        const unsigned char* text = sqlite3_column_text(select, c);
        if (text)
          row[c].assign(reinterpret_cast<const char*>(text), sqlite3_column_bytes(select, c));
      }
      sink += static_cast<long>(row[1].size());
      sqlite3_reset(select);
    }
  };

  // ---- inserts ----
  auto ado_insert = [&] {
    for (int i = 0; i < ops; ++i) {
      ado::Recordset rs;
      rs.Open("SELECT * FROM QX_Article WHERE (ArticleID is null)", conn, ado::adOpenKeyset,
              ado::adLockOptimistic);
      rs.AddNew();
      rs("ChannelID").SetValue(vb::Variant(int32_t{1}));
      rs("ClassID").SetValue(vb::Variant(int32_t{2}));
      rs("title").SetValue(vb::Variant("文章标题 " + std::to_string(++serial)));
      rs("content").SetValue(vb::Variant(content));
      for (size_t k = 0; k < std::size(kTextColumns); ++k) {
        rs(kTextColumns[k]).SetValue(vb::Variant(kTextValues[k]));
      }
      rs("star").SetValue(vb::Variant(int32_t{3}));
      rs("AllHits").SetValue(vb::Variant(int32_t{0}));
      rs("HitsTime").SetValue(vb::Variant(now));
      rs("WriteTime").SetValue(vb::Variant(now));
      rs.Update();
      sink += rs("ArticleID").Value().AsLong();
      rs.Close();
    }
  };
  std::string insert_sql = "INSERT INTO QX_Article (ChannelID, ClassID, title, content";
  for (const char* column : kTextColumns) insert_sql += std::string(", ") + column;
  insert_sql += ", star, AllHits, HitsTime, WriteTime) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
  sqlite3_stmt* insert = nullptr;
  Check(sqlite3_prepare_v2(db, insert_sql.c_str(), -1, &insert, nullptr), db);
  auto plain_insert = [&] {
    for (int i = 0; i < ops; ++i) {
      std::string title = "文章标题 " + std::to_string(++serial);
      sqlite3_bind_int(insert, 1, 1);
      sqlite3_bind_int(insert, 2, 2);
      sqlite3_bind_text(insert, 3, title.data(), static_cast<int>(title.size()), SQLITE_STATIC);
      sqlite3_bind_text(insert, 4, content.data(), static_cast<int>(content.size()), SQLITE_STATIC);
      int p = 5;
      for (const char* value : kTextValues)
        sqlite3_bind_text(insert, p++, value, -1, SQLITE_STATIC);
      sqlite3_bind_int(insert, p++, 3);
      sqlite3_bind_int(insert, p++, 0);
      sqlite3_bind_text(insert, p++, now_text.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(insert, p++, now_text.c_str(), -1, SQLITE_STATIC);
      Check(sqlite3_step(insert), db, SQLITE_DONE);
      sink += static_cast<long>(sqlite3_last_insert_rowid(db));
      sqlite3_reset(insert);
    }
  };

  // The same inserts inside one transaction: without a commit per row, the
  // layer's own share of the cost shows.
  auto ado_insert_tx = [&] {
    conn.Execute("BEGIN");
    ado_insert();
    conn.Execute("COMMIT");
  };
  auto plain_insert_tx = [&] {
    Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    plain_insert();
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
  };

  struct Pair {
    const char* name;
    std::function<void()> ado, plain;
    double best_ado = 1e9, best_plain = 1e9;
  } pairs[] = {{"keyed SELECT (Execute + GetRows)", ado_select, plain_select},
               {"insert (AddNew + Update)", ado_insert, plain_insert},
               {"insert, one transaction", ado_insert_tx, plain_insert_tx}};
  for (Pair& p : pairs) {
    int warm = ops;
    ops = std::max(1, ops / 20);
    p.plain();
    p.ado();
    ops = warm;
    for (int round = 0; round < 3; ++round) {
      p.best_plain = std::min(p.best_plain, Seconds(p.plain));
      p.best_ado = std::min(p.best_ado, Seconds(p.ado));
    }
  }

  std::printf("%-34s %12s %12s %8s\n", "operation", "plain us/op", "ADO us/op", "ratio");
  for (const Pair& p : pairs) {
    std::printf("%-34s %12.2f %12.2f %8.2f\n", p.name, p.best_plain * 1e6 / ops,
                p.best_ado * 1e6 / ops, p.best_ado / p.best_plain);
  }
  std::printf("(%d operations each, best of 3 runs; checksum %ld)\n", ops, sink);

  sqlite3_finalize(select);
  sqlite3_finalize(insert);
  sqlite3_close(db);
  conn.Close();
  std::filesystem::remove_all(dir);
  return 0;
}
