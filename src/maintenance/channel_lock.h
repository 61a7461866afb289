// ChannelLock: one clean-up at a time per channel folder in this process.
// A second clean-up of a folder that is being cleaned is refused rather than
// queued behind a walk that may take long; folders of other channels are
// cleaned side by side.
#pragma once

#include <string>

namespace ostrel::maintenance {

class ChannelLock {
 public:
  // Takes the folder (its physical path) when no other lock holds it.
  explicit ChannelLock(std::string folder);
  ~ChannelLock();
  ChannelLock(const ChannelLock&) = delete;
  ChannelLock& operator=(const ChannelLock&) = delete;

  // False when another clean-up holds the folder.
  bool held() const { return held_; }

 private:
  std::string folder_;
  bool held_ = false;
};

}  // namespace ostrel::maintenance
