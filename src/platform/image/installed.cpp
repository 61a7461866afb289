#include "platform/image/installed.h"

#include <mutex>
#include <string>

#include "platform/vb/vb_error.h"

namespace ostrel::image {
namespace {

struct Switches {
  std::mutex mu;
  bool gvbox = true;
  bool persits = true;
  bool imagegen = true;
};

Switches& State() {
  static Switches s;
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// The switch of a ProgID, or null for a name that is not one of ours.
bool* SwitchOf(Switches& s, std::string_view prog_id) {
  if (SameName(prog_id, kGvboxProgId)) return &s.gvbox;
  if (SameName(prog_id, kPersitsJpegProgId)) return &s.persits;
  if (SameName(prog_id, kImageGenProgId)) return &s.imagegen;
  return nullptr;
}

}  // namespace

void SetInstalled(std::string_view prog_id, bool installed) {
  Switches& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  if (bool* flag = SwitchOf(s, prog_id)) *flag = installed;
}

bool IsInstalled(std::string_view prog_id) {
  Switches& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  bool* flag = SwitchOf(s, prog_id);
  return flag != nullptr && *flag;
}

void RequireInstalled(std::string_view prog_id) {
  if (!IsInstalled(prog_id)) {
    throw vb::VbError(kErrCannotCreateObject, std::string(prog_id),
                      "ActiveX component can't create object");
  }
}

}  // namespace ostrel::image
