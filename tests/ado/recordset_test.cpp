#include "platform/ado/recordset.h"

#include <gtest/gtest.h>

#include "ado_fixture.h"
#include "platform/ado/ado_error.h"
#include "platform/vb/datetime.h"

namespace ostrel::ado {
namespace {

using vb::Variant;

class RecordsetTest : public AdoTest {
 protected:
  void SetUp() override {
    AdoTest::SetUp();
    path_ = MakeDatabase(
        "CREATE TABLE t (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT DEFAULT 'none',"
        " n INTEGER DEFAULT 5, r REAL, b BLOB, d DATETIME);"
        "INSERT INTO t (name, n, r, b) VALUES ('a', 1, 1.5, x'00ff'), ('b', 3000000000, NULL, "
        "NULL),"
        " ('', NULL, 2, NULL);");
    conn_.Open("Data Source=" + path_);
  }
  std::string Scalar(const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path_.c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    std::string out = "<no row>";
    if (sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      out = text ? reinterpret_cast<const char*>(text) : "<null>";
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return out;
  }

  std::string path_;
  Connection conn_;
};

TEST_F(RecordsetTest, Navigation) {
  Recordset rs = conn_.Execute("SELECT id, name FROM t ORDER BY id");
  EXPECT_FALSE(rs.Bof());
  EXPECT_FALSE(rs.Eof());
  EXPECT_EQ(rs.RecordCount(), 3);
  rs.MoveNext();
  EXPECT_EQ(rs("name").Value().AsString(), "b");
  rs.Move(5);
  EXPECT_TRUE(rs.Eof());
  EXPECT_VB_ERROR(kErrNoCurrentRecord, rs.MoveNext());
  EXPECT_VB_ERROR(kErrNoCurrentRecord, rs.Fields("id").Value());
  rs.Move(-1);
  EXPECT_EQ(rs.Fields("id").Value().AsLong(), 3);
  rs.Move(-10);
  EXPECT_TRUE(rs.Bof());
  EXPECT_FALSE(rs.Eof());
  rs.MoveFirst();
  EXPECT_EQ(rs.Fields("id").Value().AsLong(), 1);
  rs.Move(2);
  EXPECT_EQ(rs.Fields("id").Value().AsLong(), 3);

  Recordset empty = conn_.Execute("SELECT id FROM t WHERE id=99");
  EXPECT_TRUE(empty.Bof());
  EXPECT_TRUE(empty.Eof());
  EXPECT_EQ(empty.RecordCount(), 0);
  empty.Close();
  EXPECT_EQ(empty.State(), adStateClosed);
  EXPECT_VB_ERROR(kErrObjectClosed, empty.Eof());
}

TEST_F(RecordsetTest, FieldsByNameAndPosition) {
  Recordset rs = conn_.Execute("SELECT id, name FROM t ORDER BY id");
  EXPECT_EQ(rs.Fields().Count(), 2);
  EXPECT_EQ(rs.Fields("NAME").Name(), "name");
  EXPECT_EQ(rs.Fields().Item(Variant(int32_t{1})).Value().AsString(), "a");
  EXPECT_EQ(rs.Fields().Item(Variant("Id")).Value().AsLong(), 1);
  try {
    rs.Fields("nothing");
    ADD_FAILURE();
  } catch (const vb::VbError& e) {
    EXPECT_EQ(e.number(), 3265);
    EXPECT_EQ(e.description(),
              "Item cannot be found in the collection corresponding to the requested name or "
              "ordinal.");
  }
  EXPECT_VB_ERROR(kErrItemNotFound, rs.Fields(2));
}

TEST_F(RecordsetTest, ValueTypes) {
  Recordset rs = conn_.Execute("SELECT * FROM t ORDER BY id");
  EXPECT_EQ(rs("id").Value().type(), vb::VarType::Long);
  EXPECT_EQ(rs("r").Value().AsDouble(), 1.5);
  EXPECT_EQ(rs("b").Value().AsString(), std::string("\x00\xff", 2));
  EXPECT_TRUE(rs("d").Value().IsNull());
  rs.MoveNext();
  EXPECT_EQ(rs("n").Value().AsDouble(), 3000000000.0);  // too wide for a Long
  EXPECT_TRUE(rs("r").Value().IsNull());
  rs.MoveNext();
  EXPECT_TRUE(rs("name").Value().IsString());
  EXPECT_EQ(rs("name").Value().AsString(), "");
  EXPECT_TRUE(rs("n").Value().IsNull());
  EXPECT_EQ(rs("r").Value().type(), vb::VarType::Double);
}

TEST_F(RecordsetTest, GetRowsShapeAndOrder) {
  Recordset rs = conn_.Execute("SELECT id, name, n FROM t ORDER BY id");
  Variant first = rs.GetRows(1);
  ASSERT_EQ(first.Rank(), 2);
  EXPECT_EQ(first.UBound(1), 2);  // three columns
  EXPECT_EQ(first.UBound(2), 0);  // one row
  EXPECT_EQ(first.At(1, 0).AsString(), "a");
  Variant rest = rs.GetRows(-1);
  EXPECT_EQ(rest.UBound(2), 1);
  EXPECT_EQ(rest.At(0, 0).AsLong(), 2);
  EXPECT_EQ(rest.At(1, 1).AsString(), "");
  EXPECT_TRUE(rest.At(2, 1).IsNull());
  EXPECT_TRUE(rs.Eof());
  EXPECT_VB_ERROR(kErrNoCurrentRecord, rs.GetRows(1));

  // An updatable recordset reads rowids too, but never shows them.
  Recordset upd;
  upd.Open("SELECT name FROM t ORDER BY id", conn_, adOpenKeyset, adLockOptimistic);
  EXPECT_EQ(upd.Fields().Count(), 1);
  EXPECT_EQ(upd.GetRows(5).UBound(1), 0);
}

TEST_F(RecordsetTest, AddNewInsertsAssignedColumnsOnly) {
  Recordset rs;
  rs.Open("SELECT * FROM t WHERE (id is null)", conn_, adOpenKeyset, adLockOptimistic);
  EXPECT_TRUE(rs.Eof());
  rs.AddNew();
  rs("r").SetValue(Variant::Null());
  rs("b").SetValue(Variant(""));
  rs.Update();
  int32_t id = rs("id").Value().AsLong();
  EXPECT_EQ(id, 4);
  // Unassigned columns got their defaults; Null and "" stayed apart.
  EXPECT_EQ(rs("name").Value().AsString(), "none");
  EXPECT_EQ(rs("n").Value().AsLong(), 5);
  EXPECT_TRUE(rs("r").Value().IsNull());
  EXPECT_EQ(rs("b").Value().AsString(), "");
  EXPECT_EQ(Scalar("SELECT typeof(b) || typeof(r) FROM t WHERE id=4"), "textnull");
  rs.Close();

  // Adding to a recordset that already holds rows (the duplicate check).
  Recordset dup;
  dup.Open("SELECT * FROM t WHERE name='a'", conn_, adOpenKeyset, adLockOptimistic);
  ASSERT_FALSE(dup.Eof());
  dup.AddNew();
  dup("name").SetValue(Variant("a"));
  dup("n").SetValue(Variant(true));
  dup.Update();
  EXPECT_EQ(dup("id").Value().AsLong(), 5);
  EXPECT_EQ(dup.RecordCount(), 2);
  EXPECT_EQ(Scalar("SELECT n FROM t WHERE id=5"), "1");  // True is stored as 1
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t WHERE name='a'"), "2");
}

TEST_F(RecordsetTest, UpdateWritesBackByRowid) {
  {
    Recordset rs;
    // The key is not selected: the rowid is read behind the scenes.
    rs.Open("SELECT name, n FROM t WHERE n=3000000000", conn_, adOpenKeyset, adLockOptimistic);
    rs("name").SetValue(Variant("changed"));
    rs("n").SetValue(Variant("42"));
    rs.Update();
    EXPECT_EQ(rs("n").Value().AsLong(), 42);  // read back as stored
  }
  EXPECT_EQ(Scalar("SELECT name || n FROM t WHERE id=2"), "changed42");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t WHERE name='changed'"), "1");

  // Moving off an edited row saves it; CancelUpdate forgets the edit.
  Recordset rs;
  rs.Open("SELECT id, name FROM t ORDER BY id", conn_, adOpenKeyset, adLockOptimistic);
  rs("name").SetValue(Variant("first"));
  rs.MoveNext();
  rs("name").SetValue(Variant("dropped"));
  rs.CancelUpdate();
  EXPECT_EQ(rs("name").Value().AsString(), "changed");
  rs.AddNew();
  rs("name").SetValue(Variant("dropped too"));
  rs.CancelUpdate();
  EXPECT_EQ(rs("id").Value().AsLong(), 2);
  EXPECT_EQ(rs.RecordCount(), 3);
  rs.Close();
  EXPECT_EQ(Scalar("SELECT name FROM t WHERE id=1"), "first");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t WHERE name LIKE 'dropped%'"), "0");
}

TEST_F(RecordsetTest, WritesAreRefusedWhereTheyCannotGo) {
  Recordset ro = conn_.Execute("SELECT * FROM t");
  EXPECT_VB_ERROR(kErrNotUpdatable, ro("name").SetValue(Variant("x")));
  EXPECT_VB_ERROR(kErrNotUpdatable, ro.AddNew());

  Recordset expr;
  expr.Open("SELECT id, name || '!' AS loud FROM t", conn_, adOpenKeyset, adLockOptimistic);
  EXPECT_VB_ERROR(kErrNotUpdatable, expr("loud").SetValue(Variant("x")));

  // The row went away before the update.
  Recordset rs;
  rs.Open("SELECT * FROM t WHERE id=1", conn_, adOpenKeyset, adLockOptimistic);
  conn_.Execute("DELETE FROM t WHERE id=1");
  rs("name").SetValue(Variant("late"));
  EXPECT_VB_ERROR(kErrRowNotFound, rs.Update());
  rs.CancelUpdate();
  rs.Close();

  Recordset bad;
  bad.Open("SELECT * FROM t WHERE id=2", conn_, adOpenKeyset, adLockOptimistic);
  EXPECT_VB_ERROR(vb::kErrTypeMismatch,
                  (bad("name").SetValue(Variant::FromList({})), bad.Update()));
}

TEST_F(RecordsetTest, DatesRoundTrip) {
  vb::DateTime when = vb::DateSerial(2005, 8, 8);
  when.serial += vb::TimeSerial(13, 4, 5).serial;
  Recordset rs;
  rs.Open("SELECT id, d, name FROM t WHERE id=1", conn_, adOpenKeyset, adLockOptimistic);
  rs("d").SetValue(Variant(when));
  rs.Update();
  EXPECT_EQ(Scalar("SELECT d FROM t WHERE id=1"), "2005-08-08 13:04:05");
  ASSERT_TRUE(rs("d").Value().IsDate());
  EXPECT_EQ(rs("d").Value().AsDate(), when);
  // A date written as text is stored in the same form.
  rs("d").SetValue(Variant("2006-1-2 3:04:05"));
  rs.Update();
  EXPECT_EQ(Scalar("SELECT d FROM t WHERE id=1"), "2006-01-02 03:04:05");
  // A date into a text column is the same text.
  rs("name").SetValue(Variant(when));
  rs.Update();
  EXPECT_EQ(Scalar("SELECT name FROM t WHERE id=1"), "2005-08-08 13:04:05");
}

}  // namespace
}  // namespace ostrel::ado
