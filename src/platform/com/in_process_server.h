// The entry points of an in-process server (a library of classes), for the
// server named `server` in the class registry. libostrel.so exports them as
// DllRegisterServer, DllUnregisterServer, DllCanUnloadNow and
// DllGetClassObject. Results are HRESULT values: 0 is S_OK.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/vb/variant.h"

namespace ostrel::com {

// S_OK, S_FALSE, E_POINTER, CLASS_E_CLASSNOTAVAILABLE, SELFREG_E_CLASS.
constexpr int32_t kOk = 0;
constexpr int32_t kFalse = 1;
constexpr int32_t kPointerError = static_cast<int32_t>(0x80004003u);
constexpr int32_t kClassNotAvailable = static_cast<int32_t>(0x80040111u);
constexpr int32_t kSelfRegClassError = static_cast<int32_t>(0x80040201u);

// Writes the ProgIDs of all the server's classes into the registry file.
int32_t RegisterServer(std::string_view server);
// Removes the server's ProgIDs from the registry file.
int32_t UnregisterServer(std::string_view server);
// S_OK when no object is alive, else S_FALSE.
int32_t CanUnloadNow();
// A new object of one of the server's classes in *out (no registry check:
// the caller already holds the server).
int32_t GetClassObject(std::string_view server, std::string_view prog_id, vb::ObjectRef* out);

}  // namespace ostrel::com
