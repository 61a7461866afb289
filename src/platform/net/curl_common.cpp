#include "platform/net/curl_common.h"

#include <cstdlib>
#include <mutex>

#include "platform/net/fetch_log.h"
#include "platform/net/net_error.h"
#include "platform/vb/vb_error.h"

namespace ostrel::net {

void EnsureCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string SchemeOf(std::string_view url) {
  size_t colon = url.find("://");
  if (colon == std::string_view::npos || colon == 0) return "";
  std::string scheme;
  for (char c : url.substr(0, colon)) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '+' || c == '-' || c == '.';
    if (!ok) return "";
    scheme += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return scheme;
}

std::string EncodeUrl(std::string_view url) {
  static const char kHex[] = "0123456789ABCDEF";
  size_t authority = url.find("://");
  authority = authority == std::string_view::npos ? 0 : authority + 3;
  size_t path = url.find_first_of("/?#", authority);
  if (path == std::string_view::npos) return std::string(url);
  std::string out(url.substr(0, path));
  for (char c : url.substr(path)) {
    auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

std::string NoProxyList() {
  const char* env = std::getenv("no_proxy");
  if (env == nullptr || *env == '\0') env = std::getenv("NO_PROXY");
  std::string list = env != nullptr ? env : "";
  if (list == "*") return list;
  if (!list.empty()) list += ',';
  return list + "127.0.0.1,localhost,::1";
}

void RaiseTransferError(CURLcode code, std::string_view url, const char* detail,
                        const char* source) {
  int32_t number = kErrConnectionAborted;
  std::string what;
  switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
      number = kErrUnsupportedScheme;
      what = "The URL does not use a recognized protocol";
      break;
    case CURLE_URL_MALFORMAT:
      number = kErrInvalidUrl;
      what = "The URL is invalid";
      break;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      number = kErrNameNotResolved;
      what = "The server name or address could not be resolved";
      break;
    case CURLE_COULDNT_CONNECT:
      number = kErrCannotConnect;
      what = "A connection with the server could not be established";
      break;
    case CURLE_OPERATION_TIMEDOUT:
      number = kErrTimeout;
      what = "The operation timed out";
      break;
    case CURLE_TOO_MANY_REDIRECTS:
      number = kErrRedirectFailed;
      what = "Too many redirections";
      break;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
      number = kErrSecureChannel;
      what = "A secure connection with the server could not be established";
      break;
    default:
      what = "The connection with the server was terminated abnormally";
      break;
  }
  std::string description = what + " (" + std::string(url) + ": ";
  description += (detail != nullptr && *detail != '\0') ? detail : curl_easy_strerror(code);
  description += ")";
  ReportFetchFailure(description);
  throw vb::VbError(number, source, description);
}

void RaiseTransferError(CURLcode code, std::string_view url, const char* detail, const char* source,
                        const TransferGuard& guard) {
  switch (guard.stopped) {
    case TransferGuard::Stop::kNone:
      RaiseTransferError(code, url, detail, source);
    case TransferGuard::Stop::kCancelled: {
      std::string description =
          "The transfer was cancelled because the host is stopping (" + std::string(url) + ")";
      ReportFetchFailure(description);
      throw vb::VbError(kErrConnectionAborted, source, description);
    }
    case TransferGuard::Stop::kRefusedAddress: {
      std::string description = "A connection with the server could not be established (" +
                                std::string(url) + ": " + guard.refusal + ")";
      ReportFetchFailure(description);
      throw vb::VbError(kErrCannotConnect, source, description);
    }
  }
  RaiseTransferError(code, url, detail, source);
}

}  // namespace ostrel::net
