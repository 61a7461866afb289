// The codes of the demo's Flash site (demo/flash), shared by the demo's
// ready item and the tests that gather the same pages: the list page's area,
// its links and the thumbnails beside them, and on each entry page every
// field, the thumbnail, the download area and its link, and one filter
// string.
#pragma once

#include <array>
#include <string_view>

namespace ostrel::host {

// clang-format off
inline constexpr std::array<std::string_view, 10> kFlashListCodes = {
    "<ul class=\"flashlist\">", "</ul>",   // 0 list area
    "<a href=\"",               "\"",      // 2 links
    "1",                                   // 4 list thumbnails on
    "<img src=\"",              "\"",      // 5 list thumbnails
    "0", "0", "0",                         // 7 unused by the run
};

inline constexpr std::array<std::string_view, 33> kFlashInfoCodes = {
    "<h1 class=\"title\">",        "</h1>",                 // 0 title
    "<div class=\"intro\">",       "</div><!--/intro-->",   // 2 intro
    "<span class=\"parent\">",     "</span>",               // 4 parent class
    "<span class=\"child\">",      "</span>",               // 6 child class
    "<span class=\"time\">",       "</span>",               // 8 update time
    "<span class=\"size\">",       "</span>",               // 10 size
    "<span class=\"from\">",       "</span>",               // 12 source
    "<span class=\"author\">",     "</span>",               // 14 author
    "<span class=\"desc\">",       "</span>",               // 16 other description
    "<img class=\"thumb\" src=\"", "\"",                    // 18 the page's thumbnail
    "0",                                                    // 20 fixed download path
    "<div class=\"down\">",        "</div>",                // 21 download area
    "<a href=\"",                  "\"",                    // 23 download link
    "0", "0", "0", "0",                                     // 25 separate download page
    "<p>广告：更多作品请访问本站</p>", "0",                  // 29 filter strings
    "0",                           "0",                     // 31 match filter
};
// clang-format on

}  // namespace ostrel::host
