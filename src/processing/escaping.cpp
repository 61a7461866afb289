#include "processing/escaping.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"

namespace ostrel::processing {

namespace {

// The characters written as references, in the order they are replaced.
constexpr int32_t kEscapedCodes[] = {
    304,   305,   430,   431,   437,   438,                                // Latin
    12460, 12461, 12462, 12463, 12464, 12465, 12466, 12467, 12468, 12469,  // katakana
    12470, 12471, 12472, 12473, 12474, 12475, 12476, 12477, 12478, 12479,  //
    12480, 12481, 12482, 12483,                                            //
    12485, 12486, 12487, 12488, 12489, 12490,                              //
    12496, 12497, 12498, 12499, 12500, 12501, 12502, 12503, 12504, 12505,  //
    12506, 12507, 12508, 12509, 12510,                                     //
    12521, 12532, 12533,                                                   //
    65340,                                                                 // fullwidth "\"
};

static_assert(std::size(kEscapedCodes) == 55);

std::string Reference(int32_t code) { return "&#" + std::to_string(code) + ";"; }

// Text of a value for the escaping members; Null and values with no text
// (arrays, objects) give "".
std::string TextOf(const vb::Variant& v) {
  if (v.IsNull()) return "";
  std::string text;
  if (!vb::TryStep([&] { text = vb::CStr(v); })) return "";
  return text;
}

// One walk over the bytes gives what one replacement per character, in
// the order of the set, gives: the characters are whole UTF-8 sequences, no
// two of which can overlap, and the references are ASCII.
std::string EncodeSet(std::string text) {
  struct Encoded {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string leads;  // the first bytes of the set's characters
  };
  static const auto* const kEncoded = [] {
    auto* encoded = new Encoded;
    for (int32_t code : kEscapedCodes) {
      encoded->pairs.emplace_back(vb::ChrW(code), Reference(code));
      if (encoded->leads.find(encoded->pairs.back().first[0]) == std::string::npos) {
        encoded->leads += encoded->pairs.back().first[0];
      }
    }
    return encoded;
  }();
  if (text.find_first_of(kEncoded->leads) == std::string::npos) return text;
  std::string out;
  out.reserve(text.size() + 16);
  for (size_t i = 0; i < text.size();) {
    if (kEncoded->leads.find(text[i]) == std::string::npos) {
      out += text[i++];
      continue;
    }
    const auto hit =
        std::find_if(kEncoded->pairs.begin(), kEncoded->pairs.end(),
                     [&](const auto& e) { return text.compare(i, e.first.size(), e.first) == 0; });
    if (hit == kEncoded->pairs.end()) {
      out += text[i++];
    } else {
      out += hit->second;
      i += hit->first.size();
    }
  }
  return out;
}

std::string RemoveAll(std::string_view text, std::string_view what) {
  return vb::Replace(text, what, "");
}

}  // namespace

std::string JAPEncode(const vb::Variant& str) {
  std::string text = TextOf(str);
  if (vb::Trim(text).empty()) return "";
  return EncodeSet(std::move(text));
}

std::string JAPUncode(const vb::Variant& str) {
  std::string text = TextOf(str);
  if (vb::Trim(text).empty()) return "";
  for (int32_t code : kEscapedCodes) {
    text = vb::Replace(text, Reference(code), vb::ChrW(code));
  }
  text = RemoveAll(text, std::string_view("\0", 1));
  return vb::Replace(text, "'", "''");
}

std::string FormatStr(std::string_view str) {
  if (str.empty()) return "";
  std::string text = vb::Replace(str, "'", "&#39;");
  text = vb::Replace(text, "\"", "&quot;");
  text = RemoveAll(text, "\r");
  text = RemoveAll(text, "\n");
  text = RemoveAll(text, "\t");
  text = vb::Replace(text, ">", "&gt;");
  text = vb::Replace(text, "<", "&lt;");
  text = vb::Replace(text, "%", "％");
  return vb::Trim(JAPEncode(vb::Variant(text)));
}

vb::DateTime Formatime(std::string_view datime) {
  vb::DateTime result = vb::Now();
  vb::TryStep([&] {
    std::string text = vb::Trim(datime);
    text = RemoveAll(text, "&nbsp;");
    text = RemoveAll(text, kAnsiChar255);
    text = RemoveAll(text, "\x7F");
    text = vb::Trim(text);
    text = RemoveAll(text, "\r\n");
    text = RemoveAll(text, "\t");
    text = RemoveAll(text, "'");
    text = RemoveAll(text, "\"");
    text = vb::Trim(text);
    if (!vb::IsDate(vb::Variant(text))) return;
    // A date alone is taken as gathered now: it gets the current time of day.
    if (vb::Len(text) < 11) text += " " + vb::LongTimeText(vb::Now());
    result = vb::CDate(vb::Variant(text));
  });
  return result;
}

}  // namespace ostrel::processing
