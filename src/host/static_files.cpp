#include "host/static_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include "platform/vb/ascii_case.h"

namespace ostrel::host {

namespace {

// The real path of a file that exists; "" otherwise.
std::string RealPath(const std::string& path) {
  char buffer[PATH_MAX];
  if (::realpath(path.c_str(), buffer) == nullptr) return "";
  return buffer;
}

struct TypeEntry {
  const char* extension;
  const char* type;
};

// Scripts and style sheets of the site are UTF-8 text, while the admin pages
// are GB2312: the charset says how to read them.
constexpr TypeEntry kTypes[] = {
    {"html", "text/html"},
    {"htm", "text/html"},
    {"css", "text/css; charset=utf-8"},
    {"js", "application/javascript; charset=utf-8"},
    {"txt", "text/plain"},
    {"xml", "text/xml"},
    {"gif", "image/gif"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"png", "image/png"},
    {"bmp", "image/bmp"},
    {"ico", "image/x-icon"},
    {"svg", "image/svg+xml"},
    {"webp", "image/webp"},
    {"swf", "application/x-shockwave-flash"},
    {"zip", "application/zip"},
    {"rar", "application/x-rar-compressed"},
    {"pdf", "application/pdf"},
};

}  // namespace

StaticFiles::StaticFiles(std::string site_root, std::vector<std::string> private_files,
                         std::vector<std::string> asset_roots) {
  asset_roots.insert(asset_roots.begin(), std::move(site_root));
  for (const std::string& root : asset_roots) {
    std::string real = RealPath(root);
    roots_.push_back(real.empty() ? root : real);
  }
  for (const std::string& file : private_files) {
    std::string real = RealPath(file);
    private_files_.push_back(real.empty() ? file : real);
  }
}

std::string StaticFiles::ContentType(std::string_view name) {
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return "application/octet-stream";
  std::string extension = vb::LowerAscii(name.substr(dot + 1));
  for (const TypeEntry& entry : kTypes) {
    if (extension == entry.extension) return entry.type;
  }
  return "application/octet-stream";
}

bool StaticFiles::IsPrivateName(std::string_view name) {
  std::string lower = vb::LowerAscii(name);
  if (lower.empty() || lower[0] == '.') return true;
  for (const char* suffix : {"-wal", "-shm", "-journal"}) {
    if (lower.ends_with(suffix)) return true;
  }
  size_t dot = lower.rfind('.');
  if (dot == std::string::npos) return false;
  std::string_view extension = std::string_view(lower).substr(dot + 1);
  for (const char* hidden :
       {"dat", "db", "db3", "mdb", "ldb", "sqlite", "sqlite3", "ini", "asp", "asa", "log"}) {
    if (extension == hidden) return true;
  }
  return false;
}

StaticFile StaticFiles::Resolve(std::string_view url_path) const {
  StaticFile result;
  for (const std::string& root : roots_) {
    result = ResolveIn(root, url_path);
    if (result.status != 404) break;
  }
  return result;
}

StaticFile StaticFiles::ResolveIn(const std::string& root, std::string_view url_path) const {
  StaticFile result;
  if (url_path.empty() || url_path[0] != '/') return result;
  std::string path = root;
  std::string_view name;
  size_t start = 1;
  while (start <= url_path.size()) {
    size_t end = std::min(url_path.find('/', start), url_path.size());
    std::string_view part = url_path.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == ".." || part.find_first_of(std::string_view("\\\0:", 3)) != std::string::npos) {
      result.status = 403;
      return result;
    }
    if (IsPrivateName(part)) return result;
    path += '/';
    path += part;
    name = part;
  }
  std::string real = RealPath(path);
  struct stat st;
  if (real.empty() || ::stat(real.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return result;
  // A link may lead out of the site or to a file whose name hides what it is.
  if (!real.starts_with(root + "/")) return result;
  if (IsPrivateName(real.substr(real.rfind('/') + 1))) return result;
  if (std::find(private_files_.begin(), private_files_.end(), real) != private_files_.end()) {
    return result;
  }
  result.status = 200;
  result.path = real;
  result.content_type = ContentType(name);
  return result;
}

}  // namespace ostrel::host
