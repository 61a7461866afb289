// Downloader: the transfer (StartDownLoad) and the naming rules that build
// the local file's name.
#include <cerrno>
#include <string>

#include "platform/fs/partial_file.h"
#include "platform/fs/path_map.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/files_folders.h"
#include "processing/value_checks.h"
#include "transfer/downloader.h"
#include "transfer/t_speed.h"

namespace ostrel::transfer {

namespace {

constexpr size_t kBlock = 5120;
// Names drawn again when the chosen one exists, before giving up.
constexpr int kNameDraws = 20;

// Removes each character of `characters` from text.
std::string Without(std::string_view text, std::string_view characters) {
  std::string out;
  for (char c : text) {
    if (characters.find(c) == std::string_view::npos) out += c;
  }
  return out;
}

// A prefix, suffix or filter holding a separator could move the file out
// of its folder.
void RefuseSeparators(std::string_view value, const char* what) {
  if (value.find_first_of("\\/") != std::string_view::npos) {
    throw vb::VbError(vb::kErrInvalidCall, "Downloader",
                      std::string(what) + " cannot hold a path separator");
  }
}

// The folder part of a Windows path, its last separator included ("/"
// counts as "\", as the file layer reads it).
std::string FolderOf(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? "" : std::string(path.substr(0, cut + 1));
}

bool IsDeviceName(std::string_view name) {
  std::string stem = vb::UCase(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
         stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

void Downloader::SaveFilePath(std::string_view FileName) { save_file_path_ = CheckPath(FileName); }

std::string Downloader::SaveFilePath() const { return vb::Trim(save_file_); }

void Downloader::FilePrefix(std::string_view sPrefix) {
  RefuseSeparators(sPrefix, "FilePrefix");
  std::string value =
      vb::Replace(Without(sPrefix, "*'? |,"), "@NULL", "", 1, -1, vb::CompareMode::Text);
  file_prefix_ = vb::Len(value) < 2 ? "" : value;
}

void Downloader::FileSuffix(std::string_view mSuffix) {
  RefuseSeparators(mSuffix, "FileSuffix");
  std::string value = Without(mSuffix, "*'? |,");
  file_suffix_ = vb::Len(value) < 2 ? "" : value;
}

void Downloader::FilterName(std::string_view mValue) {
  RefuseSeparators(mValue, "FilterName");
  filter_name_ = mValue;
}

std::string Downloader::GetFileName() {
  if (!success_) return "";
  return GetHeader("CONTENT-LOCATION");
}

std::string Downloader::GetFileExt() const {
  size_t dot = request_path_.rfind('.');
  return dot == std::string::npos ? "" : request_path_.substr(dot);
}

std::string Downloader::CheckPath(std::string_view sPath) const {
  return processing::CheckPath(sPath);
}

std::string Downloader::URLDecode(std::string_view str) const { return processing::URLDecode(str); }

bool Downloader::CreatedPathEx(std::string_view sPath) const {
  return processing::CreatedPathEx(host_, sPath);
}

std::string Downloader::CheckNamestr(std::string_view strName) const {
  std::string name(strName);
  if (filter_name_.empty()) return name;
  for (const std::string& part : vb::Split(filter_name_, "|")) {
    if (!part.empty()) name = vb::Replace(name, part, "", 1, -1, vb::CompareMode::Text);
  }
  return name;
}

std::string Downloader::AddFileSuffix(std::string_view strName) const {
  if (file_suffix_.empty()) return vb::Trim(strName);
  size_t dot = strName.rfind('.');
  if (dot == std::string_view::npos) vb::Raise(vb::kErrInvalidCall);
  return vb::Trim(std::string(strName.substr(0, dot)) + file_suffix_ +
                  std::string(strName.substr(dot)));
}

std::string Downloader::GenFileName() const {
  std::string path = Without(vb::Replace(save_file_, "/", "\\"), "'?");
  return processing::URLDecode(path.substr(path.find_last_of('\\') + 1));
}

std::string Downloader::GetRndFileName() const {
  std::string ext = GetFileExt();
  if (!ext.empty()) return processing::GetRndFileName(ext.substr(1));
  std::string name = processing::GetRndFileName("");
  name.pop_back();  // the "." before the missing extension
  return name;
}

std::string Downloader::SafeFileName(std::string_view name) const {
  auto clean = [](std::string_view text) {
    std::string safe;
    for (char c : text) {
      auto byte = static_cast<unsigned char>(c);
      bool refused = byte < 0x20 || byte == 0x7F ||
                     std::string_view("\\/:*?\"<>|%+").find(c) != std::string_view::npos;
      safe += refused ? '_' : c;
    }
    // Windows drops trailing blanks and dots, which would change the name.
    while (!safe.empty() && (safe.back() == ' ' || safe.back() == '.')) safe.back() = '_';
    if (IsDeviceName(safe)) safe = "_" + safe;
    return safe;
  };
  std::string safe = clean(name);
  if (fs::IsValidFileName(safe)) return safe;
  // Nothing usable (empty, or too long): a drawn name, without the remote
  // extension if even that does not make a name.
  safe = clean(GetRndFileName());
  if (fs::IsValidFileName(safe)) return safe;
  safe = processing::GetRndFileName("");
  safe.pop_back();
  return safe;
}

std::string Downloader::GetFullFilePath() {
  std::string path = CheckNamestr(Without(vb::Replace(request_path_, "\\", "/"), "'?"));
  if (!plus_prefix_) file_prefix_.clear();
  std::string name = auto_rename_ == 1 ? GetRndFileName() : path.substr(path.rfind('/') + 1);
  return save_file_path_ + SafeFileName(file_prefix_ + AddFileSuffix(name));
}

bool Downloader::StartDownLoad() {
  if (!success_) {
    Cancel();
    return false;
  }
  bool result = false;
  try {
    result = CopyToFile();
  } catch (const vb::VbError&) {
    result = false;
  }
  Cancel();
  return result;
}

bool Downloader::CopyToFile() {
  TSpeed meter;
  meter.Clear();
  if (save_file_.empty()) save_file_ = GetFullFilePath();
  fs::PartialFile file;
  if (file.Create(fs::ToNative(FolderOf(save_file_))) != 0) return false;

  char block[kBlock];
  int32_t total = 0;
  for (;;) {
    size_t count = data_.Read(block, kBlock);
    if (!host_.Response().IsClientConnected()) return false;
    // A read that failed, a body shorter than announced, or Cancel from a
    // GetData handler.
    if (data_.failed()) {
      ErrNumber = 3;
      return false;
    }
    if (file.Write(block, count) != 0) return false;
    int64_t sum = static_cast<int64_t>(total) + static_cast<int64_t>(count);
    if (sum > INT32_MAX) vb::Raise(vb::kErrOverflow);
    total = static_cast<int32_t>(sum);
    // The announced size may be false or missing: the limit holds here too.
    if (max_size_ >= 1 && total > max_size_) {
      ErrNumber = 2;
      return false;
    }
    if (progress_) {
      meter.Count(static_cast<int32_t>(count));
      int32_t progress = total;
      auto ret = static_cast<int32_t>(count);
      std::string speed = SpeedText(meter.TotalSpeed());
      GetData.Raise(progress, ret, speed);
    }
    if (count < kBlock) break;
  }

  // The file takes its name only now; a name already taken is never
  // replaced: another is drawn by the random-name rule.
  for (int draw = 0;; ++draw) {
    int error = file.Commit(fs::ToNative(save_file_));
    if (error == 0) return true;
    if (error != EEXIST || draw == kNameDraws) return false;
    std::string name = save_file_.substr(FolderOf(save_file_).size());
    size_t dot = name.rfind('.');
    std::string random =
        processing::GetRndFileName(dot == std::string::npos ? "" : name.substr(dot + 1));
    if (dot == std::string::npos) random.pop_back();
    save_file_ = FolderOf(save_file_) + random;
  }
}

}  // namespace ostrel::transfer
