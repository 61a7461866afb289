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
// handle. It must outlive the transfer (keep it beside the handle), and one
// guard serves one transfer (a redirect chain is one transfer).
//
// The guards take these libcurl callbacks for themselves: the progress
// callback (CURLOPT_XFERINFOFUNCTION, NOPROGRESS is turned off), the socket
// opening and closing ones and the pre-request one. Do not set them on a
// prepared handle; a caller that needs progress calls sets `on_progress`
// (and `on_progress_data`) here instead, before or after preparing: it is
// called with libcurl's arguments after the guards' own checks, and a
// non-zero answer ends the transfer as libcurl's own would.
struct TransferGuard {
  curl_xferinfo_callback on_progress = nullptr;
  void* on_progress_data = nullptr;

  // Why the guards ended the transfer, when they did: kNone otherwise.
  enum class Stop { kNone, kCancelled, kRefusedAddress };
  Stop stopped = Stop::kNone;
  // The refused address and the reason, for the error description.
  std::string refusal;

  // Filled by PrepareRemoteHandle and the callbacks.
  bool allow_private = false;
  bool reached_public = false;
};

// Sets on a fresh handle what every remote transfer shares, pages, pictures
// and downloads alike: no signals, the proxy exceptions, the connect and
// idle limits, the overall deadline (total_timeout, redirects included),
// the end of every transfer once CancelAllTransfers() is called (at once for
// a new one, within a moment for one in flight: its sockets are shut down),
// and the address rule (IsPrivateAddress): no connection is opened to a
// private address unless limits.allow_private, and even then a transfer that
// reached a public address is not led on to a private one, nor is a fetch
// of a run whose item's list address is public (RunOrigin). The rule is
// checked where the socket is opened and again before each request on a
// connection, new or reused, so a redirect and a name that resolves
// differently the second time are caught. Behind a proxy the rule sees the
// proxy's address. A handle keeps at most 4 connections for reuse and
// reuses none that has been idle for 30 s; take the handle from RemoteHandle
// (instead of curl_easy_init) so that the next transfer to the same site
// finds the connection open. Every remote fetch passes its handle through
// here, so a limit or rule added here reaches them all. Callers set the
// address, protocols, redirects and callbacks of their own.
//
// A failed transfer of a prepared handle is best raised with the overload of
// RaiseTransferError that takes the guard, which names the refused address
// or the cancellation.
void PrepareRemoteHandle(CURL* handle, const FetchLimits& limits, TransferGuard& guard);

// Raises the VbError for a failed transfer. `source` names the object,
// `detail` is libcurl's error buffer (may be empty).
[[noreturn]] void RaiseTransferError(CURLcode code, std::string_view url, const char* detail,
                                     const char* source);
// The same, saying so when the guards ended the transfer.
[[noreturn]] void RaiseTransferError(CURLcode code, std::string_view url, const char* detail,
                                     const char* source, const TransferGuard& guard);

}  // namespace ostrel::net
