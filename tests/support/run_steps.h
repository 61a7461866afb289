// Following a gathering run of an admin page from step to step, as the
// browser does: each step's page leads on by a script or a refresh. And
// the code columns of the items such runs gather with.
#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// Every page of a whole run from the query first, as a browser follows the
// refreshes of script's pages (page makes one request), up to the summary:
// its query is left in summary, and it is not requested. At most 50 pages,
// so a run that never ends fails its test instead of hanging it.
template <class Page>
std::vector<std::string> FollowRun(std::string query, std::string_view script, Page&& page,
                                   std::string& summary) {
  std::vector<std::string> pages;
  while (!query.empty() && query.find("action=yes") == std::string::npos && pages.size() <= 50) {
    pages.push_back(page(query));
    query = NextStepQuery(pages.back(), script);
  }
  summary = query;
  return pages;
}

// Code parts of an item by index.
using CodeParts = std::map<int, std::string>;

// An item's code column as stored: the parts joined by "$$$", with those
// at the indexes of changes replaced.
inline std::string JoinCodes(std::span<const std::string_view> parts,
                             const CodeParts& changes = {}) {
  std::vector<std::string> all(parts.begin(), parts.end());
  for (const auto& [index, code] : changes) all[static_cast<size_t>(index)] = code;
  std::string joined;
  for (size_t i = 0; i < all.size(); ++i) joined += (i ? "$$$" : "") + all[i];
  return joined;
}
// A code column of count parts: those given (then changed) by index, "0"
// (an unset code) for the rest.
inline std::string JoinCodes(int count, CodeParts given, const CodeParts& changes = {}) {
  for (const auto& [index, code] : changes) given[index] = code;
  std::string joined;
  for (int i = 0; i < count; ++i) joined += (i ? "$$$" : "") + (given.count(i) ? given[i] : "0");
  return joined;
}

// Text as it goes inside a quoted SQL string.
inline std::string SqlText(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out;
}

}  // namespace ostrel::testing
