#include "platform/asp/application.h"

#include "platform/asp/request_context.h"

namespace ostrel::asp {

const void* Application::CurrentOwner() {
  if (const RequestContext* context = CurrentContext()) return context;
  thread_local const char thread_token = 0;
  return &thread_token;
}

void Application::Lock() {
  const void* me = CurrentOwner();
  std::unique_lock lock(mu_);
  if (owner_ != me) {
    ++waiters_;
    freed_.wait(lock, [&] { return owner_ == nullptr; });
    --waiters_;
    owner_ = me;
  }
  ++depth_;
}

void Application::UnLock() {
  const void* me = CurrentOwner();
  std::lock_guard lock(mu_);
  if (owner_ != me) return;
  if (--depth_ == 0) {
    owner_ = nullptr;
    freed_.notify_all();
  }
}

void Application::ReleaseOwner(const void* owner) {
  std::lock_guard lock(mu_);
  if (owner_ != owner) return;
  owner_ = nullptr;
  depth_ = 0;
  freed_.notify_all();
}

int Application::Waiters() const {
  std::lock_guard lock(mu_);
  return waiters_;
}

}  // namespace ostrel::asp
