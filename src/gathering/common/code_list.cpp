#include "gathering/common/code_list.h"

#include "platform/vb/strings.h"
#include "processing/text_cutting.h"

namespace ostrel::gathering {
namespace {

const std::string kUnsetCode = "0";

}  // namespace

CodeList::CodeList(std::string_view column)
    : parts_(vb::Split(processing::ReplaceTrim(column), "$$$")) {}

const std::string& CodeList::operator[](int32_t index) const {
  if (index < 0 || index >= Count()) return kUnsetCode;
  return parts_[static_cast<size_t>(index)];
}

bool IsUnset(std::string_view code) { return code.empty() || code == "0"; }

}  // namespace ostrel::gathering
