// Following a gathering run of the article page from step to step, as the
// browser does: each step's page leads on by a script or a refresh.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::testing {

// The query of the request a step's page leads to: its next-step script,
// or its refresh to the run's end; "" when it leads nowhere.
inline std::string NextStepQuery(const std::string& page) {
  for (std::string_view lead : {"reFresh(){window.location.href='Admin_ArticleGather.asp?",
                                "buildRefresh(){window.location.href='Admin_ArticleGather.asp?",
                                "content=\"1;url='Admin_ArticleGather.asp?"}) {
    size_t at = page.rfind(lead);
    if (at == std::string::npos) continue;
    at += lead.size();
    return page.substr(at, page.find('\'', at) - at);
  }
  return "";
}

}  // namespace ostrel::testing
