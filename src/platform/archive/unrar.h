// The UnRAR library calls the component makes (RAROpenArchive,
// RARReadHeader, RARProcessFile, RARSetPassword, RARCloseArchive), over the
// archive reader. Archive and destination names are Windows paths. Besides
// RAR 4 and RAR 5 archives, a self-extracting program is opened when it
// holds a RAR archive or a zip archive after its stub.
//
// An entry whose name would leave the destination, or an archive over the
// extraction limits, is refused as the reader refuses it: the call fails
// and every later call of the same archive fails too; LastRefusal() tells
// why. A link entry is only left out: its RARProcessFile fails
// (ERAR_ECREATE) and the next entry may follow. FileAttr is the attribute
// value the archive stores for the entry (made up from the entry's kind
// when the archive was made on a system without Windows attributes).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ostrel::archive {

constexpr int ERAR_SUCCESS = 0;
constexpr int ERAR_END_ARCHIVE = 10;
constexpr int ERAR_BAD_DATA = 12;
constexpr int ERAR_BAD_ARCHIVE = 13;
constexpr int ERAR_EOPEN = 15;
constexpr int ERAR_ECREATE = 16;
constexpr int ERAR_EWRITE = 19;
constexpr int ERAR_MISSING_PASSWORD = 22;
constexpr int ERAR_BAD_PASSWORD = 24;

constexpr int RAR_OM_LIST = 0;
constexpr int RAR_OM_EXTRACT = 1;
constexpr int RAR_SKIP = 0;
constexpr int RAR_TEST = 1;
constexpr int RAR_EXTRACT = 2;

struct RAROpenArchiveData {
  std::string ArcName;
  uint32_t OpenMode = RAR_OM_EXTRACT;
  uint32_t OpenResult = 0;
};

struct RARHeaderData {
  std::string ArcName;
  std::string FileName;  // UTF-8, as stored
  uint32_t Flags = 0;
  uint32_t PackSize = 0;
  uint32_t UnpSize = 0;
  uint32_t HostOS = 2;
  uint32_t FileCRC = 0;
  uint32_t FileTime = 0;
  uint32_t UnpVer = 0;
  uint32_t Method = 0;
  uint32_t FileAttr = 0;
};

class RarArchive;
struct RarArchiveClose {
  void operator()(RarArchive* archive) const;
};
using RarHandle = std::unique_ptr<RarArchive, RarArchiveClose>;

// Nothing when the archive does not open; data->OpenResult says why.
RarHandle RAROpenArchive(RAROpenArchiveData* data);
int RARCloseArchive(RarHandle& handle);
int RARReadHeader(RarArchive* handle, RARHeaderData* header);
// Skips, tests or extracts the entry whose header was read last. DestName
// is the whole target name: the destination folder followed by the entry's
// name as the header gave it.
int RARProcessFile(RarArchive* handle, int operation, std::string_view DestPath,
                   std::string_view DestName);
void RARSetPassword(RarArchive* handle, std::string_view password);

}  // namespace ostrel::archive
