#include "component/registration.h"

#include "platform/com/in_process_server.h"

namespace ostrel::component {

void AddClass(std::string prog_id, com::Factory factory) {
  com::ClassRegistry::Global().Add(std::move(prog_id), std::move(factory),
                                   std::string(kServerName));
}

std::vector<std::string> ClassProgIds() {
  return com::ClassRegistry::Global().ProgIds(kServerName);
}

int RegisterServer() { return com::RegisterServer(kServerName); }

int UnregisterServer() { return com::UnregisterServer(kServerName); }

int CanUnloadNow() { return com::CanUnloadNow(); }

int GetClassObject(const char* progid, void* object) {
  if (progid == nullptr) return com::kClassNotAvailable;
  return com::GetClassObject(kServerName, progid, static_cast<vb::ObjectRef*>(object));
}

}  // namespace ostrel::component
