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

// Gives the request a new, empty session in place of the one its cookie
// named, which is dropped: its id stops working and nothing of it is
// carried over. page.Session is the new session from then on, and the
// response's cookie carries the new id. A login calls it before it sets
// AdminName, so an id planted in a browser before the login is worthless
// after it. Raises VbError once the response's headers are sent.
void RenewSession(asp::RequestContext& page);

// Ends the request's session on the server (a log-out): its id stops
// working at once, page.Session is an empty session that is not kept, and
// the response tells the browser to forget the cookie.
void EndSession(asp::RequestContext& page);

}  // namespace ostrel::host
