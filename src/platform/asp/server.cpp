#include "platform/asp/server.h"

#include <vector>

#include "platform/asp/url_encoding.h"
#include "platform/vb/vb_error.h"

namespace ostrel::asp {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Splits a path at "/" and "\" into its non-empty parts.
void AppendParts(std::string_view path, std::vector<std::string_view>& parts) {
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i])) {
      if (i > start) parts.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
}

[[noreturn]] void RaiseRefused(std::string_view path, const char* why) {
  throw vb::VbError(vb::kErrInvalidCall, "Server.MapPath",
                    std::string("The path '") + std::string(path) + "' " + why);
}

}  // namespace

Server::Server(std::string site_root, std::string page_path, std::string code_page)
    : site_root_(std::move(site_root)),
      page_path_(std::move(page_path)),
      code_page_(std::move(code_page)) {
  // Keep "C:\" whole; drop the trailing separator of any longer root.
  while (site_root_.size() > 3 && IsSeparator(site_root_.back())) site_root_.pop_back();
  for (char& c : site_root_) {
    if (c == '/') c = '\\';
  }
}

std::string Server::MapPath(std::string_view path) const {
  if (path.find(':') != std::string_view::npos) {
    RaiseRefused(path, "is not a virtual path of the site");
  }
  std::vector<std::string_view> raw;
  if (path.empty() || !IsSeparator(path.front())) {
    // Relative: from the folder of the current page.
    std::string_view page = page_path_;
    size_t slash = page.find_last_of("/\\");
    AppendParts(slash == std::string_view::npos ? std::string_view() : page.substr(0, slash), raw);
  }
  AppendParts(path, raw);

  std::vector<std::string_view> parts;
  for (std::string_view part : raw) {
    if (part == ".") continue;
    if (part == "..") {
      if (parts.empty()) RaiseRefused(path, "leaves the site root");
      parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }

  std::string mapped = site_root_;
  for (std::string_view part : parts) {
    if (mapped.back() != '\\') mapped += '\\';
    mapped += part;
  }
  if (!parts.empty() && !path.empty() && IsSeparator(path.back())) mapped += '\\';
  return mapped;
}

std::string Server::HTMLEncode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendHTMLEncoded(out, text);
  return out;
}

void Server::AppendHTMLEncoded(std::string& out, std::string_view text, bool apostrophe) {
  // Most text has none of the characters: it is copied in runs.
  size_t copied = 0;
  for (size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    const char* entity = c == '&'                  ? "&amp;"
                         : c == '<'                ? "&lt;"
                         : c == '>'                ? "&gt;"
                         : c == '"'                ? "&quot;"
                         : c == '\'' && apostrophe ? "&#39;"
                                                   : nullptr;
    if (entity == nullptr) continue;
    out.append(text, copied, at - copied);
    out += entity;
    copied = at + 1;
  }
  out.append(text, copied);
}

std::string Server::URLEncode(std::string_view text) const { return UrlEncode(text, code_page_); }

}  // namespace ostrel::asp
