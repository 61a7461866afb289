// The component's access to its host: the ASP objects of the page request
// (`HostObjects`) and the request's shared connection to the host database
// (`HostConnection`, `HostConnected`). The original took these from the
// per-thread object context; here they come from the request's
// asp::RequestContext, so every object of one request shares them and no
// request sees another's.
#pragma once

#include <memory>

#include "platform/asp/application.h"
#include "platform/asp/request.h"
#include "platform/asp/response.h"
#include "platform/asp/server.h"
#include "platform/asp/session.h"

namespace ostrel::ado {
class Connection;
}

namespace ostrel::component {

// The host objects one component object holds, taken by its initialiser. An
// accessor of an object that was not taken (the component object was made
// outside a page) raises error 91, as using an unset object does.
class HostObjects {
 public:
  HostObjects() = default;

  // The objects of the current request; none outside a request.
  static HostObjects Take();

  asp::Request& Request() const;
  asp::Response& Response() const;
  asp::Server& Server() const;
  asp::Session& Session() const;
  asp::Application& Application() const;
  // True when the object took no host objects at all.
  bool empty() const;

  // The terminator's release; the request keeps its objects for the others.
  void Release();

 private:
  std::shared_ptr<asp::Request> request_;
  std::shared_ptr<asp::Response> response_;
  std::shared_ptr<asp::Server> server_;
  std::shared_ptr<asp::Session> session_;
  std::shared_ptr<asp::Application> application_;
};

// The request's host-database connection and the flag that says it (and,
// for a gathering object, the object's own connection) is open.
struct HostConnectionState {
  std::shared_ptr<ado::Connection> HostConnection;
  bool HostConnected = false;
};

// The current request's state; outside a request, the calling thread's own
// (so a component object used without a page still has one).
HostConnectionState& HostState();

}  // namespace ostrel::component
