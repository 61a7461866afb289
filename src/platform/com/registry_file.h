// The registry file: the stand-in for the system registry's class keys. An
// in-process server's DllRegisterServer writes its ProgIDs here and
// DllUnregisterServer removes them; CreateObject refuses a server's class that
// is not listed. The host reads it to know which classes it may create.
//
// Location: the file named by the environment variable OSTREL_REGISTRY when
// it is set and not empty, otherwise "registry.ini" in the folder of the
// running executable (so each build tree has its own).
//
// Format (INI, written whole and replaced atomically):
//   ; ...comment...
//   [Classes]
//   Ostrel.NewsCollection=ostrel
// one "ProgID=server" line per registered class.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel::com {

std::string RegistryPath();

class RegistryFile {
 public:
  RegistryFile() : RegistryFile(RegistryPath()) {}
  explicit RegistryFile(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // (ProgID, server) of every registered class, in file order. A missing or
  // unreadable file is an empty registry.
  std::vector<std::pair<std::string, std::string>> Entries() const;
  bool IsRegistered(std::string_view prog_id) const;

  // Lists the ProgIDs as the server's classes, replacing the server's former
  // list (and any other server's entry for the same ProgIDs). Raises VbError
  // 75 when the file cannot be written; the former file then stays intact.
  void Register(std::string_view server, const std::vector<std::string>& prog_ids) const;
  // Removes every entry of the server.
  void Unregister(std::string_view server) const;

 private:
  void Write(const std::vector<std::pair<std::string, std::string>>& entries) const;

  std::string path_;
};

}  // namespace ostrel::com
