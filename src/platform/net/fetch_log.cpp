#include "platform/net/fetch_log.h"

#include <atomic>

namespace ostrel::net {
namespace {

std::atomic<FetchFailureSink> sink{nullptr};

void Report(int status, std::string_view reason) {
  if (FetchFailureSink current = sink.load()) current(status, reason);
}

}  // namespace

FetchFailureSink SetFetchFailureSink(FetchFailureSink next) { return sink.exchange(next); }

void ReportFetchFailure(std::string_view reason) { Report(0, reason); }

void ReportFailingAnswer(int status, std::string_view url) { Report(status, url); }

}  // namespace ostrel::net
