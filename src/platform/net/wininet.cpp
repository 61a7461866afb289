#include "platform/net/wininet.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/net/curl_common.h"
#include "platform/net/fetch_log.h"
#include "platform/vb/ascii_case.h"

namespace ostrel::net {

namespace {

// Body bytes held for the reader before the transfer pauses; libcurl hands
// over at most kReceiveBuffer bytes at a time.
constexpr size_t kHold = 256 * 1024;
constexpr long kReceiveBuffer = 128 * 1024;

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  return line;
}

// A Content-Length value, or nothing when it is not a plain number.
std::optional<int64_t> ParseLength(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// Tells the operator why the transfer of url failed.
void ReportFailure(std::string_view url, std::string_view error) {
  ReportFetchFailure(std::string(url) + ": " + std::string(error));
}

}  // namespace

// What libcurl's callbacks fill while the transfer runs.
struct InternetFile::State {
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  TransferGuard guard;
  char error[CURL_ERROR_SIZE] = "";
  std::string url;  // as requested, for the failure's report
  bool ftp = false;

  // The head of the answer being received. An interim answer ("100
  // Continue") is replaced by the next one.
  bool head_done = false;
  int status = 0;
  std::string raw;
  std::optional<int64_t> length;

  // Body bytes not read yet: buffer[offset, end).
  std::string buffer;
  size_t offset = 0;
  bool paused = false;

  bool done = false;
  CURLcode result = CURLE_OK;

  size_t available() const { return buffer.size() - offset; }

  ~State() {
    if (multi != nullptr && easy != nullptr) curl_multi_remove_handle(multi, easy);
    if (easy != nullptr) curl_easy_cleanup(easy);
    if (multi != nullptr) curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
  }

  static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* s = static_cast<State*>(user);
    size_t bytes = size * count;
    if (s->head_done) return bytes;  // trailers of a chunked body
    std::string_view line = WithoutLineEnd(std::string_view(data, bytes));
    if (line.substr(0, 5) == "HTTP/") {
      size_t space = line.find(' ');
      s->status = space == std::string_view::npos
                      ? 0
                      : std::atoi(std::string(line.substr(space + 1, 3)).c_str());
      s->raw.assign(line);
      s->raw += '\0';
      s->length.reset();
    } else if (line.empty()) {
      if (s->status >= 200) {
        s->raw += '\0';
        s->head_done = true;
      }
    } else {
      s->raw.append(line);
      s->raw += '\0';
      size_t colon = line.find(':');
      if (colon != std::string_view::npos &&
          vb::EqualsNoCase(WithoutLineEnd(line.substr(0, colon)), "Content-Length")) {
        s->length = ParseLength(line.substr(colon + 1));
      }
    }
    return bytes;
  }

  static size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* s = static_cast<State*>(user);
    size_t bytes = size * count;
    s->head_done = true;  // FTP: the first data ends the head
    if (s->available() >= kHold) {
      s->paused = true;
      return CURL_WRITEFUNC_PAUSE;  // libcurl keeps the bytes and offers them again
    }
    s->buffer.append(data, bytes);
    return bytes;
  }
};

InternetFile::InternetFile() = default;
InternetFile::~InternetFile() = default;

void InternetFile::Drop() {
  if (state_) reached_public_ = state_->guard.reached_public;
  state_.reset();
}

bool InternetFile::Open(const InternetRequest& request) {
  Drop();
  const bool reached_public = request.continues && reached_public_;
  status_ = 0;
  raw_headers_.clear();
  content_length_.reset();
  failed_ = false;
  ended_ = false;
  error_.clear();

  std::string scheme = SchemeOf(request.url);
  if (scheme != "http" && scheme != "https" && scheme != "ftp") {
    failed_ = true;
    error_ = "Only http, https and ftp addresses can be downloaded: \"" + request.url + "\"";
    ReportFetchFailure(error_);
    return false;
  }
  EnsureCurl();
  auto s = std::make_unique<State>();
  s->easy = curl_easy_init();
  s->multi = curl_multi_init();
  if (s->easy == nullptr || s->multi == nullptr) {
    failed_ = true;
    error_ = "Cannot start a transfer";
    ReportFailure(request.url, error_);
    return false;
  }
  s->ftp = scheme == "ftp";
  s->url = request.url;
  CURL* h = s->easy;
  PrepareRemoteHandle(h, request.limits, s->guard);
  s->guard.reached_public = reached_public;
  curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, scheme.c_str());
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, s->error);
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBuffer);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &State::OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, s.get());
  if (!request.user_agent.empty()) {
    curl_easy_setopt(h, CURLOPT_USERAGENT, request.user_agent.c_str());
  }
  if (s->ftp) {
    curl_easy_setopt(h, CURLOPT_USERNAME, request.ftp_user.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, request.ftp_password.c_str());
    curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 0L);
  } else {
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    // A proxy's answer to CONNECT is not the server's answer.
    curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &State::OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, s.get());
    if (!request.referer.empty()) curl_easy_setopt(h, CURLOPT_REFERER, request.referer.c_str());
    for (const std::string& line : request.extra_headers) {
      s->headers = curl_slist_append(s->headers, line.c_str());
    }
    if (s->headers != nullptr) curl_easy_setopt(h, CURLOPT_HTTPHEADER, s->headers);
  }
  curl_multi_add_handle(s->multi, h);
  state_ = std::move(s);

  while (!state_->head_done && Pump()) {
  }
  // An empty FTP file ends before any data, and that is its whole answer.
  if (state_->done && state_->result == CURLE_OK && state_->ftp) state_->head_done = true;
  if (!state_->head_done) {
    if (!failed_) {
      failed_ = true;
      error_ = "No answer from " + request.url;
      ReportFetchFailure(error_);
    }
    Drop();
    return false;
  }
  status_ = state_->ftp ? 0 : state_->status;
  raw_headers_ = state_->raw;
  if (state_->ftp) {
    curl_off_t size = -1;
    curl_easy_getinfo(state_->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
    if (size >= 0) content_length_ = static_cast<int64_t>(size);
  } else {
    content_length_ = state_->length;
  }
  return true;
}

bool InternetFile::Pump() {
  State& s = *state_;
  if (s.done) return false;
  if (TransfersCancelled()) {
    Finish(CURLE_ABORTED_BY_CALLBACK);
    return false;
  }
  if (s.paused && s.available() < kHold) {
    s.paused = false;
    curl_easy_pause(s.easy, CURLPAUSE_CONT);
  }
  size_t before = s.buffer.size();
  bool head_before = s.head_done;
  int running = 0;
  curl_multi_perform(s.multi, &running);
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(s.multi, &left)) {
    if (message->msg == CURLMSG_DONE) Finish(message->data.result);
  }
  if (s.done) return false;
  if (s.buffer.size() == before && s.head_done == head_before && !s.paused) {
    curl_multi_poll(s.multi, nullptr, 0, 1000, nullptr);
  }
  return true;
}

void InternetFile::Finish(int code) {
  State& s = *state_;
  s.done = true;
  s.result = static_cast<CURLcode>(code);
  if (s.result == CURLE_OK) return;
  failed_ = true;
  if (s.guard.stopped == TransferGuard::Stop::kRefusedAddress) {
    error_ = s.guard.refusal;
  } else if (s.guard.stopped == TransferGuard::Stop::kCancelled || TransfersCancelled()) {
    error_ = "Every transfer was stopped";
  } else {
    error_ = s.error[0] != '\0' ? s.error : curl_easy_strerror(s.result);
  }
  ReportFailure(s.url, error_);
}

size_t InternetFile::Read(char* buffer, size_t size) {
  if (!state_) return 0;
  State& s = *state_;
  while (s.available() < size && Pump()) {
  }
  size_t n = std::min(size, s.available());
  if (n > 0) std::memcpy(buffer, s.buffer.data() + s.offset, n);
  s.offset += n;
  if (s.offset == s.buffer.size()) {
    s.buffer.clear();
    s.offset = 0;
  } else if (s.offset >= kHold) {
    s.buffer.erase(0, s.offset);
    s.offset = 0;
  }
  if (n < size && s.done && !failed_) ended_ = true;
  return n;
}

void InternetFile::Close() {
  if (!state_) return;
  if (!ended_ && !failed_) {
    failed_ = true;
    error_ = "The transfer was closed before its end";
  }
  Drop();
}

std::optional<std::string> RawHeaderValue(std::string_view raw, std::string_view name) {
  size_t start = raw.find('\0');  // the status line comes first
  while (start != std::string_view::npos && start + 1 < raw.size()) {
    size_t end = raw.find('\0', start + 1);
    std::string_view line =
        raw.substr(start + 1, end == std::string_view::npos ? end : end - start - 1);
    size_t colon = line.find(':');
    if (colon != std::string_view::npos && vb::EqualsNoCase(line.substr(0, colon), name)) {
      std::string_view value = line.substr(colon + 1);
      while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
      return std::string(value);
    }
    start = end;
  }
  return std::nullopt;
}

std::string ResolveLocation(std::string_view base, std::string_view location) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
  std::string base_text(base);
  std::string target = EncodeUrl(location);
  if (curl_url_set(parsed.get(), CURLUPART_URL, base_text.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
          CURLUE_OK ||
      curl_url_set(parsed.get(), CURLUPART_URL, target.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
          CURLUE_OK) {
    return "";
  }
  char* out = nullptr;
  if (curl_url_get(parsed.get(), CURLUPART_URL, &out, 0) != CURLUE_OK) return "";
  std::string resolved = out;
  curl_free(out);
  return resolved;
}

}  // namespace ostrel::net
