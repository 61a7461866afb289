// The markup that plays or shows one gathered Flash-channel file in the
// browser, chosen by its show mode, and the three outside hosts it names
// (the player vendor's download and web hosts, the media player's download
// host). The hosts are the web host's configuration ([Flash] in its INI
// file); the host sets them once at start.
#pragma once

#include <string>

#include "platform/vb/variant.h"

namespace ostrel::flash {

struct PlayerHosts {
  std::string download = "download.macromedia.com";  // codebase of the Flash and Director cabs
  std::string web = "www.macromedia.com";            // their plug-in pages
  std::string media = "activex.microsoft.com";       // the media player control's cab
};

PlayerHosts GetPlayerHosts();
void SetPlayerHosts(const PlayerHosts& hosts);

// The show modes of ShowFlashMode and ShowPlayerHtml.
enum ShowMode : int16_t {
  kNoShow = 0,
  kFlash = 1,
  kPicture = 2,
  kMedia = 3,
  kReal = 4,
  kDirector = 5
};

// The markup of address url in show mode mode (1 to 5): each line ends with
// CRLF, except the picture's one element. "" for an address shorter than
// three characters or any other mode. The address is written as an
// attribute value, encoded, so it can never end the attribute or the tag.
std::string PlayerHtml(const vb::Variant& url, const vb::Variant& mode, const PlayerHosts& hosts);

}  // namespace ostrel::flash
