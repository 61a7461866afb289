// Pages the browser tests use to watch the host itself, registered only when
// the host is started with --test-pages (tests/e2e/run.sh does). A real site
// never has them.
#pragma once

#include "host/web_server.h"

namespace ostrel::host {

// /test/Flush.asp: writes and flushes its first part (id "first"), waits two
// seconds, then writes the rest (id "end"), so a browser can be seen to show
// flushed output while the page is still running.
inline constexpr char kFlushTestPage[] = "/test/Flush.asp";

void AddTestPages(WebServer& server);

}  // namespace ostrel::host
