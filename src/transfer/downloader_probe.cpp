// Downloader: the probe (addresses, Execute, DownAddress, FTPConnection,
// GetHeader, Cancel) and the properties it reads.
#include <cstdint>
#include <string>

#include "platform/net/curl_common.h"
#include "platform/text/charset.h"
#include "platform/vb/ascii_case.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/value_checks.h"
#include "transfer/downloader.h"

namespace ostrel::transfer {

namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 5.5; Windows 98; Win 9x 4.90)";
// The password of an anonymous FTP login, in the form of an address.
constexpr char kAnonymousPassword[] = "ostrel-user@example.com";
constexpr int kMaxRedirects = 10;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && vb::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A port written in an address; a text that is no number raises 13.
int32_t PortNumber(std::string_view text) { return vb::CLng(vb::Variant(std::string(text))); }

// Where the port of a host text begins (its ":"): after the closing
// bracket of an IPv6 literal ("[::1]:8080"), whose own colons are no port.
size_t PortColon(std::string_view host, bool last) {
  size_t from = 0;
  if (host.starts_with('[')) {
    from = host.find(']');
    if (from == std::string_view::npos) return std::string_view::npos;
  }
  size_t colon = last ? host.rfind(':') : host.find(':', from);
  return colon != std::string_view::npos && colon >= from ? colon : std::string_view::npos;
}

// curl's refusal of an answer whose Content-Length is no number.
bool LengthRefused(const std::string& error) {
  return error.find("Invalid Content-Length") != std::string::npos;
}

// The address as it goes on the wire: the system code page's bytes,
// percent-encoded where an address cannot hold them.
std::string WireUrl(std::string_view address) { return net::EncodeUrl(text::ToAnsi(address)); }

}  // namespace

void Downloader::url(std::string_view value) { url_ = processing::URLDecode(value); }

std::string Downloader::url() const { return vb::Trim(url_); }

void Downloader::ReferHost(std::string_view value) { refer_host_ = vb::Trim(value); }

void Downloader::MaxSize(int32_t nMaxSize) {
  if (nMaxSize > 2097151) vb::Raise(vb::kErrOverflow);
  int64_t bytes = static_cast<int64_t>(nMaxSize) * 1024;
  if (bytes < INT32_MIN) vb::Raise(vb::kErrOverflow);
  max_size_ = static_cast<int32_t>(bytes);
}

void Downloader::InceptExt(std::string_view strFile) { incept_ext_ = vb::Trim(strFile); }

std::string Downloader::Description() const {
  switch (ErrNumber) {
    case 1:
      return "无法创建连接！";
    case 2:
      return "文件大小超过了" + std::to_string(max_size_ / 1024) + "KB 的限制！";
    case 3:
      return "文件下载失败！";
    case 4:
      return "文件类型不正确，本次下载失败！";
    default:
      return "";
  }
}

void Downloader::ParseAddress(std::string_view address) {
  std::string text = vb::Trim(address);
  auto after_scheme = [&](size_t scheme_length) {
    std::string rest = text.substr(scheme_length);
    if (rest.find('/') == std::string::npos) vb::Raise(vb::kErrInvalidCall);
    return rest;
  };
  is_ftp_ = false;
  if (StartsWithNoCase(text, "ftp://")) {
    is_ftp_ = true;
    scheme_ = "ftp";
    std::string rest = after_scheme(6);
    size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    if (size_t at = authority.find('@'); at != std::string::npos) {
      std::string user_info = authority.substr(0, at);
      if (size_t colon = user_info.find(':'); colon == std::string::npos) {
        user_name_ = user_info;
        password_.clear();
      } else {
        user_name_ = user_info.substr(0, colon);
        password_ = user_info.substr(colon + 1);
      }
      authority = authority.substr(at + 1);
    } else {
      user_name_ = "anonymous";
      password_ = kAnonymousPassword;
    }
    int32_t port = 21;
    if (size_t colon = PortColon(authority, false); colon != std::string::npos) {
      port = PortNumber(authority.substr(PortColon(authority, true) + 1));
      authority = authority.substr(0, colon);
    }
    server_ = authority;
    ftp_port_ = connect_port_ = port;
    request_path_ = rest.substr(slash + 1);
    return;
  }
  size_t scheme_length = StartsWithNoCase(text, "http://")    ? 7
                         : StartsWithNoCase(text, "https://") ? 8
                         : StartsWithNoCase(text, "mms://")   ? 6
                                                              : 0;
  if (scheme_length == 0) {
    scheme_.clear();
    return;
  }
  scheme_ = vb::LowerAscii(text.substr(0, scheme_length - 3));
  std::string rest = after_scheme(scheme_length);
  size_t slash = rest.find('/');
  std::string host = rest.substr(0, slash);
  connect_port_ = 0;
  if (scheme_ == "mms") {
    connect_port_ = 1775;
  } else if (size_t colon = PortColon(host, false); colon != std::string::npos) {
    connect_port_ = PortNumber(host.substr(colon + 1));
    host = host.substr(0, colon);
  }
  server_ = host;
  request_path_ = rest.substr(slash);
}

Downloader::Road Downloader::ProbeHttp(bool down_address) {
  wire_url_ = WireUrl(url_);
  for (int hop = 0;; ++hop) {
    net::InternetRequest request;
    request.url = wire_url_;
    request.user_agent = kUserAgent;
    request.referer = refer_host_.empty() ? vb::Trim(url_) : refer_host_;
    if (down_address) {
      request.extra_headers.push_back("Content-Type: application/x-www-form-urlencoded");
    }
    request.limits = limits_;
    request.continues = hop > 0;
    if (!data_.Open(request)) {
      success_ = false;
      ErrNumber = 1;
      // A length that is no number is the caller's error, as reading it is.
      if (LengthRefused(data_.error())) vb::Raise(vb::kErrTypeMismatch);
      return Road::kDone;
    }
    int status = data_.status();
    if (IsRedirect(status)) {
      std::string location = net::RawHeaderValue(data_.raw_headers(), "Location").value_or("");
      std::string target = location.empty() ? "" : net::ResolveLocation(wire_url_, location);
      std::string scheme = net::SchemeOf(target);
      data_.Close();
      if (scheme == "ftp") {
        url_ = processing::URLDecode(target);
        ParseAddress(url_);
        return Road::kFtp;
      }
      if ((scheme != "http" && scheme != "https") || hop == kMaxRedirects) {
        success_ = false;
        ErrNumber = 1;
        return Road::kDone;
      }
      // The address is kept as the request that was actually sent.
      wire_url_ = target;
      url_ = processing::URLDecode(target);
      ParseAddress(url_);
      if (down_address) raw_headers_.clear();
      continue;
    }
    if (status >= 400) {
      success_ = false;
      ErrNumber = 1;
      data_.Close();
      return Road::kDone;
    }
    // DownAddress keeps the headers of an answer only when a redirect led
    // to it: a direct answer tells the caller nothing about the size.
    if (!down_address || hop > 0) raw_headers_ = data_.raw_headers();
    if (down_address) data_.Close();
    return Road::kDone;
  }
}

void Downloader::OpenFtp(const std::string& server, const std::string& user,
                         const std::string& password, int32_t port, bool redirected) {
  success_ = false;
  net::InternetRequest request;
  std::string authority = server + ":" + std::to_string(port);
  request.url = WireUrl("ftp://" + authority + "/" + request_path_);
  wire_url_ = request.url;
  request.user_agent = kUserAgent;
  request.ftp_user = user;
  request.ftp_password = password;
  request.limits = limits_;
  request.continues = redirected;
  if (!data_.Open(request)) {
    ErrNumber = 1;
    return;
  }
  probed_size_ = data_.content_length().value_or(0);
  file_size_ = probed_size_ > INT32_MAX ? 0 : static_cast<int32_t>(probed_size_);
  success_ = true;
}

void Downloader::FTPConnection(vb::Variant& FtpServer, vb::Variant& FtpUserName,
                               vb::Variant& FtpPassWord, vb::Variant& FtpPort) {
  OpenFtp(vb::CStr(FtpServer), vb::CStr(FtpUserName), vb::CStr(FtpPassWord), vb::CLng(FtpPort));
  if (probed_size_ > INT32_MAX) {
    data_.Close();
    vb::Raise(vb::kErrOverflow);
  }
}

int64_t Downloader::HeaderSize() const {
  std::string text = net::RawHeaderValue(raw_headers_, "Content-Length").value_or("");
  if (vb::Trim(text).empty()) return 0;
  double size = vb::CDbl(vb::Variant(text));
  return size > INT32_MAX ? int64_t{INT32_MAX} + 1 : vb::CLng(vb::Variant(size));
}

void Downloader::Reach(bool down_address) {
  success_ = true;
  data_.Close();
  ParseAddress(url_);
  bool redirected = false;
  if (scheme_ == "mms" && PortColon(server_, false) == std::string::npos) {
    // A media address is probed over HTTP on its own port, and is then
    // known by the address that was sent.
    url_ = "http://" + server_ + ":" + std::to_string(connect_port_) + request_path_;
    ParseAddress(url_);
  }
  if (!is_ftp_) {
    if (scheme_ != "http" && scheme_ != "https") {
      // Nothing here fetches another scheme.
      success_ = false;
      ErrNumber = 1;
      return;
    }
    redirected = ProbeHttp(down_address) == Road::kFtp;
  }
  if (success_ && is_ftp_) OpenFtp(server_, user_name_, password_, ftp_port_, redirected);
}

void Downloader::Execute() {
  ErrNumber = 0;
  raw_headers_.clear();
  Reach(false);
  if (success_) {
    int64_t size = is_ftp_ ? probed_size_ : HeaderSize();
    // A file of 2 GB or more is more than a transfer can take: it fails as
    // one over the limit (MaxSize is always less), or as a failed download.
    if (size > INT32_MAX) {
      file_size_ = 0;
      ErrNumber = max_size_ >= 1 ? 2 : 3;
      success_ = false;
    } else {
      // Both size rules run, in this order, so a file both over MaxSize
      // and under LeastSize ends with the later one's code.
      file_size_ = static_cast<int32_t>(size);
      if (max_size_ >= 1 && file_size_ > max_size_) {
        ErrNumber = 2;
        success_ = false;
      }
      if (file_size_ < least_size_) {
        ErrNumber = 3;
        success_ = false;
      }
    }
    DownFileUrl = url_;
  } else {
    file_size_ = 0;
  }
  if (unseal_down_) {
    if (!CheckFiletype(url_) || !AcceptedExt(url_)) {
      ErrNumber = 4;
      success_ = false;
    }
    if (success_) CreatedPathEx(save_file_path_);
  } else {
    success_ = false;
  }
  if (!success_) data_.Close();
}

std::string Downloader::DownAddress() {
  try {
    Reach(true);
    DownFileUrl = url_;
    if (!success_) {
      file_size_ = 0;
    } else {
      int64_t size = is_ftp_ ? probed_size_ : HeaderSize();
      if (size > INT32_MAX) vb::Raise(vb::kErrOverflow);
      file_size_ = static_cast<int32_t>(size);
    }
    std::string result = success_ ? url_ : "";
    Cancel();
    return result;
  } catch (const vb::VbError&) {
    Cancel();
    return "";
  }
}

std::string Downloader::GetHeader(std::optional<std::string> hdrName) {
  if (!success_) {
    Cancel();
    return "0";
  }
  if (raw_headers_.empty()) return "0";
  std::string name = vb::UCase(hdrName.value_or(""));
  if (name.empty()) return raw_headers_;
  static const char* const kKnown[] = {"Content-Length", "Location",      "Content-Type",
                                       "Date",           "Last-Modified", "Server"};
  for (const char* known : kKnown) {
    if (name != vb::UCase(known)) continue;
    std::string value = net::RawHeaderValue(raw_headers_, known).value_or("");
    if (value.empty() && name == "CONTENT-LENGTH") return "0";
    return value;
  }
  return "0";
}

void Downloader::Cancel() {
  data_.Close();
  success_ = false;
}

bool Downloader::CheckFiletype(std::string_view strFile) const {
  std::string name = vb::Trim(strFile);
  if (name.empty()) return false;
  size_t dot = name.rfind('.');
  std::string ext = dot == std::string::npos ? "" : name.substr(dot);
  for (const char* refused : {"?", ":", "=", "&", "/", "htm"}) {
    if (vb::InStr(ext, refused, vb::CompareMode::Text) > 0) return false;
  }
  return true;
}

bool Downloader::AcceptedExt(std::string_view strFile) const {
  std::string name = vb::Trim(strFile);
  if (name.empty()) return false;
  size_t dot = name.rfind('.');
  std::string ext = vb::LCase(dot == std::string::npos ? name : name.substr(dot + 1));
  if (incept_ext_.empty()) return true;
  for (const std::string& entry : vb::Split(incept_ext_, ",")) {
    if (vb::LCase(vb::Trim(entry)) == ext) return true;
  }
  return false;
}

void Downloader::SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds idle) {
  limits_.connect_timeout = connect;
  limits_.idle_timeout = idle;
}

}  // namespace ostrel::transfer
