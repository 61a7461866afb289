#include "processing/text_cutting.h"

#include <unordered_set>
#include <vector>

#include "platform/text/regexp.h"
#include "platform/vb/strings.h"
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
      if (!seen.insert(vb::UCase(cut)).second) continue;
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
