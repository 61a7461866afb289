// Reading a request body so that a slow client cannot hold a request
// thread: the body must arrive at a minimum average rate, counted from the
// end of the header after a grace period, and is cut off at a size limit.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

struct mg_connection;

namespace ostrel::host {

struct BodyLimits {
  size_t max_bytes = 8 << 20;
  // The body may take grace + received / min_bytes_per_second.
  std::chrono::milliseconds grace{10'000};
  size_t min_bytes_per_second = 2048;
};

enum class BodyStatus { kComplete, kTooLarge, kTooSlow, kIncomplete };

// Reads the whole body of the request on conn into *body.
BodyStatus ReadRequestBody(mg_connection* conn, const BodyLimits& limits, std::string* body);

}  // namespace ostrel::host
