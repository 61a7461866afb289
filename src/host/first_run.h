// What a new installation lacks and the host makes on start: the data
// folder, the two databases (schema and first rows, readable by their owner
// only), the site tree, the software channel's archive settings and the
// admin password; and the databases' closing at stop.
#pragma once

#include <string>

#include "host/host_config.h"

namespace ostrel::host {

// Creates the data folder and every database file that does not exist yet,
// from the scripts in config.schema_dir: gather.sql for the gathering
// database, host.sql for the host database (both for one shared file), and
// first_rows.sql, whose rows go into the databases made now and never into
// one that existed (an administrator may have changed or removed them).
// A database whose making fails is removed again. Returns true when a
// database was made; raises VbError with the reason on failure.
bool EnsureDatabases(const HostConfig& config);

// When the configuration has no admin password, makes one, writes it into
// the configuration file (creating the file, with the defaults written out,
// when it is missing) and returns it so the caller can show it once.
// Returns "" when a password was set already. Raises VbError when the file
// cannot be written; the configuration then keeps no password.
std::string EnsurePassword(HostConfig* config);

// A password of 16 letters and digits from the system's random source.
std::string GeneratePassword();

// Makes the site tree (config.site_root) and in it every folder of the
// shipped assets (config.asset_root), so pages can write their files where
// the assets' pages look for them. Raises VbError when it cannot.
void EnsureSiteTree(const HostConfig& config);

// Where the software channel's archive settings lead on a new site, as
// virtual paths of the site tree: downloads waiting to be re-packed, the
// readme files, and the readme that is also the RAR archives' comment.
inline constexpr char kSoftDownFolder[] = "/soft/DownFile/";
inline constexpr char kSoftReadmeFolder[] = "/soft/readme/";
inline constexpr char kSiteReadmeName[] = "本站说明.txt";

// Fills what the software settings need for re-packing and a new site
// leaves empty, so the settings page saves as it is shown: the archiver's
// folder (config.archiver_dir, in the component's path form), the download
// and readme folders and the comment file above. Copies the shipped readme
// files (the assets' soft/readme/) into the site tree where they are
// missing. Settings already filled stay as they are. Raises VbError when
// the database or the site tree cannot be written.
void EnsureArchiveSettings(const HostConfig& config);

// At stop: checkpoints the databases into their files and closes them, so
// no write-ahead log is left. Call once every page has ended.
void CloseDatabases(const HostConfig& config);

}  // namespace ostrel::host
