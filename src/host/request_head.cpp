#include "host/request_head.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

namespace ostrel::host {

namespace {

constexpr size_t kMaxHeaderLines = 100;
constexpr size_t kMaxChunkLine = 1024;
constexpr size_t kMaxTrailerLines = 32;

bool IsTokenChar(unsigned char c) {
  if (c >= '0' && c <= '9') return true;
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsToken(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return IsTokenChar(static_cast<unsigned char>(c));
  });
}

// A field value's bytes: visible characters, blanks and tabs, and bytes of
// other charsets; never a control character (NUL, a lone CR or LF).
bool IsValueChar(unsigned char c) { return c == '\t' || (c >= 0x20 && c != 0x7f); }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Whether the comma-separated list holds the token (any letter case).
bool ListHas(std::string_view list, std::string_view token) {
  while (!list.empty()) {
    size_t comma = list.find(',');
    if (EqualsNoCase(TrimBlanks(list.substr(0, comma)), token)) return true;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return false;
}

bool ParseRequestLine(std::string_view line, RequestHead* head) {
  size_t first = line.find(' ');
  if (first == std::string_view::npos) return false;
  size_t second = line.find(' ', first + 1);
  if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos) {
    return false;
  }
  std::string_view method = line.substr(0, first);
  std::string_view target = line.substr(first + 1, second - first - 1);
  std::string_view version = line.substr(second + 1);
  if (!IsToken(method) || target.empty()) return false;
  for (char c : target) {
    auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7f) return false;
  }
  if (version != "HTTP/1.1" && version != "HTTP/1.0") return false;
  head->method = method;
  head->target = target;
  head->version = version;
  return true;
}

bool ParseLength(std::string_view value, uint64_t* length) {
  if (value.empty() || value.size() > 18) return false;
  uint64_t n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<uint64_t>(c - '0');
  }
  *length = n;
  return true;
}

// A target in absolute form ("http://host:port/path?query", as a proxy is
// asked) is served as its path and query would be; its authority then
// stands for the Host header. False for an absolute target that names no
// host or carries user information.
bool TakeAbsoluteForm(RequestHead* head) {
  std::string_view target = head->target;
  size_t scheme = target.find("://");
  if (scheme == std::string_view::npos || target.starts_with("/")) return true;
  std::string_view name = target.substr(0, scheme);
  if (!EqualsNoCase(name, "http") && !EqualsNoCase(name, "https")) return true;
  std::string_view rest = target.substr(scheme + 3);
  size_t path = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, path);
  if (authority.empty() || authority.find('@') != std::string_view::npos) return false;
  std::string origin_form(path == std::string_view::npos ? "" : rest.substr(path));
  if (origin_form.empty() || origin_form.front() != '/') origin_form.insert(0, "/");
  bool replaced = false;
  for (auto& [key, value] : head->headers) {
    if (EqualsNoCase(key, "Host")) {
      value = authority;
      replaced = true;
    }
  }
  if (!replaced) head->headers.emplace_back("Host", authority);
  head->target = std::move(origin_form);
  return true;
}

}  // namespace

bool CannotBeRequest(std::string_view bytes, size_t from) {
  // A line that ends in a bare LF, where the host reads only CRLF.
  for (size_t at = bytes.find('\n', from); at != std::string_view::npos;
       at = bytes.find('\n', at + 1)) {
    if (at == 0 || bytes[at - 1] != '\r') return true;
  }
  // The request line as far as it came: method, target, version. The
  // characters before from were looked at already.
  std::string_view line = bytes.substr(0, bytes.find('\r'));
  auto all_of = [&](size_t begin, size_t end, bool (*ok)(unsigned char)) {
    for (size_t i = std::max(begin, from); i < end; ++i) {
      if (!ok(static_cast<unsigned char>(line[i]))) return false;
    }
    return true;
  };
  const size_t method_end = std::min(line.find(' '), line.size());
  if (!all_of(0, method_end, IsTokenChar)) return true;
  if (method_end == line.size()) return false;
  if (method_end == 0) return true;
  const size_t target_end = std::min(line.find(' ', method_end + 1), line.size());
  if (!all_of(method_end + 1, target_end,
              [](unsigned char c) { return c > 0x20 && c != 0x7f; })) {
    return true;
  }
  if (target_end == line.size()) return false;
  if (target_end == method_end + 1) return true;
  std::string_view version = line.substr(target_end + 1);
  constexpr std::string_view kVersion = "HTTP/1.";
  if (version.size() <= kVersion.size()) return !kVersion.starts_with(version);
  return !version.starts_with(kVersion) || version.size() > kVersion.size() + 1 ||
         !std::isdigit(static_cast<unsigned char>(version.back()));
}

HeadStatus ParseRequestHead(std::string_view bytes, RequestHead* head) {
  *head = RequestHead{};
  if (!bytes.ends_with("\r\n\r\n")) return HeadStatus::kBadRequest;
  bytes.remove_suffix(2);  // the blank line; every line below ends in CRLF
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    size_t end = bytes.find("\r\n");
    std::string_view line = bytes.substr(0, end);
    // A CR or LF inside a line is a line break some reader would see.
    if (line.find_first_of("\r\n") != std::string_view::npos) return HeadStatus::kBadRequest;
    lines.push_back(line);
    bytes.remove_prefix(end + 2);
  }
  if (lines.empty() || !ParseRequestLine(lines.front(), head)) return HeadStatus::kBadRequest;
  if (lines.size() - 1 > kMaxHeaderLines) return HeadStatus::kTooLarge;

  int lengths = 0, codings = 0, hosts = 0;
  std::string_view coding;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    // A line that starts with white space folds into the one before (or,
    // first of all, into the request line): refused by this host.
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) return HeadStatus::kBadRequest;
    std::string_view name = line.substr(0, colon);
    if (!IsToken(name)) return HeadStatus::kBadRequest;  // white space before the colon too
    std::string_view value = line.substr(colon + 1);
    if (!std::all_of(value.begin(), value.end(),
                     [](char c) { return IsValueChar(static_cast<unsigned char>(c)); })) {
      return HeadStatus::kBadRequest;
    }
    const bool framing = EqualsNoCase(name, "Content-Length") ||
                         EqualsNoCase(name, "Transfer-Encoding");
    // A tab in a framing header is read as part of the value by some and
    // as white space by others.
    if (framing && value.find('\t') != std::string_view::npos) return HeadStatus::kBadRequest;
    value = TrimBlanks(value);
    head->headers.emplace_back(name, value);
    if (EqualsNoCase(name, "Content-Length")) {
      ++lengths;
      if (!ParseLength(value, &head->content_length)) return HeadStatus::kBadRequest;
    } else if (EqualsNoCase(name, "Transfer-Encoding")) {
      ++codings;
      coding = value;
    } else if (EqualsNoCase(name, "Host")) {
      ++hosts;
    } else if (EqualsNoCase(name, "Connection")) {
      if (ListHas(value, "close")) head->keep_alive = false;
    } else if (EqualsNoCase(name, "Expect")) {
      if (!EqualsNoCase(value, "100-continue")) return HeadStatus::kBadExpectation;
      head->expect_continue = true;
    }
  }
  const bool http11 = head->version == "HTTP/1.1";
  if (lengths > 1 || hosts > 1 || (http11 && hosts == 0)) return HeadStatus::kBadRequest;
  if (codings > 0) {
    // Only "chunked" alone: any other coding, a list, a second header or a
    // length beside it leaves the body's end to the reader's guess.
    // Coding names are case-insensitive.
    if (!http11 || codings > 1 || lengths > 0 || !EqualsNoCase(coding, "chunked")) {
      return HeadStatus::kBadRequest;
    }
    head->chunked = true;
  }
  // An HTTP/1.0 client gets one answer, whose end is the connection's end;
  // it cannot know an interim answer, so its expectation is ignored.
  if (!http11) {
    head->keep_alive = false;
    head->expect_continue = false;
  }
  if (!head->chunked && head->content_length == 0) head->expect_continue = false;
  if (!TakeAbsoluteForm(head)) return HeadStatus::kBadRequest;
  return HeadStatus::kOk;
}

ChunkedDecoder::Result ChunkedDecoder::Feed(std::string_view input, std::string* body,
                                            size_t* used) {
  const size_t size = input.size();
  // Reads up to a CRLF into line_; false when input ran out first (or the
  // line is bad, with *bad set).
  auto read_line = [&](bool* bad) {
    while (!input.empty()) {
      char c = input.front();
      input.remove_prefix(1);
      if (c == '\n') {
        if (line_.empty() || line_.back() != '\r') {
          *bad = true;
          return false;
        }
        line_.pop_back();
        return true;
      }
      if ((!line_.empty() && line_.back() == '\r') || line_.size() >= kMaxChunkLine) {
        *bad = true;
        return false;
      }
      line_ += c;
    }
    return false;
  };
  bool bad = false;
  while (state_ != State::kDone) {
    if (state_ == State::kData) {
      if (input.empty()) break;
      size_t n = static_cast<size_t>(std::min<uint64_t>(remaining_, input.size()));
      body->append(input.substr(0, n));
      input.remove_prefix(n);
      remaining_ -= n;
      if (remaining_ == 0) state_ = State::kDataEnd;
      continue;
    }
    if (!read_line(&bad)) break;
    std::string line = std::move(line_);
    line_.clear();
    if (state_ == State::kSize) {
      size_t digits = 0;
      uint64_t n = 0;
      while (digits < line.size() && std::isxdigit(static_cast<unsigned char>(line[digits]))) {
        if (digits == 15) return Result::kBad;
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[digits])));
        n = n * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
        ++digits;
      }
      std::string_view rest = TrimBlanks(std::string_view(line).substr(digits));
      if (digits == 0 || (!rest.empty() && rest.front() != ';')) return Result::kBad;
      for (char c : rest) {
        if (!IsValueChar(static_cast<unsigned char>(c))) return Result::kBad;
      }
      remaining_ = n;
      state_ = n == 0 ? State::kTrailer : State::kData;
    } else if (state_ == State::kDataEnd) {
      if (!line.empty()) return Result::kBad;
      state_ = State::kSize;
    } else if (line.empty()) {
      state_ = State::kDone;
    } else if (++trailers_ > kMaxTrailerLines || line.front() == ' ' || line.front() == '\t' ||
               line.find(':') == std::string::npos) {
      return Result::kBad;
    }
  }
  *used = size - input.size();
  if (bad) return Result::kBad;
  return state_ == State::kDone ? Result::kDone : Result::kMore;
}

}  // namespace ostrel::host
