// A temporary folder with fresh database files for the data-access tests.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "platform/ado/connection.h"
#include "platform/ado/schema_loader.h"
#include "support/temp_dir.h"

namespace ostrel::ado {

class AdoTest : public ::testing::Test {
 protected:
  std::string Native(const std::string& name) const { return dir_.Native(name); }
  // The same file in Windows form, through the default drive C: = "/".
  std::string Windows(const std::string& name) const { return dir_.Windows(name); }
  static std::string Script(const char* name) {
    return std::string(OSTREL_SOURCE_DIR) + "/schema/" + name;
  }
  // A database with the whole schema and the first rows.
  std::string MakeSiteDatabase(const std::string& name = "site.db") {
    std::string path = Native(name);
    CreateDatabase(path, {Script("gather.sql"), Script("host.sql"), Script("first_rows.sql")});
    return path;
  }
  // A database made of the given SQL.
  std::string MakeDatabase(const std::string& sql, const std::string& name = "t.db") {
    std::string path = Native(name);
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
    return path;
  }
  void OpenSite(Connection* conn) { conn->Open("Data Source=" + MakeSiteDatabase()); }

  ::ostrel::testing::TempDir dir_;
};

// Runs body, expecting a VbError with the given number.
#define EXPECT_VB_ERROR(expected, body)                   \
  do {                                                    \
    try {                                                 \
      body;                                               \
      ADD_FAILURE() << "no error raised by " #body;       \
    } catch (const ::ostrel::vb::VbError& e) {            \
      EXPECT_EQ(e.number(), expected) << e.description(); \
    }                                                     \
  } while (0)

}  // namespace ostrel::ado
