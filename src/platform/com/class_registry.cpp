#include "platform/com/class_registry.h"

#include <algorithm>

#include "platform/com/registry_file.h"
#include "platform/vb/ascii_case.h"
#include "platform/vb/vb_error.h"

namespace ostrel::com {

ClassRegistry& ClassRegistry::Global() {
  static ClassRegistry* registry = new ClassRegistry();  // never destroyed: used until exit
  return *registry;
}

void ClassRegistry::Add(std::string prog_id, Factory factory, std::string server) {
  std::lock_guard lock(mu_);
  std::string key = vb::LowerAscii(prog_id);
  entries_[key] = Entry{std::move(prog_id), std::move(factory), std::move(server)};
}

void ClassRegistry::Remove(std::string_view prog_id) {
  std::lock_guard lock(mu_);
  entries_.erase(vb::LowerAscii(prog_id));
}

std::optional<ClassRegistry::Entry> ClassRegistry::Find(std::string_view prog_id) const {
  std::lock_guard lock(mu_);
  auto it = entries_.find(vb::LowerAscii(prog_id));
  if (it == entries_.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> ClassRegistry::ProgIds(std::string_view server) const {
  std::vector<std::string> ids;
  {
    std::lock_guard lock(mu_);
    for (const auto& [key, entry] : entries_) {
      if (entry.server == server) ids.push_back(entry.prog_id);
    }
  }
  std::sort(ids.begin(), ids.end(), [](const std::string& a, const std::string& b) {
    return vb::LowerAscii(a) < vb::LowerAscii(b);
  });
  return ids;
}

vb::ObjectRef CreateObject(std::string_view prog_id) {
  auto cannot_create = [] {
    throw vb::VbError(429, "CreateObject", "ActiveX component can't create object");
  };
  std::optional<ClassRegistry::Entry> entry = ClassRegistry::Global().Find(prog_id);
  if (!entry) cannot_create();
  if (!entry->server.empty() && !RegistryFile().IsRegistered(prog_id)) cannot_create();
  vb::ObjectRef object = entry->factory();
  if (!object) cannot_create();
  return object;
}

}  // namespace ostrel::com
