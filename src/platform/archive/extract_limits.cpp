#include "platform/archive/extract_limits.h"

#include <mutex>

namespace ostrel::archive {

namespace {
std::mutex limits_mutex;
ExtractLimits limits;
thread_local Refusal last_refusal = Refusal::kNone;
}  // namespace

ExtractLimits GetExtractLimits() {
  std::lock_guard lock(limits_mutex);
  return limits;
}

void SetExtractLimits(const ExtractLimits& value) {
  std::lock_guard lock(limits_mutex);
  limits = value;
}

Refusal LastRefusal() { return last_refusal; }
void SetLastRefusal(Refusal refusal) { last_refusal = refusal; }

std::string_view RefusalText(Refusal refusal) {
  switch (refusal) {
    case Refusal::kNone:
      return "";
    case Refusal::kUnsafeName:
      return "entry name leaves the destination folder";
    case Refusal::kLink:
      return "entry is a link or a special file";
    case Refusal::kTooManyEntries:
      return "too many entries";
    case Refusal::kTooLarge:
      return "unpacked size over the limit";
    case Refusal::kEncrypted:
      return "encrypted entry without a usable password";
    case Refusal::kDamaged:
      return "archive damaged or truncated";
  }
  return "";
}

}  // namespace ostrel::archive
