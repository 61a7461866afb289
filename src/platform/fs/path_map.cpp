#include "platform/fs/path_map.h"

#include <unistd.h>

#include <array>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "platform/fs/fs_error.h"
#include "platform/vb/vb_error.h"

namespace ostrel::fs {
namespace {

struct DriveTable {
  std::shared_mutex mu;
  std::array<std::string, 26> roots;  // "" = not mapped
  DriveTable() { roots['C' - 'A'] = "/"; }
};

DriveTable& Table() {
  static DriveTable table;
  return table;
}

int DriveIndex(char letter) {
  if (letter >= 'a' && letter <= 'z') return letter - 'a';
  if (letter >= 'A' && letter <= 'Z') return letter - 'A';
  return -1;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Splits the part after the drive into names, resolving "." and ".."
// without ever going above the first name.
std::vector<std::string_view> ResolveParts(std::string_view rest) {
  std::vector<std::string_view> parts;
  size_t i = 0;
  while (i < rest.size()) {
    size_t j = i;
    while (j < rest.size() && !IsSeparator(rest[j])) ++j;
    std::string_view part = rest.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  return parts;
}

struct SplitPath {
  int drive;
  std::vector<std::string_view> parts;
  bool trailing;
};

SplitPath Split(std::string_view windows_path) {
  if (windows_path.find('\0') != std::string_view::npos) RaiseFileError(kErrBadFileName);
  if (windows_path.size() < 2 || windows_path[1] != ':' || DriveIndex(windows_path[0]) < 0) {
    vb::Raise(vb::kErrPathNotFound);
  }
  std::string_view rest = windows_path.substr(2);
  return {DriveIndex(windows_path[0]), ResolveParts(rest),
          !rest.empty() && IsSeparator(rest.back())};
}

std::string RootOf(int drive) {
  std::shared_lock lock(Table().mu);
  return Table().roots[drive];
}

}  // namespace

void SetDrive(char letter, std::string native_root) {
  int drive = DriveIndex(letter);
  if (drive < 0 || native_root.empty() || native_root[0] != '/') vb::Raise(vb::kErrInvalidCall);
  std::string root = "/";
  for (std::string_view part : ResolveParts(native_root)) {
    if (root.size() > 1) root += '/';
    root += part;
  }
  std::unique_lock lock(Table().mu);
  Table().roots[drive] = std::move(root);
}

void ResetDrives() {
  std::unique_lock lock(Table().mu);
  for (std::string& root : Table().roots) root.clear();
  Table().roots['C' - 'A'] = "/";
}

bool HasDrive(char letter) {
  int drive = DriveIndex(letter);
  return drive >= 0 && !RootOf(drive).empty();
}

std::string ToNative(std::string_view windows_path) {
  SplitPath split = Split(windows_path);
  std::string native = RootOf(split.drive);
  if (native.empty()) vb::Raise(vb::kErrPathNotFound);
  for (std::string_view part : split.parts) {
    if (native.back() != '/') native += '/';
    native += part;
  }
  if (split.trailing && native.back() != '/') native += '/';
  return native;
}

std::string NormalizeWindows(std::string_view windows_path) {
  SplitPath split = Split(windows_path);
  if (RootOf(split.drive).empty()) vb::Raise(vb::kErrPathNotFound);
  std::string result;
  result += static_cast<char>('A' + split.drive);
  result += ":\\";
  for (size_t i = 0; i < split.parts.size(); ++i) {
    if (i > 0) result += '\\';
    result += split.parts[i];
  }
  if (split.trailing && result.back() != '\\') result += '\\';
  return result;
}

std::string ToWindows(std::string_view native_path) {
  std::string absolute;
  if (native_path.empty() || native_path[0] != '/') {
    char buffer[4096];
    absolute = getcwd(buffer, sizeof buffer) != nullptr ? buffer : "/";
    absolute += '/';
  }
  absolute += native_path;
  bool trailing = absolute.size() > 1 && absolute.back() == '/';
  std::string resolved = "/";
  for (std::string_view part : ResolveParts(absolute)) {
    if (resolved.size() > 1) resolved += '/';
    resolved += part;
  }

  int best = -1;
  size_t best_length = 0;
  {
    std::shared_lock lock(Table().mu);
    for (int drive = 0; drive < 26; ++drive) {
      const std::string& root = Table().roots[drive];
      if (root.empty()) continue;
      bool inside = root == "/" || resolved == root ||
                    (resolved.compare(0, root.size(), root) == 0 && resolved[root.size()] == '/');
      size_t length = root == "/" ? 0 : root.size();
      if (inside && (best < 0 || length > best_length)) {
        best = drive;
        best_length = length;
      }
    }
  }
  // Without any drive over "/" the path has no Windows form.
  if (best < 0) vb::Raise(vb::kErrPathNotFound);

  std::string result;
  result += static_cast<char>('A' + best);
  result += ':';
  std::string_view rest = std::string_view(resolved).substr(best_length);
  if (rest.empty() || rest == "/") {
    result += '\\';
    return result;
  }
  for (char c : rest) result += c == '/' ? '\\' : c;
  if (trailing) result += '\\';
  return result;
}

bool IsValidFileName(std::string_view name) {
  if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7f) return false;
    switch (c) {
      case '\\':
      case '/':
      case ':':
      case '*':
      case '?':
      case '"':
      case '<':
      case '>':
      case '|':
        return false;
      default:
        break;
    }
  }
  char last = name.back();
  return last != ' ' && last != '.';
}

}  // namespace ostrel::fs
