// The member table of one public class: what a host page can reach on its
// objects by name. Members keep the order in which the class declares them
// (the order of its dispatch interface) and are found without regard to case.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/vb/variant.h"

namespace ostrel::com {

class Dispatch;

// The arguments of one call, by reference: a member may write them back.
using Args = std::span<vb::Variant>;

struct Member {
  std::string name;
  // Property get; empty for a set-only property and for methods.
  std::function<vb::Variant(Dispatch&)> get;
  // Property let/set; empty for a read-only property and for methods.
  std::function<void(Dispatch&, const vb::Variant&)> let;
  // Method call; empty for properties and fields.
  std::function<vb::Variant(Dispatch&, Args)> call;
};

// A handler connected to an event by name (a host page's sink): it receives
// the event's arguments as Variants, by reference, and what it writes into
// them goes back to the raiser.
using EventSink = std::function<void(Args)>;

// An event of the class's source interface (`GetData`, `FileFound`), kept
// apart from the members: a host page connects a sink to it by name.
struct EventMember {
  std::string name;
  // Connects the sink to the object's event; returns the cookie.
  std::function<size_t(Dispatch&, EventSink)> connect;
  std::function<void(Dispatch&, size_t)> disconnect;
};

class TypeInfo {
 public:
  TypeInfo(std::string class_name, std::vector<Member> members,
           std::vector<EventMember> events = {});

  const std::string& class_name() const { return class_name_; }
  const std::vector<Member>& members() const { return members_; }
  // The member of that name in any letter case; nullptr when there is none.
  const Member* Find(std::string_view name) const;
  // The event of that name in any letter case; nullptr when there is none.
  const EventMember* FindEvent(std::string_view name) const;

 private:
  std::string class_name_;
  std::vector<Member> members_;
  std::vector<EventMember> events_;
  std::unordered_map<std::string, size_t> index_;  // lower-cased name -> position
};

}  // namespace ostrel::com
