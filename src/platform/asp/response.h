// Response: the page's output. Writes are buffered and converted from UTF-8
// into the page's code page (936 unless the page sets another charset);
// Flush sends what is buffered as one chunk, the status and headers going
// with the first flush. End marks the response ended, flushes and drops
// every later write; it does not unwind the caller, whose code goes on (the
// host page stops after the component call returns, see IsEnded).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/asp/response_sink.h"
#include "platform/vb/variant.h"

namespace ostrel::asp {

class Response {
 public:
  // A null sink discards the output (an object used outside a page).
  explicit Response(std::shared_ptr<ResponseSink> sink, std::string charset = "gb2312");

  void Write(std::string_view text);
  void Write(const std::string& text) { Write(std::string_view(text)); }
  void Write(const char* text) { Write(std::string_view(text)); }
  // Response.Write of a value: its text (CStr); Null and Empty write nothing.
  void Write(const vb::Variant& value);

  void Flush();
  void End();
  // 302 to the address, then End. Raises an error once the headers are sent.
  void Redirect(std::string_view url);
  // Drops the buffered output (not what was flushed already).
  void Clear();
  bool IsClientConnected() const;

  // "200 OK", "404 Not Found"... Must start with a three-digit code.
  const std::string& Status() const { return head_.status; }
  void SetStatus(std::string_view status);
  const std::string& ContentType() const { return content_type_; }
  void SetContentType(std::string_view content_type);
  // The charset names both the code page of Write and the charset parameter
  // of the Content-Type header.
  const std::string& Charset() const { return charset_; }
  void SetCharset(std::string_view charset);
  // Adds a header to send; raises an error once the headers are sent, and
  // for a name or value that would break the header block.
  void AddHeader(std::string_view name, std::string_view value);
  // With buffering off, every Write is sent at once.
  bool Buffer() const { return buffer_; }
  void SetBuffer(bool on) { buffer_ = on; }

  // For the host: whether End (or Redirect) was called, and the end of the
  // page (sends what is left, with the headers if nothing was sent yet).
  bool IsEnded() const { return ended_; }
  bool HeadersSent() const { return head_sent_; }
  void Finish();

 private:
  // The code page of Write: the charset, or 936 when the page named none.
  // Both branches are views: a std::string branch would make the result a
  // temporary copy that dies before the caller reads it.
  std::string_view CodePage() const {
    return charset_.empty() ? std::string_view("GB2312") : std::string_view(charset_);
  }
  void SendHeadOnce();
  // Flush; last: the response ends with this chunk.
  void FlushBuffer(bool last);
  [[noreturn]] void RaiseHeadersSent() const;

  std::shared_ptr<ResponseSink> sink_;
  ResponseHead head_;  // status and the added headers
  std::string content_type_ = "text/html";
  std::string charset_;
  std::string buffer_bytes_;  // UTF-8 text written since the last flush
  bool buffer_ = true;
  bool head_sent_ = false;
  bool ended_ = false;
};

}  // namespace ostrel::asp
