// The Info-ZIP Zip library's calls the component makes (ZpInit,
// ZpSetOptions, ZpArchive), writing zip archives through libarchive. The
// option record keeps the library's field names. Names are Windows paths;
// the callbacks and options are kept per thread, as the library kept them
// per process for its one caller.
//
// Entry names are stored in code page 936 when the name has a spelling
// there (what the archives' readers on the component's systems expect),
// otherwise in UTF-8 with the zip format's UTF-8 flag. Links are never
// followed or stored. The archive is written to a temporary file and
// renamed into place, so a failed run leaves no half archive; a new
// archive is never put over a file that appeared meanwhile (ZE_CREAT).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::archive {

constexpr int ZE_OK = 0;
constexpr int ZE_MEM = 4;
constexpr int ZE_LOGIC = 5;
constexpr int ZE_READ = 11;
constexpr int ZE_NONE = 12;
constexpr int ZE_NAME = 13;
constexpr int ZE_WRITE = 14;
constexpr int ZE_CREAT = 15;
constexpr int ZE_PARMS = 16;
constexpr int ZE_OPEN = 18;

struct ZPOPT {
  std::string Date;
  std::string szRootDir;
  std::string szTempDir;
  int32_t fTemp = 0, fSuffix = 0, fEncrypt = 0, fSystem = 0, fVolume = 0, fExtra = 0;
  int32_t fNoDirEntries = 0, fExcludeDate = 0, fIncludeDate = 0, fVerbose = 0, fQuiet = 0;
  int32_t fCRLF_LF = 0, fLF_CRLF = 0, fJunkDir = 0, fGrow = 0, fForce = 0, fMove = 0;
  int32_t fDeleteEntries = 0, fUpdate = 0, fFreshen = 0, fJunkSFX = 0, fLatestTime = 0;
  int32_t fComment = 0, fOffsets = 0, fPrivilege = 0, fEncryption = 0, fRecurse = 0, fRepair = 0;
  char fLevel = 0;  // '0'..'9'; 0 means the default level
};

struct ZIPUSERFUNCTIONS {
  std::function<int(std::string_view text)> print;
  std::function<std::string(std::string_view comment)> comment;
  std::function<int(std::string* password, int size, std::string_view prompt,
                    std::string_view name)>
      password;
  std::function<int(std::string_view name, uint64_t size)> ServiceApplication;
};

int ZpInit(const ZIPUSERFUNCTIONS& functions);
int ZpSetOptions(const ZPOPT& options);
ZPOPT ZpGetOptions();

// Adds the named files (DOS wildcards in the last part; folders with
// everything below them when fRecurse is set) to the archive zip_name.
// Names under szRootDir are stored relative to it, others without their
// drive. fMove deletes the added files (and the folders it emptied) once
// the archive is in place. An existing archive is replaced.
int ZpArchive(int argc, std::string_view zip_name, const std::vector<std::string>& names);

}  // namespace ostrel::archive
