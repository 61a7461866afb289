// The four fixed ways an admin page answers the user, written into the
// current request's Response: an alert and a step back, an alert and a
// return to the referring page (which ends the response), a centred error
// table, and the call of the host page's list pager (include/showpage.js).
// Browsers and the pager script read this output, so it is fixed to the
// character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/asp/request.h"

namespace ostrel::processing {

// alert(msg), then history.back(); flushed. "<li>" is dropped and "</li>"
// becomes a line break of the alert; the text is escaped for a JavaScript
// string, so no message can break out of it or close the script.
void AlertBack(std::string_view msg);

// alert(msg), then back to the referring page and the response ends. The
// page goes back to HTTP_REFERER only when it is an http(s) address of this
// host (HTTP_HOST); otherwise the browser steps back in its history.
void AlertReturn(std::string_view msg);

// The table headed "错误提示信息!" holding msg as it is (msg may be markup);
// flushed.
void ShowErrorTable(std::string_view msg);

// <script>ShowListPage(page,pages,total,size,'s1','s2');</script>: the
// item lists' pager. Not flushed.
void WriteListPager(int32_t page, int32_t pages, int32_t total, int32_t size, std::string_view s1,
                    std::string_view s2);

// text escaped for a JavaScript string in either quotes: backslash, quotes,
// line breaks and "</" (which would end the script element).
std::string ScriptString(std::string_view text);

// HTTP_REFERER when it is an http(s) address of this host (HTTP_HOST),
// else "": the only referrer a page may send the browser back to.
std::string OwnReferer(const asp::Request& request);

}  // namespace ostrel::processing
