#include "platform/com/type_info.h"

#include <cassert>

#include "platform/vb/ascii_case.h"

namespace ostrel::com {

TypeInfo::TypeInfo(std::string class_name, std::vector<Member> members,
                   std::vector<EventMember> events)
    : class_name_(std::move(class_name)), members_(std::move(members)), events_(std::move(events)) {
  for (size_t i = 0; i < members_.size(); ++i) {
    bool inserted = index_.emplace(vb::LowerAscii(members_[i].name), i).second;
    assert(inserted && "a member is declared twice");
    (void)inserted;
  }
}

const Member* TypeInfo::Find(std::string_view name) const {
  auto it = index_.find(vb::LowerAscii(name));
  return it == index_.end() ? nullptr : &members_[it->second];
}

const EventMember* TypeInfo::FindEvent(std::string_view name) const {
  for (const EventMember& event : events_) {
    if (vb::EqualsNoCase(event.name, name)) return &event;
  }
  return nullptr;
}

}  // namespace ostrel::com
