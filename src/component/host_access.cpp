#include "component/host_access.h"

#include "platform/asp/request_context.h"
#include "platform/vb/vb_error.h"

namespace ostrel::component {

namespace {

template <class T>
T& Held(const std::shared_ptr<T>& object) {
  if (!object) vb::Raise(vb::kErrObjectNotSet);
  return *object;
}

}  // namespace

HostObjects HostObjects::Take() {
  HostObjects objects;
  if (const asp::RequestContext* context = asp::CurrentContext()) {
    objects.request_ = context->Request;
    objects.response_ = context->Response;
    objects.server_ = context->Server;
    objects.session_ = context->Session;
    objects.application_ = context->Application;
  }
  return objects;
}

asp::Request& HostObjects::Request() const { return Held(request_); }
asp::Response& HostObjects::Response() const { return Held(response_); }
asp::Server& HostObjects::Server() const { return Held(server_); }
asp::Session& HostObjects::Session() const { return Held(session_); }
asp::Application& HostObjects::Application() const { return Held(application_); }

bool HostObjects::empty() const {
  return !request_ && !response_ && !server_ && !session_ && !application_;
}

void HostObjects::Release() {
  application_.reset();
  session_.reset();
  server_.reset();
  request_.reset();
  response_.reset();
}

HostConnectionState& HostState() {
  if (asp::RequestContext* context = asp::CurrentContext()) {
    return context->Extension<HostConnectionState>();
  }
  thread_local HostConnectionState outside_request;
  return outside_request;
}

}  // namespace ostrel::component
