// First run: the databases made from the schema with their first rows in the
// right file, nothing made or re-added on later starts, nothing left behind
// by a failure, and the admin password generated once and kept.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "host/first_run.h"
#include "host/test_http.h"
#include "platform/fs/file_io.h"
#include "platform/fs/path_map.h"
#include "platform/vb/vb_error.h"

namespace ostrel::host {
namespace {

using test::TempFolder;

// The first column of the first row of sql, as text ("" when none, "error"
// when the statement fails).
std::string Scalar(const std::string& db_path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* stmt = nullptr;
  std::string out = "error";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    out = "";
    if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0)) {
      out = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    }
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return out;
}

void RunSql(const std::string& db_path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(db_path.c_str(), &db);
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

HostConfig ConfigIn(const TempFolder& folder) {
  HostConfig config;
  config.data_dir = folder.Path("data");
  config.schema_dir = std::string(OSTREL_SOURCE_DIR) + "/schema";
  config.gather_db = folder.Path("data/gather.db");
  config.host_db = folder.Path("data/host.db");
  config.config_path = folder.Path("data/ostrel.ini");
  return config;
}

TEST(FirstRunTest, MakesEachDatabaseWithItsOwnTablesAndRows) {
  TempFolder folder;
  HostConfig config = ConfigIn(folder);
  ASSERT_TRUE(EnsureDatabases(config));

  EXPECT_EQ(Scalar(config.gather_db, "SELECT MaxPicSize FROM QX_NewsConfig WHERE id=1"), "500");
  EXPECT_EQ(Scalar(config.gather_db, "SELECT COUNT(*) FROM QX_SoftConfig"), "1");
  EXPECT_EQ(Scalar(config.gather_db, "SELECT COUNT(*) FROM QX_Config"), "error");
  EXPECT_EQ(Scalar(config.host_db, "SELECT SiteName FROM QX_Config WHERE id=1"), "我的网站");
  EXPECT_EQ(Scalar(config.host_db, "SELECT COUNT(*) FROM QX_Classify"), "4");
  EXPECT_EQ(Scalar(config.host_db, "SELECT COUNT(*) FROM QX_NewsConfig"), "error");

  // A later start makes nothing and puts back nothing an administrator removed.
  RunSql(config.host_db, "DELETE FROM QX_Classify WHERE ClassID=4");
  EXPECT_FALSE(EnsureDatabases(config));
  EXPECT_EQ(Scalar(config.host_db, "SELECT COUNT(*) FROM QX_Classify"), "3");
}

TEST(FirstRunTest, ANewGatherDatabaseBesideAnOldHostOneLeavesTheHostRowsAlone) {
  TempFolder folder;
  HostConfig config = ConfigIn(folder);
  ASSERT_TRUE(EnsureDatabases(config));
  RunSql(config.host_db,
         "DELETE FROM QX_Classify; UPDATE QX_Config SET SiteName='改过' WHERE id=1");
  std::filesystem::remove(config.gather_db);
  std::filesystem::remove(config.gather_db + "-wal");
  std::filesystem::remove(config.gather_db + "-shm");

  ASSERT_TRUE(EnsureDatabases(config));
  EXPECT_EQ(Scalar(config.gather_db, "SELECT COUNT(*) FROM QX_NewsConfig"), "1");
  EXPECT_EQ(Scalar(config.host_db, "SELECT COUNT(*) FROM QX_Classify"), "0");
  EXPECT_EQ(Scalar(config.host_db, "SELECT SiteName FROM QX_Config WHERE id=1"), "改过");
}

TEST(FirstRunTest, OneFileHoldsBothSchemas) {
  TempFolder folder;
  HostConfig config = ConfigIn(folder);
  config.host_db = config.gather_db;
  ASSERT_TRUE(EnsureDatabases(config));
  EXPECT_EQ(Scalar(config.gather_db, "SELECT COUNT(*) FROM QX_NewsConfig"), "1");
  EXPECT_EQ(Scalar(config.gather_db, "SELECT COUNT(*) FROM QX_Classify"), "4");
  EXPECT_FALSE(folder.Exists("data/host.db"));
}

TEST(FirstRunTest, AFailingScriptLeavesNoDatabaseBehind) {
  TempFolder folder;
  HostConfig config = ConfigIn(folder);
  config.schema_dir = folder.Path("schema");
  const std::string real = std::string(OSTREL_SOURCE_DIR) + "/schema/";
  for (const char* name : {"gather.sql", "host.sql"}) {
    std::filesystem::create_directories(folder.Path("schema"));
    std::filesystem::copy_file(real + name, folder.Path(std::string("schema/") + name));
  }
  folder.Write("schema/first_rows.sql", "INSERT INTO QX_NoSuchTable VALUES (1);");
  EXPECT_THROW(EnsureDatabases(config), vb::VbError);
  EXPECT_FALSE(folder.Exists("data/gather.db"));
  EXPECT_FALSE(folder.Exists("data/host.db"));
}

// The archive settings a new site leaves empty get working values: the
// built archiver's folder and the shipped readme, copied into the site
// tree, as the comment file. What an administrator set stays.
TEST(FirstRunTest, ArchiveSettingsLeadToTheBuiltArchiverAndTheSiteReadme) {
  TempFolder folder;
  HostConfig config = ConfigIn(folder);
  config.site_root = folder.Path("data/site");
  config.asset_root = std::string(OSTREL_SOURCE_DIR) + "/site";
  HostOptions options;
  options.data_dir = folder.Path("other");
  HostConfig found;
  std::string error;
  ASSERT_TRUE(LoadConfig(options, "/nowhere", &found, &error));
  config.archiver_dir = found.archiver_dir;
  EXPECT_EQ(config.archiver_dir, std::string(OSTREL_BINARY_DIR) + "/tools/rar");
  ASSERT_TRUE(EnsureDatabases(config));
  RunSql(config.gather_db, "UPDATE QX_SoftConfig SET ReadmePath='mine/' WHERE id=1");
  EnsureArchiveSettings(config);

  const std::string settings =
      "SELECT WinRarPath || '|' || DownFilePath || '|' || ReadmePath || "
      "'|' || RarNoteFile FROM QX_SoftConfig WHERE id=1";
  EXPECT_EQ(
      Scalar(config.gather_db, settings),
      fs::ToWindows(config.archiver_dir) + "\\|/soft/DownFile/|mine/|/soft/readme/本站说明.txt");
  std::string shipped;
  ASSERT_EQ(fs::ReadWholeFile(config.asset_root + "/soft/readme/本站说明.txt", 4096, &shipped), 0);
  EXPECT_EQ(folder.Read("data/site/soft/readme/本站说明.txt"), shipped);
}

TEST(FirstRunTest, PasswordIsGeneratedOnceAndSaved) {
  TempFolder folder;
  HostConfig config = ConfigIn(folder);
  std::string password = EnsurePassword(&config);
  ASSERT_EQ(password.size(), 16u);
  EXPECT_EQ(config.admin_password, password);
  std::string saved = folder.Read("data/ostrel.ini");
  EXPECT_NE(saved.find("AdminPassword=" + password + "\r\n"), std::string::npos);
  EXPECT_NE(saved.find("Listen=127.0.0.1:8080"), std::string::npos);
  EXPECT_EQ(std::filesystem::status(config.config_path).permissions() &
                std::filesystem::perms::others_read,
            std::filesystem::perms::none);
  // Set now: nothing more is generated.
  EXPECT_EQ(EnsurePassword(&config), "");
  EXPECT_NE(GeneratePassword(), password);
}

TEST(FirstRunTest, PasswordGoesIntoAnExistingFileKeepingItsLines) {
  TempFolder folder;
  HostConfig config = ConfigIn(folder);
  folder.Write("data/ostrel.ini", "; mine\r\n[Host]\r\nListen=127.0.0.1:9\r\n[Drives]\r\nD=/x\r\n");
  config.config_exists = true;
  std::string password = EnsurePassword(&config);
  EXPECT_EQ(folder.Read("data/ostrel.ini"),
            "; mine\r\n[Host]\r\nListen=127.0.0.1:9\r\nAdminPassword=" + password +
                "\r\n[Drives]\r\nD=/x\r\n");
}

}  // namespace
}  // namespace ostrel::host
