// Dispatch: the base of every public class. A host page reaches an object's
// members by name, in any letter case, as a late-bound caller does: property
// get, property let, and method calls whose arguments pass by reference.
// An unknown member (or the wrong kind of access to a known one, such as
// reading a set-only property) raises error 438.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/com/type_info.h"
#include "platform/vb/variant.h"

namespace ostrel::com {

class Dispatch {
 public:
  Dispatch();
  virtual ~Dispatch();
  Dispatch(const Dispatch&) = delete;
  Dispatch& operator=(const Dispatch&) = delete;

  // The member table of the object's class (one static table per class).
  virtual const TypeInfo& Type() const = 0;

  // Reads a property or field. A method named here runs without arguments,
  // as `x = obj.Method` does.
  vb::Variant Get(std::string_view name);
  // Assigns a property or field.
  void Let(std::string_view name, const vb::Variant& value);
  // Calls a method; the arguments may be written back. A property named here
  // with no arguments is read, as `obj.Prop()` does.
  vb::Variant Call(std::string_view name, Args args = {});

  // Objects alive in the process (the answer of DllCanUnloadNow).
  static int64_t LiveObjects();

 private:
  const Member& Lookup(std::string_view name) const;
  [[noreturn]] void RaiseNoSuchMember() const;
};

// The standard run-time errors of late-bound calls.
[[noreturn]] void RaiseArgumentNotOptional(std::string_view source);  // 449
[[noreturn]] void RaiseWrongArgumentCount(std::string_view source);   // 450

}  // namespace ostrel::com
