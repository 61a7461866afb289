// clsManager: which folder may be cleaned, the walk through it and the
// deletion of the listed files.
#include <ctime>
#include <string_view>

#include "maintenance/cls_manager.h"
#include "platform/fs/dir_listing.h"
#include "platform/fs/file_system_object.h"
#include "platform/fs/find_file.h"
#include "platform/fs/kernel32_files.h"
#include "platform/fs/path_map.h"
#include "platform/fs/wildcard.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace ostrel::maintenance {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The levels of a site path ("a/b\\c/" -> a, b, c). False when a level is
// "." or "..", or the path holds ":" (a drive, so a physical path).
bool LevelsOf(std::string_view path, std::vector<std::string>* levels) {
  if (path.find(':') != std::string_view::npos) return false;
  size_t i = 0;
  while (i < path.size()) {
    size_t j = i;
    while (j < path.size() && !IsSeparator(path[j])) ++j;
    std::string_view level = path.substr(i, j - i);
    if (level == "." || level == "..") return false;
    if (!level.empty()) levels->emplace_back(level);
    i = j + 1;
  }
  return true;
}

std::string WithoutFinalSeparator(std::string path) {
  while (!path.empty() && IsSeparator(path.back())) path.pop_back();
  return path;
}

// The entry at a physical path itself, a link not followed.
bool EntryAt(const std::string& windows_path, fs::DirEntry* entry) {
  bool found = false;
  vb::TryStep([&] { found = fs::ReadEntry(fs::ToNative(windows_path), false, entry); });
  return found;
}

bool IsRealFolder(const std::string& windows_path) {
  fs::DirEntry entry;
  return EntryAt(windows_path, &entry) && entry.is_folder && !entry.is_link;
}

// Now, as file times count.
uint64_t NowTicks() { return fs::FileTimeFromUnix(std::time(nullptr), 0).ticks(); }

// A file written in the last kMinimumFileAge seconds (or in the future).
bool IsRecent(const fs::FileTime& written, uint64_t now) {
  constexpr uint64_t kTicksPerSecond = 10'000'000;
  return written.ticks() + kMinimumFileAge * kTicksPerSecond > now;
}

// A name the Windows path form can carry: "\" would split it into levels.
bool IsListable(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('\\') == std::string::npos;
}

// The plain files and the real sub-folders directly in a folder, in the
// order the platform lists them; links are neither.
void ListFolder(const std::string& folder, std::vector<std::string>* files,
                std::vector<std::string>* folders) {
  const uint64_t now = NowTicks();
  fs::FindData data;
  std::unique_ptr<fs::FindSearch> search = fs::FindFirstFileA(folder + "\\*", &data);
  if (!search) return;
  do {
    if (!IsListable(data.file_name)) continue;
    if (data.file_attributes & fs::FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (data.file_attributes & fs::FILE_ATTRIBUTE_DIRECTORY) {
      if (folders) folders->push_back(data.file_name);
    } else if (!IsRecent(data.last_write_time, now)) {
      files->push_back(data.file_name);
    }
  } while (fs::FindNextFileA(search.get(), &data));
  fs::FindClose(search);
}

}  // namespace

clsManager::UploadFolder clsManager::CheckedFolder() const {
  std::vector<std::string> channel_levels, upload_levels;
  if (ChannelPath_.empty() || !IsSeparator(ChannelPath_[0]) ||
      !LevelsOf(ChannelPath_, &channel_levels) || channel_levels.empty()) {
    Refuse("频道目录“" + ChannelPath_ +
           "”必须是网站根目录下的目录（以“/”开头，不含“..”和“:”），未做清理。");
  }
  if (UploadPath_.empty()) Refuse("没有指定要清理的上传目录，未做清理。");
  if (IsSeparator(UploadPath_[0]) || !LevelsOf(UploadPath_, &upload_levels) ||
      upload_levels.empty()) {
    Refuse("上传目录“" + UploadPath_ +
           "”必须是频道目录下的相对路径（不以“/”开头，不含“..”和“:”），未做清理。");
  }

  // Every level from the channel folder down is looked at without
  // following links: a link anywhere on the way could lead out of the site.
  UploadFolder folder;
  folder.name = upload_levels.back();
  std::string site_path = "/";
  std::string root;
  bool exists = true;
  for (size_t i = 0; i < channel_levels.size() + upload_levels.size(); ++i) {
    site_path +=
        (i < channel_levels.size() ? channel_levels[i] : upload_levels[i - channel_levels.size()]) +
        "/";
    root = WithoutFinalSeparator(host_.Server().MapPath(site_path));
    if (i + 1 == channel_levels.size()) folder.channel = root;
    fs::DirEntry entry;
    if (!exists || !EntryAt(root, &entry)) {
      exists = false;
      continue;
    }
    if (entry.is_link) Refuse("“" + site_path + "”是一个链接，未做清理。");
    exists = entry.is_folder;
  }
  folder.site_path = site_path;
  folder.root = root;
  folder.exists = exists;
  // The checks above leave nothing that climbs; this states the rule itself.
  if (folder.root.size() <= folder.channel.size() + 1 ||
      folder.root.compare(0, folder.channel.size() + 1, folder.channel + "\\") != 0) {
    Refuse("上传目录“" + UploadPath_ + "”不在频道目录“" + ChannelPath_ + "”之内，未做清理。");
  }
  return folder;
}

void clsManager::CheckUploadDir(const UploadFolder& folder) const {
  // Software and Flash choose their references by Request("UploadDir"): it
  // must name the folder cleaned, or download files would be judged by the
  // picture columns, or pictures by the download addresses.
  if (ModuleID_ != 2 && ModuleID_ != 5) return;
  const std::string dir = vb::CStr(host_.Request().Item("UploadDir"));
  if (vb::StrComp(dir, folder.name, vb::CompareMode::Text) != 0) {
    Refuse("UploadDir“" + dir + "”与要清理的上传目录“" + folder.name + "”不符，未做清理。");
  }
}

std::vector<clsManager::Listed> clsManager::WalkFolder(const UploadFolder& folder) {
  std::vector<Listed> listed;
  std::vector<std::string> names, subs;
  ListFolder(folder.root, &names, &subs);
  for (std::string& name : names) {
    listed.push_back({"", name, folder.site_path + name, false});
  }
  // One level of sub-folders (the date folders); deeper ones are left alone.
  for (const std::string& sub : subs) {
    names.clear();
    ListFolder(folder.root + "\\" + sub, &names, nullptr);
    for (std::string& name : names) {
      listed.push_back({sub, name, folder.site_path + sub + "/" + name, false});
    }
  }
  return listed;
}

void clsManager::DeleteListed(const UploadFolder& folder, const std::vector<Listed>& files) {
  const fs::FileSystemObject fso;
  for (const Listed& file : files) {
    // Looked at again just before: the folders must still be real folders
    // and the file still an old plain file, or it stays.
    vb::TryStep([&] {
      const std::string parent = file.sub.empty() ? folder.root : folder.root + "\\" + file.sub;
      const std::string path = parent + "\\" + file.name;
      fs::DirEntry entry;
      if (!IsRealFolder(folder.root) || !IsRealFolder(parent) || !EntryAt(path, &entry) ||
          entry.is_folder || entry.is_link || IsRecent(entry.written, NowTicks())) {
        return;
      }
      // The file system object would read "*" and "?" as wildcards.
      if (fs::HasWildcards(file.name)) {
        fs::DeleteFileA(path);
      } else {
        fso.DeleteFile(path, true);
      }
    });
  }
}

}  // namespace ostrel::maintenance
