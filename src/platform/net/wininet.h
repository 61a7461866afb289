// The Windows Internet subset the downloader reads remote files with, over
// libcurl: one request (an HTTP(S) GET or an FTP retrieval) whose answer is
// read as a pull stream, the way InternetReadFile reads a request handle.
//
//   net::InternetRequest request;
//   request.url = "http://host/soft/a.zip";   // percent-encoded already
//   request.referer = "http://host/soft/";
//   net::InternetFile file;
//   if (file.Open(request) && file.status() < 400) {
//     char block[5120];
//     size_t n;
//     while ((n = file.Read(block, sizeof block)) == sizeof block) ...
//     if (file.failed()) ...   // the body ended early or broke off
//   }
//
// Open sends the request and returns once the answer's head is in (HTTP:
// the final status line and every header, however long; FTP: the login, the
// size from SIZE and the first data or the end of an empty file). Redirects
// are not followed: the caller sees the 3xx answer and decides. Read then
// blocks until the block is full, the body ends or the transfer fails, so
// every block but the last is full. At most a few hundred kilobytes are held
// between the network and the reader (the transfer pauses while the reader
// lags), so a file of any size streams through a small buffer.
//
// Every handle goes through PrepareRemoteHandle with the request's limits
// (connect and idle time-outs and whatever the shared fetch rules add), and
// TransfersCancelled() ends a transfer in flight. FTP is passive and binary.
// No Accept-Encoding is sent, so bodies arrive as the server holds them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net/fetch_limits.h"

namespace ostrel::net {

struct InternetRequest {
  // An absolute http, https or ftp address, percent-encoded (EncodeUrl).
  std::string url;
  std::string user_agent;
  std::string referer;                     // "" sends none
  std::vector<std::string> extra_headers;  // "Name: value" lines
  // FTP login (the address itself carries none).
  std::string ftp_user;
  std::string ftp_password;
  FetchLimits limits = GetFetchLimits();
  // This request follows a redirect answered to the one before it on the
  // same InternetFile: the address rule sees one transfer, so a public site
  // cannot lead it on to a private address.
  bool continues = false;
};

class InternetFile {
 public:
  InternetFile();
  ~InternetFile();
  InternetFile(const InternetFile&) = delete;
  InternetFile& operator=(const InternetFile&) = delete;

  // Sends the request and waits for the answer's head. False when no answer
  // came (no connection, refused login, missing FTP file, time-out): then
  // error() says why and the file is closed.
  bool Open(const InternetRequest& request);
  bool is_open() const { return state_ != nullptr; }

  // The HTTP status of the answer (0 for FTP).
  int status() const { return status_; }
  // The answer's status line and headers as the Windows layer hands them
  // out: each line ended by a NUL character, then one more NUL. "" for FTP.
  const std::string& raw_headers() const { return raw_headers_; }
  // The size the server announced (Content-Length, FTP SIZE), if any.
  std::optional<int64_t> content_length() const { return content_length_; }

  // InternetReadFile: copies up to `size` bytes of the body into buffer;
  // fewer only at the end of the body or when the transfer failed. 0 once
  // the body is over (and for a closed file).
  size_t Read(char* buffer, size_t size);
  // True once the transfer ended in a failure: the connection broke, fewer
  // bytes came than announced, a time-out, a stop of every transfer, or
  // Close before the end.
  bool failed() const { return failed_; }
  const std::string& error() const { return error_; }

  // Ends the transfer at once (InternetCloseHandle); later reads give 0 and
  // count as failed when the body was not over.
  void Close();

 private:
  struct State;

  // Lets libcurl move the transfer on, waiting for the socket when nothing
  // came; false once the transfer is over.
  bool Pump();
  void Finish(int code);
  // Ends the transfer, remembering what the address rule saw.
  void Drop();

  std::unique_ptr<State> state_;
  int status_ = 0;
  std::string raw_headers_;
  std::optional<int64_t> content_length_;
  bool failed_ = false;
  bool ended_ = false;  // the body was read to its end
  std::string error_;
  bool reached_public_ = false;  // the last transfer connected to a public address
};

// The value of a header in raw headers as InternetFile::raw_headers gives
// them, the name found without regard to case; nothing when absent.
std::optional<std::string> RawHeaderValue(std::string_view raw_headers, std::string_view name);

// The absolute address a Location header leads to from base (relative
// references resolved, raw bytes percent-encoded); "" when it makes no
// address.
std::string ResolveLocation(std::string_view base, std::string_view location);

}  // namespace ostrel::net
