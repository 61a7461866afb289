#include "platform/asp/url_encoding.h"

#include "platform/text/charset.h"

namespace ostrel::asp {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> ParseUrlEncoded(std::string_view text,
                                                                 std::string_view code_page) {
  std::vector<std::pair<std::string, std::string>> pairs;
  while (!text.empty()) {
    size_t amp = text.find('&');
    std::string_view segment = text.substr(0, amp);
    text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
    if (segment.empty()) continue;
    size_t eq = segment.find('=');
    std::string_view key = segment.substr(0, eq);
    std::string_view value =
        eq == std::string_view::npos ? std::string_view() : segment.substr(eq + 1);
    pairs.emplace_back(text::Decode(PercentDecode(key), code_page),
                       text::Decode(PercentDecode(value), code_page));
  }
  return pairs;
}

std::string UrlEncode(std::string_view utf8, std::string_view code_page) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string bytes = text::Encode(utf8, code_page);
  std::string out;
  out.reserve(bytes.size() * 3);
  for (unsigned char c : bytes) {
    if (IsAlnum(c)) {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace ostrel::asp
