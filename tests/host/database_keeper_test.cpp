// The idle connections the host keeps: the log files of a database stay in
// place between the pages' own connections, a missing database is neither
// kept nor made, and the kept connection holds up no writer.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "host/database_keeper.h"
#include "host/first_run.h"
#include "host/test_http.h"

namespace ostrel::host {
namespace {

using test::TempFolder;

// What a page does: open, write a row, close.
void WriteARow(const std::string& path) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  sqlite3_busy_timeout(db, 0);
  EXPECT_EQ(sqlite3_exec(db, "INSERT INTO QX_NewsItem (ItemName) VALUES ('x')", nullptr, nullptr,
                         nullptr),
            SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close_v2(db);
}

TEST(DatabaseKeeperTest, KeepsTheLogFilesBetweenThePagesConnections) {
  TempFolder folder;
  HostConfig config;
  config.data_dir = folder.Path("data");
  config.schema_dir = std::string(OSTREL_SOURCE_DIR) + "/schema";
  config.gather_db = folder.Path("data/gather.db");
  config.host_db = folder.Path("data/host.db");
  EnsureDatabases(config);

  // Without a keeper, closing the last connection removes the log.
  WriteARow(config.gather_db);
  EXPECT_FALSE(folder.Exists("data/gather.db-wal"));
  {
    DatabaseKeeper keeper({config.gather_db, config.gather_db, folder.Path("data/none.db")});
    EXPECT_EQ(keeper.size(), 1u);
    EXPECT_FALSE(folder.Exists("data/none.db"));
    // A writer goes through while the keeper holds its connection.
    WriteARow(config.gather_db);
    EXPECT_TRUE(folder.Exists("data/gather.db-wal"));
    EXPECT_TRUE(folder.Exists("data/gather.db-shm"));
  }
  EXPECT_FALSE(folder.Exists("data/gather.db-wal"));
}

}  // namespace
}  // namespace ostrel::host
