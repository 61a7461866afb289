// ostrel-host itself, as a process: a fresh start (the class list and the
// databases made in the data folder, owner-only), a run step that fails on a
// missing link list as the first thing the process does, a page the remote
// answers with an error status, a stop by SIGTERM while a step waits on a
// remote site that never answers, a start after a kill -9 in the middle of a
// re-pack, and a second host whose demo port is taken.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "host/admin_pages.h"
#include "host/demo_site.h"
#include "host/test_http.h"
#include "platform/ado/connection.h"
#include "platform/fs/path_map.h"
#include "platform/fs/run_leftovers.h"
#include "platform/text/charset.h"
#include "support/archive_fixtures.h"
#include "support/http_server.h"

extern char** environ;

namespace ostrel::host {
namespace {

using test::Fetch;
using test::HttpResult;
using test::TempFolder;

bool Has(const std::string& body, std::string_view utf8) {
  return body.find(text::Encode(utf8, "GB2312")) != std::string::npos;
}

// Starts ostrel-host with args in the folder cwd ("": this process's), its
// standard output and error going to the file log (an absolute path). The
// class list comes from the data folder, not the environment. Its process
// id, or 0.
pid_t SpawnHost(const std::vector<std::string>& args, const std::string& log,
                const std::string& cwd = "") {
  const std::string host = std::string(OSTREL_BINARY_DIR) + "/src/host/ostrel-host";
  std::vector<char*> argv = {const_cast<char*>(host.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> env;
  for (char** e = environ; *e; ++e) {
    if (!std::string_view(*e).starts_with("OSTREL_REGISTRY=")) env.push_back(*e);
  }
  env.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, host.c_str(), &actions, nullptr, argv.data(), env.data()) != 0) pid = 0;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The working entries (".ostrel-...") anywhere beneath folder.
std::vector<std::string> WorkingEntries(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().filename().native().starts_with(".ostrel-")) found.push_back(it->path());
  }
  return found;
}

class HostProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    signal(SIGPIPE, SIG_IGN);
    data_.Write("ostrel.ini",
                "[Host]\nAdminPassword=Pass\nAllowPrivateRemote=1\n[Demo]\nListen=127.0.0.1:0\n");
    BeforeStart();
    StartHost();
  }

  // Starts the host on the data folder and waits until it listens.
  void StartHost() {
    port_ = 0;
    exited_ = false;
    pid_ = SpawnHost({"--data", data_.path(), "--listen", "127.0.0.1:0"}, data_.Path("host.log"));
    ASSERT_GT(pid_, 0);
    for (int i = 0; i < 300 && port_ == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::string text = data_.Read("host.log");
      size_t at = text.find("listening on http://127.0.0.1:");
      if (at != std::string::npos) port_ = std::atoi(text.c_str() + at + 30);
    }
    ASSERT_GT(port_, 0) << data_.Read("host.log");
  }

  void TearDown() override {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  // What a test lays into the data folder before the host starts.
  virtual void BeforeStart() {}

  std::string Login() {
    HttpResult in = Fetch(port_, "POST", "/admin/Admin_Login.asp",
                          {test::kOwnOrigin, "Content-Type: application/x-www-form-urlencoded"},
                          "AdminName=admin&Password=Pass");
    EXPECT_EQ(in.status(), 302);
    return "Cookie: ASPSESSIONID=" + test::SessionIdOf(in);
  }

  // Waits up to limit for the host to end; its exit status, or -1.
  int WaitForExit(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

  static int Mode(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
  }

  TempFolder data_;
  pid_t pid_ = 0;
  bool exited_ = false;
  int port_ = 0;
};

TEST_F(HostProcessTest, AMissingLinkListAnswersTheErrorTableAndTheHostStaysUp) {
  const std::string cookie = Login();
  const std::string referer = "Referer: http://127.0.0.1/admin/Admin_ArticleGather.asp";
  data_.Write("site/admin/tmpNewslist9908.dat", "short");
  for (const char* item : {"9907", "9908"}) {
    HttpResult step = Fetch(port_, "GET",
                            std::string("/admin/Admin_ArticleGather.asp?action=savenew&ChannelID=1"
                                        "&ItemID=") +
                                item,
                            {cookie, referer});
    EXPECT_EQ(step.status(), 200) << item;
    EXPECT_TRUE(Has(step.body, "获取软件列表错误！")) << item;
  }
  EXPECT_EQ(kill(pid_, 0), 0) << "the host died";
  EXPECT_EQ(Fetch(port_, "GET", "/admin/include/admin.js").status(), 200);
  EXPECT_EQ(Fetch(port_, "GET", "/favicon.ico").status(), 200);
  // What the start made lives in the data folder; the private files are
  // the owner's alone.
  EXPECT_TRUE(data_.Exists("registry.ini"));
  for (const char* file : {"gather.db", "host.db"}) {
    EXPECT_EQ(Mode(data_.Path(file)), 0600) << file;
  }
}

// The host before was killed during a run: it left a download being written
// and a re-pack's working folder of unpacked files. A working file carries
// the id of a process that runs but is another program (init). Another
// process, this test, holds a working folder of its own.
class HostAfterAKillTest : public HostProcessTest {
 protected:
  static std::string Work(std::string_view kind, long pid) {
    return ".ostrel-" + std::string(kind) + "-" + std::to_string(pid) + "-Ab12Cd";
  }
  void BeforeStart() override {
    for (const std::string& path : {dead_part_, dead_work_, reused_part_}) data_.Write(path, "x");
    live_work_ = fs::MakeWorkFolder(data_.Path("site/admin/UpzipFile/temp1"));
    ASSERT_FALSE(live_work_.empty());
    data_.Write(live_file_ = live_work_.substr(data_.path().size() + 1) + "/f/1.txt", "x");
  }
  void TearDown() override {
    HostProcessTest::TearDown();
    std::filesystem::remove_all(live_work_);
    fs::ReleaseWork(live_work_);
  }
  const std::string dead_part_ = "site/soft/DownFile/" + Work("part", 99999999);
  const std::string dead_work_ =
      "site/admin/UpzipFile/temp1/" + Work("work", 99999999) + "/f/1.txt";
  const std::string reused_part_ = "site/soft/DownFile/" + Work("part", 1);
  std::string live_work_, live_file_;
};

TEST_F(HostAfterAKillTest, TheStartRemovesWhatNoProcessHoldsAndNoneIsEverServed) {
  EXPECT_FALSE(data_.Exists(dead_part_));
  EXPECT_FALSE(data_.Exists(dead_work_));
  EXPECT_FALSE(data_.Exists(dead_work_.substr(0, dead_work_.find("/f/"))));
  EXPECT_FALSE(data_.Exists(reused_part_));
  ASSERT_TRUE(data_.Exists(live_file_));
  EXPECT_TRUE(std::filesystem::exists(live_work_ + ".lock"));
  EXPECT_EQ(Fetch(port_, "GET", "/" + live_file_.substr(5)).status(), 404);
  data_.Write(dead_part_, "x");
  EXPECT_EQ(Fetch(port_, "GET", "/" + dead_part_.substr(5)).status(), 404);
}

// The host is killed while its archiver packs. The archiver (the built
// Rar.exe, behind a script that puts a pipe among the files to pack, so the
// pack waits on it) dies with the host; this test takes the orphan in and
// leaves it unreaped, as a busy machine may for a while. The host starts
// again at once.
TEST_F(HostProcessTest, AKillWhileTheArchiverPacksLeavesNoWorkingEntryAfterTheNextStart) {
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  testing::HttpServer remote;
  remote.ServeFolder(std::filesystem::path(OSTREL_SOURCE_DIR) / "demo");
  remote.Route("/soft/down/tool1.zip", testing::HttpAnswer::Redirect("/soft/files/tool1.zip", 302));
  const std::string item = std::to_string(EnsureDemoSoftItem(
      data_.Path("gather.db"), data_.Path("host.db"), "http://" + remote.Host()));
  data_.Write("rar/Rar.exe",
              "#!/bin/sh\nfor last; do :; done\nmkfifo \"${last%/}/wait\"\necho $$ > '" +
                  data_.Path("packing") + "'\nexec '" + testing::RarToolPath() + "' \"$@\"\n");
  chmod(data_.Path("rar/Rar.exe").c_str(), 0755);
  ado::Connection gather;
  gather.Open("Data Source=" + data_.Path("gather.db"));
  gather.Execute("UPDATE QX_SoftConfig SET ZipMode=0, setInterval=0, WinRarPath='" +
                 fs::ToWindows(data_.Path("rar") + "/") + "' WHERE id=1");
  gather.Close();
  data_.Write("site/admin/tmpSoftlist" + item + ".dat", remote.Url("/soft/soft_01.html"));
  test::HttpConnection step(port_);
  step.SendRequest("GET",
                   std::string(kSoftPage) + "?action=savenew&ChannelID=2&D=1&page=0&ItemID=" + item,
                   {Login(), "Referer: http://127.0.0.1/admin/admin_SoftGather.asp"});
  pid_t archiver = 0;
  ASSERT_TRUE(test::Eventually([&] {
    archiver = data_.Exists("packing") ? std::atoi(data_.Read("packing").c_str()) : 0;
    const std::string part = ".ostrel-part-" + std::to_string(archiver) + "-";
    for (const std::string& entry : WorkingEntries(data_.path())) {
      if (archiver > 0 && entry.find(part) != std::string::npos) return true;
    }
    return false;
  })) << data_.Read("host.log");

  ASSERT_EQ(kill(pid_, SIGKILL), 0);
  ASSERT_EQ(waitpid(pid_, nullptr, 0), pid_);
  siginfo_t dead{};
  ASSERT_EQ(waitid(P_PID, static_cast<id_t>(archiver), &dead, WEXITED | WNOWAIT), 0);
  StartHost();
  EXPECT_EQ(WorkingEntries(data_.path()), std::vector<std::string>()) << data_.Read("host.log");
  waitpid(archiver, nullptr, 0);
  prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// A page the remote answers with 404 fails the step: the page says only
// that, the console says why.
TEST_F(HostProcessTest, APageAnsweredWithAnErrorStatusIsNamedOnTheConsole) {
  testing::HttpServer remote;
  const std::string item =
      std::to_string(EnsureDemoItem(data_.Path("gather.db"), "http://" + remote.Host()));
  const std::string gone = remote.Url("/gone.html");
  data_.Write("site/admin/tmpNewslist" + item + ".dat", gone + "\r\n" + gone);
  HttpResult step =
      Fetch(port_, "GET",
            "/admin/Admin_ArticleGather.asp?action=savenew&ChannelID=1&page=0&D=1&ItemID=" + item,
            {Login(), "Referer: http://127.0.0.1/admin/Admin_ArticleGather.asp"});
  EXPECT_TRUE(Has(step.body, "获取远程信息出错！")) << text::Decode(step.body, "GB2312");
  EXPECT_NE(data_.Read("host.log").find("ostrel-host: fetch answered 404: " + gone + "\n"),
            std::string::npos)
      << data_.Read("host.log");
}

// A list typed far past the site's last page fails thousands of fetches in
// one step: the console shows the burst's first lines and counts the rest,
// and a failure after a quiet second is shown whole at once.
TEST_F(HostProcessTest, ABurstOfFailedFetchesIsCountedNotWrittenLineByLine) {
  testing::HttpServer remote;
  const std::string item =
      std::to_string(EnsureDemoItem(data_.Path("gather.db"), "http://" + remote.Host()));
  ado::Connection gather;
  gather.Open("Data Source=" + data_.Path("gather.db"));
  gather.Execute("UPDATE QX_NewsItem SET lastid=3000 WHERE ItemID=" + item);
  gather.Close();
  const std::vector<std::string> step_headers = {
      Login(), "Referer: http://127.0.0.1/admin/Admin_ArticleGather.asp"};
  Fetch(port_, "GET", "/admin/Admin_ArticleGather.asp?action=begin&ChannelID=1&ItemID=" + item,
        step_headers);
  // Each of the 3,000 list pages failed (the list address's reachability
  // probe before them is no failed fetch).
  const size_t failures = 3000;
  ASSERT_GE(remote.RequestCount(), failures);

  // Whole lines count one each, a count line its number.
  const std::string whole = "ostrel-host: fetch answered 404: ";
  const std::regex counted(
      "ostrel-host: (\\d+) more failed fetches, the last: fetch answered 404: http://[^ ]+\\.html");
  size_t lines = 0, seen = 0, count_lines = 0;
  for (int i = 0; i < 100 && seen < failures; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    lines = seen = count_lines = 0;
    std::istringstream log(data_.Read("host.log"));
    std::smatch match;
    for (std::string line; std::getline(log, line);) {
      if (line.starts_with(whole)) {
        ++lines;
        ++seen;
      } else if (std::regex_match(line, match, counted)) {
        ++lines;
        ++count_lines;
        seen += std::stoul(match[1]);
      }
    }
  }
  EXPECT_EQ(seen, failures) << data_.Read("host.log");
  EXPECT_GE(count_lines, 1u);
  EXPECT_LE(lines, 40u);

  const std::string gone = remote.Url("/gone.html");
  data_.Write("site/admin/tmpNewslist" + item + ".dat", gone + "\r\n" + gone);
  Fetch(port_, "GET",
        "/admin/Admin_ArticleGather.asp?action=savenew&ChannelID=1&page=0&D=1&ItemID=" + item,
        step_headers);
  EXPECT_NE(data_.Read("host.log").find(whole + gone + "\n"), std::string::npos)
      << data_.Read("host.log");
}

// Bytes that cannot be a request get their 400 at once also right behind an
// answered request: in its packet, or late, after the worker has looked.
TEST_F(HostProcessTest, BytesThatCannotBeARequestBehindAnAnsweredOneGetTheir400) {
  const std::string first = "GET /admin/Admin_Login.asp HTTP/1.1\r\nHost: h\r\n\r\n";
  const struct {
    std::string packet, late;
  } cases[] = {
      {first + "GET /b HTTP/1.1\r\nHost: h\n\n", ""},
      {first + std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11), ""},
      {first + "GET /b HTTP/1.1\r\nHost: h", "\n\n"},
  };
  for (const auto& c : cases) {
    test::HttpConnection connection(port_);
    const auto start = std::chrono::steady_clock::now();
    connection.Send(c.packet);
    test::HttpHead head = connection.ReadHead();
    EXPECT_EQ(head.status, 200);
    connection.ReadBody(head);
    if (!c.late.empty()) connection.Send(c.late);
    head = connection.ReadHead();
    EXPECT_EQ(head.status, 400) << c.packet;
    connection.ReadBody(head);
    EXPECT_TRUE(connection.Closed());
    // Well within the 10 s header deadline.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }
}

TEST_F(HostProcessTest, SigtermDuringAStalledStepStopsTheHostWithoutAWriteAheadLog) {
  testing::HttpServer remote;
  remote.Route("/never.html",
               testing::HttpAnswer::Slow("x", std::chrono::hours(1), std::chrono::milliseconds(0)));
  const int item = EnsureDemoItem(data_.Path("gather.db"), "http://" + remote.Host());
  data_.Write("site/admin/tmpNewslist" + std::to_string(item) + ".dat",
              remote.Url("/never.html") + "\r\n" + remote.Url("/never.html"));
  test::HttpConnection step(port_);
  step.SendRequest("GET",
                   "/admin/Admin_ArticleGather.asp?action=savenew&ChannelID=1&page=0&D=1&ItemID=" +
                       std::to_string(item),
                   {Login(), "Referer: http://127.0.0.1/admin/Admin_ArticleGather.asp"});
  for (int i = 0; i < 500 && remote.RequestCount() == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(remote.RequestCount(), 1u);

  ASSERT_EQ(kill(pid_, SIGTERM), 0);
  // Within 5 s (a generous bound: the stop takes well under a second).
  EXPECT_EQ(WaitForExit(std::chrono::seconds(5)), 0) << data_.Read("host.log");
  EXPECT_FALSE(data_.Exists("gather.db-wal"));
  EXPECT_FALSE(data_.Exists("host.db-wal"));
}

// A second host whose demo port is taken (here by this test) is told first
// what fits it, in short lines, and its failed start makes nothing: without
// --data it would share the first host's data folder, with it its own.
TEST(SecondHostTest, ABusyDemoPortIsExplainedAndLeavesNoHalfMadeDataFolder) {
  TempFolder folder;
  testing::HttpServer busy;
  const std::string ini = "[Host]\nListen=127.0.0.1:0\n[Demo]\nListen=" + busy.Host() + "\n";
  folder.Write("data/ostrel.ini", ini);
  folder.Write("own.ini", ini);
  const struct {
    std::vector<std::string> args;
    std::string first_advice;
  } cases[] = {
      {{"--demo"}, "--data DIR"},
      {{"--demo", "--data", folder.Path("new"), "--config", folder.Path("own.ini")},
       folder.Path("own.ini")},
  };
  for (const auto& c : cases) {
    const pid_t host = SpawnHost(c.args, folder.Path("host.log"), folder.path());
    int status = 0;
    ASSERT_EQ(waitpid(host, &status, 0), host);
    const std::string log = folder.Read("host.log");
    EXPECT_EQ(WEXITSTATUS(status), 1) << log;
    EXPECT_LT(log.find(c.first_advice), log.find("Listen=")) << log;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
  }
  EXPECT_EQ(folder.Read("data/ostrel.ini"), ini);
  EXPECT_EQ(folder.Read("own.ini"), ini);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path("data")), {}), 1);
  EXPECT_FALSE(folder.Exists("new"));
}

}  // namespace
}  // namespace ostrel::host
