#include "platform/net/remote_handle.h"

#include <chrono>
#include <mutex>
#include <vector>

#include "platform/net/curl_common.h"
#include "platform/vb/vb_error.h"

namespace ostrel::net {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxIdleHandles = 8;
constexpr auto kMaxIdleTime = std::chrono::seconds(30);

// "scheme://host:port" of a URL: where its connection goes.
std::string SiteOf(std::string_view url) {
  size_t authority = url.find("://");
  authority = authority == std::string_view::npos ? 0 : authority + 3;
  return std::string(url.substr(0, url.find_first_of("/?#", authority)));
}

struct Idle {
  CURL* handle;
  std::string site;
  Clock::time_point since;
};

class Pool {
 public:
  CURL* Take(const std::string& site) {
    std::vector<CURL*> stale;
    CURL* handle = nullptr;
    {
      std::lock_guard<std::mutex> lock(mu_);
      TakeStale(&stale);
      // The most recent idle handle of the same site, else the most recent.
      auto pick = idle_.rbegin();
      for (auto i = idle_.rbegin(); i != idle_.rend(); ++i) {
        if (i->site == site) {
          pick = i;
          break;
        }
      }
      if (pick != idle_.rend()) {
        handle = pick->handle;
        idle_.erase(std::next(pick).base());
      }
    }
    for (CURL* h : stale) curl_easy_cleanup(h);
    return handle != nullptr ? handle : curl_easy_init();
  }

  void Give(CURL* handle, std::string site) {
    // Nothing of the last caller's stays behind: its buffers, lists and
    // callback data are gone once the caller returns.
    curl_easy_reset(handle);
    std::vector<CURL*> stale;
    {
      std::lock_guard<std::mutex> lock(mu_);
      TakeStale(&stale);
      idle_.push_back(Idle{handle, std::move(site), Clock::now()});
      if (idle_.size() > kMaxIdleHandles) {
        stale.push_back(idle_.front().handle);
        idle_.erase(idle_.begin());
      }
    }
    for (CURL* h : stale) curl_easy_cleanup(h);
  }

 private:
  // Idle handles are kept oldest first.
  void TakeStale(std::vector<CURL*>* stale) {
    const auto now = Clock::now();
    while (!idle_.empty() && now - idle_.front().since > kMaxIdleTime) {
      stale->push_back(idle_.front().handle);
      idle_.erase(idle_.begin());
    }
  }

  std::mutex mu_;
  std::vector<Idle> idle_;
};

Pool& ThePool() {
  static auto* pool = new Pool;  // never destroyed: transfers may run at exit
  return *pool;
}

}  // namespace

RemoteHandle::RemoteHandle(std::string_view url) : handle_(nullptr), site_(SiteOf(url)) {
  EnsureCurl();
  handle_ = ThePool().Take(site_);
  if (handle_ == nullptr)
    throw vb::VbError(vb::kErrOutOfMemory, "libcurl", "Cannot start a request");
}

RemoteHandle::~RemoteHandle() { ThePool().Give(handle_, std::move(site_)); }

}  // namespace ostrel::net
