#include "platform/text/double_byte_table.h"

#include <errno.h>
#include <iconv.h>

#include <mutex>

#include "platform/vb/utf8.h"

namespace ostrel::text {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The first character iconv reads from `in` and how many bytes it took; 0
// bytes when the input starts with no valid character. The code pages
// concerned hold the basic plane only.
struct First {
  size_t bytes = 0;
  char16_t unit = 0;
  bool beyond_plane = false;  // a character outside the basic plane
};

First FirstCharacter(iconv_t cd, const char* in, size_t size) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char16_t out[4] = {};
  char* src = const_cast<char*>(in);
  size_t src_left = size;
  char* dst = reinterpret_cast<char*>(out);
  size_t dst_left = sizeof(char16_t);  // room for exactly one character
  size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
  First first;
  first.beyond_plane = r == static_cast<size_t>(-1) && errno == E2BIG && dst_left != 0;
  if (dst_left == 0) {
    first.bytes = size - src_left;
    first.unit = out[0];
  }
  return first;
}

void AppendUnit(std::string* out, char16_t unit) {
  // A table entry is never a surrogate half (those are not characters of
  // these code pages), so it is one code point.
  vb::AppendUtf8(out, static_cast<char32_t>(unit));
}

}  // namespace

bool DoubleByteTable::Build(const char* iconv_name) {
  iconv_t cd = iconv_open("UTF-16LE", iconv_name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  pairs_ = std::make_unique<char16_t[]>(128 * 256);
  // A code page with characters beyond the basic plane does not fit the
  // table; iconv then keeps decoding it.
  bool fits = true;
  for (int lead = 0x80; lead <= 0xFF && fits; ++lead) {
    char alone = static_cast<char>(lead);
    First one = FirstCharacter(cd, &alone, 1);
    fits = !one.beyond_plane;
    if (one.bytes == 1 && one.unit != 0) single_[lead - 0x80] = one.unit;
    for (int trail = 0; trail <= 0xFF && fits; ++trail) {
      const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      First first = FirstCharacter(cd, two, 2);
      fits = !first.beyond_plane;
      if (first.bytes == 2 && first.unit != 0) pairs_[(lead - 0x80) * 256 + trail] = first.unit;
    }
  }
  iconv_close(cd);
  return fits;
}

const DoubleByteTable* DoubleByteTable::For(std::string_view iconv_name) {
  static std::once_flag once936, once950;
  static DoubleByteTable* cp936 = nullptr;
  static DoubleByteTable* cp950 = nullptr;
  auto make = [](const char* name) -> DoubleByteTable* {
    auto* table = new DoubleByteTable;  // kept for the life of the process
    if (table->Build(name)) return table;
    delete table;
    return nullptr;
  };
  if (iconv_name == "CP936") {
    std::call_once(once936, [&] { cp936 = make("CP936"); });
    return cp936;
  }
  if (iconv_name == "CP950") {
    std::call_once(once950, [&] { cp950 = make("CP950"); });
    return cp950;
  }
  return nullptr;
}

std::string DoubleByteTable::Decode(std::string_view b) const {
  std::string out;
  // A pair makes at most three bytes of UTF-8: half as much again. Only
  // invalid bytes (three bytes each) can make the string grow.
  out.reserve(b.size() + b.size() / 2 + 16);
  size_t i = 0;
  while (i < b.size()) {
    size_t ascii = vb::AsciiSpan(b, i, b.size() - i);
    out.append(b.data() + i, ascii);
    i += ascii;
    while (i < b.size() && static_cast<unsigned char>(b[i]) >= 0x80) {
      const unsigned lead = static_cast<unsigned char>(b[i]) - 0x80;
      const char16_t pair =
          i + 1 < b.size() ? pairs_[lead * 256 + static_cast<unsigned char>(b[i + 1])] : 0;
      if (pair != 0) {
        AppendUnit(&out, pair);
        i += 2;
      } else if (single_[lead] != 0) {
        AppendUnit(&out, single_[lead]);
        i += 1;
      } else {
        out += kReplacement;
        i += 1;
      }
    }
  }
  return out;
}

}  // namespace ostrel::text
