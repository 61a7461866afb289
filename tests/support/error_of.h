// The number of the VB run-time error a call raises, or 0 when it raises
// none: tests compare it with the number the platform would give.
#pragma once

#include <cstdint>

#include "platform/vb/vb_error.h"

namespace ostrel::testing {

template <class F>
int32_t ErrorOf(F&& call) {
  try {
    call();
  } catch (const vb::VbError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace ostrel::testing
