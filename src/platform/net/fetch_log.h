// Why remote fetches failed, for the operator. The pages only say that a
// fetch went wrong; a refused certificate, an unknown name and a typed
// scheme of no use all look the same there. The fetch layer hands each
// failure's reason, address included, to one process-wide sink, which the
// host points at its console. No sink: nothing is written.
#pragma once

#include <string_view>

namespace ostrel::net {

using FetchFailureSink = void (*)(std::string_view reason);

// Sets the sink (nullptr: none) and returns the one it replaces.
FetchFailureSink SetFetchFailureSink(FetchFailureSink sink);

// Hands one failure to the sink: one call per failed fetch.
void ReportFetchFailure(std::string_view reason);

}  // namespace ostrel::net
