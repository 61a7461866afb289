#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ado_fixture.h"
#include "platform/ado/ado_error.h"

namespace ostrel::ado {
namespace {

using vb::Variant;
using SchemaTest = AdoTest;

std::vector<std::string> ColumnsOf(Connection& conn, const std::string& table) {
  Recordset rs = conn.Execute("SELECT * FROM [" + table + "] WHERE 0");
  std::vector<std::string> names;
  for (int i = 0; i < rs.Fields().Count(); ++i) names.push_back(rs.Fields(i).Name());
  return names;
}

TEST_F(SchemaTest, ItemTablesKeepTheirColumnOrder) {
  Connection conn;
  OpenSite(&conn);
  std::vector<std::string> news = {
      "ItemID",       "ItemName",     "SiteUrl",    "ChannelID",    "ClassID",       "SpecialID",
      "StopItem",     "Encoding",     "IsDown",     "AutoClass",    "PathForm",      "IsNowTime",
      "AllHits",      "star",         "RemoveCode", "lastime",      "RemoteListUrl", "PaginalList",
      "IsPagination", "startid",      "lastid",     "FindListCode", "FindInfoCode",  "RetuneClass",
      "IsNextPage",   "NamedDemourl", "strReplace"};
  EXPECT_EQ(ColumnsOf(conn, "QX_NewsItem"), news);
  EXPECT_EQ(ColumnsOf(conn, "QX_SoftItem").size(), 33u);
  EXPECT_EQ(ColumnsOf(conn, "QX_FlashItem").size(), 30u);
  EXPECT_EQ(ColumnsOf(conn, "QX_SoftConfig")[5], "setInterval");
  EXPECT_EQ(ColumnsOf(conn, "QX_FlashConfig")[4], "setInterval");

  std::vector<std::string> config = ColumnsOf(conn, "QX_Config");
  ASSERT_GE(config.size(), 40u);
  EXPECT_EQ(config[1], "SiteName");
  EXPECT_EQ(config[6], "InstallDir");
  EXPECT_EQ(config[30], "FSO_ScriptName");
  EXPECT_EQ(config[34], "VersionID");
  EXPECT_EQ(config[39], "PreviewSetting");
}

TEST_F(SchemaTest, FirstRows) {
  Connection conn;
  OpenSite(&conn);
  Variant config = conn.Execute("Select * from [QX_Config] ").GetRows(1);
  EXPECT_FALSE(config.At(1, 0).AsString().empty());
  EXPECT_EQ(config.At(6, 0).AsString(), "/");
  EXPECT_EQ(config.At(30, 0).AsString(), "Scripting.FileSystemObject");
  EXPECT_EQ(config.At(34, 0).type(), vb::VarType::Long);
  std::string preview = config.At(39, 0).AsString();
  EXPECT_EQ(std::count(preview.begin(), preview.end(), ','), 15);  // 16 items
  EXPECT_GE(std::stoi(preview.substr(0, preview.find(','))), 4);   // marking off

  Variant news = conn.Execute("SELECT * FROM [QX_NewsConfig] ").GetRows(1);
  EXPECT_EQ(news.At(0, 0).AsLong(), 1);
  EXPECT_EQ(news.At(1, 0).AsLong(), 0);  // gathering open
  EXPECT_EQ(news.At(4, 0).AsString(), "gif|jpg|jpeg|png|bmp");
  EXPECT_EQ(
      conn.Execute("SELECT COUNT(*) FROM QX_SoftConfig WHERE id=1").Fields(0).Value().AsLong(), 1);
  EXPECT_EQ(
      conn.Execute("SELECT COUNT(*) FROM QX_FlashConfig WHERE id=1").Fields(0).Value().AsLong(), 1);

  // The class tree: child counts, depths and Parentstr agree with parentid.
  Recordset rs = conn.Execute(
      "SELECT ClassID,depth,child,parentid,Parentstr,rootid,TurnLink FROM QX_Classify "
      "WHERE ChannelID = 1 order by rootid,orders");
  int top_with_children = 0, leaves = 0;
  for (; !rs.Eof(); rs.MoveNext()) {
    int32_t id = rs("ClassID").Value().AsLong();
    int32_t parent = rs("parentid").Value().AsLong();
    std::string count = "SELECT COUNT(*) FROM QX_Classify WHERE parentid=" + std::to_string(id);
    EXPECT_EQ(rs("child").Value().AsLong(), conn.Execute(count).Fields(0).Value().AsLong());
    EXPECT_EQ(rs("depth").Value().AsLong(), parent == 0 ? 0 : 1);
    EXPECT_EQ(rs("Parentstr").Value().AsString(), std::to_string(parent));
    EXPECT_EQ(rs("TurnLink").Value().AsLong(), 0);
    if (parent == 0 && rs("child").Value().AsLong() == 2) ++top_with_children;
    if (parent == 0 && rs("child").Value().AsLong() == 0) ++leaves;
  }
  EXPECT_EQ(top_with_children, 1);
  EXPECT_EQ(leaves, 1);
}

TEST_F(SchemaTest, NewItemGetsTheEditorDefaults) {
  Connection conn;
  OpenSite(&conn);
  Recordset rs;
  rs.Open("SELECT * FROM QX_NewsItem WHERE (ItemID is null)", conn, adOpenKeyset, adLockOptimistic);
  rs.AddNew();
  rs("ItemName").SetValue(Variant("示例"));
  rs("ChannelID").SetValue(Variant(int32_t{1}));
  rs.Update();
  rs.Close();
  Recordset top = conn.Execute(
      "SELECT TOP 1 ItemID,FindListCode FROM QX_NewsItem WHERE ChannelID=1 ORDER BY ItemID DESC");
  int32_t id = top("ItemID").Value().AsLong();
  Variant row =
      conn.Execute("SELECT * FROM [QX_NewsItem] WHERE ItemID=" + std::to_string(id)).GetRows(1);
  EXPECT_EQ(row.UBound(1), 26);
  EXPECT_EQ(row.At(1, 0).AsString(), "示例");
  EXPECT_EQ(row.At(7, 0).AsString(), "GB2312");
  EXPECT_EQ(row.At(13, 0).AsLong(), 3);
  EXPECT_TRUE(row.At(15, 0).IsDate());  // lastime stamped by its default
  EXPECT_TRUE(row.At(23, 0).IsNull());  // RetuneClass
  EXPECT_TRUE(row.At(26, 0).IsNull());  // strReplace
  EXPECT_EQ(row.At(25, 0).AsString(), "");
  std::string codes = top("FindListCode").Value().AsString();
  EXPECT_EQ(codes.size(), 15 * 1 + 14 * 3u);  // fifteen "0" parts joined by "$$$"
}

TEST_F(SchemaTest, TextComparedWithoutCase) {
  Connection conn;
  OpenSite(&conn);
  conn.Execute("INSERT INTO QX_Article (ChannelID, title) VALUES (1, 'Hello World')");
  conn.Execute("INSERT INTO QX_SoftList (ChannelID, SoftName) VALUES (1, 'WinZip')");
  EXPECT_FALSE(conn.Execute("SELECT * FROM QX_Article WHERE title='hello WORLD'").Eof());
  EXPECT_FALSE(
      conn.Execute("SELECT * FROM QX_SoftList WHERE ChannelID=1 And softname='WINZIP'").Eof());
  EXPECT_FALSE(
      conn.Execute("SELECT ClassID FROM [QX_Classify] WHERE ChannelID=1 And ClassName='新闻'")
          .Eof());
  conn.Execute("UPDATE QX_Classify SET ClassName='News' WHERE ClassID=1");
  EXPECT_FALSE(conn.Execute("SELECT ClassID FROM [QX_Classify] WHERE ClassName='nEWS'").Eof());
  // The keys never come back after a delete.
  conn.Execute("DELETE FROM QX_Article");
  conn.Execute("INSERT INTO QX_Article (title) VALUES ('again')");
  EXPECT_EQ(conn.Execute("SELECT ArticleID FROM QX_Article").Fields(0).Value().AsLong(), 2);
}

TEST_F(SchemaTest, CreateDatabaseIsHarmlessTwiceAndLeavesNothingOnFailure) {
  std::string path = MakeSiteDatabase();
  {
    Connection conn;
    conn.Open("Data Source=" + path);
    conn.Execute("UPDATE QX_NewsConfig SET MaxPicSize=77 WHERE id=1");
  }
  MakeSiteDatabase();  // the same file again
  {
    Connection conn;
    conn.Open("Data Source=" + path);
    EXPECT_EQ(conn.Execute("SELECT MaxPicSize FROM QX_NewsConfig").Fields(0).Value().AsLong(), 77);
    EXPECT_EQ(conn.Execute("SELECT COUNT(*) FROM QX_Classify").Fields(0).Value().AsLong(), 4);
  }

  std::string broken = Native("broken.sql");
  std::ofstream(broken) << "CREATE TABLE a (x);\nCREATE TABLE oops (;\n";
  std::string fresh = Native("fresh.db");
  EXPECT_VB_ERROR(kErrProvider, CreateDatabase(fresh, {Script("gather.sql"), broken}));
  EXPECT_FALSE(std::filesystem::exists(fresh));
  EXPECT_VB_ERROR(kErrOpeningFile, CreateDatabase(fresh, {Native("none.sql")}));
  EXPECT_FALSE(std::filesystem::exists(fresh));
  // On an existing database a failing script changes nothing.
  EXPECT_VB_ERROR(kErrProvider, CreateDatabase(path, {broken}));
  Connection conn;
  conn.Open("Data Source=" + path);
  EXPECT_VB_ERROR(kErrProvider, conn.Execute("SELECT * FROM a"));
}

}  // namespace
}  // namespace ostrel::ado
