// The host's configuration: command line, file values over defaults, paths
// taken relative to the right folder, and refusal of values that cannot work.
#include <gtest/gtest.h>

#include "host/host_config.h"
#include "host/test_http.h"

namespace ostrel::host {
namespace {

using test::TempFolder;

HostOptions Options(std::vector<const char*> args) {
  args.insert(args.begin(), "ostrel-host");
  HostOptions options;
  std::string error;
  EXPECT_TRUE(ParseCommandLine(static_cast<int>(args.size()), args.data(), &options, &error))
      << error;
  return options;
}

TEST(CommandLineTest, TakesOptionsWithSeparateOrJoinedValues) {
  HostOptions options =
      Options({"--config", "/etc/o.ini", "--data=/var/o", "--listen", "127.0.0.1:9000", "--demo"});
  EXPECT_EQ(options.config_file, "/etc/o.ini");
  EXPECT_EQ(options.data_dir, "/var/o");
  EXPECT_EQ(options.listen, "127.0.0.1:9000");
  EXPECT_TRUE(options.demo);
  EXPECT_FALSE(options.test_pages);
  EXPECT_TRUE(Options({"--test-pages"}).test_pages);

  std::string error;
  HostOptions rejected;
  const char* unknown[] = {"ostrel-host", "--port", "80"};
  EXPECT_FALSE(ParseCommandLine(3, unknown, &rejected, &error));
  EXPECT_NE(error.find("--port"), std::string::npos);
  const char* missing[] = {"ostrel-host", "--data"};
  EXPECT_FALSE(ParseCommandLine(2, missing, &rejected, &error));
  const char* empty[] = {"ostrel-host", "--listen="};
  EXPECT_FALSE(ParseCommandLine(2, empty, &rejected, &error));
}

TEST(CommandLineTest, SplitsListenAddresses) {
  std::string address;
  int port = -1;
  EXPECT_TRUE(SplitListen("127.0.0.1:8080", &address, &port));
  EXPECT_EQ(address, "127.0.0.1");
  EXPECT_EQ(port, 8080);
  EXPECT_TRUE(SplitListen("[::1]:0", &address, &port));
  EXPECT_EQ(address, "[::1]");
  EXPECT_EQ(port, 0);
  for (const char* bad : {"8080", ":8080", "127.0.0.1:", "127.0.0.1:65536", "127.0.0.1:-1",
                          "127.0.0.1:80x", "::1:80"}) {
    EXPECT_FALSE(SplitListen(bad, &address, &port)) << bad;
  }
}

TEST(ConfigTest, DefaultsPutEverythingInTheDataFolder) {
  TempFolder data;
  HostConfig config;
  std::string error;
  HostOptions options;
  options.data_dir = data.path();
  ASSERT_TRUE(LoadConfig(options, "/nonexistent", &config, &error)) << error;
  EXPECT_FALSE(config.config_exists);
  EXPECT_EQ(config.config_path, data.Path("ostrel.ini"));
  EXPECT_EQ(config.data_dir, data.path());
  EXPECT_EQ(config.gather_db, data.Path("gather.db"));
  EXPECT_EQ(config.host_db, data.Path("host.db"));
  EXPECT_EQ(config.listen, "127.0.0.1:8080");
  EXPECT_EQ(config.code_page, 936);
  EXPECT_EQ(config.charset, "gb2312");
  EXPECT_EQ(config.page_list_num, 30);
  EXPECT_EQ(config.admin_name, "admin");
  EXPECT_TRUE(config.admin_password.empty());
  // What a run writes stays in the data folder; the repository's site
  // folder is only read.
  EXPECT_EQ(config.site_root, data.Path("site"));
  EXPECT_EQ(config.registry_file, data.Path("registry.ini"));
  EXPECT_EQ(config.asset_root, std::string(OSTREL_SOURCE_DIR) + "/site");
  EXPECT_EQ(config.schema_dir, std::string(OSTREL_SOURCE_DIR) + "/schema");
  EXPECT_EQ(config.demo_listen, "127.0.0.1:8081");
  EXPECT_EQ(config.fetch_timeout_seconds, 60);
  EXPECT_FALSE(config.allow_private_remote);
  options.demo = true;
  ASSERT_TRUE(LoadConfig(options, "/nonexistent", &config, &error)) << error;
  EXPECT_TRUE(config.allow_private_remote);
}

TEST(ConfigTest, FileValuesApplyAndTheCommandLineWins) {
  TempFolder folder;
  folder.Write("conf/host.ini",
               "[Host]\r\nListen=127.0.0.1:9100\r\nSiteRoot=../www\r\nDataFolder=store\r\n"
               "CodePage=65001\r\nAdminName=chief\r\nAdminPassword=\"s3cret\"\r\n"
               "PageListNum=12\r\nFetchTimeout=5\r\nDownloadTimeout=900\r\nAllowPrivateRemote=yes\r\n"
               "[Demo]\r\nListen=127.0.0.1:9101\r\n[Database]\r\nGather=g/one.db\r\nHost=/abs/host.db\r\n"
               "[Drives]\r\nd=/srv/files/\r\n[Flash]\r\nPlayerWebHost=cdn.example:8080\r\n");
  HostOptions options;
  options.config_file = folder.Path("conf/host.ini");
  HostConfig config;
  std::string error;
  ASSERT_TRUE(LoadConfig(options, "/nonexistent", &config, &error)) << error;
  EXPECT_TRUE(config.config_exists);
  EXPECT_EQ(config.listen, "127.0.0.1:9100");
  EXPECT_EQ(config.site_root, folder.Path("www"));
  EXPECT_EQ(config.data_dir, folder.Path("conf/store"));
  EXPECT_EQ(config.gather_db, folder.Path("conf/store/g/one.db"));
  EXPECT_EQ(config.host_db, "/abs/host.db");
  EXPECT_EQ(config.charset, "utf-8");
  EXPECT_EQ(config.admin_name, "chief");
  EXPECT_EQ(config.admin_password, "s3cret");
  EXPECT_EQ(config.page_list_num, 12);
  EXPECT_EQ(config.fetch_timeout_seconds, 5);
  EXPECT_EQ(config.download_timeout_seconds, 900);
  EXPECT_TRUE(config.allow_private_remote);
  EXPECT_EQ(config.demo_listen, "127.0.0.1:9101");
  ASSERT_EQ(config.drives.size(), 1u);
  EXPECT_EQ(config.drives[0].first, 'D');
  EXPECT_EQ(config.drives[0].second, "/srv/files");
  EXPECT_EQ(config.player_web_host, "cdn.example:8080");
  EXPECT_EQ(config.player_download_host, "");  // the component's default stays

  options.data_dir = folder.Path("elsewhere");
  options.listen = "127.0.0.1:0";
  ASSERT_TRUE(LoadConfig(options, "/nonexistent", &config, &error)) << error;
  EXPECT_EQ(config.data_dir, folder.Path("elsewhere"));
  EXPECT_EQ(config.gather_db, folder.Path("elsewhere/g/one.db"));
  EXPECT_EQ(config.listen, "127.0.0.1:0");
}

TEST(ConfigTest, RefusesValuesThatCannotWork) {
  const char* bad_files[] = {
      "[Host]\nCodePage=1252\n",    "[Host]\nPageListNum=0\n", "[Host]\nPageListNum=abc\n",
      "[Host]\nListen=localhost\n", "[Drives]\nDD=/x\n",       "[Drives]\nE=relative/x\n",
      "[Host]\nFetchTimeout=0\n", "[Host]\nDownloadTimeout=-1\n",  "[Host]\nAllowPrivateRemote=maybe\n", "[Demo]\nListen=x\n",
      "[Flash]\nMediaPlayerHost=a\"><script>\n",
  };
  for (const char* text : bad_files) {
    TempFolder folder;
    folder.Write("ostrel.ini", text);
    HostOptions options;
    options.data_dir = folder.path();
    HostConfig config;
    std::string error;
    EXPECT_FALSE(LoadConfig(options, "/nonexistent", &config, &error)) << text;
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace ostrel::host
