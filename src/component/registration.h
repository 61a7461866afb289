// The component as an in-process server: its public classes, and the entry
// points that libostrel.so exports (dll_exports.cpp).
//
// Each public class makes itself creatable by declaring, at namespace scope
// in its own .cpp file:
//
//   const component::ComponentClass<NewsCollection> kNewsCollection("Ostrel.NewsCollection");
//
// The shared library links every component module whole, so all the classes
// are present when it loads; this module needs none of the modules that
// define them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/class_registry.h"

namespace ostrel::component {

// The server name under which the component's classes are registered.
inline constexpr std::string_view kServerName = "ostrel";

// Adds one public class of the component to the class registry.
void AddClass(std::string prog_id, com::Factory factory);

template <class T>
struct ComponentClass {
  explicit ComponentClass(std::string prog_id) {
    AddClass(std::move(prog_id), [] { return vb::ObjectRef(std::make_shared<T>()); });
  }
};

// The ProgIDs of the component's classes, sorted.
std::vector<std::string> ClassProgIds();

// The entry points (HRESULT values; 0 is S_OK).
int RegisterServer();
int UnregisterServer();
int CanUnloadNow();
// *object must be a std::shared_ptr<ostrel::com::Dispatch>.
int GetClassObject(const char* progid, void* object);

}  // namespace ostrel::component
