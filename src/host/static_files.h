// StaticFiles: which file of the site tree a plain (non-page) request gets.
// The site root is served, and beneath it, for what it lacks, read-only
// asset folders (the shipped style sheets and scripts). Refused: any ".." part, names
// that start with ".", link lists (*.dat), databases (*.db, *.mdb,
// *-wal, *-shm ...), configuration files (*.ini), page sources (*.asp),
// folders, and any file whose real path (links followed) lies outside the
// site root or is one of the host's own files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostrel::host {

struct StaticFile {
  int status = 404;  // 200 (path and content type set), 403 or 404
  std::string path;  // the native path of the file
  std::string content_type;
};

class StaticFiles {
 public:
  // site_root and asset_roots: native, absolute. private_files: native
  // paths never served even inside a served folder (the configuration, the
  // databases).
  StaticFiles(std::string site_root, std::vector<std::string> private_files,
              std::vector<std::string> asset_roots = {});

  // url_path: the request path, percent-decoded ("/css/admin.css").
  StaticFile Resolve(std::string_view url_path) const;

  // The Content-Type of a file name by its extension.
  static std::string ContentType(std::string_view name);
  // True for names never served whatever folder they are in.
  static bool IsPrivateName(std::string_view name);

 private:
  StaticFile ResolveIn(const std::string& root, std::string_view url_path) const;

  std::vector<std::string> roots_;          // real paths: the site root first
  std::vector<std::string> private_files_;  // real paths where they exist
};

}  // namespace ostrel::host
