// RedoZipFile: the re-pack itself and its private steps.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/archive/archiver_process.h"
#include "platform/archive/extract_limits.h"
#include "platform/fs/path_map.h"
#include "platform/fs/run_leftovers.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/files_folders.h"
#include "transfer/archive_routines.h"
#include "transfer/cg_unzip_files.h"
#include "transfer/redo_zip_file.h"

namespace ostrel::transfer {

namespace {

using vb::CompareMode;

// The name with its final extension replaced; a name without one stays.
std::string WithExtension(const std::string& name, std::string_view ext) {
  auto dot = name.rfind('.');
  if (dot == std::string::npos || name.find('\\', dot) != std::string::npos) return name;
  return name.substr(0, dot + 1) + std::string(ext);
}

// The canonical native form of a Windows path, for comparing folders.
std::optional<std::filesystem::path> Canonical(const std::string& windows_path) {
  try {
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(fs::ToNative(windows_path), ec);
    if (ec) return std::nullopt;
    return p;
  } catch (const vb::VbError&) {
    return std::nullopt;
  }
}

// True when inner is folder itself or lies below it.
bool Holds(const std::filesystem::path& folder, const std::filesystem::path& inner) {
  auto f = folder.lexically_normal().string();
  auto i = inner.lexically_normal().string();
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  while (i.size() > 1 && i.back() == '/') i.pop_back();
  return i == f || i.starts_with(f == "/" ? f : f + "/");
}

// A name by the random-name rule, with the extension of target, that no
// file in target's folder has.
std::string FreshName(const std::string& target) {
  std::string folder = target.substr(0, target.rfind('\\') + 1);
  std::string name = target.substr(folder.size());
  auto dot = name.rfind('.');
  return folder + processing::GetRndFileNameIn(
                      fs::ToNative(folder), dot == std::string::npos ? "" : name.substr(dot + 1));
}

}  // namespace

bool RedoZipFile::Fail(int16_t code) {
  errcode = code;
  return false;
}

bool RedoZipFile::RehandleFile(std::string FileName) {
  errcode = 0;
  bool ok = false;
  try {
    ok = Rehandle(FileName);
  } catch (const vb::VbError&) {
    ok = false;
  }
  RemoveWorkFolder();
  return ok;
}

bool RedoZipFile::Rehandle(const std::string& FileName) {
  // 1-2. Type, removal list.
  if (!ChkFileType(FileName)) return Fail(8);
  removal_list_ = vb::Split(remove_file_, "|");

  // 6 (names first: the working folder is checked against the source).
  std::string path = vb::Replace(vb::Replace(vb::Trim(FileName), "/", "\\"), "\\\\", "\\");
  std::string name = TFileIO::ExtractFileName(path);
  std::string ext = TFileIO::ExtractFileExt(path);

  // 3. A working folder of this run's own below UnzipPath.
  if (UnzipPathRefused(path) || !MakeWorkFolder()) return Fail(4);

  // 4. Size.
  int32_t size = FindFileSize(FileName, 1);
  file_size_ = size;
  if (max_size_ > 0 && size > max_size_) return Fail(3);
  if (static_cast<int64_t>(size) * 1024 < least_size_) return Fail(3);

  // 5. Destination folder.
  CreatPathEx(save_path_);

  // 6. Target: only the final extension changes.
  std::string lower_ext = vb::LCase(TFileIO::ExtractFileExt(name));
  std::string target_name =
      lower_ext == "zip" || lower_ext == "exe" ? WithExtension(name, "rar") : name;
  std::string target = vb::Trim(save_path_ + target_name);
  if (zip_mode_ && vb::LCase(TFileIO::ExtractFileExt(target)) == "rar")
    target = WithExtension(target, "zip");
  FilePath = target;

  // 7-8.
  if (FolderExists(target) && !update_zip_) return Fail(1);
  if (!FolderExists(path)) return Fail(2);

  // 9. Unpack.
  std::string lext = vb::LCase(ext);
  auto copy_as_is = [&] { return CopyToFile(path, work_ + vb::Trim(name)); };
  if (lext == "zip") {
    CGUnzipFiles unzip;
    unzip.SetExtractDir(work_);
    unzip.SetZipFileName(path);
    unzip.SetPromptPassword(unzip_pass_);
    if (unzip.Unzip("", "") == 9 && ExtractRarFiles(path, work_, unzip_pass_) == -1) return Fail(4);
  } else if (lext == "rar" || lext == "exe") {
    if (ExtractRarFiles(path, work_, unzip_pass_) < 0 && !copy_as_is()) return Fail(4);
  } else {
    if (!ext.empty()) target = save_path_ + WithExtension(name, zip_mode_ ? "zip" : "rar");
    if (!copy_as_is()) return Fail(4);
  }
  // A hostile or unreadable archive: nothing of it is packed.
  if (archive::LastRefusal() != archive::Refusal::kNone) return Fail(4);

  // 10-11. Clean, add the readme files, measure.
  if (!objFind->BeginSearch(work_, "*.*", true, std::string(), false)) return Fail(4);
  if (objFind->srTotalSizeOfFilesFound() < 100) return Fail(4);
  objFind_FolderFound(work_);

  // 12-13. An existing archive is never replaced (it may be another
  // entry's file): the new one takes a fresh name beside it.
  if (FolderExists(target) && update_zip_) target = FreshName(target);
  RenameWithPrefix();

  // 14. Rebuild.
  if (zip_mode_) {
    if (ZipFolder(work_, target) != 0) return Fail(5);
  } else if (!RunRar(work_, target, synchro_)) {
    return Fail(5);
  }

  // 15.
  NewFileName = target.substr(target.rfind('\\') + 1);
  new_file_size_ = FindFileSize(target, 1);
  if (del_source_) DeleteSource(FileName);
  if (zip_timeout_ > 100) std::this_thread::sleep_for(std::chrono::milliseconds(zip_timeout_));
  return true;
}

bool RedoZipFile::ChkFileType(const std::string& FileName) {
  if (vb::Trim(FileName).empty()) return false;
  auto dot = FileName.rfind('.');
  std::string ext = vb::LCase(dot == std::string::npos ? FileName : FileName.substr(dot + 1));
  incept_file_ = vb::LCase(incept_file_);
  for (const auto& entry : vb::Split(incept_file_, "|")) {
    if (vb::Trim(entry) == vb::Trim(ext)) return true;
  }
  return false;
}

bool RedoZipFile::UnzipPathRefused(const std::string& source) const {
  if (unzip_path_.empty()) return true;
  auto unzip = Canonical(unzip_path_);
  if (!unzip || *unzip == unzip->root_path()) return true;
  std::vector<std::string> held = {save_path_, readme_path_, source};
  for (const auto& p : held) {
    if (p.empty()) continue;
    auto other = Canonical(p);
    if (other && Holds(*unzip, *other)) return true;
  }
  if (!host_.empty()) {
    try {
      auto web_root = Canonical(host_.Server().MapPath("/"));
      if (web_root && (Holds(*unzip, *web_root))) return true;
    } catch (const vb::VbError&) {
    }
  }
  return false;
}

bool RedoZipFile::MakeWorkFolder() {
  std::string folder = unzip_path_;
  if (!FolderExists(folder) && !vbCreatPathEx(folder)) return false;
  // A hidden name: the host never serves it (the unpacked files of a
  // stranger's archive), and a later start removes it if this process dies.
  // Until it is removed, no other re-pack's clearing of this folder takes it.
  std::string made = fs::MakeWorkFolder(fs::ToNative(unzip_path_));
  if (made.empty()) return false;
  work_ = unzip_path_ + made.substr(made.rfind('/') + 1) + "\\";
  return true;
}

void RedoZipFile::RemoveWorkFolder() {
  if (work_.empty()) return;
  try {
    const std::string native = fs::ToNative(work_);
    std::error_code ec;
    std::filesystem::remove_all(native, ec);
    fs::ReleaseWork(native.substr(0, native.find_last_not_of('/') + 1));
  } catch (const vb::VbError&) {
  }
  work_.clear();
}

void RedoZipFile::DeleteSource(const std::string& FileName) const {
  try {
    KillFile(FileName);
  } catch (const vb::VbError&) {
  }
}

void RedoZipFile::CleanFoundFile(std::string& sPath) {
  try {
    std::string ext = vb::LCase(TFileIO::ExtractFileExt(sPath));
    std::string name = TFileIO::ExtractFileName(sPath);
    if (ext == "url" || ext == "txt" || ext == "htm" || ext == "html" || ext == "exe") {
      for (const auto& entry : removal_list_) {
        if (vb::LCase(entry) == vb::LCase(name)) DeleteFiles(sPath, true);
      }
    } else if (ext == "nfo") {
      DeleteFiles(sPath, true);
    }
  } catch (const vb::VbError&) {
  }
}

void RedoZipFile::objFind_FolderFound(std::string sPath) {
  try {
    std::string rel = vb::Replace(sPath, work_, "", 1, -1, CompareMode::Text);
    sPath = CheckPath(sPath);
    if (!rel.empty() && (readme_file_.empty() || rel.find('\\') != std::string::npos)) return;
    for (const auto& entry : vb::Split(readme_file_, "|")) {
      std::string e = vb::Trim(entry);
      if (e.empty()) continue;
      CopyToFile(readme_path_ + e, sPath + e);
    }
  } catch (const vb::VbError&) {
  }
}

void RedoZipFile::RenameWithPrefix() {
  if (filter_name_.empty() || file_prefix_.empty()) return;
  // The new name must stay a plain name inside the working folder.
  if (!fs::IsValidFileName(file_prefix_)) return;
  try {
    auto parts = vb::Split(filter_name_, "|");
    if (!parts.empty() && !parts[0].empty() && fs::IsValidFileName(parts[0]) &&
        FolderExists(work_ + parts[0])) {
      RemoveToFile(work_ + parts[0], work_ + file_prefix_);
      return;
    }
    if (!objFind->BeginSearch(work_, "*.", false, std::string(), false) ||
        objFind->files_found() != 1)
      return;
    std::string src = objFind->srFiles(0);
    std::string new_name = src.substr(src.rfind('\\') + 1);
    for (const auto& part : parts) {
      if (!part.empty())
        new_name = vb::Replace(new_name, part, file_prefix_, 1, -1, CompareMode::Text);
    }
    if (!fs::IsValidFileName(new_name)) return;
    RemoveToFile(src, src.substr(0, src.rfind('\\') + 1) + new_name);
  } catch (const vb::VbError&) {
  }
}

bool RedoZipFile::RunRar(const std::string& src, const std::string& target, bool wait_mode) {
  std::string program, comment, native_target, native_src, folder;
  try {
    program = fs::ToNative(rar_path_ + "Rar.exe");
    native_target = fs::ToNative(target);
    native_src = fs::ToNative(CheckPath(src));
    folder = fs::ToNative(work_);
  } catch (const vb::VbError&) {
    errcode = 4;
    return false;
  }
  try {
    comment = fs::ToNative(exegesis_file_);
  } catch (const vb::VbError&) {
    comment = exegesis_file_;  // the archiver says it can not read it and goes on
  }
  if (native_src.empty() || native_src.back() != '/') native_src += '/';
  std::vector<std::string> argv = {program, "a", "-r"};
  if (locked_rar_) argv.emplace_back("-k");
  for (const char* s : {"-s", "-m3", "-df"}) argv.emplace_back(s);
  argv.push_back("-z" + comment);
  argv.emplace_back("-ep1");
  if (wait_mode) argv.emplace_back("-as");
  for (const auto& s : {std::string("--"), native_target, native_src}) argv.push_back(s);

  auto run = archive::RunArchiver(argv, folder, archiver_time_limit_);
  if (!run.started) {
    errcode = 4;
    return false;
  }
  struct stat st {};
  return !run.timed_out && run.exit_status == 0 && stat(native_target.c_str(), &st) == 0 &&
         S_ISREG(st.st_mode) && st.st_size > 0;
}

int32_t RedoZipFile::ZipFolder(const std::string& src, const std::string& target) {
  std::string folder = ChkPath(src);
  int32_t n = std::max<int32_t>(static_cast<int32_t>(vb::Split(folder, "\\").size()) - 1, 1);
  n = std::min<int32_t>(n, 100);
  std::vector<std::string> names;
  if (n == 1) {
    names.push_back(folder + "\\*.*");
  } else {
    names.assign(static_cast<size_t>(n - 1), folder);
    names.push_back(folder + "\\*.*");
  }
  VBZipFlags flags;
  flags.recurse = 1;
  flags.root_folder = folder;
  return VBZip(static_cast<int16_t>(n), vb::Trim(target), names, flags);
}

}  // namespace ostrel::transfer
