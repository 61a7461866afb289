// Why remote fetches failed, for the operator. The pages only say that a
// fetch went wrong; a refused certificate, an unknown name, a typed scheme
// of no use and a page the remote answers with 404 all look the same there.
// The fetch layer hands each failure's reason, address included, to one
// process-wide sink, which the host points at its console. No sink: nothing
// is written.
#pragma once

#include <string_view>

namespace ostrel::net {

// status 0: the fetch failed, and reason says why (address included);
// otherwise the remote answered with that status, which the step cannot
// use, and reason is the address.
using FetchFailureSink = void (*)(int status, std::string_view reason);

// Sets the sink (nullptr: none) and returns the one it replaces.
FetchFailureSink SetFetchFailureSink(FetchFailureSink sink);

// Hands one failure to the sink: one call per failed fetch.
void ReportFetchFailure(std::string_view reason);

// Hands an answer whose status fails the step (a page answered 404 or 500)
// to the sink: one call per such answer.
void ReportFailingAnswer(int status, std::string_view url);

}  // namespace ostrel::net
