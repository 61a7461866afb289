#include "platform/asp/request_context.h"

namespace ostrel::asp {

namespace {
thread_local RequestContext* current_context = nullptr;
}

RequestContext::RequestContext(std::shared_ptr<asp::Request> request,
                               std::shared_ptr<asp::Response> response,
                               std::shared_ptr<asp::Server> server,
                               std::shared_ptr<asp::Session> session,
                               std::shared_ptr<asp::Application> application)
    : Request(std::move(request)),
      Response(std::move(response)),
      Server(std::move(server)),
      Session(std::move(session)),
      Application(std::move(application)) {}

RequestContext::~RequestContext() {
  while (!extensions_.empty()) extensions_.pop_back();
  if (Application) Application->ReleaseOwner(this);
}

RequestContext* CurrentContext() { return current_context; }

ContextScope::ContextScope(RequestContext& context) : previous_(current_context) {
  current_context = &context;
}

ContextScope::~ContextScope() { current_context = previous_; }

}  // namespace ostrel::asp
