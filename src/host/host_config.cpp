#include "host/host_config.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/fs/file_io.h"
#include "platform/fs/ini_document.h"

namespace ostrel::host {

namespace {

namespace stdfs = std::filesystem;

// A configuration file is a few lines; anything larger is not one.
constexpr size_t kMaxConfigBytes = 1 << 20;

std::string CurrentFolder() {
  std::error_code ec;
  stdfs::path cwd = stdfs::current_path(ec);
  return ec ? std::string("/") : cwd.string();
}

// path taken from base when relative, "." and ".." resolved, no trailing "/".
std::string Absolute(const std::string& base, const std::string& path) {
  stdfs::path p(path);
  if (p.is_relative()) p = stdfs::path(base) / p;
  std::string text = p.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::string FolderOf(const std::string& file) {
  std::string folder = stdfs::path(file).parent_path().string();
  return folder.empty() ? std::string("/") : folder;
}

bool ParseInt(std::string_view text, int* value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

// "1", "yes", "true", "on" and their opposites, without regard to case.
bool ParseSwitch(std::string_view text, bool* value) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* on : {"1", "yes", "true", "on"}) {
    if (lower == on) return *value = true;
  }
  for (const char* off : {"0", "no", "false", "off"}) {
    if (lower == off) {
      *value = false;
      return true;
    }
  }
  return false;
}

// The first of the candidate folders that exists.
std::string FindFolder(const std::string& exe_dir, const char* name) {
  const std::string candidates[] = {
      exe_dir + "/" + name,
      exe_dir + "/../share/ostrel/" + name,
      std::string(OSTREL_SOURCE_DIR) + "/" + name,
  };
  for (const std::string& candidate : candidates) {
    std::error_code ec;
    if (stdfs::is_directory(candidate, ec)) return Absolute("/", candidate);
  }
  return Absolute("/", candidates[2]);
}

// The first folder that holds the archiver the re-packer starts: beside
// the host, else where the build tree makes it. "" when neither does.
std::string FindArchiver(const std::string& exe_dir) {
  for (const std::string& folder : {exe_dir, std::string(OSTREL_RAR_DIR)}) {
    std::error_code ec;
    if (stdfs::is_regular_file(folder + "/Rar.exe", ec)) return Absolute("/", folder);
  }
  return "";
}

bool Fail(std::string* error, std::string message) {
  *error = std::move(message);
  return false;
}

// A host name, with an optional port: letters, digits, "-", "." and ":".
// The value goes into markup and addresses, so nothing else is taken.
bool IsHostName(std::string_view text) {
  if (text.empty() || text.size() > 253) return false;
  for (char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.' && c != ':') {
      return false;
    }
  }
  return true;
}

// Applies the file's values over the defaults.
bool ApplyFile(const fs::IniDocument& ini, const std::string& config_folder, HostConfig* config,
               std::string* error) {
  auto get = [&](std::string_view section, std::string_view key) -> std::optional<std::string> {
    std::optional<std::string> value = ini.Get(section, key);
    if (value && value->empty()) return std::nullopt;
    return value;
  };
  if (auto v = get("Host", "Listen")) config->listen = *v;
  if (auto v = get("Host", "SiteRoot")) config->site_root = Absolute(config_folder, *v);
  if (auto v = get("Demo", "Listen")) config->demo_listen = *v;
  if (auto v = get("Host", "FetchTimeout")) {
    if (!ParseInt(*v, &config->fetch_timeout_seconds) || config->fetch_timeout_seconds < 1 ||
        config->fetch_timeout_seconds > 86400) {
      return Fail(error,
                  "FetchTimeout must be a number of seconds from 1 to 86400, not \"" + *v + "\"");
    }
  }
  if (auto v = get("Host", "DownloadTimeout")) {
    if (!ParseInt(*v, &config->download_timeout_seconds) ||
        config->download_timeout_seconds < 1 || config->download_timeout_seconds > 86400) {
      return Fail(error,
                  "DownloadTimeout must be a number of seconds from 1 to 86400, not \"" + *v + "\"");
    }
  }
  if (auto v = get("Host", "AllowPrivateRemote")) {
    if (!ParseSwitch(*v, &config->allow_private_remote)) {
      return Fail(error, "AllowPrivateRemote must be 0 or 1, not \"" + *v + "\"");
    }
  }
  if (auto v = get("Host", "CodePage")) {
    if (!ParseInt(*v, &config->code_page) || CharsetOfCodePage(config->code_page).empty()) {
      return Fail(error, "CodePage must be 936, 950 or 65001, not \"" + *v + "\"");
    }
  }
  if (auto v = get("Host", "AdminName")) config->admin_name = *v;
  if (auto v = ini.Get("Host", "AdminPassword")) config->admin_password = *v;
  if (auto v = get("Host", "PageListNum")) {
    if (!ParseInt(*v, &config->page_list_num) || config->page_list_num < 1 ||
        config->page_list_num > 32767) {
      return Fail(error, "PageListNum must be a number from 1 to 32767, not \"" + *v + "\"");
    }
  }
  const std::pair<const char*, std::string*> player_hosts[] = {
      {"PlayerDownloadHost", &config->player_download_host},
      {"PlayerWebHost", &config->player_web_host},
      {"MediaPlayerHost", &config->media_player_host},
  };
  for (const auto& [key, target] : player_hosts) {
    if (auto v = get("Flash", key)) {
      if (!IsHostName(*v)) {
        return Fail(error, std::string(key) + " must be a host name (host or host:port), not \"" +
                               *v + "\"");
      }
      *target = *v;
    }
  }
  if (auto v = get("Database", "Gather")) config->gather_db = *v;
  if (auto v = get("Database", "Host")) config->host_db = *v;
  for (const std::string& key : ini.Keys("Drives")) {
    std::string folder = ini.Get("Drives", key).value_or("");
    if (key.size() != 1 || !std::isalpha(static_cast<unsigned char>(key[0]))) {
      return Fail(error, "[Drives] keys are drive letters, not \"" + key + "\"");
    }
    if (folder.empty() || folder[0] != '/') {
      return Fail(error, "drive " + key + ": needs an absolute folder, not \"" + folder + "\"");
    }
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
    config->drives.emplace_back(letter, Absolute("/", folder));
  }
  return true;
}

}  // namespace

const char* CommandLineUsage() {
  return "usage: ostrel-host [--config FILE] [--data DIR] [--listen ADDR:PORT] [--demo]\n"
         "  --config FILE       the configuration file (default: DIR/ostrel.ini)\n"
         "  --data DIR          the data folder: databases, configuration (default: ./data)\n"
         "  --listen ADDR:PORT  where to listen (default: 127.0.0.1:8080; port 0 picks one)\n"
         "  --demo              also serve the sample remote site on its loopback port\n"
         "                      ([Demo] Listen, default 127.0.0.1:8081), with a ready\n"
         "                      gathering item for it; remote fetches may reach loopback\n";
}

bool ParseCommandLine(int argc, const char* const* argv, HostOptions* options, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::string* target = nullptr;
    std::string_view name = arg;
    std::optional<std::string_view> inline_value;
    if (size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      inline_value = arg.substr(eq + 1);
    }
    if (name == "--config") {
      target = &options->config_file;
    } else if (name == "--data") {
      target = &options->data_dir;
    } else if (name == "--listen") {
      target = &options->listen;
    } else if (arg == "--demo") {
      options->demo = true;
      continue;
    } else if (arg == "--test-pages") {
      options->test_pages = true;
      continue;
    } else if (arg == "--help" || arg == "-h") {
      options->help = true;
      continue;
    } else {
      return Fail(error, "unknown option " + std::string(arg));
    }
    if (inline_value) {
      *target = *inline_value;
    } else if (i + 1 < argc) {
      *target = argv[++i];
    } else {
      return Fail(error, std::string(name) + " needs a value");
    }
    if (target->empty()) return Fail(error, std::string(name) + " needs a value");
  }
  return true;
}

std::string CharsetOfCodePage(int code_page) {
  switch (code_page) {
    case 936:
      return "gb2312";
    case 950:
      return "big5";
    case 65001:
      return "utf-8";
    default:
      return "";
  }
}

bool SplitListen(const std::string& listen, std::string* address, int* port) {
  size_t colon = listen.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string host = listen.substr(0, colon);
  if (host.front() == '[' ? host.back() != ']' : host.find(':') != std::string::npos) {
    return false;
  }
  if (!ParseInt(std::string_view(listen).substr(colon + 1), port) || *port < 0 || *port > 65535) {
    return false;
  }
  *address = host;
  return true;
}

bool LoadConfig(const HostOptions& options, const std::string& exe_dir, HostConfig* config,
                std::string* error) {
  const std::string cwd = CurrentFolder();
  std::string data_option = options.data_dir.empty() ? "" : Absolute(cwd, options.data_dir);
  config->config_path = !options.config_file.empty() ? Absolute(cwd, options.config_file)
                        : !data_option.empty()       ? data_option + "/ostrel.ini"
                                                     : cwd + "/data/ostrel.ini";
  config->asset_root = FindFolder(exe_dir, "site");
  config->schema_dir = FindFolder(exe_dir, "schema");
  config->demo_root = FindFolder(exe_dir, "demo");
  config->archiver_dir = FindArchiver(exe_dir);
  config->gather_db = "gather.db";
  config->host_db = "host.db";

  std::string bytes;
  std::error_code ec;
  config->config_exists = stdfs::exists(config->config_path, ec);
  std::optional<fs::IniDocument> ini;
  if (config->config_exists) {
    int rc = fs::ReadWholeFile(config->config_path, kMaxConfigBytes, &bytes);
    if (rc != 0) {
      return Fail(error, "cannot read " + config->config_path + ": " + std::strerror(rc));
    }
    ini.emplace(bytes);
    if (!ApplyFile(*ini, FolderOf(config->config_path), config, error)) {
      *error = config->config_path + ": " + *error;
      return false;
    }
  }

  std::optional<std::string> data_key = ini ? ini->Get("Host", "DataFolder") : std::nullopt;
  if (!data_option.empty()) {
    config->data_dir = data_option;
  } else if (data_key && !data_key->empty()) {
    config->data_dir = Absolute(FolderOf(config->config_path), *data_key);
  } else {
    config->data_dir = cwd + "/data";
  }
  config->gather_db = Absolute(config->data_dir, config->gather_db);
  config->host_db = Absolute(config->data_dir, config->host_db);
  // Everything a run writes lives in the data folder, never in the source
  // tree: the site tree that receives link lists and gathered files, and
  // the class list.
  if (config->site_root.empty()) config->site_root = config->data_dir + "/site";
  config->registry_file = config->data_dir + "/registry.ini";
  if (!options.listen.empty()) config->listen = options.listen;
  // The sample site and the tests' fixture sites live on loopback.
  if (options.demo) config->allow_private_remote = true;
  config->charset = CharsetOfCodePage(config->code_page);

  std::string address;
  int port = 0;
  for (const std::string* listen : {&config->listen, &config->demo_listen}) {
    if (!SplitListen(*listen, &address, &port)) {
      return Fail(error, "a listen address must be ADDR:PORT, not \"" + *listen + "\"");
    }
  }
  return true;
}

}  // namespace ostrel::host
