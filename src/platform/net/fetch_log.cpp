#include "platform/net/fetch_log.h"

#include <atomic>

namespace ostrel::net {
namespace {

std::atomic<FetchFailureSink> sink{nullptr};

}  // namespace

FetchFailureSink SetFetchFailureSink(FetchFailureSink next) { return sink.exchange(next); }

void ReportFetchFailure(std::string_view reason) {
  if (FetchFailureSink current = sink.load()) current(reason);
}

}  // namespace ostrel::net
