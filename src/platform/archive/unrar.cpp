#include "platform/archive/unrar.h"

#include "platform/archive/archive_reader.h"
#include "platform/fs/path_map.h"
#include "platform/vb/vb_error.h"

namespace ostrel::archive {

class RarArchive {
 public:
  std::unique_ptr<ArchiveReader> reader;
  std::string password;
  bool has_header = false;
};

void RarArchiveClose::operator()(RarArchive* archive) const { delete archive; }

namespace {

std::string NativeOrEmpty(std::string_view windows_path) {
  try {
    return fs::ToNative(windows_path);
  } catch (const vb::VbError&) {
    return "";
  }
}

int RefusalCode(Refusal r, bool has_password) {
  switch (r) {
    case Refusal::kNone:
      return ERAR_SUCCESS;
    case Refusal::kEncrypted:
      return has_password ? ERAR_BAD_PASSWORD : ERAR_MISSING_PASSWORD;
    case Refusal::kUnsafeName:
    case Refusal::kLink:
      return ERAR_ECREATE;
    case Refusal::kTooLarge:
    case Refusal::kTooManyEntries:
      return ERAR_EWRITE;
    case Refusal::kDamaged:
      return ERAR_BAD_DATA;
  }
  return ERAR_BAD_DATA;
}

uint32_t DosTime(time_t t) {
  struct tm tm {};
  localtime_r(&t, &tm);
  if (tm.tm_year < 80) return 0;
  return static_cast<uint32_t>((tm.tm_year - 80) << 25 | (tm.tm_mon + 1) << 21 | tm.tm_mday << 16 |
                               tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
}

}  // namespace

RarHandle RAROpenArchive(RAROpenArchiveData* data) {
  SetLastRefusal(Refusal::kNone);
  std::string native = NativeOrEmpty(data->ArcName);
  if (native.empty()) {
    data->OpenResult = ERAR_EOPEN;
    return nullptr;
  }
  auto reader = ArchiveReader::Open(native, Format::kRar);
  if (!reader) {
    data->OpenResult = FindArchiveStart(native) ? ERAR_BAD_ARCHIVE : ERAR_EOPEN;
    return nullptr;
  }
  data->OpenResult = ERAR_SUCCESS;
  RarHandle handle(new RarArchive());
  handle->reader = std::move(reader);
  return handle;
}

int RARCloseArchive(RarHandle& handle) {
  handle.reset();
  return ERAR_SUCCESS;
}

void RARSetPassword(RarArchive* handle, std::string_view password) {
  if (handle == nullptr) return;
  handle->password = std::string(password);
  handle->reader->AddPassword(password);
}

int RARReadHeader(RarArchive* handle, RARHeaderData* header) {
  if (handle == nullptr) return ERAR_BAD_ARCHIVE;
  EntryInfo info;
  int rc = handle->reader->Next(&info);
  handle->has_header = rc == 1;
  if (rc == 0) return ERAR_END_ARCHIVE;
  if (rc < 0) return RefusalCode(handle->reader->refusal(), !handle->password.empty());
  *header = RARHeaderData();
  header->FileName = info.name;
  header->UnpSize = static_cast<uint32_t>(info.size);
  header->FileAttr = info.attributes;
  header->FileTime = DosTime(info.mtime);
  header->Flags = (info.is_folder ? 0xE0 : 0) | (info.encrypted ? 0x04 : 0);
  header->Method = 0x30;
  return ERAR_SUCCESS;
}

int RARProcessFile(RarArchive* handle, int operation, std::string_view DestPath,
                   std::string_view DestName) {
  if (handle == nullptr || !handle->has_header) return ERAR_BAD_ARCHIVE;
  handle->has_header = false;
  ArchiveReader& r = *handle->reader;
  if (operation == RAR_SKIP) return ERAR_SUCCESS;
  if (operation == RAR_TEST) return RefusalCode(r.Test(), !handle->password.empty());
  // The destination folder is what precedes the entry's own name; the
  // entry is written below it by the reader's checked walk.
  std::string folder;
  const std::string& name = r.current().name;
  if (!DestName.empty()) {
    if (DestName.size() < name.size() || DestName.substr(DestName.size() - name.size()) != name) {
      return ERAR_ECREATE;
    }
    folder = std::string(DestName.substr(0, DestName.size() - name.size()));
  } else {
    folder = std::string(DestPath);
  }
  if (folder.empty()) return ERAR_ECREATE;
  std::string native = NativeOrEmpty(folder);
  if (native.empty()) return ERAR_ECREATE;
  return RefusalCode(r.Extract(native, true, false), !handle->password.empty());
}

}  // namespace ostrel::archive
