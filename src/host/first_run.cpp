#include "host/first_run.h"

#include <sqlite3.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/ado/ado_error.h"
#include "platform/ado/schema_loader.h"
#include "platform/fs/file_io.h"
#include "platform/fs/ini_document.h"
#include "platform/fs/path_map.h"
#include "platform/vb/vb_error.h"

namespace ostrel::host {

namespace {

namespace stdfs = std::filesystem;

constexpr size_t kMaxScriptBytes = 16 << 20;

// The file written when there is none: the defaults, with the keys spelled
// out so an administrator sees what can be set.
constexpr char kConfigTemplate[] =
    "; Ostrel host configuration. Relative paths: database files are taken\n"
    "; from the data folder, SiteRoot from the folder of this file.\n"
    "[Host]\n"
    "Listen=127.0.0.1:8080\n"
    "; SiteRoot=/path/to/site   (default: the data folder's site/)\n"
    "CodePage=936\n"
    "AdminName=admin\n"
    "AdminPassword=\n"
    "PageListNum=30\n"
    "; Seconds a remote page or picture may take in all.\n"
    "FetchTimeout=60\n"
    "; Seconds a file download may take in all.\n"
    "DownloadTimeout=3600\n"
    "; 1: remote fetches may reach loopback and private addresses.\n"
    "AllowPrivateRemote=0\n"
    "[Database]\n"
    "Gather=gather.db\n"
    "Host=host.db\n"
    "[Flash]\n"
    "; PlayerDownloadHost=download.macromedia.com\n"
    "; PlayerWebHost=www.macromedia.com\n"
    "; MediaPlayerHost=activex.microsoft.com\n"
    "[Drives]\n"
    "; D=/srv/files\n"
    "[Demo]\n"
    "Listen=127.0.0.1:8081\n";

[[noreturn]] void RaiseFirstRun(int32_t number, std::string description) {
  throw vb::VbError(number, "ostrel-host", std::move(description));
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

void RemoveDatabase(const std::string& path) {
  ::unlink(path.c_str());
  ::unlink((path + "-wal").c_str());
  ::unlink((path + "-shm").c_str());
}

void MakeFolder(const std::string& folder) {
  std::error_code ec;
  stdfs::create_directories(folder, ec);
  if (ec) RaiseFirstRun(vb::kErrPathNotFound, "cannot make " + folder + ": " + ec.message());
}

std::string ReadScript(const std::string& path) {
  std::string text;
  int rc = fs::ReadWholeFile(path, kMaxScriptBytes, &text);
  if (rc != 0) {
    ado::RaiseAdo(ado::kErrOpeningFile,
                  "Cannot read the SQL script '" + path + "': " + std::strerror(rc));
  }
  return text;
}

void Exec(sqlite3* db, const std::string& sql, const std::string& what) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return;
  std::string text = message ? message : sqlite3_errmsg(db);
  sqlite3_free(message);
  ado::RaiseAdo(ado::kErrProvider, what + ": " + text);
}

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

// Opens the database at path (with flags) and runs work on it; closes it
// also when work raises.
template <class F>
void WithDatabase(const std::string& path, int flags, F&& work) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    ado::RaiseAdo(ado::kErrProvider, "Cannot open the database " + path);
  }
  sqlite3_busy_timeout(db, 5000);
  try {
    work(db);
  } catch (const vb::VbError&) {
    sqlite3_close_v2(db);
    throw;
  }
  sqlite3_close_v2(db);
}

// Runs the first-rows script so that its rows reach only the new databases.
// The script names its tables without a database, and SQLite looks a bare
// name up in the main database first and then in the attached ones: so the
// main database is a scratch one in memory holding the tables of the
// databases that existed already (their rows go nowhere), and the new files
// are attached behind it.
void AddFirstRows(const std::vector<std::string>& new_files,
                  const std::vector<std::string>& old_schemas, const std::string& rows_script) {
  WithDatabase(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, [&](sqlite3* db) {
    for (const std::string& schema : old_schemas) Exec(db, ReadScript(schema), schema);
    for (size_t i = 0; i < new_files.size(); ++i) {
      Exec(db, "ATTACH DATABASE " + Quoted(new_files[i]) + " AS new" + std::to_string(i),
           new_files[i]);
    }
    Exec(db, "BEGIN", rows_script);
    Exec(db, ReadScript(rows_script), rows_script);
    Exec(db, "COMMIT", rows_script);
  });
}

// Files made while it stands are readable by their owner only: the
// databases and the configuration hold the admin's data and password.
class OwnerOnly {
 public:
  OwnerOnly() : previous_(::umask(077)) {}
  ~OwnerOnly() { ::umask(previous_); }
  OwnerOnly(const OwnerOnly&) = delete;
  OwnerOnly& operator=(const OwnerOnly&) = delete;

 private:
  mode_t previous_;
};

}  // namespace

bool EnsureDatabases(const HostConfig& config) {
  OwnerOnly owner_only;
  const std::string gather_sql = config.schema_dir + "/gather.sql";
  const std::string host_sql = config.schema_dir + "/host.sql";
  const std::string rows_sql = config.schema_dir + "/first_rows.sql";
  MakeFolder(config.data_dir);

  std::vector<std::string> made;
  std::vector<std::string> old_schemas;
  try {
    if (config.gather_db == config.host_db) {
      if (Exists(config.gather_db)) return false;
      MakeFolder(stdfs::path(config.gather_db).parent_path().string());
      ado::CreateDatabase(config.gather_db, {gather_sql, host_sql, rows_sql});
      return true;
    }
    const std::pair<const std::string*, const std::string*> databases[] = {
        {&config.gather_db, &gather_sql}, {&config.host_db, &host_sql}};
    for (const auto& [file, schema] : databases) {
      if (Exists(*file)) {
        old_schemas.push_back(*schema);
        continue;
      }
      MakeFolder(stdfs::path(*file).parent_path().string());
      ado::CreateDatabase(*file, {*schema});
      made.push_back(*file);
    }
    if (made.empty()) return false;
    AddFirstRows(made, old_schemas, rows_sql);
  } catch (const vb::VbError&) {
    // A database without its first rows must not pass for a complete one
    // on the next start.
    for (const std::string& file : made) RemoveDatabase(file);
    throw;
  }
  return true;
}

std::string GeneratePassword() {
  static const char kAlphabet[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
  constexpr size_t kLetters = sizeof(kAlphabet) - 1;
  std::string password;
  while (password.size() < 16) {
    unsigned char bytes[32];
    ssize_t got = getrandom(bytes, sizeof(bytes), 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseFirstRun(vb::kErrInvalidCall, std::string("no random source: ") + std::strerror(errno));
    }
    for (ssize_t i = 0; i < got && password.size() < 16; ++i) {
      // Rejects the top values so every letter is equally likely.
      if (bytes[i] >= 256 - 256 % kLetters) continue;
      password += kAlphabet[bytes[i] % kLetters];
    }
  }
  return password;
}

std::string EnsurePassword(HostConfig* config) {
  if (!config->admin_password.empty()) return "";
  OwnerOnly owner_only;
  std::string bytes = kConfigTemplate;
  if (config->config_exists) {
    int rc = fs::ReadWholeFile(config->config_path, 1 << 20, &bytes);
    if (rc != 0) {
      RaiseFirstRun(vb::kErrPermission,
                    "cannot read " + config->config_path + ": " + std::strerror(rc));
    }
  }
  std::string password = GeneratePassword();
  fs::IniDocument ini(bytes);
  ini.Set("Host", "AdminPassword", password);
  MakeFolder(stdfs::path(config->config_path).parent_path().string());
  int rc = fs::WriteFileAtomic(config->config_path, ini.Bytes());
  if (rc != 0) {
    RaiseFirstRun(vb::kErrPermission,
                  "cannot write " + config->config_path + ": " + std::strerror(rc));
  }
  // The file holds the password: only its owner reads it.
  ::chmod(config->config_path.c_str(), 0600);
  config->config_exists = true;
  config->admin_password = password;
  return password;
}

void EnsureSiteTree(const HostConfig& config) {
  MakeFolder(config.site_root);
  std::error_code ec;
  if (config.asset_root.empty() || config.asset_root == config.site_root) return;
  for (stdfs::recursive_directory_iterator it(config.asset_root, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (!it->is_directory(ec)) continue;
    MakeFolder(config.site_root + "/" +
               stdfs::relative(it->path(), config.asset_root, ec).string());
  }
}

void EnsureArchiveSettings(const HostConfig& config) {
  const std::string readme = std::string(kSoftReadmeFolder).substr(1);
  if (!config.asset_root.empty() && config.asset_root != config.site_root) {
    std::error_code ec;
    const stdfs::path shipped = stdfs::path(config.asset_root) / readme;
    for (stdfs::directory_iterator it(shipped, ec), end; !ec && it != end; it.increment(ec)) {
      if (!it->is_regular_file(ec)) continue;
      const stdfs::path target = stdfs::path(config.site_root) / readme / it->path().filename();
      MakeFolder(target.parent_path().string());
      stdfs::copy_file(it->path(), target, stdfs::copy_options::skip_existing, ec);
      if (ec) {
        RaiseFirstRun(vb::kErrPermission, "cannot write " + target.string() + ": " + ec.message());
      }
    }
  }

  // An archiver that no drive letter reaches has no path the component
  // takes: that field is left to the administrator.
  std::string archiver;
  try {
    if (!config.archiver_dir.empty()) archiver = fs::ToWindows(config.archiver_dir + "/");
  } catch (const vb::VbError&) {
  }
  const std::pair<std::string, std::string> values[] = {
      {"WinRarPath", archiver},
      {"DownFilePath", kSoftDownFolder},
      {"ReadmePath", kSoftReadmeFolder},
      {"RarNoteFile", std::string(kSoftReadmeFolder) + kSiteReadmeName}};
  std::string sql = "UPDATE QX_SoftConfig SET ";
  const char* separator = "";
  for (const auto& [column, value] : values) {
    sql += separator + column + " = CASE WHEN trim(coalesce(" + column + ", '')) = '' THEN " +
           Quoted(value) + " ELSE " + column + " END";
    separator = ", ";
  }
  WithDatabase(config.gather_db, SQLITE_OPEN_READWRITE,
               [&](sqlite3* db) { Exec(db, sql + " WHERE id = 1", config.gather_db); });
}

void CloseDatabases(const HostConfig& config) {
  for (const std::string* path : {&config.gather_db, &config.host_db}) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path->c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
      sqlite3_busy_timeout(db, 2000);
      sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    }
    // The last connection's close removes the write-ahead log.
    sqlite3_close_v2(db);
  }
}

}  // namespace ostrel::host
