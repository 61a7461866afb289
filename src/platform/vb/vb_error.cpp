#include "platform/vb/vb_error.h"

namespace ostrel::vb {

std::string DescribeError(int32_t number) {
  switch (number) {
    case 5:
      return "Invalid procedure call or argument";
    case 6:
      return "Overflow";
    case 7:
      return "Out of memory";
    case 9:
      return "Subscript out of range";
    case 11:
      return "Division by zero";
    case 13:
      return "Type mismatch";
    case 53:
      return "File not found";
    case 58:
      return "File already exists";
    case 70:
      return "Permission denied";
    case 76:
      return "Path not found";
    case 91:
      return "Object variable or With block variable not set";
    case 94:
      return "Invalid use of Null";
    case 424:
      return "Object required";
    case 438:
      return "Object doesn't support this property or method";
    default:
      return "Application-defined or object-defined error";
  }
}

void Raise(int32_t number, std::string source) {
  throw VbError(number, std::move(source), DescribeError(number));
}

}  // namespace ostrel::vb
