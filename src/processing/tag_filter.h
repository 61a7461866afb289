// Tag filtering and replacement rules: the VBProcess members that clean an
// article's cut content. Written as free functions; VBProcess forwards to
// them one to one. They keep no state and never raise.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::processing {

// The removal list used when the given one is shorter than 21 characters:
// script blocks and inline frames only.
inline constexpr std::string_view kDefaultRemoveCode = "1|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0";

// Deletes the tag families whose entry in the "|"-separated flag list is 1
// (0 scripts, 1 inline frames, 2 objects, 3 applets, 4 DIV, 5 FONT, 6 SPAN,
// 7 A, 8 IMG, 9 FORM, 10 every tag, 11 TABLE, 12 TR, 13 TD, 14 TH), then
// always removes control characters, comments and TBODY tags and turns
// "<%" into "&lt;%" and "%>" into "%&gt;". An entry among the first 15
// that is missing or no number stops the cleaning there (the text as
// processed so far, without the fixed clean-up). "" for empty content.
std::string Html2Ubb(std::string_view strContent, std::string_view sRemoveCode = "");

// Applies the rules of sClassList ("from|to" joined by "$$$") in order, each
// replacing every exact-case occurrence of its "from" on the result of the
// rules before it. A list shorter than 3 characters gives the text trimmed
// of blanks; empty text gives "". The text never grows past
// kReplaceClassGrowth times its length or kReplaceClassFloor bytes, whichever
// is more: the rule that would take it past ends the routine, and the text
// as the rules before it left it is the result.
inline constexpr size_t kReplaceClassGrowth = 8;
inline constexpr size_t kReplaceClassFloor = 1024 * 1024;
std::string ReplaceClass(std::string_view sClassName, std::string_view sClassList);

}  // namespace ostrel::processing
