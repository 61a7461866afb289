// Reading an HTTP/1.1 request head and its body's framing, strictly. A
// request whose framing could be read two ways (two lengths, a length and a
// transfer coding, a coding other than plain "chunked", white space where a
// proxy in front of the host might read a header the host does not) is
// refused, never guessed: a proxy that reads it the other way would see
// another request where the host sees a body. The host answers such a
// request with 400 and closes the connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel::host {

struct RequestHead {
  std::string method;
  std::string target;   // as sent; an absolute-form target as its path and query
  std::string version;  // "HTTP/1.1" or "HTTP/1.0"
  std::vector<std::pair<std::string, std::string>> headers;  // in the order sent, values trimmed
  bool chunked = false;             // the body comes in chunks
  uint64_t content_length = 0;      // the body's length when not chunked
  bool keep_alive = true;           // the connection may carry another request
  bool expect_continue = false;     // the client waits for "100 Continue"
};

enum class HeadStatus {
  kOk,
  kBadRequest,     // 400: malformed or ambiguous
  kTooLarge,       // 431: too many header lines
  kBadExpectation  // 417: an Expect other than 100-continue
};

// Whether the bytes that have come of a head can never be a request the
// host reads: a line ended by a bare LF, or a first line that cannot begin
// a request line (bytes of another protocol). Only the bytes from `from`
// on are looked at: those before were looked at already, as the head came.
// Merely incomplete bytes are not refused.
bool CannotBeRequest(std::string_view bytes, size_t from = 0);

// Parses the head: the bytes up to and including the blank line that ends
// it (every line ends in CRLF).
HeadStatus ParseRequestHead(std::string_view bytes, RequestHead* head);

// Decodes a chunked body as its bytes arrive, strictly: hexadecimal sizes,
// extensions and trailers skipped, every line ending in CRLF.
class ChunkedDecoder {
 public:
  enum class Result { kMore, kDone, kBad };

  // Takes what it can of input (the bytes after the head), appending the
  // body's data to body, and says how many bytes it used in *used. kDone
  // once the last chunk and the trailers are in: the rest of input is the
  // next request's.
  Result Feed(std::string_view input, std::string* body, size_t* used);

 private:
  enum class State { kSize, kData, kDataEnd, kTrailer, kDone };
  State state_ = State::kSize;
  uint64_t remaining_ = 0;
  size_t trailers_ = 0;
  std::string line_;  // a size or trailer line being read
};

}  // namespace ostrel::host
