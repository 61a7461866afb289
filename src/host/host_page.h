// A host page: C++ code that stands where an ASP page of the admin folder
// stood. It runs on the request's thread with the request's context bound
// (asp::CurrentContext() is the same object), writes through
// page.Response, and releases every component object it made before it
// returns, so the objects' terminators still see the request.
#pragma once

#include <functional>

#include "platform/asp/request_context.h"

namespace ostrel::host {

using PageFunction = std::function<void(asp::RequestContext& page)>;

// The session item a login sets and every admin page checks.
inline constexpr char kAdminNameKey[] = "AdminName";
// The cookie that carries the session id.
inline constexpr char kSessionCookie[] = "ASPSESSIONID";

}  // namespace ostrel::host
