#include "platform/ado/connection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ado_fixture.h"
#include "platform/ado/ado_error.h"

namespace ostrel::ado {
namespace {

using ConnectionTest = AdoTest;

TEST_F(ConnectionTest, ConnectionStringForms) {
  std::string path = MakeDatabase("CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (7);");
  const std::string forms[] = {
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path,
      "Driver={Microsoft Access Driver (*.mdb)};DBQ=" + path,
      "data source = \"" + path + "\" ; Persist Security Info=False",
      "DBQ={" + path + "};UID=admin;PWD=",
      "Provider=SQLOLEDB;Data Source=" + Windows("t.db") + ";",
  };
  for (const std::string& form : forms) {
    Connection conn;
    conn.Open(form, "", "", -1);
    EXPECT_EQ(conn.State(), adStateOpen) << form;
    EXPECT_EQ(conn.Execute("SELECT a FROM t").Fields("a").Value().AsLong(), 7) << form;
    conn.Close();
    EXPECT_EQ(conn.State(), adStateClosed);
  }
  EXPECT_EQ(DataSourceOf("Provider=x;Data Source='C:\\a;b.db';Mode=3"), "C:\\a;b.db");
}

TEST_F(ConnectionTest, MissingOrForeignFilesAreRefused) {
  Connection conn;
  EXPECT_VB_ERROR(kErrProvider, conn.Open("Data Source=" + Native("missing.db")));
  EXPECT_FALSE(std::filesystem::exists(Native("missing.db")));
  EXPECT_VB_ERROR(kErrProvider, conn.Open("Provider=Microsoft.Jet.OLEDB.4.0"));
  {
    FILE* f = fopen(Native("text.db").c_str(), "w");
    fputs("this is not a database, but long enough to look like a header of one......", f);
    fclose(f);
  }
  EXPECT_VB_ERROR(kErrProvider, conn.Open("Data Source=" + Native("text.db")));
  EXPECT_EQ(conn.State(), adStateClosed);
}

TEST_F(ConnectionTest, OpenSettingsAndState) {
  Connection conn;
  conn.Open("Data Source=" + MakeDatabase("CREATE TABLE t (a INTEGER);"));
  EXPECT_EQ(conn.Execute("PRAGMA journal_mode").Fields(0).Value().AsString(), "wal");
  EXPECT_EQ(conn.Execute("PRAGMA synchronous").Fields(0).Value().AsLong(), 1);  // NORMAL
  EXPECT_EQ(conn.Execute("PRAGMA foreign_keys").Fields(0).Value().AsLong(), 0);
  EXPECT_GT(conn.Execute("PRAGMA busy_timeout").Fields(0).Value().AsLong(), 0);
  EXPECT_VB_ERROR(kErrObjectOpen, conn.Open("Data Source=" + Native("t.db")));
  conn.Close();
  EXPECT_VB_ERROR(kErrInvalidConnection, conn.Execute("SELECT 1"));
  EXPECT_VB_ERROR(kErrObjectClosed, conn.Close());
}

TEST_F(ConnectionTest, ExecuteRunsExactlyOneStatement) {
  Connection conn;
  conn.Open("Data Source=" + MakeDatabase("CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1);"));
  // A second statement is refused before anything runs.
  try {
    conn.Execute("DELETE FROM t; INSERT INTO t VALUES (2)");
    ADD_FAILURE() << "two statements ran";
  } catch (const vb::VbError& e) {
    EXPECT_EQ(e.source(), kErrorSource);
    EXPECT_NE(e.description().find("after end of SQL statement"), std::string::npos);
  }
  EXPECT_VB_ERROR(kErrProvider, conn.Execute("SELECT a FROM t;SELECT 2"));
  EXPECT_EQ(conn.Execute("SELECT COUNT(*) FROM t").Fields(0).Value().AsLong(), 1);
  // Trailing semicolons, blanks and comments are fine.
  EXPECT_EQ(conn.Execute("SELECT a FROM t ;; \r\n").Fields(0).Value().AsLong(), 1);
  EXPECT_EQ(conn.Execute("SELECT a FROM t; -- done").Fields(0).Value().AsLong(), 1);
  EXPECT_VB_ERROR(kErrProvider, conn.Execute("  ;  "));
  // A statement without rows gives a closed recordset.
  Recordset rs = conn.Execute("INSERT INTO t VALUES (3)");
  EXPECT_EQ(rs.State(), adStateClosed);
  EXPECT_EQ(conn.Execute("SELECT COUNT(*) FROM t").Fields(0).Value().AsLong(), 2);
}

TEST_F(ConnectionTest, EngineErrorsCarrySqliteMessage) {
  Connection conn;
  conn.Open("Data Source=" + MakeDatabase("CREATE TABLE t (a INTEGER);"));
  try {
    conn.Execute("SELECT * FROM nowhere");
    ADD_FAILURE();
  } catch (const vb::VbError& e) {
    EXPECT_EQ(e.number(), kErrProvider);
    EXPECT_EQ(e.source(), "ostrel.ado");
    EXPECT_NE(e.description().find("no such table: nowhere"), std::string::npos);
  }
  // The connection stays usable.
  EXPECT_EQ(conn.Execute("SELECT COUNT(*) FROM t").Fields(0).Value().AsLong(), 0);
}

TEST_F(ConnectionTest, StatementsBuiltWithOtherValuesGiveTheirOwnRows) {
  Connection conn;
  conn.Open("Data Source=" +
            MakeDatabase("CREATE TABLE t (id INTEGER PRIMARY KEY, title TEXT);"
                         "INSERT INTO t VALUES (1,'one'),(2,'it''s'),(3,'three');"));
  for (int id = 1; id <= 3; ++id) {
    Recordset rs = conn.Execute("SELECT title FROM t WHERE id=" + std::to_string(id));
    EXPECT_EQ(rs.Fields("title").Value().AsString(), id == 1 ? "one" : id == 2 ? "it's" : "three");
  }
  EXPECT_EQ(conn.Execute("SELECT id FROM t WHERE title='it''s'").Fields(0).Value().AsLong(), 2);
  EXPECT_TRUE(conn.Execute("SELECT id FROM t WHERE title='nothing'").Eof());
  EXPECT_EQ(conn.Execute("SELECT id FROM t ORDER BY 1 DESC").Fields(0).Value().AsLong(), 3);
  // TOP through Execute.
  Recordset top = conn.Execute("SELECT TOP 2 id FROM t ORDER BY id DESC");
  EXPECT_EQ(top.RecordCount(), 2);
  EXPECT_EQ(top.Fields(0).Value().AsLong(), 3);
}

TEST_F(ConnectionTest, SchemaChangedElsewhereIsSeen) {
  std::string path = MakeDatabase("CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1);");
  Connection conn;
  conn.Open("Data Source=" + path);
  EXPECT_EQ(conn.Execute("SELECT * FROM t").Fields().Count(), 1);
  Connection other;
  other.Open("Data Source=" + path);
  other.Execute("ALTER TABLE t ADD COLUMN b TEXT DEFAULT 'x'");
  Recordset rs = conn.Execute("SELECT * FROM t");
  ASSERT_EQ(rs.Fields().Count(), 2);
  EXPECT_EQ(rs.Fields("b").Value().AsString(), "x");
}

TEST_F(ConnectionTest, NoReadLockOutlivesACall) {
  std::string path = MakeDatabase("CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1),(2);");
  Connection reader;
  reader.Open("Data Source=" + path);
  Recordset rs = reader.Execute("SELECT a FROM t");
  // A checkpoint that must wait for every reader finishes at once.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "INSERT INTO t VALUES (3)", nullptr, nullptr, nullptr), SQLITE_OK);
  int log = -1, done = -1;
  EXPECT_EQ(sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, &log, &done),
            SQLITE_OK);
  sqlite3_close(db);
  EXPECT_EQ(rs.RecordCount(), 2);
}

TEST_F(ConnectionTest, ACommitOfAnUndoneTransactionRaises) {
  std::string path = MakeDatabase("CREATE TABLE t (a INTEGER);");
  Connection conn;
  conn.Open("Data Source=" + path);
  conn.BeginTrans();
  conn.Execute("INSERT INTO t VALUES (1)");
  conn.Execute("ROLLBACK");  // as a failure inside would
  EXPECT_VB_ERROR(kErrProvider, conn.CommitTrans());
  conn.BeginTrans();
  conn.Execute("INSERT INTO t VALUES (2)");
  conn.CommitTrans();
  EXPECT_EQ(conn.Execute("SELECT group_concat(a) FROM t").Fields(0).Value().AsString(), "2");
}

}  // namespace
}  // namespace ostrel::ado
