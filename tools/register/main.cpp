// ostrel-register: records the component's classes in the registry file, as
// registering the library does, and lists them. Until the web host stands,
// this is what ./run does.
#include <cstdio>

#include "component/registration.h"
#include "platform/com/registry_file.h"

extern "C" int DllRegisterServer();

int main() {
  ostrel::com::RegistryFile registry;
  int result = DllRegisterServer();
  if (result != 0) {
    std::fprintf(stderr, "ostrel-register: cannot write the registry file %s (0x%08X)\n",
                 registry.path().c_str(), static_cast<unsigned>(result));
    return 1;
  }
  std::printf("Registered in %s:\n", registry.path().c_str());
  int count = 0;
  for (const auto& [prog_id, server] : registry.Entries()) {
    if (server != ostrel::component::kServerName) continue;
    std::printf("  %s\n", prog_id.c_str());
    ++count;
  }
  if (count == 0) std::printf("  (no classes yet)\n");
  return 0;
}
