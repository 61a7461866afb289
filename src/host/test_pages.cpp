#include "host/test_pages.h"

#include <chrono>
#include <thread>

#include "host/admin_pages.h"

namespace ostrel::host {

namespace {

void FlushPage(asp::RequestContext& page) {
  asp::Response& response = *page.Response;
  WriteHtmlHead(response, "Flush");
  response.Write("<p id=\"first\">先到的部分</p>\r\n");
  response.Flush();
  std::this_thread::sleep_for(std::chrono::seconds(2));
  response.Write("<p id=\"end\">页面结束</p>\r\n</body>\r\n</html>\r\n");
}

}  // namespace

void AddTestPages(WebServer& server) { server.AddPage(kFlushTestPage, &FlushPage, false); }

}  // namespace ostrel::host
