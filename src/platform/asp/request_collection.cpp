#include "platform/asp/request_collection.h"

#include "platform/vb/ascii_case.h"
#include "platform/vb/vb_error.h"

namespace ostrel::asp {

RequestCollection::RequestCollection(
    const std::vector<std::pair<std::string, std::string>>& pairs) {
  for (const auto& [key, value] : pairs) Add(key, value);
}

const RequestCollection::Entry* RequestCollection::Find(std::string_view key) const {
  for (const Entry& entry : entries_) {
    if (vb::EqualsNoCase(entry.key, key)) return &entry;
  }
  return nullptr;
}

void RequestCollection::Add(std::string_view key, std::string value) {
  for (Entry& entry : entries_) {
    if (vb::EqualsNoCase(entry.key, key)) {
      entry.values.push_back(std::move(value));
      return;
    }
  }
  entries_.push_back(Entry{std::string(key), {std::move(value)}});
}

vb::Variant RequestCollection::Item(std::string_view key) const {
  const Entry* entry = Find(key);
  if (entry == nullptr) return vb::Variant();
  std::string joined;
  for (size_t i = 0; i < entry->values.size(); ++i) {
    if (i > 0) joined += ", ";
    joined += entry->values[i];
  }
  return vb::Variant(std::move(joined));
}

bool RequestCollection::Contains(std::string_view key) const { return Find(key) != nullptr; }

const std::vector<std::string>& RequestCollection::Values(std::string_view key) const {
  static const std::vector<std::string> kNone;
  const Entry* entry = Find(key);
  return entry == nullptr ? kNone : entry->values;
}

const std::string& RequestCollection::Key(int32_t index) const {
  if (index < 1 || static_cast<size_t>(index) > entries_.size()) vb::Raise(vb::kErrSubscript);
  return entries_[static_cast<size_t>(index) - 1].key;
}

}  // namespace ostrel::asp
