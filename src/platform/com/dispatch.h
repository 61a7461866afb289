// Dispatch: the base of every public class. A host page reaches an object's
// members by name, in any letter case, as a late-bound caller does: property
// get, property let, and method calls whose arguments pass by reference.
// An unknown member (or the wrong kind of access to a known one, such as
// reading a set-only property) raises error 438.
//
// Events: a class declares its events as com::Event members (event.h) and
// lists them with ClassInfo::Event. A C++ holder connects to the member
// itself (`downloader->GetData.Connect(...)`, typed arguments); a host page
// connects by event name with Advise, receiving the arguments as Variants.
// Both roads reach the same Event, so a raise calls every handler of either
// kind in the order they were connected.
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

  // Connects a sink to the event of that name (any letter case); returns
  // the cookie that Unadvise takes. An unknown event raises 438.
  size_t Advise(std::string_view event, EventSink sink);
  void Unadvise(std::string_view event, size_t cookie);

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
