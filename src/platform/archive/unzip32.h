// The Info-ZIP UnZip library's single-call entry (Wiz_SingleEntryUnzip,
// UzpVersion2) as the component drives it, over the archive reader. The
// option record keeps the library's field names; the callbacks are plain
// functions. Names are Windows paths. Extraction is checked as the reader
// checks it: a refused entry ends the run with PK_ERR (PK_BADERR for a
// damaged archive) and LastRefusal() tells why. A link entry, and an
// encrypted entry when the password callback gives none or a wrong one,
// are skipped with a "skipping:" line and the run goes on; it then ends
// with PK_WARN, or IZ_BADPWD when password failures left nothing done.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::archive {

constexpr int PK_OK = 0;
constexpr int PK_WARN = 1;
constexpr int PK_ERR = 2;
constexpr int PK_BADERR = 3;
constexpr int PK_MEM = 4;
constexpr int PK_NOZIP = 9;
constexpr int PK_PARAM = 10;
constexpr int PK_FIND = 11;
constexpr int IZ_CTRLC = 80;
constexpr int IZ_BADPWD = 82;

struct DCL {
  int32_t ExtractOnlyNewer = 0;
  int32_t SpaceToUnderscore = 0;
  int32_t PromptToOverwrite = 0;
  int32_t fQuiet = 0;
  int32_t ncflag = 0;
  int32_t ntflag = 0;
  int32_t nvflag = 0;
  int32_t nfflag = 0;
  int32_t nzflag = 0;
  int32_t ndflag = 1;
  int32_t noflag = 1;
  int32_t naflag = 0;
  int32_t nZIflag = 0;
  int32_t C_flag = 1;
  int32_t fPrivilege = 0;
  std::string lpszZipFN;
  std::string lpszExtractDir;
};

// One archive entry as the application-message callback receives it.
struct UnzipEntryMessage {
  uint64_t ucsize = 0;
  uint64_t csize = 0;
  int32_t cfactor = 0;
  int32_t mo = 0, dy = 0, yr = 0, hh = 0, mm = 0;
  std::string filename;
  std::string methbuf;
  uint32_t crc = 0;
  bool fCrypt = false;
};

struct USERFUNCTIONS {
  std::function<int(std::string_view text)> print;
  // Answers 100 (no), 102 (yes), 104 (none) for a file that exists.
  std::function<int(std::string_view name)> replace;
  // Writes a password into *password and answers 0, or answers 1 (none).
  std::function<int(std::string* password, int size, std::string_view prompt,
                    std::string_view entry)>
      password;
  std::function<void(const UnzipEntryMessage&)> SendApplicationMessage;
  // Non-zero stops the run (IZ_CTRLC).
  std::function<int(std::string_view name, uint64_t size)> ServCallBk;
};

constexpr int IDM_REPLACE_NO = 100;
constexpr int IDM_REPLACE_YES = 102;
constexpr int IDM_REPLACE_NONE = 104;

struct UzpVer2 {
  uint32_t structlen = 64;
  uint32_t flag = 0;
  std::string betalevel, date, zlib_version;
  uint8_t unzip[4] = {};
  uint8_t zipinfo[4] = {};
  uint8_t os2dll[4] = {};
  uint8_t windll[4] = {};
};

void UzpVersion2(UzpVer2* version);

// ifnv / xfnv: names to include / exclude (DOS wildcards); empty lists
// select every entry.
int Wiz_SingleEntryUnzip(int ifnc, const std::vector<std::string>& ifnv, int xfnc,
                         const std::vector<std::string>& xfnv, const DCL& dcl,
                         const USERFUNCTIONS& functions);

}  // namespace ostrel::archive
