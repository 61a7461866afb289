#include "platform/archive/unzip32.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "platform/archive/archive_reader.h"
#include "platform/fs/path_map.h"
#include "platform/fs/wildcard.h"
#include "platform/vb/vb_error.h"

namespace ostrel::archive {

namespace {

int RefusalCode(Refusal r) {
  switch (r) {
    case Refusal::kNone:
      return PK_OK;
    case Refusal::kEncrypted:
      return IZ_BADPWD;
    case Refusal::kDamaged:
      return PK_BADERR;
    default:
      return PK_ERR;
  }
}

bool Selected(const std::string& name, const std::vector<std::string>& include,
              const std::vector<std::string>& exclude) {
  auto any = [&](const std::vector<std::string>& list) {
    for (const auto& p : list) {
      if (fs::MatchesPattern(p, name)) return true;
    }
    return false;
  };
  return (include.empty() || any(include)) && !any(exclude);
}

// Where the entry would land, for the overwrite decisions.
std::string TargetOf(const std::string& dest, const std::string& name, bool junk) {
  auto parts = SafeEntryParts(name);
  if (!parts) return "";
  std::string path = dest;
  if (junk) return path + "/" + parts->back();
  for (const auto& p : *parts) path += "/" + p;
  return path;
}

void Print(const USERFUNCTIONS& f, const DCL& dcl, const std::string& text) {
  if (f.print && dcl.fQuiet < 2) f.print(text);
}

}  // namespace

void UzpVersion2(UzpVer2* version) {
  version->flag = 0;
  version->betalevel = "";
  version->date = "";
  version->zlib_version = "";
  version->unzip[0] = 6;
  version->windll[0] = 6;
}

int Wiz_SingleEntryUnzip(int ifnc, const std::vector<std::string>& ifnv, int xfnc,
                         const std::vector<std::string>& xfnv, const DCL& dcl,
                         const USERFUNCTIONS& functions) {
  SetLastRefusal(Refusal::kNone);
  std::vector<std::string> include(ifnv.begin(),
                                   ifnv.begin() + std::min<size_t>(ifnc, ifnv.size()));
  std::vector<std::string> exclude(xfnv.begin(),
                                   xfnv.begin() + std::min<size_t>(xfnc, xfnv.size()));
  std::string zip_native, dest;
  try {
    zip_native = fs::ToNative(dcl.lpszZipFN);
    if (!dcl.lpszExtractDir.empty()) dest = fs::ToNative(dcl.lpszExtractDir);
  } catch (const vb::VbError&) {
    return zip_native.empty() ? PK_NOZIP : PK_PARAM;
  }
  auto reader = ArchiveReader::Open(zip_native, Format::kZip);
  if (!reader) return PK_NOZIP;
  bool listing = dcl.nvflag != 0;
  bool testing = dcl.ntflag != 0 || dcl.ncflag != 0;
  if (!listing && !testing) {
    if (dest.empty()) return PK_PARAM;
    std::error_code ec;
    std::filesystem::create_directories(dest, ec);
    if (!std::filesystem::is_directory(dest, ec)) return PK_PARAM;
  }

  bool password_asked = false, password_refused = false;
  int bad_passwords = 0, done = 0;
  bool replace_none = false;
  int result = PK_OK;
  int entries = 0;
  EntryInfo e;
  for (int rc; (rc = reader->Next(&e)) != 0;) {
    if (rc < 0) return RefusalCode(reader->refusal());
    ++entries;
    if (!Selected(e.name, include, exclude)) continue;
    if (dcl.SpaceToUnderscore) {
      std::replace(e.name.begin(), e.name.end(), ' ', '_');
      reader->RenameCurrent(e.name);
    }
    if (functions.ServCallBk && functions.ServCallBk(e.name, e.size) != 0) return IZ_CTRLC;
    if (listing) {
      if (functions.SendApplicationMessage) {
        UnzipEntryMessage m;
        m.ucsize = e.size;
        m.filename = e.name;
        m.crc = e.crc;
        m.fCrypt = e.encrypted;
        struct tm tm {};
        localtime_r(&e.mtime, &tm);
        m.yr = tm.tm_year + 1900;
        m.mo = tm.tm_mon + 1;
        m.dy = tm.tm_mday;
        m.hh = tm.tm_hour;
        m.mm = tm.tm_min;
        functions.SendApplicationMessage(m);
      }
      continue;
    }
    // An encrypted entry asks for the password once per run; without one
    // it is skipped and the others go on, as is one it does not open.
    if (e.encrypted && !e.is_folder && !password_asked) {
      password_asked = true;
      std::string password;
      if (functions.password &&
          functions.password(&password, 256, "Enter password: ", e.name) == 0 &&
          !password.empty()) {
        reader->AddPassword(password);
      } else {
        password_refused = true;
      }
    }
    if (e.encrypted && !e.is_folder && password_refused) {
      Print(functions, dcl, "skipping: " + e.name + "  unable to get password\n");
      ++bad_passwords;
      continue;
    }
    Refusal r;
    if (testing) {
      r = reader->Test();
    } else {
      bool junk = dcl.ndflag == 0;
      bool overwrite = true;
      std::string target = e.is_folder ? "" : TargetOf(dest, e.name, junk);
      struct stat st {};
      bool exists = !target.empty() && lstat(target.c_str(), &st) == 0;
      if (dcl.nfflag != 0 && !exists) continue;
      if (exists && (dcl.nfflag != 0 || dcl.ExtractOnlyNewer != 0) && st.st_mtime >= e.mtime)
        continue;
      if (exists && dcl.noflag == 0 && dcl.nfflag == 0 && dcl.ExtractOnlyNewer == 0) {
        int answer = replace_none
                         ? IDM_REPLACE_NONE
                         : (functions.replace ? functions.replace(e.name) : IDM_REPLACE_NO);
        if (answer == IDM_REPLACE_NONE) replace_none = true;
        overwrite = answer == IDM_REPLACE_YES;
      }
      bool skipped = false;
      r = reader->Extract(dest, overwrite, junk, &skipped);
      if (r == Refusal::kNone && !skipped) {
        Print(functions, dcl, (e.is_folder ? "   creating: " : "  inflating: ") + e.name + "\n");
      }
    }
    if (r != Refusal::kNone && reader->refusal() == Refusal::kNone) {
      // Left out alone: a link, or an entry the password does not open.
      Print(functions, dcl, "skipping: " + e.name + "  " + std::string(RefusalText(r)) + "\n");
      if (r == Refusal::kEncrypted) ++bad_passwords;
      continue;
    }
    if (r != Refusal::kNone) {
      Print(functions, dcl, "error:  " + e.name + ": " + std::string(RefusalText(r)) + "\n");
      return RefusalCode(r);
    }
    ++done;
  }
  if (entries == 0) {
    Print(functions, dcl, "warning:  zipfile is empty\n");
    result = PK_WARN;
  }
  if (bad_passwords > 0) result = done == 0 ? IZ_BADPWD : PK_WARN;
  return result;
}

}  // namespace ostrel::archive
