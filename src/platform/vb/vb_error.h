// VB run-time errors. A failing VB operation throws VbError; the component's
// "skip the failing step" helpers catch exactly this type and nothing else.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ostrel::vb {

// Error numbers the runtime raises itself.
enum ErrNumber : int32_t {
  kErrInvalidCall = 5,  // invalid procedure call or argument
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscript = 9,  // subscript out of range
  kErrDivByZero = 11,
  kErrTypeMismatch = 13,
  kErrFileNotFound = 53,
  kErrFileExists = 58,
  kErrPermission = 70,
  kErrPathNotFound = 76,
  kErrObjectRequired = 424,
  kErrNoSuchMember = 438,  // object doesn't support this property or method
  kErrObjectNotSet = 91,
};

// vbObjectError, the base of errors that objects define themselves.
constexpr int32_t kObjectErrorBase = static_cast<int32_t>(0x80040000u);

class VbError : public std::runtime_error {
 public:
  VbError(int32_t number, std::string source, std::string description)
      : std::runtime_error(description),
        number_(number),
        source_(std::move(source)),
        description_(std::move(description)) {}

  int32_t number() const { return number_; }
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

// Raises one of the runtime's own errors with its standard description.
[[noreturn]] void Raise(int32_t number, std::string source = "");

// The standard English description of a runtime error number ("Overflow", ...).
std::string DescribeError(int32_t number);

// Runs one step of a routine whose failing steps are skipped: a VbError is
// swallowed (and reported as false); any other exception is a bug and passes.
template <class F>
bool TryStep(F&& step) {
  try {
    step();
    return true;
  } catch (const VbError&) {
    return false;
  }
}

}  // namespace ostrel::vb
