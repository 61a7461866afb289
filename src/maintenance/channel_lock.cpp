#include "maintenance/channel_lock.h"

#include <mutex>
#include <set>

namespace ostrel::maintenance {
namespace {

struct BusyFolders {
  std::mutex mutex;
  std::set<std::string> folders;
};

BusyFolders& Busy() {
  static BusyFolders busy;
  return busy;
}

}  // namespace

ChannelLock::ChannelLock(std::string folder) : folder_(std::move(folder)) {
  std::lock_guard<std::mutex> guard(Busy().mutex);
  held_ = Busy().folders.insert(folder_).second;
}

ChannelLock::~ChannelLock() {
  if (!held_) return;
  std::lock_guard<std::mutex> guard(Busy().mutex);
  Busy().folders.erase(folder_);
}

}  // namespace ostrel::maintenance
