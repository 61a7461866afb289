// Following a gathering run of an admin page from step to step, as the
// browser does: each step's page leads on by a script or a refresh.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::testing {

// The query of the request a step's page of the admin page script leads
// to: its next-step script, or its refresh to the run's end; "" when it
// leads nowhere.
inline std::string NextStepQuery(const std::string& page,
                                 std::string_view script = "Admin_ArticleGather.asp") {
  const std::string name(script);
  for (const std::string& lead :
       {"reFresh(){window.location.href='" + name + "?",
        "buildRefresh(){window.location.href='" + name + "?", "content=\"1;url='" + name + "?"}) {
    size_t at = page.rfind(lead);
    if (at == std::string::npos) continue;
    at += lead.size();
    return page.substr(at, page.find('\'', at) - at);
  }
  return "";
}

}  // namespace ostrel::testing
