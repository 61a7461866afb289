#include "platform/com/in_process_server.h"

#include "platform/com/class_registry.h"
#include "platform/com/dispatch.h"
#include "platform/com/registry_file.h"
#include "platform/vb/vb_error.h"

namespace ostrel::com {

int32_t RegisterServer(std::string_view server) {
  try {
    RegistryFile().Register(server, ClassRegistry::Global().ProgIds(server));
    return kOk;
  } catch (const vb::VbError&) {
    return kSelfRegClassError;
  }
}

int32_t UnregisterServer(std::string_view server) {
  try {
    RegistryFile().Unregister(server);
    return kOk;
  } catch (const vb::VbError&) {
    return kSelfRegClassError;
  }
}

int32_t CanUnloadNow() { return Dispatch::LiveObjects() == 0 ? kOk : kFalse; }

int32_t GetClassObject(std::string_view server, std::string_view prog_id, vb::ObjectRef* out) {
  if (out == nullptr) return kPointerError;
  std::optional<ClassRegistry::Entry> entry = ClassRegistry::Global().Find(prog_id);
  if (!entry || entry->server != server) return kClassNotAvailable;
  vb::ObjectRef object;
  try {
    object = entry->factory();
  } catch (const vb::VbError&) {
    return kClassNotAvailable;
  }
  if (!object) return kClassNotAvailable;
  *out = std::move(object);
  return kOk;
}

}  // namespace ostrel::com
