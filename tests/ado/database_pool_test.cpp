#include "platform/ado/database_pool.h"

#include <filesystem>

#include "ado/ado_fixture.h"
#include "platform/ado/database.h"
#include "platform/ado/log_checkpoints.h"
#include "platform/ado/recordset.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::ado {
namespace {

class DatabasePoolTest : public AdoTest {};

int32_t CountRows(Connection& conn) {
  Recordset rs = conn.Execute("SELECT COUNT(*) FROM t");
  return vb::CLng(rs.Fields(0).Value());
}

TEST_F(DatabasePoolTest, AReleasedDatabaseServesTheNextConnection) {
  std::string path = MakeDatabase("CREATE TABLE t(a);INSERT INTO t VALUES(1);");
  sqlite3* first = nullptr;
  {
    Connection conn;
    conn.Open("Data Source=" + path);
    first = conn.database()->handle();
    conn.Close();
  }
  Connection again;
  again.Open("Data Source=" + path);
  EXPECT_EQ(again.database()->handle(), first);
  // Two connections at once each have their own.
  Connection second;
  second.Open("Data Source=" + path);
  EXPECT_NE(second.database()->handle(), first);
  EXPECT_EQ(CountRows(second), 1);
}

TEST_F(DatabasePoolTest, AReplacedFileIsNeverReadThroughAnOldHandle) {
  std::string path = MakeDatabase("CREATE TABLE t(a);INSERT INTO t VALUES(1);");
  {
    Connection conn;
    conn.Open("Data Source=" + path);
    EXPECT_EQ(CountRows(conn), 1);
  }
  std::filesystem::remove(path);
  std::filesystem::remove(path + "-wal");
  std::filesystem::remove(path + "-shm");
  MakeDatabase("CREATE TABLE t(a);INSERT INTO t VALUES(1);INSERT INTO t VALUES(2);");
  Connection conn;
  conn.Open("Data Source=" + path);
  EXPECT_EQ(CountRows(conn), 2);
}

TEST_F(DatabasePoolTest, ARemovedFileIsStillRefused) {
  std::string path = MakeDatabase("CREATE TABLE t(a);");
  {
    Connection conn;
    conn.Open("Data Source=" + path);
  }
  std::filesystem::remove(path);
  Connection conn;
  EXPECT_THROW(conn.Open("Data Source=" + path), vb::VbError);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(DatabasePoolTest, AnOpenTransactionIsNotHandedOn) {
  std::string path = MakeDatabase("CREATE TABLE t(a);");
  {
    Connection conn;
    conn.Open("Data Source=" + path);
    conn.Execute("BEGIN");
    conn.Execute("INSERT INTO t VALUES(5)");
  }
  Connection conn;
  conn.Open("Data Source=" + path);
  // A handle still inside the transaction would see its own insert.
  EXPECT_EQ(CountRows(conn), 0);
}

TEST_F(DatabasePoolTest, TheLogIsCopiedBackWhileTheConnectionStaysOpen) {
  std::string path = MakeDatabase("CREATE TABLE t(a);");
  Connection conn;
  conn.Open("Data Source=" + path);
  // About 12 MB of commits, well past the log size at which a copy is due.
  for (int i = 0; i < 750; ++i) conn.Execute("INSERT INTO t VALUES(zeroblob(16000))");
  WaitForCheckpoints();
  EXPECT_GT(std::filesystem::file_size(path), 4'000'000u);
  EXPECT_EQ(CountRows(conn), 750);
}

}  // namespace
}  // namespace ostrel::ado
