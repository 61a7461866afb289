#include "platform/asp/contents.h"

#include "platform/vb/ascii_case.h"
#include "platform/vb/vb_error.h"

namespace ostrel::asp {

size_t Contents::Find(std::string_view key) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (vb::EqualsNoCase(items_[i].first, key)) return i;
  }
  return items_.size();
}

vb::Variant Contents::Item(std::string_view key) const {
  std::lock_guard lock(mu_);
  size_t i = Find(key);
  return i < items_.size() ? items_[i].second : vb::Variant();
}

// The replaced values are destroyed after the lock is released: a value may
// hold an object whose release touches the store again.

void Contents::SetItem(std::string_view key, vb::Variant value) {
  std::unique_lock lock(mu_);
  size_t i = Find(key);
  if (i < items_.size()) {
    std::swap(items_[i].second, value);
  } else {
    items_.emplace_back(std::string(key), std::move(value));
  }
  lock.unlock();
}

bool Contents::Contains(std::string_view key) const {
  std::lock_guard lock(mu_);
  return Find(key) < items_.size();
}

void Contents::Remove(std::string_view key) {
  vb::Variant removed;
  std::lock_guard lock(mu_);
  size_t i = Find(key);
  if (i < items_.size()) {
    removed = std::move(items_[i].second);
    items_.erase(items_.begin() + static_cast<ptrdiff_t>(i));
  }
}

void Contents::RemoveAll() {
  std::vector<std::pair<std::string, vb::Variant>> removed;
  std::lock_guard lock(mu_);
  removed.swap(items_);
}

int32_t Contents::Count() const {
  std::lock_guard lock(mu_);
  return static_cast<int32_t>(items_.size());
}

std::string Contents::Key(int32_t index) const {
  std::lock_guard lock(mu_);
  if (index < 1 || static_cast<size_t>(index) > items_.size()) vb::Raise(vb::kErrSubscript);
  return items_[static_cast<size_t>(index) - 1].first;
}

std::vector<std::string> Contents::Keys() const {
  std::lock_guard lock(mu_);
  std::vector<std::string> keys;
  keys.reserve(items_.size());
  for (const auto& item : items_) keys.push_back(item.first);
  return keys;
}

}  // namespace ostrel::asp
