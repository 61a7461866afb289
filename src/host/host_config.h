// The host's configuration: one INI file and one data folder. Values come
// from the built-in defaults, then the configuration file, then the command
// line. Paths in the file may be relative: database files to the data
// folder, the site root to the folder of the file.
//
//   [Host]
//   Listen=127.0.0.1:8080        address and port (IPv6 as [::1]:8080)
//   SiteRoot=                    the site tree served, mapped and written (default: DATA/site);
//                                the shipped site/ assets are served read-only beneath it
//   DataFolder=                  used when --data is not given
//   FetchTimeout=60              seconds a remote page or picture may take in all
//   AllowPrivateRemote=0         1: remote fetches may reach loopback and private
//                                addresses (--demo turns it on)
//   CodePage=936                 936 (GB2312), 950 (BIG5) or 65001 (UTF-8)
//   AdminName=admin
//   AdminPassword=               generated on first run when empty
//   PageListNum=30               rows per page of the item lists
//   [Database]
//   Gather=gather.db             the gathering database (ConnString)
//   Host=host.db                 the host database (DBConnstr); may name the same file
//   [Flash]                      the outside hosts the Flash channel's player markup names
//   PlayerDownloadHost=          (empty: the component's defaults)
//   PlayerWebHost=
//   MediaPlayerHost=
//   [Drives]
//   D=/srv/files                 drive letters beyond C: (C: is "/" unless set here)
//   [Demo]
//   Listen=127.0.0.1:8081        the sample remote site of --demo (a fixed port, so
//                                items defined against it keep working)
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ostrel::host {

// What the command line says; empty strings were not given.
struct HostOptions {
  std::string config_file;
  std::string data_dir;
  std::string listen;
  bool demo = false;
  // Adds the pages the browser tests need (tests/e2e/run.sh passes
  // --test-pages); never for a real site, so the usage text leaves it out.
  bool test_pages = false;
  bool help = false;
};

struct HostConfig {
  std::string config_path;  // the configuration file (read, and written on first run)
  bool config_exists = false;
  std::string data_dir;       // native, absolute
  std::string site_root;      // native, absolute, no trailing "/"
  std::string asset_root;     // the shipped site/ folder, served read-only beneath site_root
  std::string schema_dir;     // the SQL scripts of a new installation
  std::string demo_root;      // the sample remote site's files (--demo)
  std::string archiver_dir;   // the folder holding the built Rar.exe ("" when none is found)
  std::string registry_file;  // the component's class list
  std::string listen = "127.0.0.1:8080";
  std::string demo_listen = "127.0.0.1:8081";
  int fetch_timeout_seconds = 60;
  int download_timeout_seconds = 3600;
  bool allow_private_remote = false;
  int code_page = 936;
  std::string charset = "gb2312";  // the code page's name in Content-Type and for posted forms
  std::string admin_name = "admin";
  std::string admin_password;
  int page_list_num = 30;
  std::string gather_db;  // native, absolute
  std::string host_db;
  std::vector<std::pair<char, std::string>> drives;  // letter (upper case) -> native folder
  // The player markup's hosts ("host" or "host:port"); "" keeps the
  // component's default.
  std::string player_download_host;
  std::string player_web_host;
  std::string media_player_host;
};

// Parses the command line (argv[0] is skipped). False, with the reason in
// *error, for an unknown option or a missing value.
bool ParseCommandLine(int argc, const char* const* argv, HostOptions* options, std::string* error);

// The usage text of the command line.
const char* CommandLineUsage();

// Builds the configuration: defaults, the file (when it exists), the options.
// exe_dir is the folder of the running executable (where an installed
// site/ and schema/ are looked for first). False, with the reason in
// *error, when the file cannot be read or holds a value that cannot be used.
bool LoadConfig(const HostOptions& options, const std::string& exe_dir, HostConfig* config,
                std::string* error);

// The charset name of a code page (936 -> "gb2312"), or "" for one the host
// does not serve.
std::string CharsetOfCodePage(int code_page);

// Splits "ADDR:PORT" ("[::1]:PORT" for IPv6). False when the text is not of
// that form or the port is not 0-65535.
bool SplitListen(const std::string& listen, std::string* address, int* port);

}  // namespace ostrel::host
