// ostrel-host itself, as a process: a fresh start (the class list and the
// databases made in the data folder, owner-only), a run step that fails on a
// missing link list as the first thing the process does, and a stop by
// SIGTERM while a step waits on a remote site that never answers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "host/demo_site.h"
#include "host/test_http.h"
#include "platform/text/charset.h"
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

class HostProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    signal(SIGPIPE, SIG_IGN);
    data_.Write("ostrel.ini",
                "[Host]\nAdminPassword=Pass\nAllowPrivateRemote=1\n[Demo]\nListen=127.0.0.1:0\n");
    BeforeStart();
    const std::string host = std::string(OSTREL_BINARY_DIR) + "/src/host/ostrel-host";
    const std::string log = data_.Path("host.log");
    const char* argv[] = {host.c_str(), "--data",      data_.path().c_str(),
                          "--listen",   "127.0.0.1:0", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // The class list comes from the data folder, not the environment.
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) {
      if (!std::string_view(*e).starts_with("OSTREL_REGISTRY=")) env.push_back(*e);
    }
    env.push_back(nullptr);
    ASSERT_EQ(
        posix_spawn(&pid_, host.c_str(), &actions, nullptr, const_cast<char**>(argv), env.data()),
        0);
    posix_spawn_file_actions_destroy(&actions);
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
// and a re-pack's working folder of unpacked files. Another host still runs
// one of its own (this test process stands for it).
class HostAfterAKillTest : public HostProcessTest {
 protected:
  static std::string Work(std::string_view kind, long pid) {
    return ".ostrel-" + std::string(kind) + "-" + std::to_string(pid) + "-Ab12Cd";
  }
  void BeforeStart() override {
    for (const std::string& path : {dead_part_, dead_work_, live_work_}) data_.Write(path, "x");
  }
  const std::string dead_part_ = "site/soft/DownFile/" + Work("part", 99999999);
  const std::string dead_work_ =
      "site/admin/UpzipFile/temp1/" + Work("work", 99999999) + "/f/1.txt";
  const std::string live_work_ =
      "site/admin/UpzipFile/temp1/" + Work("work", getpid()) + "/f/1.txt";
};

TEST_F(HostAfterAKillTest, TheStartRemovesTheDeadRunsWorkAndNoneIsEverServed) {
  EXPECT_FALSE(data_.Exists(dead_part_));
  EXPECT_FALSE(data_.Exists(dead_work_));
  EXPECT_FALSE(data_.Exists(dead_work_.substr(0, dead_work_.find("/f/"))));
  ASSERT_TRUE(data_.Exists(live_work_));
  EXPECT_EQ(Fetch(port_, "GET", "/" + live_work_.substr(5)).status(), 404);
  data_.Write(dead_part_, "x");
  EXPECT_EQ(Fetch(port_, "GET", "/" + dead_part_.substr(5)).status(), 404);
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

}  // namespace
}  // namespace ostrel::host
