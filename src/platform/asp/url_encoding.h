// Percent-encoding of URLs and posted forms. Browsers send the page's text in
// its code page (936 unless the page says otherwise), so the bytes between
// the escapes are code-page bytes, not UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel::asp {

// "%XX" becomes the byte XX and "+" a blank; a "%" not followed by two hex
// digits stays as it is. The result is raw bytes.
std::string PercentDecode(std::string_view text);

// Splits "a=1&b=2" (a query string or an urlencoded form body) into decoded
// pairs, the bytes decoded from the code page into UTF-8. An empty segment is
// skipped; a segment without "=" is a key with an empty value.
std::vector<std::pair<std::string, std::string>> ParseUrlEncoded(std::string_view text,
                                                                 std::string_view code_page);

// Server.URLEncode: the text in the code page, letters and digits kept, a
// blank as "+", every other byte as "%XX" (upper-case hex).
std::string UrlEncode(std::string_view utf8, std::string_view code_page);

}  // namespace ostrel::asp
