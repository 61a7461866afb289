// Process-wide limits of remote fetches. Every request object copies them
// when it is created and may then change its own copy.
#pragma once

#include <chrono>
#include <cstdint>

namespace ostrel::net {

struct FetchLimits {
  // Time allowed to establish the connection (name lookup included).
  std::chrono::milliseconds connect_timeout{15'000};
  // Time allowed without receiving a byte once connected (waiting for the
  // answer included). Counted in whole seconds, rounded up.
  std::chrono::milliseconds idle_timeout{60'000};
  // Largest body accepted; a larger one fails the fetch instead of being cut.
  uint64_t max_body_bytes = 16 * 1024 * 1024;
  // Time allowed for the whole transfer, redirects included, however slowly
  // the remote trickles its bytes. Zero means no overall limit.
  std::chrono::milliseconds total_timeout{60'000};
  // The same for a file download, which may be large: the downloader uses it
  // in place of total_timeout.
  std::chrono::milliseconds download_timeout{3'600'000};
  // Whether remote fetches may reach loopback, private, link-local or the
  // host's own addresses (the demo site and the tests live on loopback).
  bool allow_private = false;
};

FetchLimits GetFetchLimits();
void SetFetchLimits(const FetchLimits& limits);
// Shorthands that change one part of the process-wide limits.
void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds idle);
void SetMaxBodyBytes(uint64_t bytes);

// Ends every transfer in flight as soon as possible and makes later ones
// fail at once: the host calls it when it is told to stop.
void CancelAllTransfers();
bool TransfersCancelled();

}  // namespace ostrel::net
