// A page request for downloader tests: the host objects bound to the test's
// thread (the site root is a temporary folder), short fetch limits that let
// the fixture servers on 127.0.0.1 be reached, and a fixture HTTP server.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/asp/memory_sink.h"
#include "platform/asp/request_context.h"
#include "support/fetch_limits_guard.h"
#include "support/http_server.h"
#include "support/temp_dir.h"
#include "transfer/downloader.h"

namespace ostrel::testing {

class DownloaderTest : public ::testing::Test {
 protected:
  DownloaderTest()
      : sink_(std::make_shared<asp::MemorySink>()),
        context_(std::make_shared<asp::Request>(asp::RequestInput{}),
                 std::make_shared<asp::Response>(sink_),
                 std::make_shared<asp::Server>("C:" + site_.path().string(), "/admin/a.asp"),
                 std::make_shared<asp::Session>("s"), std::make_shared<asp::Application>()),
        scope_(context_) {}

  // A downloader set as the gathering channels set it: the address, the
  // target folder "down\" of the site, UnsealDown on.
  std::shared_ptr<transfer::Downloader> Make(const std::string& url) {
    auto down = std::make_shared<transfer::Downloader>();
    down->url(url);
    down->UnsealDown(true);
    down->SaveFilePath(site_.Windows("down"));
    return down;
  }

  // The entries of the target folder: what a download left behind,
  // temporary files included.
  std::vector<std::string> Left() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(site_.path() / "down", error)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  FetchLimitsGuard limits_;  // short, and loopback allowed
  TempDir site_;
  HttpServer http_;
  std::shared_ptr<asp::MemorySink> sink_;
  asp::RequestContext context_;
  asp::ContextScope scope_;
};

}  // namespace ostrel::testing
