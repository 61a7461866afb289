// Event<A...>: an event a class raises and its holder receives, as
// `Downloader.GetData` or `clsFindFile.FileFound`. Handlers run synchronously
// inside Raise, in the order they were connected; arguments pass by
// reference, so a handler may change them and the raiser sees the change.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace ostrel::com {

template <class... A>
class Event {
 public:
  using Handler = std::function<void(A&...)>;

  // Returns a cookie for Disconnect.
  size_t Connect(Handler handler) {
    handlers_.emplace_back(++last_cookie_, std::move(handler));
    return last_cookie_;
  }

  void Disconnect(size_t cookie) {
    std::erase_if(handlers_, [cookie](const auto& h) { return h.first == cookie; });
  }

  bool HasHandlers() const { return !handlers_.empty(); }

  void Raise(A&... args) const {
    // A handler may connect or disconnect while the event runs: walk a copy.
    auto handlers = handlers_;
    for (auto& h : handlers) h.second(args...);
  }

 private:
  std::vector<std::pair<size_t, Handler>> handlers_;
  size_t last_cookie_ = 0;
};

}  // namespace ostrel::com
