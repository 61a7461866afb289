// Small pieces of markup and request reading that the channels' item
// editors, item actions and settings pages share. Values that came from
// the database or a remote site are encoded wherever they reach markup, so
// that a form posted back unchanged stores exactly what it showed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "component/host_access.h"
#include "platform/asp/response.h"
#include "platform/vb/variant.h"

namespace ostrel::gathering::markup {

// " checked" / " selected" when on, "" otherwise.
inline const char* Checked(bool on) { return on ? " checked" : ""; }
inline const char* Selected(bool on) { return on ? " selected" : ""; }

// The style attribute of a row that starts hidden (display:none); "" when
// the row starts shown.
inline const char* HiddenStyle(bool hidden) { return hidden ? " style=\"display:none\"" : ""; }

// A value attribute: value="..." with & < > " ' as entities.
std::string ValueAttribute(const vb::Variant& value);

// A text area whose text is the value encoded. A line break follows the
// start tag, because browsers drop one line break there: a code that begins
// with a line break comes back with it.
std::string TextArea(std::string_view name, const std::string& text, int rows, int cols);

// A column's whole-number value, as the editor's radio and select rules
// compare it; nothing for Null, Empty or text that is no number.
std::optional<double> NumberOf(const vb::Variant& value);

// Request(key) and Request.Form(key) as text ("" when missing).
std::string RequestText(const asp::Request& request, std::string_view key);
std::string FormText(const asp::Request& request, std::string_view key);

// The part at index of a packed column; error 9 past the end, so a page
// that shows a short list stops where the list ends.
const std::string& PartAt(const std::vector<std::string>& parts, size_t index);

// The source view of the editor's steps 2 and 3: the fetched page's source
// in a text area that admin_Size resizes, and the page's address.
void WriteSourceView(asp::Response& out, const std::string& page_text, const std::string& address);

// Shown by the software and Flash runs while they collect their links; its
// colours are fixed.
inline constexpr std::string_view kWaitBanner =
    "<p align=center><div style=\"width:200px;height:30px;position:absolute;\">"
    "<table align=center border=0 cellpadding=0 cellspacing=1 bgcolor=#000000 width='200' "
    "height='30'><tr><td bgcolor=#0650D2><marquee align=middle behavior=alternate "
    "scrollamount=5 style=\"font-size:9pt\"><font color=#FFFFFF>...正在收集数据...请稍候..."
    "</font></marquee></td></tr></table>"
    "</div></p>";

// The button that goes one page back in the browser's history.
inline constexpr std::string_view kBackButton =
    "<input type=\"button\" name=\"B12\" value=\"返回上一页\" onclick=\"history.go(-1)\" "
    "class=\"button\">";

}  // namespace ostrel::gathering::markup
