// The error numbers a failed remote fetch raises, in the number space the
// component's callers knew from the Windows Internet layer. Callers mostly
// only see that the fetch failed; the description says why.
#pragma once

#include <cstdint>

namespace ostrel::net {

enum NetError : int32_t {
  // The answer is not there yet (status read before a completed send).
  kErrNotReady = static_cast<int32_t>(0x8000000Au),
  kErrTimeout = static_cast<int32_t>(0x80072EE2u),
  kErrInvalidUrl = static_cast<int32_t>(0x80072EE5u),
  kErrUnsupportedScheme = static_cast<int32_t>(0x80072EE6u),
  kErrNameNotResolved = static_cast<int32_t>(0x80072EE7u),
  kErrCannotConnect = static_cast<int32_t>(0x80072EFDu),
  kErrConnectionAborted = static_cast<int32_t>(0x80072EFEu),
  kErrRedirectFailed = static_cast<int32_t>(0x80072F7Cu),
  kErrSecureChannel = static_cast<int32_t>(0x80072F7Du),
  // The body is larger than the configured cap.
  kErrTooLarge = static_cast<int32_t>(0x800C0008u),
};

}  // namespace ostrel::net
