#include "platform/image/installed.h"

#include <mutex>
#include <string>

#include "platform/vb/ascii_case.h"
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

// The switch of a ProgID, or null for a name that is not one of ours.
bool* SwitchOf(Switches& s, std::string_view prog_id) {
  if (vb::EqualsNoCase(prog_id, kGvboxProgId)) return &s.gvbox;
  if (vb::EqualsNoCase(prog_id, kPersitsJpegProgId)) return &s.persits;
  if (vb::EqualsNoCase(prog_id, kImageGenProgId)) return &s.imagegen;
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
