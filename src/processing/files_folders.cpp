#include "processing/files_folders.h"

#include <array>
#include <functional>
#include <vector>

#include "platform/fs/file_system_object.h"
#include "platform/fs/fs_error.h"
#include "platform/fs/vb_files.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "platform/xml/dom_factory.h"

namespace ostrel::processing {
namespace {

bool HasDrive(std::string_view path) { return path.find(':') != std::string_view::npos; }

// "/" becomes "\", then "\\" becomes "\" (one pass, as the toolbox always
// did: three backslashes leave two).
std::string BackslashForm(std::string_view path) {
  return vb::Replace(vb::Replace(path, "/", "\\"), "\\\\", "\\");
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// True when path lies under root as whole leading components, letter case
// ignored: "C:\wwwroot\x" is under "C:\wwwroot", "C:\wwwroot2\x" is not.
bool UnderRoot(std::string_view path, std::string_view root) {
  if (root.empty() || path.size() < root.size()) return false;
  for (size_t i = 0; i < root.size(); ++i) {
    if (AsciiLower(path[i]) != AsciiLower(root[i])) return false;
  }
  return path.size() == root.size() || path[root.size()] == '\\' || root.back() == '\\';
}

std::string Join(const std::string& folder, std::string_view name) {
  if (!folder.empty() && folder.back() == '\\') return folder + std::string(name);
  return folder + "\\" + std::string(name);
}

// Creates every missing level of a physical path (with "\" separators).
// Under the web root the walk starts at the root, which is never created;
// elsewhere at the first level (the drive). A ".." level is refused with 52
// before anything is made: a folder chain never climbs out of where it
// names. A level that appears meanwhile (another request making the same
// date folder) is taken as made.
void CreateLevels(std::string_view path, std::string_view root,
                  const std::function<bool(const std::string&)>& exists,
                  const std::function<void(const std::string&)>& create) {
  std::vector<std::string> levels;
  std::string cur;
  if (UnderRoot(path, root)) {
    cur = std::string(root);
    levels = vb::Split(path.substr(root.size()), "\\");
  } else {
    levels = vb::Split(path, "\\");
    if (!levels.empty()) {
      cur = levels.front();
      levels.erase(levels.begin());
    }
  }
  for (const std::string& level : levels) {
    if (level == "..") fs::RaiseFileError(fs::kErrBadFileName);
  }
  for (const std::string& level : levels) {
    if (level.empty()) continue;
    cur = Join(cur, level);
    if (exists(cur)) continue;
    try {
      create(cur);
    } catch (const vb::VbError&) {
      if (!exists(cur)) throw;
    }
  }
}

}  // namespace

std::string CheckMapPath(const component::HostObjects& host, std::string_view strPath,
                         bool LastBacklash) {
  std::string path(strPath);
  vb::TryStep([&] {
    path = vb::Replace(vb::Replace(vb::Trim(path), "//", "/"), "\\\\", "\\");
    if (path.empty()) path = ".";
  });
  vb::TryStep([&] {
    if (HasDrive(path)) {
      path = vb::Trim(vb::Replace(path, "/", "\\"));
    } else {
      path = vb::Replace(path, "\\", "/");
      path = host.Server().MapPath(path);
    }
  });
  if (path.empty() || path.back() != '\\') path += '\\';
  if (!LastBacklash) path.pop_back();
  return path;
}

bool FolderExists(std::string_view sPath) {
  if (sPath.empty()) return false;
  return !fs::Dir(sPath, fs::kVbDirectory | fs::kVbHidden | fs::kVbSystem).empty();
}

bool CreatedPathEx(const component::HostObjects& host, std::string_view sPath) {
  std::string path = BackslashForm(sPath);
  bool made = vb::TryStep([&] {
    const std::string root = host.Server().MapPath("/");
    if (!HasDrive(path)) path = host.Server().MapPath(path);
    fs::FileSystemObject fso;
    if (fso.FolderExists(path) || vb::Len(path) < 3) return;
    CreateLevels(
        path, root, [&](const std::string& p) { return fso.FolderExists(p); },
        [&](const std::string& p) { fso.CreateFolder(p); });
  });
  if (made) return true;
  vbCreatPathEx(host, path);
  return false;
}

bool vbCreatPathEx(const component::HostObjects& host, std::string& sPath) {
  bool result = false;
  vb::TryStep([&] {
    sPath = BackslashForm(sPath);
    if (vb::Trim(sPath).empty()) return;
    if (!HasDrive(sPath)) sPath = host.Server().MapPath(sPath);
    if (!FolderExists(sPath)) {
      CreateLevels(sPath, host.Server().MapPath("/"), FolderExists,
                   [](const std::string& p) { fs::MkDir(p); });
    }
    result = true;
  });
  return result;
}

bool DeleteFiles(std::string_view sFilePath, bool blnForce) {
  return vb::TryStep([&] { fs::FileSystemObject().DeleteFile(sFilePath, blnForce); });
}

bool DeleteFolders(std::string_view sDirPath, bool blnForce) {
  return vb::TryStep([&] { fs::FileSystemObject().DeleteFolder(sDirPath, blnForce); });
}

bool MoveFolders(std::string_view souDirPath, std::string_view newDirPath) {
  bool moved = false;
  vb::TryStep([&] {
    fs::FileSystemObject fso;
    if (fso.FolderExists(newDirPath)) return;
    fso.MoveFolder(souDirPath, newDirPath);
    moved = true;
  });
  return moved;
}

bool MoveFiles(std::string_view souFilePath, std::string_view newFilePath) {
  bool moved = false;
  vb::TryStep([&] {
    fs::FileSystemObject fso;
    if (fso.FileExists(newFilePath)) return;
    // A move that fails is reported as such: the caller must not take the
    // file as being at its new place.
    fso.MoveFile(souFilePath, newFilePath);
    moved = true;
  });
  return moved;
}

int32_t FindFileSize(std::string_view strFindFileName) {
  int32_t size = 0;
  vb::TryStep([&] {
    fs::FindData rec = fs::GetFileInfo(vb::Trim(strFindFileName));
    if (rec.file_size_high == 0) size = static_cast<int32_t>(rec.file_size_low);
  });
  return size;
}

fs::FindData GetFileInfo(const vb::Variant& path) { return fs::GetFileInfo(vb::CStr(path)); }

namespace {

template <size_t N>
std::shared_ptr<xml::DomDocument> FirstInstalled(const std::array<std::string_view, N>& prog_ids) {
  for (std::string_view id : prog_ids) {
    if (std::shared_ptr<xml::DomDocument> doc = xml::CreateDomDocument(id)) return doc;
  }
  return nullptr;
}

}  // namespace

std::shared_ptr<xml::DomDocument> CreateXML2DOM() {
  return FirstInstalled(xml::kDomDocumentProgIds);
}

std::shared_ptr<xml::DomDocument> CreateXMLDOM() {
  return FirstInstalled(xml::kFreeThreadedDomDocumentProgIds);
}

bool CreateXMLDocument(const component::HostObjects& host, std::string_view sXML,
                       std::string_view FilePath) {
  std::string path(FilePath);
  if (!HasDrive(path)) path = host.Server().MapPath(path);
  std::shared_ptr<xml::DomDocument> doc = CreateXML2DOM();
  if (!doc) vb::Raise(vb::kErrObjectNotSet);
  if (!doc->loadXML(sXML)) return false;
  doc->save(path);
  return true;
}

}  // namespace ostrel::processing
