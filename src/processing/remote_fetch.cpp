#include "processing/remote_fetch.h"

#include "platform/net/fetch_log.h"
#include "platform/net/xml_http.h"
#include "platform/text/charset.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"

namespace ostrel::processing {

namespace {

constexpr std::string_view kDefaultCharset = "GB2312";

bool IsBlankOrQuote(char c) { return c == ' ' || c == '\t' || c == '"' || c == '\''; }

}  // namespace

bool CheckHTTP(std::string_view url) {
  bool reachable = false;
  vb::TryStep([&] {
    net::XmlHttp http;
    http.open("HEAD", url, false);
    http.send();
    reachable = http.readyState() == 4 && http.status() < 300;
  });
  return reachable;
}

// Servers write parameters after the charset and quote its name
// ("text/html; charset=\"utf-8\"; x=y"); the whole rest of the header is no
// charset name, and handing it over as one lost the page.
std::string ContentTypeCharset(std::string_view content_type) {
  std::string upper = vb::UCase(content_type);
  size_t at = upper.rfind("CHARSET=");
  if (at == std::string::npos) return "";
  std::string_view name = std::string_view(upper).substr(at + 8);
  name = name.substr(0, name.find(';'));
  while (!name.empty() && IsBlankOrQuote(name.front())) name.remove_prefix(1);
  while (!name.empty() && IsBlankOrQuote(name.back())) name.remove_suffix(1);
  return std::string(name);
}

std::string GetRemoteData(std::string_view url, std::string_view Cset) {
  std::string charset(vb::Len(Cset) < 2 ? kDefaultCharset : Cset);
  std::string text;
  vb::TryStep([&] {
    net::XmlHttp http;
    http.open("GET", url, false);
    http.setRequestHeader("Referer", url);
    http.send();
    if (http.readyState() != 4) return;
    if (http.status() > 300) {
      // The page says only that the fetch went wrong; the console says why.
      net::ReportFailingAnswer(http.status(), url);
      return;
    }
    std::string declared = ContentTypeCharset(http.getResponseHeader("Content-Type"));
    // A bare "charset=" names nothing; the item's charset still holds.
    if (!declared.empty()) charset = declared;
    text = text::Decode(http.responseBody(), vb::Trim(charset));
  });
  return text;
}

}  // namespace ostrel::processing
