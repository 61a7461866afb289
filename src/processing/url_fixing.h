// URL fixing: the VBProcess members that make gathered links usable
// locally. Written as free functions; VBProcess forwards to them one to one.
// None raises: a failure gives the stated result.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostrel::processing {

// The link url, as found on the page CurrentUrl, made absolute. Quotes, CRLF
// pairs and "|" are dropped and "\" becomes "/" in both texts first. A link
// with a scheme (http, https, ftp, rtsp, mms) stays as it is; "/..." goes to
// the host's root; "../" walks up from the page's folder (to the host root
// at most); anything else is relative to the page's folder, with every "./"
// dropped. A page address of a host alone ("http://host") counts as its
// root folder. "" unless url has 2 to 255 characters and CurrentUrl at
// least 2.
std::string FormatRemoteUrl(std::string_view CurrentUrl, std::string_view url);

// The extensions AllowExt lists ("gif|jpg|..."), as alternatives of a
// regular expression that each match the extension's own characters: a list
// holding signs of the expression syntax ("c++", "jpg|(") makes a valid
// expression all the same. A byte that starts no UTF-8 character, which no
// text can match, gives an alternative that matches nothing.
std::string ExtensionAlternatives(std::string_view AllowExt);

// Every src= or href= link in str that ends in one of the extensions
// AllowExt lists, in page order, as FormatContentUrl finds them (its
// expression, walked over the whole text).
std::vector<std::string> ContentLinks(std::string_view str, std::string_view AllowExt);

// The content str with every relative src= or href= link that ends in one
// of the extensions AllowExt lists ("gif|jpg|...") made absolute against the
// page address url. A link is rewritten where it stands whole (after a
// quote, "=" or a blank, and not running on into a longer name), never
// inside a longer link that ends the same way. PictureExist becomes True
// when any such link was found, absolute ones included; it is never set
// False here. On failure the content comes back unchanged.
std::string FormatContentUrl(std::string_view str, std::string_view url, std::string_view AllowExt,
                             bool& PictureExist);

// A typed-in address tidied: trimmed, without CRLF pairs, tabs and quotes,
// "http://" put in front when it has no "://". "" for a blank text, for
// "http://" alone (any case) and for a text of 255 characters or more.
std::string FormatUrl(std::string_view str);

}  // namespace ostrel::processing
