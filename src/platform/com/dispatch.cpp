#include "platform/com/dispatch.h"

#include <atomic>
#include <string>

#include "platform/vb/vb_error.h"

namespace ostrel::com {

namespace {
std::atomic<int64_t> live_objects{0};
}

Dispatch::Dispatch() { live_objects.fetch_add(1, std::memory_order_relaxed); }

Dispatch::~Dispatch() { live_objects.fetch_sub(1, std::memory_order_relaxed); }

int64_t Dispatch::LiveObjects() { return live_objects.load(std::memory_order_relaxed); }

void Dispatch::RaiseNoSuchMember() const {
  throw vb::VbError(vb::kErrNoSuchMember, Type().class_name(),
                    vb::DescribeError(vb::kErrNoSuchMember));
}

const Member& Dispatch::Lookup(std::string_view name) const {
  const Member* member = Type().Find(name);
  if (member == nullptr) RaiseNoSuchMember();
  return *member;
}

vb::Variant Dispatch::Get(std::string_view name) {
  const Member& member = Lookup(name);
  if (member.get) return member.get(*this);
  if (member.call) return member.call(*this, {});
  RaiseNoSuchMember();
}

void Dispatch::Let(std::string_view name, const vb::Variant& value) {
  const Member& member = Lookup(name);
  if (!member.let) RaiseNoSuchMember();
  member.let(*this, value);
}

vb::Variant Dispatch::Call(std::string_view name, Args args) {
  const Member& member = Lookup(name);
  if (member.call) return member.call(*this, args);
  if (!member.get) RaiseNoSuchMember();
  if (!args.empty()) RaiseWrongArgumentCount(Type().class_name());
  return member.get(*this);
}

size_t Dispatch::Advise(std::string_view event, EventSink sink) {
  const EventMember* found = Type().FindEvent(event);
  if (found == nullptr) RaiseNoSuchMember();
  return found->connect(*this, std::move(sink));
}

void Dispatch::Unadvise(std::string_view event, size_t cookie) {
  const EventMember* found = Type().FindEvent(event);
  if (found == nullptr) RaiseNoSuchMember();
  found->disconnect(*this, cookie);
}

void RaiseArgumentNotOptional(std::string_view source) {
  throw vb::VbError(449, std::string(source), "Argument not optional");
}

void RaiseWrongArgumentCount(std::string_view source) {
  throw vb::VbError(450, std::string(source),
                    "Wrong number of arguments or invalid property assignment");
}

}  // namespace ostrel::com
