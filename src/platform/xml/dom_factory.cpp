#include "platform/xml/dom_factory.h"

#include <mutex>
#include <set>
#include <string>

#include "platform/vb/ascii_case.h"

namespace ostrel::xml {
namespace {

struct Removed {
  std::mutex mu;
  std::set<std::string> prog_ids;  // lower case
};

Removed& NotInstalled() {
  static Removed removed;
  return removed;
}

// 0 unknown, 1 apartment document, 2 free-threaded document.
int Kind(const std::string& lower) {
  for (std::string_view id : kDomDocumentProgIds) {
    if (vb::LowerAscii(id) == lower) return 1;
  }
  for (std::string_view id : kFreeThreadedDomDocumentProgIds) {
    if (vb::LowerAscii(id) == lower) return 2;
  }
  return 0;
}

}  // namespace

std::shared_ptr<DomDocument> CreateDomDocument(std::string_view prog_id) {
  std::string lower = vb::LowerAscii(prog_id);
  int kind = Kind(lower);
  if (kind == 0) return nullptr;
  {
    std::lock_guard lock(NotInstalled().mu);
    if (NotInstalled().prog_ids.count(lower) != 0) return nullptr;
  }
  return std::make_shared<DomDocument>(kind == 2);
}

void SetDomDocumentInstalled(std::string_view prog_id, bool installed) {
  std::lock_guard lock(NotInstalled().mu);
  if (installed) {
    NotInstalled().prog_ids.erase(vb::LowerAscii(prog_id));
  } else {
    NotInstalled().prog_ids.insert(vb::LowerAscii(prog_id));
  }
}

void ResetDomDocumentInstalled() {
  std::lock_guard lock(NotInstalled().mu);
  NotInstalled().prog_ids.clear();
}

}  // namespace ostrel::xml
