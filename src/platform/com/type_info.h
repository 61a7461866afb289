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

class TypeInfo {
 public:
  TypeInfo(std::string class_name, std::vector<Member> members);

  const std::string& class_name() const { return class_name_; }
  const std::vector<Member>& members() const { return members_; }
  // The member of that name in any letter case; nullptr when there is none.
  const Member* Find(std::string_view name) const;

 private:
  std::string class_name_;
  std::vector<Member> members_;
  std::unordered_map<std::string, size_t> index_;  // lower-cased name -> position
};

}  // namespace ostrel::com
