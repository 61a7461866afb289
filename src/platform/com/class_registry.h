// The ProgID registry: which factory makes the object of a ProgID
// ("Ostrel.NewsCollection", "ADODB.Connection"...). ProgIDs are matched
// without regard to case.
//
// A class belongs either to the platform (always creatable, as the system's
// own components are) or to an in-process server such as libostrel.so; a
// server's classes are creatable through CreateObject only once the server
// has registered them in the registry file (see registry_file.h), as an
// unregistered server's classes cannot be created on the original platform.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/vb/variant.h"

namespace ostrel::com {

using Factory = std::function<vb::ObjectRef()>;

class ClassRegistry {
 public:
  struct Entry {
    std::string prog_id;  // as first added
    Factory factory;
    std::string server;  // "" for a platform class
  };

  // The process-wide registry that CreateObject uses.
  static ClassRegistry& Global();

  // Adds (or replaces) the class of a ProgID.
  void Add(std::string prog_id, Factory factory, std::string server = "");
  void Remove(std::string_view prog_id);
  std::optional<Entry> Find(std::string_view prog_id) const;
  // The ProgIDs of one server's classes, sorted without regard to case.
  std::vector<std::string> ProgIds(std::string_view server) const;

 private:
  mutable std::mutex mu_;
  std::unordered_map<std::string, Entry> entries_;  // keyed by lower-cased ProgID
};

// VB's CreateObject: a new object of the ProgID's class. Raises 429 ("ActiveX
// component can't create object") for a ProgID that no class has, and for a
// server's class that is not listed in the registry file.
vb::ObjectRef CreateObject(std::string_view prog_id);

}  // namespace ostrel::com
