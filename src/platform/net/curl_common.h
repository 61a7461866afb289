// What every fetch over libcurl shares: one-time library set-up, the URL
// checks and clean-up made before a request, and the translation of libcurl
// failures into VbError.
#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

#include "platform/net/fetch_limits.h"

namespace ostrel::net {

// Initialises libcurl once per process (safe to call from any thread).
void EnsureCurl();

// The scheme of a URL in lower case ("http"), or "" when it has none.
std::string SchemeOf(std::string_view url);

// Percent-encodes the bytes a browser would encode before sending a typed or
// gathered address (blanks, control characters, bytes above 0x7F) in the
// path, query and fragment; the scheme and host are left alone.
std::string EncodeUrl(std::string_view url);

// The hosts that never go through a proxy: those of the environment's
// no_proxy plus the loopback names, where the fixture and demo sites live.
std::string NoProxyList();

// The per-transfer state of the guards that PrepareRemoteHandle sets on a
// handle. It must outlive the transfer (keep it beside the handle).
struct TransferGuard {};

// Sets on a fresh handle what every remote transfer shares, pages, pictures
// and downloads alike: no signals, the proxy exceptions and the connect and
// idle limits. Every remote fetch passes its handle through here, so a limit
// or rule added here reaches them all. Callers set the address, protocols,
// redirects and callbacks of their own.
void PrepareRemoteHandle(CURL* handle, const FetchLimits& limits, TransferGuard& guard);

// Raises the VbError for a failed transfer. `source` names the object,
// `detail` is libcurl's error buffer (may be empty).
[[noreturn]] void RaiseTransferError(CURLcode code, std::string_view url, const char* detail,
                                     const char* source);

}  // namespace ostrel::net
