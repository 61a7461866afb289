// A page test (PageTest: a PageFixture) with a remote site on 127.0.0.1
// that the fetch layer reaches within short limits: what the editors'
// source views and trial runs fetch from.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "support/fetch_limits_guard.h"
#include "support/http_server.h"

namespace ostrel::testing {

template <class PageTest>
class RemoteSiteTest : public PageTest {
 protected:
  void TearDown() override {
    server_.Stop();
    PageTest::TearDown();
  }
  // Serves each page, a path and its UTF-8 HTML.
  void ServeUtf8(std::initializer_list<std::pair<std::string_view, std::string_view>> pages) {
    for (const auto& [path, html] : pages) {
      server_.Route(std::string(path),
                    HttpAnswer::Page(std::string(html), "text/html; charset=utf-8"));
    }
  }

  FetchLimitsGuard limits_;
  HttpServer server_;
};

}  // namespace ostrel::testing
