// The codes of the demo's software site (demo/soft), shared by the demo's
// ready item and the tests that gather the same pages: the list page's
// area and links, and on each entry page every field, the download list,
// the download page's area and links, and one filter string.
#pragma once

#include <array>
#include <string_view>

namespace ostrel::host {

inline constexpr std::array<std::string_view, 6> kSoftListCodes = {
    "<ul class=\"softlist\">", "</ul>", "<li><a href=\"", "\"", "0", "0",
};

// clang-format off
inline constexpr std::array<std::string_view, 40> kSoftInfoCodes = {
    "<h1 class=\"softname\">",     "</h1>",                 // 0 name
    "<div class=\"intro\">",       "</div><!--/intro-->",   // 2 introduction
    "<span class=\"parent\">",     "</span>",               // 4 parent class
    "<span class=\"child\">",      "</span>",               // 6 child class
    "<span class=\"time\">",       "</span>",               // 8 update time
    "<span class=\"size\">",       "</span>",               // 10 size
    "<span class=\"lang\">",       "</span>",               // 12 language
    "<span class=\"type\">",       "</span>",               // 14 type
    "<span class=\"impower\">",    "</span>",               // 16 licence
    "<span class=\"os\">",         "</span>",               // 18 run system
    "<span class=\"contact\">",    "</span>",               // 20 contact
    "<span class=\"home\">",       "</span>",               // 22 homepage
    "<img class=\"thumb\" src=\"", "\"",                    // 24 thumbnail
    "<ul class=\"downlist\">",     "</ul>",                 // 26 download list
    "<a href=\"",                  "\"",                    // 28 download links
    "<div class=\"downarea\">",    "</div>",                // 30 download page's area
    "<a href=\"",                  "\"",                    // 32 and its links
    "<p>广告：本站提供更多软件</p>", "0",                    // 34 filter strings
    "0",                           "0",                     // 36 match filter
    "<span class=\"ver\">",        "</span>",               // 38 version
};
// clang-format on

}  // namespace ostrel::host
