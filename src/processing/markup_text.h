// Values from the database on their way into admin markup. The admin pages
// show names and addresses that came from remote sites or from the host's
// editors; they are encoded so that none of them can add markup or end the
// attribute that holds it. Plain values come out unchanged.
#pragma once

#include <string>

#include "platform/vb/variant.h"

namespace ostrel::processing {

// The value as VB's "&" joins it: Null and Empty as "", anything else its text.
std::string TextOf(const vb::Variant& value);

// TextOf with & < > " as entities (Server.HTMLEncode): element content and
// double-quoted attributes.
std::string HtmlText(const vb::Variant& value);

// HtmlText with "'" as "&#39;" as well: single-quoted attributes (href='...').
std::string HtmlAttribute(const vb::Variant& value);

// The same added to out, for markup put together piece by piece.
void AppendHtmlText(std::string& out, const vb::Variant& value);
void AppendHtmlAttribute(std::string& out, const vb::Variant& value);

}  // namespace ostrel::processing
