// A whole article gathering run, as a browser drives it: action=begin, then
// one savenew request per link following each page's refresh script (the
// interval is 0), up to the refresh to the run's end. Every request runs
// in-process as the host page runs it (a NewsCollection made, set,
// ReadNewsConfig, ShowCollection) against a fixture site on 127.0.0.1: a
// GB2312 list of the articles, each about 30 KB with two relative pictures
// (--pictures: from none to five).
//
// In-process (the default) the fixture site runs in the same process.
// Three runs, each on a fresh database: without pictures (the item keeps
// them remote); the same with one more connection held open on the database
// for the whole run, which shows what the per-request open and close of the
// two connections costs (with no other connection, SQLite checkpoints and
// deletes its write-ahead log at every last close and creates it again at
// the next open); and with pictures (both saved and watermarked with a text
// mark).
// Each prints articles per second and CPU per article, of the requesting
// thread alone (the component's work) and of the whole process (the
// fixture server's threads too), and the ratio of the run's wall time to a
// reference in the same process: plain fetches of the same article pages.
// A second reference is the least any gathering of these pages must do:
// fetch each page and store it as one row, through SQLite directly.
// The references and the runs take turns over several rounds (--rounds,
// default 3, or 1 with latency) and each line is the round with the median ratio: a single
// 500-page fetch lasts well under a tenth of a second, and one noisy
// moment would otherwise move the ratio by a third.
//
// With --remote the fixture site is a process of its own (forked before
// anything else starts) serving the same site over real sockets, optionally
// sleeping --latency milliseconds before each answer; the process CPU is
// then the gathering host's alone. Each run also prints the TCP connections
// the fixture server accepted during it.
//
//   bench_run [--remote [--latency MS]] [--rounds N] [--pictures N] [articles [plain|pictures]]
//       default 500 articles with two pictures each, every run
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "article_admin.h"
#include "platform/ado/connection.h"
#include "platform/ado/log_checkpoints.h"
#include "platform/text/charset.h"
#include "platform/vb/convert.h"
#include "processing/remote_fetch.h"
#include "support/http_server.h"

using namespace ostrel;

namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

// CPU seconds (user and system) of the calling thread or the process.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto secs = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return secs(usage.ru_utime) + secs(usage.ru_stime);
}

void Write(const stdfs::path& path, const std::string& bytes) {
  stdfs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

constexpr int kMaxPictures = 5;

// The address of picture k of article n as its page names it: the first
// two in the forms sites use (relative to the page, to the site root), the
// others beside the first.
std::string PictureLink(int k, int n) {
  const std::string i = std::to_string(n % 50);
  if (k == 0) return "pic/a" + i + ".jpg";
  if (k == 1) return "/images/b" + i + ".gif";
  return "pic/c" + std::to_string(k) + "_" + i + ".png";
}

// An article page of about 30 KB: header, navigation, the fields the item
// cuts, a long content with its pictures, and a footer.
std::string ArticlePage(int n, int pictures) {
  std::string page =
      "<html>\r\n<head>\r\n<title>测试文章 " + std::to_string(n) +
      "</title>\r\n<script src=\"/js/site.js\"></script>\r\n</head>\r\n<body>\r\n"
      "<div class=\"nav\"><a href=\"/\">首页</a> | <a href=\"/news/list.htm\">新闻</a></div>\r\n"
      "<h1 class=\"title\">测试文章第 " +
      std::to_string(n) +
      " 号</h1>\r\n"
      "<div class=\"info\">作者：<span class=\"author\">记者" +
      std::to_string(n % 17) +
      "</span> 来源：<span class=\"src\">本站</span> 时间：<span class=\"time\">2025-8-" +
      std::to_string(1 + n % 28) + " 10:20:30</span></div>\r\n<div class=\"content\">\r\n";
  int paragraph = 0;
  while (page.size() < 29000) {
    page += "<p>　　这是第 " + std::to_string(++paragraph) +
            " 段正文，讲述采集系统如何把远程网站的文章收进本地数据库，" +
            "包括分页、图片和分类的处理。<font color=\"#333333\">注意</font>事项在此。</p>\r\n";
    // Every 25 paragraphs from the fifth, one picture.
    const int k = (paragraph - 5) / 25;
    if (paragraph % 25 == 5 && k < pictures) page += "<img src=\"" + PictureLink(k, n) + "\">\r\n";
    if (paragraph % 20 == 0) page += "<script>ad(" + std::to_string(paragraph) + ");</script>\r\n";
  }
  page += "</div><!--/content-->\r\n<div class=\"foot\">版权所有</div>\r\n</body>\r\n</html>\r\n";
  return text::Encode(page, "GB2312");
}

// The fixture site: the list, the articles and their pictures.
void MakeSite(const stdfs::path& root, int articles, int pictures) {
  std::string list = "<html><body><ul class=\"list\">\r\n";
  for (int n = 1; n <= articles; ++n) {
    list +=
        "<li><a href=\"a" + std::to_string(n) + ".htm\">文章" + std::to_string(n) + "</a></li>\r\n";
    Write(root / "news" / ("a" + std::to_string(n) + ".htm"), ArticlePage(n, pictures));
  }
  list += "</ul></body></html>\r\n";
  Write(root / "news" / "list.htm", text::Encode(list, "GB2312"));
  const stdfs::path images = stdfs::path(OSTREL_SOURCE_DIR) / "tests" / "fixtures" / "images";
  stdfs::create_directories(root / "news" / "pic");
  stdfs::create_directories(root / "images");
  for (int i = 0; i < 50; ++i) {
    for (int k = 0; k < pictures; ++k) {
      const std::string link = PictureLink(k, i);
      const stdfs::path file = link[0] == '/' ? root / link.substr(1) : root / "news" / link;
      const char* source = k == 0 ? "photo.jpg" : k == 1 ? "photo.gif" : "photo.png";
      stdfs::copy_file(images / source, file);
    }
  }
}

// One site root, database and session for one run.
class Run {
 public:
  Run(const stdfs::path& dir, const std::string& site, bool pictures)
      : admin_(dir, {.RemoteListUrl = site + "/news/list.htm",
                     .FindListCode = "<ul class=\"list\">$$$</ul>$$$<a href=\"$$$\"",
                     .FindInfoCode =
                         "<h1 class=\"title\">$$$</h1>$$$<div class=\"content\">$$$</div>"
                         "<!--/content-->$$$0$$$0$$$0$$$0$$$<span class=\"author\">$$$</span>$$$"
                         "<span class=\"src\">$$$</span>$$$<span class=\"time\">$$$</span>" +
                         // No paging, no filters.
                         bench::UnsetCodes(12),
                     .IsDown = pictures}) {
    ado::Connection c;
    c.Open(ConnString());
    c.Execute(
        "UPDATE QX_Config SET PreviewSetting='0,0,1,120,90,Ostrel,12,#FF0000,宋体,0,"
        "images/mark.gif,0.5,0,88,31,4' WHERE id=1");
  }

  const std::string& ConnString() const { return admin_.ConnString(); }
  std::string Page(const std::string& query) { return admin_.Page(query); }

  // The query of the request a page leads to, as the browser follows it.
  static std::string Next(const std::string& page) {
    for (const char* lead : {"reFresh(){window.location.href='Admin_ArticleGather.asp?",
                             "buildRefresh(){window.location.href='Admin_ArticleGather.asp?",
                             "content=\"1;url='Admin_ArticleGather.asp?"}) {
      size_t at = page.rfind(lead);
      if (at == std::string::npos) continue;
      at += std::string(lead).size();
      return page.substr(at, page.find('\'', at) - at);
    }
    return "";
  }

  int Stored() {
    ado::Connection c;
    c.Open(ConnString());
    return vb::CLng(c.Execute("SELECT COUNT(*) FROM QX_Article").Fields(0).Value());
  }

 private:
  bench::ArticleAdmin admin_;
};

struct Figures {
  double wall = 0;
  double thread_cpu = 0;
  double process_cpu = 0;
  int requests = 0;
  int stored = 0;
  long connections = -1;  // accepted by the fixture server, when it counts them
};

Figures WholeRun(const stdfs::path& dir, const std::string& site, bool pictures,
                 bool hold_connection = false) {
  Run run(dir, site, pictures);
  ado::Connection held;
  if (hold_connection) held.Open(run.ConnString());
  Figures f;
  const double thread0 = CpuSeconds(RUSAGE_THREAD);
  const double process0 = CpuSeconds(RUSAGE_SELF);
  const auto start = Clock::now();
  std::string query = "action=begin&ChannelID=1&ItemID=1";
  while (!query.empty() && query.rfind("action=yes", 0) != 0) {
    query = Run::Next(run.Page(query));
    ++f.requests;
  }
  f.wall = std::chrono::duration<double>(Clock::now() - start).count();
  f.thread_cpu = CpuSeconds(RUSAGE_THREAD) - thread0;
  f.process_cpu = CpuSeconds(RUSAGE_SELF) - process0;
  f.stored = run.Stored();
  // A checkpoint the run left to the background thread must not spill into
  // the next measurement.
  ado::WaitForCheckpoints();
  return f;
}

// The reference: each article page fetched and decoded once, nothing else.
double FetchOnly(const std::string& site, int articles) {
  const auto start = Clock::now();
  size_t bytes = 0;
  for (int n = 1; n <= articles; ++n) {
    bytes +=
        processing::GetRemoteData(site + "/news/a" + std::to_string(n) + ".htm", "GB2312").size();
  }
  if (bytes == 0) std::fprintf(stderr, "the fixture site answered nothing\n");
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The floor: each article page fetched, decoded and stored as one row of
// the article table, a commit each, on a fresh database.
double FetchAndStore(const stdfs::path& dir, const std::string& site, int articles) {
  Run run(dir, site, false);
  sqlite3* db = nullptr;
  const std::string path = (dir / "site.db").string();
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO QX_Article (ChannelID, ClassID, title, content) "
                     "VALUES (1, 2, ?, ?)",
                     -1, &insert, nullptr);
  const auto start = Clock::now();
  for (int n = 1; n <= articles; ++n) {
    const std::string page =
        processing::GetRemoteData(site + "/news/a" + std::to_string(n) + ".htm", "GB2312");
    const std::string title = "a" + std::to_string(n);
    sqlite3_bind_text(insert, 1, title.data(), static_cast<int>(title.size()), SQLITE_STATIC);
    sqlite3_bind_text(insert, 2, page.data(), static_cast<int>(page.size()), SQLITE_STATIC);
    if (sqlite3_step(insert) != SQLITE_DONE) std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
    sqlite3_reset(insert);
  }
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  sqlite3_finalize(insert);
  sqlite3_close_v2(db);
  return wall;
}

void Report(const char* name, const Figures& f, int articles, double reference) {
  std::printf(
      "%-18s %4d stored in %5d requests  %7.1f articles/s  CPU/article %6.3f ms (thread) "
      "%6.3f ms (process)  wall / fetch-only %5.2f",
      name, f.stored, f.requests, articles / f.wall, f.thread_cpu * 1000 / articles,
      f.process_cpu * 1000 / articles, f.wall / reference);
  if (f.connections >= 0) std::printf("  connections accepted %ld", f.connections);
  std::printf("\n");
}

// The fixture site served from another process: it answers every file of
// the site folder, after the latency, and tells how many connections it has
// accepted when asked over a pipe.
class RemoteSite {
 public:
  RemoteSite(const stdfs::path& folder, int latency_ms) {
    int to_site[2], from_site[2];
    if (pipe(to_site) != 0 || pipe(from_site) != 0) std::abort();
    pid_ = fork();
    if (pid_ == 0) {
      close(to_site[1]);
      close(from_site[0]);
      Serve(folder, latency_ms, to_site[0], from_site[1]);
      _exit(0);
    }
    close(to_site[0]);
    close(from_site[1]);
    to_ = to_site[1];
    from_ = from_site[0];
    port_ = Ask('p');
  }

  ~RemoteSite() {
    close(to_);
    close(from_);
    waitpid(pid_, nullptr, 0);
  }

  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }
  long Connections() { return Ask('c'); }

 private:
  long Ask(char what) {
    if (write(to_, &what, 1) != 1) return -1;
    char line[32] = "";
    ssize_t got = read(from_, line, sizeof line - 1);
    return got > 0 ? std::atol(line) : -1;
  }

  static void Serve(const stdfs::path& folder, int latency_ms, int in, int out) {
    testing::HttpServer server;
    for (const auto& entry : stdfs::recursive_directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream file(entry.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
      const std::string ext = entry.path().extension().string();
      const char* type = ext == ".jpg"   ? "image/jpeg"
                         : ext == ".gif" ? "image/gif"
                         : ext == ".png" ? "image/png"
                                         : "text/html";
      testing::HttpAnswer answer = testing::HttpAnswer::Page(std::move(bytes), type);
      answer.delay_before = std::chrono::milliseconds(latency_ms);
      server.Route("/" + stdfs::relative(entry.path(), folder).generic_string(), answer);
    }
    char what = 0;
    while (read(in, &what, 1) == 1) {
      std::string line = std::to_string(what == 'p' ? static_cast<size_t>(server.port())
                                                    : server.ConnectionCount()) +
                         "\n";
      if (write(out, line.data(), line.size()) < 0) break;
    }
    server.Stop();
  }

  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
  long port_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  bool remote = false;
  int latency_ms = 0;
  int round_count = 0;  // unset: 3, or 1 with latency (each round then lasts seconds)
  int pictures = 2;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--remote") {
      remote = true;
    } else if (arg == "--rounds" && i + 1 < argc) {
      round_count = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--pictures" && i + 1 < argc) {
      pictures = std::clamp(std::atoi(argv[++i]), 0, kMaxPictures);
    } else if (arg == "--latency" && i + 1 < argc) {
      latency_ms = std::atoi(argv[++i]);
    } else {
      args.emplace_back(arg);
    }
  }
  if (round_count == 0) round_count = latency_ms > 0 ? 1 : 3;
  const int articles = !args.empty() ? std::atoi(args[0].c_str()) : 500;
  const std::string only = args.size() > 1 ? args[1] : "";
  const stdfs::path root =
      stdfs::temp_directory_path() / ("ostrel-run-bench-" + std::to_string(::getpid()));
  MakeSite(root / "site", articles, pictures);
  bench::AllowLoopbackFetches();

  // Forked before this process starts any thread.
  std::unique_ptr<RemoteSite> remote_site;
  std::unique_ptr<testing::HttpServer> local_site;
  std::string site;
  if (remote) {
    remote_site = std::make_unique<RemoteSite>(root / "site", latency_ms);
    site = remote_site->Url();
  } else {
    local_site = std::make_unique<testing::HttpServer>();
    local_site->ServeFolder(root / "site");
    site = local_site->Url("");
  }
  auto connections = [&]() -> long { return remote_site ? remote_site->Connections() : -1; };
  auto whole_run = [&](const char* dir, bool pictures, bool hold) {
    long before = connections();
    Figures f = WholeRun(root / dir, site, pictures, hold);
    if (remote_site) f.connections = connections() - before;
    return f;
  };

  // With latency the reference would take as long as the run: one is enough.
  if (latency_ms == 0) FetchOnly(site, articles);  // warm the caches
  std::printf("%d articles of about 30 KB, %d pictures each, %s%s\n", articles, pictures,
              remote ? "site in another process" : "site in this process",
              latency_ms > 0 ? (", " + std::to_string(latency_ms) + " ms latency").c_str() : "");

  // Each kind of run, round after round, with the reference taken right
  // before it; printed is the round with the median ratio.
  struct Round {
    Figures f;
    double reference = 0;
    double ratio() const { return f.wall / reference; }
  };
  std::vector<const char*> kinds;
  if (only != "pictures") {
    kinds.push_back("without pictures");
    if (!remote) kinds.push_back("  connection held");
  }
  if (only != "plain") kinds.push_back("with pictures");
  std::vector<std::vector<Round>> rounds(kinds.size());
  std::vector<double> floors, floor_references;
  bool complete = true;
  for (int r = 0; r < round_count; ++r) {
    const std::string tag = std::to_string(r);
    if (latency_ms == 0) {
      floor_references.push_back(FetchOnly(site, articles));
      floors.push_back(FetchAndStore(root / ("floor" + tag), site, articles));
    }
    for (size_t k = 0; k < kinds.size(); ++k) {
      const std::string name = kinds[k];
      Round round;
      round.reference = FetchOnly(site, articles);
      round.f =
          whole_run((name + tag).c_str(), name == "with pictures", name == "  connection held");
      complete = complete && round.f.stored == articles;
      rounds[k].push_back(round);
    }
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  if (!floors.empty()) {
    std::vector<double> ratios;
    for (size_t r = 0; r < floors.size(); ++r) ratios.push_back(floors[r] / floor_references[r]);
    std::printf(
        "fetch-only %.1f pages/s; fetch and store only %.1f pages/s, "
        "wall / fetch-only %.2f (medians of %d rounds)\n",
        articles / median(floor_references), articles / median(floors), median(ratios),
        round_count);
  }
  for (size_t k = 0; k < kinds.size(); ++k) {
    std::vector<Round>& list = rounds[k];
    // The run against the floor of its own round, before the rounds are
    // sorted by the other ratio.
    std::vector<double> over_floor;
    for (size_t r = 0; r < floors.size(); ++r) over_floor.push_back(list[r].f.wall / floors[r]);
    std::sort(list.begin(), list.end(),
              [](const Round& a, const Round& b) { return a.ratio() < b.ratio(); });
    const Round& mid = list[list.size() / 2];
    Report(kinds[k], mid.f, articles, mid.reference);
    if (!over_floor.empty()) {
      std::printf("%-18s wall / fetch-and-store floor %.2f (median of %d rounds)\n", "",
                  median(over_floor), round_count);
    }
  }

  if (local_site) local_site->Stop();
  remote_site.reset();
  std::error_code ec;
  stdfs::remove_all(root, ec);
  return complete ? 0 : 1;
}
