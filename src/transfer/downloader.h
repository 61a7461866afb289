// Downloader: fetches one remote file over HTTP, HTTPS or FTP into the site.
// The software and Flash channels create one per file, set its properties,
// probe with Execute (address, size and type are checked before a byte is
// written), read FileSize, ErrNumber, Description and DownFileUrl, then copy
// the file with StartDownLoad, which raises GetData after every 5120-byte
// block while Progress is on. DownAddress alone resolves a download link to
// its final address.
//
// A C++ holder connects to the event member directly:
//
//   auto down = std::make_shared<transfer::Downloader>();
//   down->GetData.Connect([&](int32_t& progress, int32_t& ret, std::string& speed) {...});
//   down->url(address);  down->Progress(true);  down->UnsealDown(true);
//   down->SaveFilePath(folder);  down->ReferHost(page);  ...
//   down->Execute();
//   if (down->ErrNumber == 0 && down->StartDownLoad()) name = down->GenFileName();
//   else reason = down->Description();
//
// Host pages reach the same members by name as "Ostrel.Downloader"
// (downloader_type.cpp) and connect to "GetData" with Dispatch::Advise.
//
// What a caller can count on, beyond the plain probe and copy:
// - A probe that reaches no server, or an answer of status 400 or above,
//   fails with ErrNumber 1. Redirects (301, 302, 303, 307, 308) to http or
//   https are followed up to 10 times, keeping the scheme of the address
//   they lead to; a redirect to ftp takes the FTP road. An mms:// address
//   is probed over HTTP on port 1775 and is then known by that http://
//   address. IPv6 literals ("[::1]:8080") are hosts like any other.
// - The file is written under a temporary name in the target folder and
//   takes its name only when complete. A transfer that breaks off or brings
//   fewer bytes than announced fails with ErrNumber 3; one that passes
//   MaxSize fails with ErrNumber 2; the browser leaving stops it. In each
//   case no file and no temporary file is left. An existing file is never
//   replaced: the file then gets a new name by the random-name rule, and
//   SaveFilePath / GenFileName give the name it got.
// - A name built from the remote address stays inside SaveFilePath:
//   characters a Windows file name cannot hold (separators included), and
//   "%" and "+" (which GenFileName would decode), become "_"; device names
//   and "."/".." are never used.
// - FilePrefix, FileSuffix and FilterName holding "\" or "/" are refused
//   with error 5 and leave the old value.
// Errors other than those the Parts name never leave a member as C++
// exceptions: only vb::VbError does.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "component/host_access.h"
#include "platform/com/dispatch.h"
#include "platform/com/event.h"
#include "platform/net/fetch_limits.h"
#include "platform/net/wininet.h"
#include "platform/vb/variant.h"

namespace ostrel::transfer {

class Downloader : public com::Dispatch {
 public:
  // Public fields.
  // 0 none, 1 cannot connect, 2 larger than MaxSize, 3 download failed
  // (too small, cut short, cancelled), 4 file type not accepted.
  int16_t ErrNumber = 0;
  // The final address after a successful Execute, or after any DownAddress.
  std::string DownFileUrl;

  // GetData(Progress, Ret, sSpeed): bytes so far, bytes of this block (5120,
  // less for the last one, 0 when the last read brought nothing) and the
  // speed text. Raised inside StartDownLoad; a handler may call Cancel.
  com::Event<int32_t, int32_t, std::string> GetData;

  Downloader();
  ~Downloader() override;

  const com::TypeInfo& Type() const override;

  // ---- Properties, in interface order ----
  void setCookie(std::string_view strCookie) { cookie_ = strCookie; }
  std::string Version() const { return "1.1.1282"; }
  void Progress(bool blnPrs) { progress_ = blnPrs; }
  void UnsealDown(bool blnUnseal) { unseal_down_ = blnUnseal; }
  void SaveFile(std::string_view FileName) { save_file_ = FileName; }
  // Set stores the URL-decoded address; get returns it trimmed.
  void url(std::string_view value);
  std::string url() const;
  void ReferHost(std::string_view value);
  // Set: the target folder (CheckPath). Get: the full path of the file
  // being or last written.
  void SaveFilePath(std::string_view FileName);
  std::string SaveFilePath() const;
  void AutoRename(int16_t nRename) { auto_rename_ = nRename; }
  void PlusPrefix(bool blnPrefix) { plus_prefix_ = blnPrefix; }
  void FilePrefix(std::string_view sPrefix);
  void FileSuffix(std::string_view mSuffix);
  void FilterName(std::string_view mValue);
  int32_t FileSize() const { return file_size_; }
  // Kilobytes, held as bytes; above 2097151 raises Overflow (6).
  void MaxSize(int32_t nMaxSize);
  void LeastSize(int32_t mvarSize) { least_size_ = mvarSize; }
  void InceptExt(std::string_view strFile);
  std::string Description() const;
  bool IsFtp() const { return is_ftp_; }
  std::string Server() const { return server_; }
  std::string UserName() const { return user_name_; }
  std::string PassWord() const { return password_; }
  int32_t port() const { return ftp_port_; }
  std::string FileFtpPathName() const { return request_path_; }

  // ---- The probe ----
  // Resolves url, asks for the file and checks its size and type; on
  // success the answer stays open for StartDownLoad. An address without "/"
  // after the host raises 5; a Content-Length that is no number raises 13.
  // A file of 2 GB or more fails with ErrNumber 2 (3 without MaxSize),
  // so that the caller shows why.
  void Execute();
  // The final address of url after redirects, "" on failure; FileSize as
  // known from the redirect's target. Never downloads, never raises.
  std::string DownAddress();
  // Opens the file of the request path on an FTP server (passive, binary)
  // and takes its size; the arguments are by reference, as callers pass
  // them. ErrNumber 1 when the server or the file cannot be reached.
  void FTPConnection(vb::Variant& FtpServer, vb::Variant& FtpUserName, vb::Variant& FtpPassWord,
                     vb::Variant& FtpPort);
  // A header of the probe's answer by name (Content-Length, Location,
  // Content-Type, Date, Last-Modified, Server); "" or no name gives them
  // all, another name "0".
  std::string GetHeader(std::optional<std::string> hdrName);
  // Ends the probe and any transfer in progress.
  void Cancel();

  // ---- The transfer and naming ----
  // Copies the probed file to SaveFile (built by GetFullFilePath when
  // empty). True when the file was copied to its end and is in place.
  bool StartDownLoad();
  std::string GetFileName();
  std::string GetFileExt() const;
  std::string GetFullFilePath();
  std::string AddFileSuffix(std::string_view strName) const;
  std::string GenFileName() const;
  std::string GetRndFileName() const;
  std::string CheckPath(std::string_view sPath) const;
  bool CheckFiletype(std::string_view strFile) const;
  std::string CheckNamestr(std::string_view strName) const;
  std::string URLDecode(std::string_view str) const;
  bool CreatedPathEx(std::string_view sPath) const;

  // The connect and idle time-outs of this object's transfers (the
  // process-wide fetch limits when it was created: 15 s and 60 s unless
  // configured otherwise).
  void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds idle);

 private:
  enum class Road { kDone, kFtp };

  // Splits an address into scheme, server, port, credentials and request
  // path. Raises 5 for an address without "/" after its host.
  void ParseAddress(std::string_view address);
  // The way to the file shared by Execute and DownAddress: the address
  // split, the HTTP(S) probe, then the FTP file when the address or a
  // redirect is ftp. Sets success_ (and ErrNumber on a failure).
  void Reach(bool down_address);
  // The HTTP(S) probe with its redirects. Leaves the answer open in data_
  // (Execute) or closes it (DownAddress); kFtp when a redirect led to ftp.
  Road ProbeHttp(bool down_address);
  // `redirected`: a redirect of the HTTP probe led here.
  void OpenFtp(const std::string& server, const std::string& user, const std::string& password,
               int32_t port, bool redirected = false);
  // The Content-Length of the stored headers (raises 13 for a text that is
  // no number); anything of 2 GB or more is INT32_MAX + 1.
  int64_t HeaderSize() const;
  bool AcceptedExt(std::string_view strFile) const;
  // The bare name of a file, made safe to create inside SaveFilePath.
  std::string SafeFileName(std::string_view name) const;
  // Writes the open answer to the file and puts it in place.
  bool CopyToFile();

  component::HostObjects host_;
  std::string url_;
  std::string wire_url_;  // url_ as sent: encoded, redirects resolved
  std::string save_file_;
  bool success_ = false;
  net::InternetFile data_;
  std::string raw_headers_;
  bool is_ftp_ = false;
  std::string scheme_;
  int32_t connect_port_ = 0;
  std::string server_;
  std::string user_name_;
  std::string password_;
  int32_t ftp_port_ = 0;
  std::string request_path_;
  int32_t max_size_ = 0;
  int32_t least_size_ = 100;
  std::string save_file_path_;
  int16_t auto_rename_ = 0;
  std::string file_prefix_;
  std::string file_suffix_;
  std::string filter_name_;
  int32_t file_size_ = 0;
  int64_t probed_size_ = 0;  // the size the FTP server gave
  bool progress_ = false;
  std::string refer_host_;
  bool unseal_down_ = false;
  std::string incept_ext_ = "exe,rar,zip,iso,swf,fla,torrent,gif,jpg,png,bmp";
  bool plus_prefix_ = false;
  std::string cookie_;
  net::FetchLimits limits_;
};

}  // namespace ostrel::transfer
