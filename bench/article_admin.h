// What the article benches share: a site folder with a fresh database and
// one article gathering item, and its admin page run in-process as the host
// runs it (a NewsCollection made, set, ReadNewsConfig, ShowCollection), one
// request at a time, for one session.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "gathering/articles/news_collection.h"
#include "platform/ado/connection.h"
#include "platform/ado/schema_loader.h"
#include "platform/asp/memory_sink.h"
#include "platform/asp/request_context.h"
#include "platform/net/fetch_limits.h"

namespace ostrel::bench {

// The fixture sites live on loopback.
inline void AllowLoopbackFetches() {
  net::FetchLimits limits = net::GetFetchLimits();
  limits.allow_private = true;
  net::SetFetchLimits(limits);
}

// "$$$0" n times: codes left unset at the end of a code list.
inline std::string UnsetCodes(int n) {
  std::string codes;
  for (int i = 0; i < n; ++i) codes += "$$$0";
  return codes;
}

// The item and its run's settings.
struct ArticleItem {
  std::string RemoteListUrl;
  std::string FindListCode;
  std::string FindInfoCode;  // all 26 codes
  bool IsDown = false;       // pictures saved
};

class ArticleAdmin {
 public:
  // dir/site.db with the run interval 0 and known titles skipped, item 1
  // (class 2, GB2312), and dir/admin for the page's files.
  ArticleAdmin(const std::filesystem::path& dir, const ArticleItem& item) : dir_(dir) {
    std::filesystem::create_directories(dir_ / "admin");
    const std::string db = (dir_ / "site.db").string();
    connection_ = "Data Source=" + db;
    const std::string schema = std::string(OSTREL_SOURCE_DIR) + "/schema/";
    ado::CreateDatabase(db,
                        {schema + "gather.sql", schema + "host.sql", schema + "first_rows.sql"});
    ado::Connection c;
    c.Open(connection_);
    c.Execute("UPDATE QX_NewsConfig SET setInterval=0, RepeatDeal=0 WHERE id=1");
    c.Execute(
        "INSERT INTO QX_NewsItem (ItemID, ItemName, ChannelID, ClassID, Encoding, IsDown, "
        "PathForm, RemoteListUrl, FindListCode, FindInfoCode) VALUES (1, 'bench', 1, 2, "
        "'GB2312', " +
        std::string(item.IsDown ? "1" : "0") + ", 1, '" + item.RemoteListUrl + "', '" +
        item.FindListCode + "', '" + item.FindInfoCode + "')");
    application_ = std::make_shared<asp::Application>();
    session_ = std::make_shared<asp::Session>("bench");
    session_->SetItem("AdminName", vb::Variant("admin"));
  }

  const std::filesystem::path& dir() const { return dir_; }
  const std::string& ConnString() const { return connection_; }
  asp::Session& session() { return *session_; }

  // One request of the admin page; its output.
  std::string Page(const std::string& query) {
    asp::RequestInput input;
    input.query_string = query;
    auto sink = std::make_shared<asp::MemorySink>();
    asp::RequestContext context(
        std::make_shared<asp::Request>(input), std::make_shared<asp::Response>(sink),
        std::make_shared<asp::Server>("C:" + dir_.string(), "/admin/Admin_ArticleGather.asp"),
        session_, application_);
    {
      asp::ContextScope scope(context);
      auto news = std::make_shared<articles::NewsCollection>();
      news->SetConnString(connection_);
      news->SetDBConnstr(connection_);
      news->ReadNewsConfig();
      news->ShowCollection();
      news.reset();
      context.Response->Finish();
    }
    return sink->Text();
  }

 private:
  std::filesystem::path dir_;
  std::string connection_;
  std::shared_ptr<asp::Application> application_;
  std::shared_ptr<asp::Session> session_;
};

}  // namespace ostrel::bench
