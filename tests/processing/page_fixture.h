// A page request run in-process: the five host objects bound to the test's
// thread, output kept in memory, and a fresh database made from the
// project's schema in a temporary folder. Tests that hold the clock still
// use ClockGuard (support/clock_guard.h, included here).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ado/connection.h"
#include "platform/ado/schema_loader.h"
#include "platform/asp/memory_sink.h"
#include "platform/asp/request_context.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "support/clock_guard.h"
#include "support/temp_dir.h"

namespace ostrel::testing {

class PageFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::make_unique<TempDir>();
    dir_ = folder_->path();
    db_path_ = (dir_ / "site.db").string();
    const std::string schema = std::string(OSTREL_SOURCE_DIR) + "/schema/";
    ado::CreateDatabase(db_path_,
                        {schema + "gather.sql", schema + "host.sql", schema + "first_rows.sql"});
    application_ = std::make_shared<asp::Application>();
    StartRequest("");
  }

  void TearDown() override {
    EndRequest();
    folder_.reset();
  }

  // Begins a new request with the given query string (the previous one ends).
  void StartRequest(const std::string& query, const std::string& form = "",
                    std::vector<std::pair<std::string, std::string>> server_variables = {}) {
    EndRequest();
    asp::RequestInput input;
    input.query_string = query;
    input.form = form;
    input.server_variables = std::move(server_variables);
    sink_ = std::make_shared<asp::MemorySink>();
    session_ = session_ ? session_ : std::make_shared<asp::Session>("test-session");
    context_ = std::make_unique<asp::RequestContext>(
        std::make_shared<asp::Request>(input), std::make_shared<asp::Response>(sink_),
        std::make_shared<asp::Server>("C:" + SiteRootNative(), "/admin/Admin_ArticleGather.asp"),
        session_, application_);
    scope_ = std::make_unique<asp::ContextScope>(*context_);
  }

  void EndRequest() {
    if (context_ && context_->Response) context_->Response->Finish();
    scope_.reset();
    context_.reset();
  }

  // The page's output so far, decoded from GB2312.
  std::string Output() {
    context_->Response->Flush();
    return sink_->Text();
  }

  // Runs one statement on the test database through a connection of its own.
  void RunSql(const std::string& sql) {
    ado::Connection connection;
    connection.Open(ConnString());
    connection.Execute(sql);
  }

  // The first row of a query, every column as text ("<null>" for Null), by
  // name; empty when there is none.
  std::map<std::string, std::string> Row(const std::string& sql) {
    ado::Connection connection;
    connection.Open(ConnString());
    ado::Recordset rs = connection.Execute(sql);
    std::map<std::string, std::string> row;
    if (rs.Eof()) return row;
    for (int32_t i = 0; i < rs.Fields().Count(); ++i) {
      const vb::Variant value = rs.Fields(i).Value();
      row[rs.Fields(i).Name()] = value.IsNull() ? "<null>" : vb::CStr(value);
    }
    return row;
  }
  int Count(const std::string& table, const std::string& where = "1=1") {
    return std::stoi(Row("SELECT COUNT(*) AS n FROM " + table + " WHERE " + where)["n"]);
  }
  // Whether the toolbox's cache holds an item of that name.
  bool Cached(const std::string& name) {
    return application_->contents().Contains("myzemble_" + vb::LCase(name));
  }

  std::string ConnString() const {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + db_path_;
  }
  std::string SiteRootNative() const { return dir_.string(); }

  std::unique_ptr<TempDir> folder_;  // the site root, with the database in it
  std::filesystem::path dir_;        // its path
  std::string db_path_;
  std::shared_ptr<asp::Application> application_;
  std::shared_ptr<asp::Session> session_;
  std::shared_ptr<asp::MemorySink> sink_;
  std::unique_ptr<asp::RequestContext> context_;
  std::unique_ptr<asp::ContextScope> scope_;
};

// Occurrences of needle in text.
inline int CountOf(const std::string& text, const std::string& needle) {
  int n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++n;
  }
  return n;
}

}  // namespace ostrel::testing
