// Remote fetching: the VBProcess members that reach remote sites. Written as
// free functions; VBProcess forwards to them one to one. Each call makes one
// synchronous request under the process-wide fetch limits (connect and idle
// time-outs, body cap: net::FetchLimits) and never raises: a failure of any
// kind, a limit hit included, is the stated result.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::processing {

// True when url answers a HEAD request with a status below 300.
bool CheckHTTP(std::string_view url);

// The body of a GET of url (sent with url as its Referer), decoded. A status
// of 300 or less is accepted. The charset named in the answer's Content-Type
// wins; otherwise Cset, or "GB2312" when Cset is shorter than 2 characters.
// "" on any failure (no answer, a higher status, a limit hit, an unknown
// charset) and for an empty body.
std::string GetRemoteData(std::string_view url, std::string_view Cset = "");

// The charset a Content-Type names after its last "charset=" (any case),
// upper-cased, cut at ";" and stripped of blanks and quotes; "" when it
// names none.
std::string ContentTypeCharset(std::string_view content_type);

}  // namespace ostrel::processing
