// The library's class-factory entry points. They stand where an in-process
// server's exports stood, so a host can load libostrel.so, ask it for a
// class by ProgID and have it record its classes in the registry file.
#include "component/registration.h"

extern "C" {

__attribute__((visibility("default"))) int DllRegisterServer() {
  return ostrel::component::RegisterServer();
}

__attribute__((visibility("default"))) int DllUnregisterServer() {
  return ostrel::component::UnregisterServer();
}

__attribute__((visibility("default"))) int DllCanUnloadNow() {
  return ostrel::component::CanUnloadNow();
}

// Gives a new object of the class named by progid in *object (a
// std::shared_ptr<ostrel::com::Dispatch>*); 0 on success.
__attribute__((visibility("default"))) int DllGetClassObject(const char* progid, void* object) {
  return ostrel::component::GetClassObject(progid, object);
}
}
