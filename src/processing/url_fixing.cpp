#include "processing/url_fixing.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <vector>

#include "platform/text/regexp.h"
#include "platform/vb/strings.h"
#include "platform/vb/utf8.h"
#include "platform/vb/vb_error.h"

namespace ostrel::processing {
namespace {

constexpr vb::CompareMode kAnyCase = vb::CompareMode::Text;

// Quotes, line breaks and "|" never belong to an address; a backslash is a
// slash typed the Windows way.
std::string CleanAddress(std::string_view text) {
  std::string s = vb::Replace(text, "'", "");
  s = vb::Replace(s, "\"", "");
  s = vb::Replace(s, "\r\n", "");
  s = vb::Replace(s, "\\", "/");
  s = vb::Replace(s, "|", "");
  return vb::Trim(s);
}

bool HasScheme(std::string_view url) {
  std::string head = vb::LCase(vb::Left(url, 6));
  return head == "http:/" || head == "https:" || head == "ftp://" || head == "rtsp:/" ||
         head == "mms://";
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameAnyCase(std::string_view text, size_t at, std::string_view find) {
  for (size_t i = 0; i < find.size(); ++i) {
    if (AsciiLower(text[at + i]) != AsciiLower(find[i])) return false;
  }
  return true;
}

// What may stand before a whole link: the start, a quote, "=" or a blank.
bool OpensLink(std::string_view text, size_t at) {
  if (at == 0) return true;
  char c = text[at - 1];
  return c == '"' || c == '\'' || c == '=' || c == ' ' || c == '\t' || c == '\r' || c == '\n' ||
         c == '\f' || c == '\v';
}

// What may follow a whole link: the end, or anything that cannot carry its
// file name on (a quote, a blank, ">", "?", "#" ...).
bool ClosesLink(std::string_view text, size_t end) {
  if (end == text.size()) return true;
  auto c = static_cast<unsigned char>(text[end]);
  bool name_goes_on = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-' || c == '.' || c == '/' || c >= 0x80;
  return !name_goes_on;
}

bool IsOpener(char c) {
  return c == '"' || c == '\'' || c == '=' || c == ' ' || c == '\t' || c == '\r' || c == '\n' ||
         c == '\f' || c == '\v';
}

// Replaces link, in any letter case, where it stands as a whole link.
std::string ReplaceWholeLink(std::string_view text, std::string_view link, std::string_view with) {
  if (link.empty()) return std::string(text);
  std::string out;
  size_t copied = 0;
  for (size_t at = 0; at + link.size() <= text.size();) {
    if (SameAnyCase(text, at, link) && OpensLink(text, at) && ClosesLink(text, at + link.size())) {
      out.append(text, copied, at - copied);
      out.append(with);
      at += link.size();
      copied = at;
    } else {
      ++at;
    }
  }
  out.append(text.substr(copied));
  return out;
}

struct Rewrite {
  std::string link;
  std::string with;
};

// Every rewrite at once, in one pass over text: where several links stand
// whole at one place, the first of the list wins. This gives what one
// ReplaceWholeLink per rewrite, in list order, gives, as long as no link
// can start inside another or inside a replacement: no link holds a
// character that may open a link ("=", a quote, a blank), and every
// replacement is an absolute "http" address without such a character (a
// link never starts with "http"). SinglePassFits checks that.
bool SinglePassFits(const std::vector<Rewrite>& rewrites) {
  for (const Rewrite& r : rewrites) {
    if (r.link.empty() || std::any_of(r.link.begin(), r.link.end(), IsOpener)) return false;
    if (r.with.size() < 4 || !SameAnyCase(r.with, 0, "http")) return false;
    if (std::any_of(r.with.begin(), r.with.end(), IsOpener)) return false;
  }
  return true;
}

std::string ReplaceWholeLinks(std::string_view text, const std::vector<Rewrite>& rewrites) {
  // The first letters of the links, in both cases: most places start none,
  // and the next place of each is found at memchr speed.
  std::string firsts;
  for (const Rewrite& r : rewrites) {
    for (char first : {AsciiLower(r.link[0]), AsciiUpper(r.link[0])}) {
      if (firsts.find(first) == std::string::npos) firsts += first;
    }
  }
  const size_t size = text.size();
  auto find = [&](char c, size_t from) {
    const void* hit = std::memchr(text.data() + from, c, size - from);
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) : size;
  };
  std::vector<size_t> next;  // per first letter, its next place
  for (char c : firsts) next.push_back(find(c, 0));
  auto next_start = [&](size_t from) {
    size_t nearest = size;
    for (size_t k = 0; k < firsts.size(); ++k) {
      if (next[k] < from) next[k] = find(firsts[k], from);
      nearest = std::min(nearest, next[k]);
    }
    return nearest;
  };
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  size_t copied = 0;
  for (size_t at = next_start(0); at < size; at = next_start(at + 1)) {
    if (!OpensLink(text, at)) continue;
    for (const Rewrite& r : rewrites) {
      if (at + r.link.size() > text.size() || !SameAnyCase(text, at, r.link) ||
          !ClosesLink(text, at + r.link.size())) {
        continue;
      }
      out.append(text, copied, at - copied);
      out.append(r.with);
      at += r.link.size() - 1;
      copied = at + 1;
      break;
    }
  }
  out.append(text.substr(copied));
  return out;
}

bool IsRegexBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Where a src= or href= link could start just before the "=" at eq, in any
// case ("\xC5\xBF" is the long s, which caseless matching takes for "s");
// npos when none can.
size_t LinkStartBefore(std::string_view text, size_t eq) {
  if (eq >= 4 && SameAnyCase(text, eq - 4, "href")) return eq - 4;
  if (eq >= 2 && SameAnyCase(text, eq - 2, "rc")) {
    if (eq >= 3 && AsciiLower(text[eq - 3]) == 's') return eq - 3;
    if (eq >= 4 && text.substr(eq - 4, 2) == "\xC5\xBF") return eq - 4;
  }
  return std::string_view::npos;
}

// True when the extension list is plain names and "|": a link then never
// holds a blank, so each one lies inside a single run of non-blank text.
bool PlainExtensions(std::string_view AllowExt) {
  return std::all_of(AllowExt.begin(), AllowExt.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '|';
  });
}

}  // namespace

std::string FormatRemoteUrl(std::string_view CurrentUrl, std::string_view url) {
  if (vb::Len(url) < 2 || vb::Len(url) > 255 || vb::Len(CurrentUrl) < 2) return "";
  std::string result;
  vb::TryStep([&] {
    const std::string page = CleanAddress(CurrentUrl);
    const std::string link = CleanAddress(url);

    // The host part: up to the first "/" after the scheme's "//".
    int32_t slash = vb::InStr(9, page, "/");
    std::string host = slash > 0 ? vb::Left(page, slash - 1) : "";
    if (host.empty()) host = page;
    // Only an address whose one slashes are its scheme's "//" is a host
    // alone; a text with a folder and no scheme keeps its folder.
    const int32_t scheme = vb::InStr(page, "://");
    const bool host_only = slash == 0 && scheme > 0 && vb::InStrRev(page, "/") == scheme + 2 &&
                           vb::Len(page) > scheme + 2;

    if (HasScheme(link)) {
      result = link;
    } else if (vb::Left(link, 1) == "/") {
      result = host + link;
    } else if (vb::Left(link, 3) == "../") {
      std::vector<std::string> parts = vb::Split(page, "/");
      int32_t last = static_cast<int32_t>(parts.size()) - 1;
      int32_t ups = static_cast<int32_t>(vb::Split(link, "../").size()) - 1;
      std::string base = host;
      if (last > ups + 3) {
        base = vb::Join(std::vector<std::string>(parts.begin(), parts.begin() + (last - ups)), "/");
      }
      result = base + "/" + vb::Replace(link, "../", "");
    } else {
      // "http://host" names the host's root folder, not a folder "http://".
      std::string folder = host_only ? host + "/" : vb::Left(page, vb::InStrRev(page, "/"));
      result = folder + vb::Replace(link, "./", "");
    }
  });
  return result;
}

std::string ExtensionAlternatives(std::string_view AllowExt) {
  std::string out;
  out.reserve(AllowExt.size() * 2);
  for (size_t i = 0; i < AllowExt.size();) {
    const vb::Utf8Char c = vb::DecodeUtf8At(AllowExt, i);
    const char byte = AllowExt[i];
    if (!c.valid) {
      out += "(?!)";
    } else if (c.bytes == 1 && byte != '|' && !std::isalnum(static_cast<unsigned char>(byte))) {
      // A backslash makes any ASCII sign, blanks included, stand for itself.
      out += '\\';
      out += byte;
    } else {
      out.append(AllowExt.substr(i, c.bytes));
    }
    i += c.bytes;
  }
  return out;
}

std::vector<std::string> ContentLinks(std::string_view str, std::string_view AllowExt) {
  text::RegExp re;
  re.Pattern = "((src=|href=)((\\S)+[.]{1}(" + ExtensionAlternatives(AllowExt) + ")))";
  re.IgnoreCase = true;
  re.Global = true;
  std::vector<std::string> links;
  auto take = [&](std::string_view part) {
    for (const text::Match& match : re.Execute(part)) links.push_back(match.Value());
  };
  if (!PlainExtensions(AllowExt)) {
    take(str);
    return links;
  }
  // Pages are long and links few: find each "=" at memchr speed and run the
  // expression only over the non-blank run that follows a "src"/"href" start.
  // Such a link neither holds a blank nor looks outside its run, so the
  // matches are the ones a walk over the whole page would give.
  size_t from = 0;
  while (from < str.size()) {
    const void* hit = std::memchr(str.data() + from, '=', str.size() - from);
    if (hit == nullptr) break;
    size_t eq = static_cast<size_t>(static_cast<const char*>(hit) - str.data());
    size_t start = LinkStartBefore(str, eq);
    if (start == std::string_view::npos || start < from) {
      from = eq + 1;
      continue;
    }
    size_t end = eq + 1;
    while (end < str.size() && !IsRegexBlank(str[end])) ++end;
    take(str.substr(start, end - start));
    from = end;
  }
  return links;
}

std::string FormatContentUrl(std::string_view str, std::string_view url, std::string_view AllowExt,
                             bool& PictureExist) {
  std::string content;
  bool found = false;
  bool done = vb::TryStep([&] {
    std::set<std::string> seen;
    std::vector<Rewrite> rewrites;
    for (const std::string& value : ContentLinks(str, AllowExt)) {
      if (!seen.insert(vb::UCase(value)).second) continue;
      found = true;
      std::string link = vb::Replace(value, "src=", "", 1, -1, kAnyCase);
      link = vb::Replace(link, "href=", "", 1, -1, kAnyCase);
      link = vb::Replace(link, "'", "");
      link = vb::Replace(link, "\"", "");
      if (vb::LCase(vb::Left(link, 4)) == "http") continue;
      std::string with = FormatRemoteUrl(url, link);
      rewrites.push_back(Rewrite{std::move(link), std::move(with)});
    }
    if (rewrites.empty()) {
      content = std::string(str);
    } else if (SinglePassFits(rewrites)) {
      content = ReplaceWholeLinks(str, rewrites);
    } else {
      content = std::string(str);
      for (const Rewrite& r : rewrites) content = ReplaceWholeLink(content, r.link, r.with);
    }
  });
  if (!done) return std::string(str);
  if (found) PictureExist = true;
  return content;
}

std::string FormatUrl(std::string_view str) {
  if (vb::Trim(str).empty() || vb::LCase(str) == "http://" || vb::Len(str) >= 255) return "";
  std::string s = vb::Trim(str);
  s = vb::Replace(s, "\r\n", "");
  s = vb::Replace(s, "\t", "");
  s = vb::Replace(s, "'", "");
  s = vb::Replace(s, "\"", "");
  if (s.find("://") == std::string::npos) s = "http://" + s;
  return s;
}

}  // namespace ostrel::processing
