// RequestContext: the five ASP objects of one page request, and the
// per-request state that the component keeps beside them (its host
// connection, for one). The original platform kept these per thread, in the
// object context; here they belong to the request, so nothing leaks from one
// request to the next even when a worker thread serves many.
//
// The host builds one context per request and binds it to the serving thread
// with a ContextScope; the component's objects find it through
// CurrentContext() (nullptr outside a request). The host releases the page's
// objects while the scope still stands, so what they do on release (an
// Application.Lock, say) is still counted to the request.
#pragma once

#include <memory>
#include <typeindex>
#include <utility>
#include <vector>

#include "platform/asp/application.h"
#include "platform/asp/request.h"
#include "platform/asp/response.h"
#include "platform/asp/server.h"
#include "platform/asp/session.h"

namespace ostrel::asp {

class RequestContext {
 public:
  RequestContext() = default;
  RequestContext(std::shared_ptr<asp::Request> request, std::shared_ptr<asp::Response> response,
                 std::shared_ptr<asp::Server> server, std::shared_ptr<asp::Session> session,
                 std::shared_ptr<asp::Application> application);
  // Ends the request: drops its extensions (newest first) and gives up the
  // Application lock if the request still holds it.
  ~RequestContext();
  RequestContext(const RequestContext&) = delete;
  RequestContext& operator=(const RequestContext&) = delete;

  std::shared_ptr<asp::Request> Request;
  std::shared_ptr<asp::Response> Response;
  std::shared_ptr<asp::Server> Server;
  std::shared_ptr<asp::Session> Session;
  std::shared_ptr<asp::Application> Application;

  // The request's slot of type T, made (value-initialised) on first use.
  template <class T>
  T& Extension() {
    for (auto& [type, slot] : extensions_) {
      if (type == std::type_index(typeid(T))) return static_cast<Holder<T>&>(*slot).value;
    }
    auto holder = std::make_unique<Holder<T>>();
    T& value = holder->value;
    extensions_.emplace_back(std::type_index(typeid(T)), std::move(holder));
    return value;
  }

 private:
  struct HolderBase {
    virtual ~HolderBase() = default;
  };
  template <class T>
  struct Holder : HolderBase {
    T value{};
  };

  std::vector<std::pair<std::type_index, std::unique_ptr<HolderBase>>> extensions_;
};

// The context bound to the calling thread; nullptr outside a request.
RequestContext* CurrentContext();

// Binds a context to the calling thread for the scope's lifetime; the
// previous binding comes back when it ends.
class ContextScope {
 public:
  explicit ContextScope(RequestContext& context);
  ~ContextScope();
  ContextScope(const ContextScope&) = delete;
  ContextScope& operator=(const ContextScope&) = delete;

 private:
  RequestContext* previous_;
};

}  // namespace ostrel::asp
