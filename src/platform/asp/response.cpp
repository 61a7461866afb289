#include "platform/asp/response.h"

#include <utility>

#include "platform/text/charset.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::asp {

namespace {

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

[[noreturn]] void RaiseInvalid(const std::string& what) {
  throw vb::VbError(vb::kErrInvalidCall, "Response", what);
}

// The address of a Location header: code-page bytes, with blanks, control
// characters and bytes above 127 percent-encoded (so a CR LF in the address
// cannot end the header).
std::string LocationValue(std::string_view url, std::string_view charset) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text::Encode(url, charset)) {
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

Response::Response(std::shared_ptr<ResponseSink> sink, std::string charset)
    : sink_(std::move(sink)), charset_(std::move(charset)) {}

void Response::Write(std::string_view text) {
  if (ended_) return;
  // Kept as text and converted once per flush: pages write many small pieces.
  buffer_bytes_ += text;
  if (!buffer_) Flush();
}

void Response::Write(const vb::Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return;
  Write(std::string_view(vb::CStr(value)));
}

void Response::SendHeadOnce() {
  if (head_sent_) return;
  head_sent_ = true;
  ResponseHead head;
  head.status = head_.status;
  std::string type = content_type_;
  if (!charset_.empty()) type += "; charset=" + charset_;
  head.headers.emplace_back("Content-Type", type);
  for (const auto& header : head_.headers) head.headers.push_back(header);
  if (sink_) sink_->SendHead(head);
}

void Response::Flush() { FlushBuffer(false); }

void Response::FlushBuffer(bool last) {
  if (ended_) return;
  SendHeadOnce();
  if (buffer_bytes_.empty()) return;
  std::string chunk = text::Encode(buffer_bytes_, CodePage());
  buffer_bytes_.clear();
  if (!sink_) return;
  if (last) {
    sink_->SendLastBody(std::move(chunk));
  } else {
    sink_->SendBody(chunk);
  }
}

void Response::End() {
  if (ended_) return;
  FlushBuffer(true);
  ended_ = true;
}

void Response::Finish() { End(); }

void Response::Redirect(std::string_view url) {
  if (ended_) return;
  if (head_sent_) RaiseHeadersSent();
  buffer_bytes_.clear();
  head_.status = "302 Object moved";
  head_.headers.emplace_back("Location", LocationValue(url, CodePage()));
  End();
}

void Response::Clear() {
  if (ended_) return;
  buffer_bytes_.clear();
}

bool Response::IsClientConnected() const { return sink_ == nullptr || sink_->IsConnected(); }

void Response::SetStatus(std::string_view status) {
  if (ended_) return;
  if (head_sent_) RaiseHeadersSent();
  bool valid = status.size() >= 3 && !HasLineBreak(status) && status[0] >= '1' &&
               status[0] <= '5' && status[1] >= '0' && status[1] <= '9' && status[2] >= '0' &&
               status[2] <= '9' && (status.size() == 3 || status[3] == ' ');
  if (!valid) RaiseInvalid("Invalid status: " + std::string(status));
  head_.status = status;
}

void Response::SetContentType(std::string_view content_type) {
  if (ended_) return;
  if (head_sent_) RaiseHeadersSent();
  if (HasLineBreak(content_type)) RaiseInvalid("Invalid content type");
  content_type_ = content_type;
}

void Response::SetCharset(std::string_view charset) {
  if (ended_) return;
  if (head_sent_) RaiseHeadersSent();
  if (!charset.empty() && !text::IsKnownCharset(charset)) {
    RaiseInvalid("Unknown charset: " + std::string(charset));
  }
  charset_ = charset;
}

void Response::AddHeader(std::string_view name, std::string_view value) {
  if (ended_) return;
  if (head_sent_) RaiseHeadersSent();
  if (name.empty() || name.find_first_of(":\r\n \t") != std::string_view::npos ||
      HasLineBreak(value)) {
    RaiseInvalid("Invalid header: " + std::string(name));
  }
  head_.headers.emplace_back(name, value);
}

void Response::RaiseHeadersSent() const {
  throw vb::VbError(
      static_cast<int32_t>(0x80004005u), "Response object",
      "Header Error: The HTTP headers are already written to the client browser. Any HTTP "
      "header modifications must be made before writing page content.");
}

}  // namespace ostrel::asp
