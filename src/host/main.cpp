// ostrel-host: the web host of the admin pages. It reads the configuration,
// makes what a first run lacks (databases, admin password), records the
// component's classes in the registry file, and serves the site until it is
// stopped (SIGINT or SIGTERM: remote transfers in flight are cancelled, the
// pages end, the databases are checkpointed and closed). With --demo it also
// serves the sample remote site and readies its gathering item.
#include <malloc.h>
#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "gathering/flash/player_markup.h"
#include "host/admin_pages.h"
#include "host/console_bursts.h"
#include "host/demo_site.h"
#include "host/first_run.h"
#include "host/host_config.h"
#include "host/test_pages.h"
#include "host/web_server.h"
#include "platform/ado/database_pool.h"
#include "platform/com/registry_file.h"
#include "platform/fs/path_map.h"
#include "platform/fs/run_leftovers.h"
#include "platform/net/fetch_limits.h"
#include "platform/net/fetch_log.h"
#include "platform/vb/vb_error.h"

extern "C" int DllRegisterServer();

namespace {

using namespace ostrel;

std::string ExecutableFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : exe.parent_path().string();
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "ostrel-host: %s\n", message.c_str());
  return 1;
}

// The pages say only that a remote fetch failed; the console says why, one
// line a failure: what went wrong, or the status the remote answered. A
// burst of failures is bounded: past its first lines they are counted.
void WriteFetchFailure(int status, std::string_view reason) {
  if (status == 0) {
    host::FetchFailureLines().Write("fetch failed: " + std::string(reason));
  } else {
    host::FetchFailureLines().Write("fetch answered " + std::to_string(status) + ": " +
                                    std::string(reason));
  }
}

// The admin login: password is the one this start made, "" for one saved before.
void PrintPassword(const host::HostConfig& config, const std::string& password) {
  if (!password.empty()) {
    std::printf("ostrel-host: admin name \"%s\", new password %s (saved in %s)\n",
                config.admin_name.c_str(), password.c_str(), config.config_path.c_str());
  } else {
    std::printf("ostrel-host: admin name \"%s\", password as saved in %s (AdminPassword)\n",
                config.admin_name.c_str(), config.config_path.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  // SQLite's memory statistics take one process-wide lock on every
  // allocation, which makes the page workers (each opening its own
  // connections and parsing the schema) wait for one another. Nothing here
  // reads the statistics. Must come before SQLite is first used.
  sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  // A page builds and frees some tens of kilobytes per request; with
  // the default threshold each free gave the memory back to the kernel and
  // the next page asked for it again (an madvise and a TLB flush on every
  // processor, per request). Each arena keeps up to 8 MB; blocks of 4 MB
  // and more (downloads, archives) are still mapped and returned apart.
  mallopt(M_TRIM_THRESHOLD, 8 << 20);
  mallopt(M_MMAP_THRESHOLD, 4 << 20);

  host::HostOptions options;
  std::string error;
  if (!host::ParseCommandLine(argc, argv, &options, &error)) {
    std::fprintf(stderr, "ostrel-host: %s\n%s", error.c_str(), host::CommandLineUsage());
    return 2;
  }
  if (options.help) {
    std::fputs(host::CommandLineUsage(), stdout);
    return 0;
  }
  host::HostConfig config;
  if (!host::LoadConfig(options, ExecutableFolder(), &config, &error)) return Fail(error);
  // The class list lives in the data folder unless the environment names one.
  const char* registry = std::getenv("OSTREL_REGISTRY");
  if (registry == nullptr || *registry == '\0') {
    setenv("OSTREL_REGISTRY", config.registry_file.c_str(), 1);
  }
  net::FetchLimits limits = net::GetFetchLimits();
  limits.total_timeout = std::chrono::seconds(config.fetch_timeout_seconds);
  limits.download_timeout = std::chrono::seconds(config.download_timeout_seconds);
  limits.allow_private = config.allow_private_remote;
  net::SetFetchLimits(limits);
  net::SetFetchFailureSink(&WriteFetchFailure);
  flash::PlayerHosts player_hosts = flash::GetPlayerHosts();
  if (!config.player_download_host.empty()) player_hosts.download = config.player_download_host;
  if (!config.player_web_host.empty()) player_hosts.web = config.player_web_host;
  if (!config.media_player_host.empty()) player_hosts.media = config.media_player_host;
  flash::SetPlayerHosts(player_hosts);

  // The workers inherit the mask, so only the main thread takes the signals.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  // The connection bounds are set from what the descriptors allow.
  host::RaiseDescriptorLimit();

  // The sample site listens before anything is made: a start that finds
  // its port taken leaves no half-made data folder behind, nor a password
  // it never showed.
  std::unique_ptr<host::DemoSite> demo;
  if (options.demo) {
    demo = std::make_unique<host::DemoSite>(config.demo_root, config.demo_listen);
    if (!demo->Start(&error, config.config_path, !options.data_dir.empty())) return Fail(error);
  }

  std::string password;
  try {
    for (const auto& [letter, folder] : config.drives) fs::SetDrive(letter, folder);
    password = host::EnsurePassword(&config);
    if (host::EnsureDatabases(config)) {
      std::printf("ostrel-host: made the databases %s and %s\n", config.gather_db.c_str(),
                  config.host_db.c_str());
    }
    host::EnsureSiteTree(config);
    host::EnsureArchiveSettings(config);
    // What runs of a host that died (kill -9, a crash) left half done:
    // downloads being written and re-pack working folders.
    int leftovers = fs::RemoveDeadWork(config.data_dir);
    if (!config.site_root.starts_with(config.data_dir + "/")) {
      leftovers += fs::RemoveDeadWork(config.site_root);
    }
    if (leftovers > 0) {
      std::printf("ostrel-host: removed %d unfinished files and folders of ended runs\n",
                  leftovers);
    }
  } catch (const vb::VbError& e) {
    Fail(e.description());
    if (!password.empty()) PrintPassword(config, password);
    return 1;
  }
  // A fresh installation has no registry file yet: the component's classes
  // must be listed before a page can create them.
  if (DllRegisterServer() != 0) {
    return Fail("cannot write the registry file " + com::RegistryFile().path());
  }

  host::ServerSettings settings;
  settings.listen = config.listen;
  settings.pages.site_root = config.site_root;
  settings.pages.charset = config.charset;
  settings.pages.login_page = host::kLoginPage;
  settings.private_files = {config.config_path, config.gather_db, config.host_db,
                            config.registry_file};
  if (config.asset_root != config.site_root) settings.asset_roots = {config.asset_root};
  host::WebServer server(settings);
  host::AddAdminPages(server, host::AdminSettingsOf(config));
  if (options.test_pages) host::AddTestPages(server);

  // The sample site's items point at the port it listens on.
  int demo_item = 0;
  int demo_soft_item = 0;
  int demo_flash_item = 0;
  if (demo) {
    try {
      demo_item = host::EnsureDemoItem(config.gather_db, demo->origin());
      demo_soft_item = host::EnsureDemoSoftItem(config.gather_db, config.host_db, demo->origin());
      demo_flash_item = host::EnsureDemoFlashItem(config.gather_db, config.host_db, demo->origin());
    } catch (const vb::VbError& e) {
      return Fail("demo item: " + e.description());
    }
  }
  if (!server.Start(&error)) {
    Fail(error + " (is another ostrel-host running?): choose a free port with --listen " +
         "ADDR:PORT or [Host] Listen in " + config.config_path);
    // What this start made stays for the next one: its password is shown.
    if (!password.empty()) PrintPassword(config, password);
    return 1;
  }

  std::string address;
  int port = 0;
  host::SplitListen(config.listen, &address, &port);
  std::printf("ostrel-host: site %s, data %s, configuration %s\n", config.site_root.c_str(),
              config.data_dir.c_str(), config.config_path.c_str());
  PrintPassword(config, password);
  if (demo) {
    std::printf("ostrel-host: demo site on %s/ (gathering item %d \"%s\")\n",
                demo->origin().c_str(), demo_item, host::kDemoItemName);
    std::printf("ostrel-host: demo software site on %s/soft/ (software item %d \"%s\")\n",
                demo->origin().c_str(), demo_soft_item, host::kDemoSoftItemName);
    std::printf("ostrel-host: demo Flash site on %s/flash/ (Flash item %d \"%s\")\n",
                demo->origin().c_str(), demo_flash_item, host::kDemoFlashItemName);
  }
  std::printf("ostrel-host: listening on http://%s:%d/\n", address.c_str(), server.port());
  std::fflush(stdout);

  // The main thread waits for the stop; meanwhile it writes, once a
  // second, the count of failures a burst left.
  const timespec tick{1, 0};
  while (sigtimedwait(&stop_signals, nullptr, &tick) < 0) host::TickConsoleLines();
  std::printf("ostrel-host: stopping\n");
  std::fflush(stdout);
  // Fetches in flight end at once, so the pages waiting on them end too.
  net::CancelAllTransfers();
  // A page that still does not end must not keep the host from stopping.
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(4500));
    host::FlushConsoleLines();
    std::fprintf(stderr, "ostrel-host: pages still running after 4.5 s; stopping without them\n");
    std::_Exit(1);
  }).detach();
  server.Stop();
  if (demo) demo->Stop();
  // Every page has ended: the databases are checkpointed and closed, and
  // no write-ahead log stays behind.
  ado::ClearDatabasePool();
  host::CloseDatabases(config);
  host::FlushConsoleLines();
  std::printf("ostrel-host: stopped\n");
  return 0;
}
