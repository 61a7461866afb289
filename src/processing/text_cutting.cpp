#include "processing/text_cutting.h"

#include <string.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "platform/text/regexp.h"
#include "platform/vb/strings.h"
#include "platform/vb/utf8.h"
#include "platform/vb/vb_error.h"
#include "processing/marker_pattern.h"
#include "processing/page_cleaning.h"

namespace ostrel::processing {

namespace {

// The characters EscapeRegExp puts a backslash before ("\" itself aside).
constexpr std::string_view kEscaped = "~!@#%^&*()-+[]<>./?=|$";

// text with the spans (in order, not overlapping) cut out, in one pass.
std::string CutSpans(std::string_view text, const std::vector<MarkerPattern::Span>& spans) {
  if (spans.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t copied_to = 0;
  for (const MarkerPattern::Span& span : spans) {
    out.append(text.substr(copied_to, span.begin - copied_to));
    copied_to = span.end;
  }
  out.append(text.substr(copied_to));
  return out;
}

// The key under which FindMatch keeps a cut: the cut upper-cased. Links are
// nearly always ASCII, where upper-casing is a byte operation; other text
// takes the full Unicode rules.
std::string CutKey(std::string_view cut) {
  if (!vb::IsAscii(cut)) return vb::UCase(cut);
  std::string key(cut);
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return key;
}

// CutFixed's common case, plain markers (no brace) with no line feed
// between the first begin code and the first end code after it: that pair
// is then what the marker search finds. After the begin code the page is
// taken a stretch at a time: the end code is looked for in it, and the
// stretch, while at hand, checked for a line feed and copied out. A cut of
// megabytes (a list area can be most of a page) so reads the page once;
// searching it whole, then checking and copying the cut, read it three
// times. False when the case is not this one; the caller then runs the
// marker search.
bool CutBetweenPlainMarkers(std::string_view html, std::string_view start, std::string_view last,
                            std::string* cut) {
  constexpr size_t npos = std::string_view::npos;
  constexpr size_t kStretch = 64 << 10;
  if (start.find('{') != npos || last.find('{') != npos) return false;
  // needle's first place in html[from, until), or npos.
  auto find = [html](std::string_view needle, size_t from, size_t until) {
    if (from > until || needle.size() > until - from) return npos;
    const void* found = memmem(html.data() + from, until - from, needle.data(), needle.size());
    return found == nullptr ? npos
                            : static_cast<size_t>(static_cast<const char*>(found) - html.data());
  };
  const size_t begin = find(start, 0, html.size());
  if (begin == npos) return true;  // no begin code: no cut
  const size_t inner = begin + start.size();
  std::string out;
  for (size_t at = inner; at < html.size(); at += kStretch) {
    const size_t stretch_end = std::min(html.size(), at + kStretch);
    // The end code starts in this stretch, one character past the begin
    // code at the earliest, and may run into the next stretch.
    const size_t end =
        find(last, std::max(at, inner + 1), std::min(html.size(), stretch_end + last.size() - 1));
    const size_t upto = end == npos ? stretch_end : end;
    if (memchr(html.data() + at, '\n', upto - at) != nullptr) return false;
    if (at == inner && end == npos) out.reserve(html.size() - inner);  // a long cut
    out.append(html.substr(at, upto - at));
    if (end != npos) {
      if (out.size() < out.capacity() / 2) out.shrink_to_fit();  // room given back
      *cut = std::move(out);
      return true;
    }
  }
  return true;  // no end code after the begin code: no cut
}

}  // namespace

std::string EscapeRegExp(std::string_view s) {
  // One pass gives what replacing "\" first and then each character in turn
  // gives: no replacement is seen by a later one.
  std::string out;
  out.reserve(s.size() + s.size() / 4);
  for (char c : s) {
    if (c == '\\' || kEscaped.find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

std::string FindMatch(std::string_view str, std::string_view start, std::string_view last,
                      bool Condition) {
  if (start.empty() || last.empty()) return "";
  std::string result;
  vb::TryStep([&] {
    MarkerPattern marker(start, last, /*ignore_case=*/true);
    std::unordered_set<std::string> seen;  // kept cuts, upper-cased
    std::string joined;
    bool first = true;
    for (const MarkerPattern::Span& span : marker.Find(str, /*global=*/true)) {
      std::string_view cut = str.substr(span.begin, span.end - span.begin);
      if (!seen.insert(CutKey(cut)).second) continue;
      if (!first) joined += "|||";
      joined += cut;
      first = false;
    }
    if (!Condition) {
      joined = vb::Replace(joined, start, "");
      joined = vb::Replace(joined, last, "");
    }
    result = std::move(joined);
  });
  return result;
}

std::string CutFixed(std::string_view strHTML, std::string_view start, std::string_view last,
                     bool Condition) {
  if (start.empty() || last.empty()) return "";
  std::string result;
  if (!Condition && CutBetweenPlainMarkers(strHTML, start, last, &result)) return result;
  vb::TryStep([&] {
    MarkerPattern marker(start, last, /*ignore_case=*/false);
    std::vector<MarkerPattern::Span> spans = marker.Find(strHTML, /*global=*/false);
    if (spans.empty()) return;
    std::string_view match = strHTML.substr(spans[0].begin, spans[0].end - spans[0].begin);
    if (Condition) {
      result = vb::Trim(match);
    } else if (match.size() > start.size() + last.size() && match.starts_with(start) &&
               match.ends_with(last)) {
      result = std::string(match.substr(start.size(), match.size() - start.size() - last.size()));
    } else {
      // A marker with a repeat count matched text of another length; the
      // markers' own lengths are still what is cut off (a negative rest
      // fails the cut).
      int32_t inner = vb::Len(match) - vb::Len(start) - vb::Len(last);
      result = vb::Mid(match, vb::Len(start) + 1, inner);
    }
  });
  return result;
}

std::string ReplaceTrim(std::string_view strContent, bool blnRemark) {
  std::string text = RemoveControlCharacters(strContent);
  if (blnRemark) vb::TryStep([&] { text = RemoveComments(text); });
  return text;
}

std::string CheckMatch(std::string_view strContent, std::string_view start, std::string_view last) {
  if (strContent.empty()) return "";
  if (start.empty() || last.empty()) return std::string(strContent);
  std::string text = vb::Replace(strContent, "\r\n", "");
  vb::TryStep([&] {
    MarkerPattern marker(start, last, /*ignore_case=*/true);
    text = CutSpans(text, marker.Find(text, /*global=*/true));
  });
  return text;
}

std::string CheckHTML(std::string_view str) {
  std::string text(str);
  vb::TryStep([&] { text = RemoveTags(text); });
  return text;
}

// The modes, with R the position of the last start:
//   1  from the first start through the first last after it (both kept)
//   2  after the first start to the end
//   3  from the first start to the end
//   4  the beginning through the end of the last start
//   5  the beginning up to the last start
//   6  the beginning through the end of the first start
//   7  from the last start to the end
//   8  the beginning up to the first start
//   9  the last Len(str) - R characters
//   other  between the first start and the first last after it (both cut)
// In mode 1 and the default mode the cut at last is made in what remains
// after the cut at start, and skipped when last does not occur there.
vb::Variant CutFixation(std::string_view str, std::string_view start, std::string_view last,
                        int16_t Condition) {
  if (vb::InStr(str, start) == 0 || vb::InStr(str, last) == 0) return vb::Variant("");
  std::string text;
  const int32_t first = vb::InStr(str, start);
  const int32_t length = vb::Len(start);
  vb::TryStep([&] {
    int32_t r = vb::InStrRev(str, start);
    switch (Condition) {
      case 1: {
        text = vb::Mid(str, first);
        int32_t end = vb::InStr(text, last);
        if (end > 0) text = vb::Left(text, end + vb::Len(last) - 1);
        break;
      }
      case 2:
        text = vb::Mid(str, first + length);
        break;
      case 3:
        text = vb::Mid(str, first);
        break;
      case 4:
        text = vb::Left(str, r + length - 1);
        break;
      case 5:
        text = vb::Left(str, r - 1);
        break;
      case 6:
        text = vb::Left(str, first + length - 1);
        break;
      case 7:
        text = vb::Mid(str, r);
        break;
      case 8:
        text = vb::Left(str, first - 1);
        break;
      case 9:
        text = vb::Right(str, vb::Len(str) - r);
        break;
      default: {
        text = vb::Mid(str, first + length);
        int32_t end = vb::InStr(text, last);
        if (end > 0) text = vb::Left(text, end - 1);
        break;
      }
    }
  });
  return vb::Variant(text);
}

}  // namespace ostrel::processing
