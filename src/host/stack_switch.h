// Announcing stack switches to AddressSanitizer.
//
// AddressSanitizer keeps its own picture of the stack a thread runs on; a
// stack it was not told of makes it misread the frames an exception unwinds
// as overruns. Under it each switch between stacks (a connection's coroutine,
// a page stack) is announced; elsewhere the announcements are nothing.
#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define OSTREL_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OSTREL_ASAN_FIBERS 1
#endif
#endif
#ifdef OSTREL_ASAN_FIBERS
#include <sanitizer/common_interface_defs.h>
#endif

namespace ostrel::host {

// Before switching onto the stack [bottom, bottom + size); fake_stack null
// when the stack being left ends for good.
inline void StartSwitch([[maybe_unused]] void** fake_stack, [[maybe_unused]] const void* bottom,
                        [[maybe_unused]] size_t size) {
#ifdef OSTREL_ASAN_FIBERS
  __sanitizer_start_switch_fiber(fake_stack, bottom, size);
#endif
}

// First thing on the stack switched to; bottom_left and size_left receive
// the stack that was left (may be null).
inline void FinishSwitch([[maybe_unused]] void* fake_stack,
                         [[maybe_unused]] const void** bottom_left,
                         [[maybe_unused]] size_t* size_left) {
#ifdef OSTREL_ASAN_FIBERS
  __sanitizer_finish_switch_fiber(fake_stack, bottom_left, size_left);
#endif
}

}  // namespace ostrel::host
