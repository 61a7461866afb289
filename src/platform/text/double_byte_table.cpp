#include "platform/text/double_byte_table.h"

#include <errno.h>
#include <iconv.h>

#include <cstring>
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

// Collects output in a buffer on the stack and appends it to the string a
// piece at a time: the string is written once, without being grown a
// character at a time.
class Output {
 public:
  explicit Output(std::string* out) : out_(out) {}
  ~Output() { Flush(); }

  // Room for one character's bytes.
  char* Room(size_t bytes) {
    if (used_ + bytes > sizeof buffer_) Flush();
    return buffer_ + used_;
  }
  void Wrote(size_t bytes) { used_ += bytes; }
  void Append(const char* bytes, size_t size) {
    if (size > sizeof buffer_ - used_) {
      Flush();
      out_->append(bytes, size);
      return;
    }
    std::memcpy(buffer_ + used_, bytes, size);
    used_ += size;
  }
  // A character packed by Packed() below.
  void PackedUnit(uint32_t packed) {
    char* p = Room(3);
    p[0] = static_cast<char>(packed & 0xFF);
    p[1] = static_cast<char>((packed >> 8) & 0xFF);
    p[2] = static_cast<char>((packed >> 16) & 0xFF);
    Wrote(packed >> 24);
  }
  // A character of the basic plane in UTF-8. A table entry is never a
  // surrogate half (no character of these code pages is one).
  void Unit(char16_t u) {
    char* p = Room(3);
    if (u < 0x80) {
      p[0] = static_cast<char>(u);
      Wrote(1);
    } else if (u < 0x800) {
      p[0] = static_cast<char>(0xC0 | (u >> 6));
      p[1] = static_cast<char>(0x80 | (u & 0x3F));
      Wrote(2);
    } else {
      p[0] = static_cast<char>(0xE0 | (u >> 12));
      p[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      p[2] = static_cast<char>(0x80 | (u & 0x3F));
      Wrote(3);
    }
  }

 private:
  void Flush() {
    out_->append(buffer_, used_);
    used_ = 0;
  }

  std::string* out_;
  char buffer_[16384];
  size_t used_ = 0;
};

// A character of the basic plane as its UTF-8 bytes, lowest first, with
// their count in the top byte: decoding then writes it without branching.
uint32_t Packed(char16_t u) {
  if (u < 0x80) return 1u << 24 | u;
  if (u < 0x800) return 2u << 24 | (0x80u | (u & 0x3F)) << 8 | (0xC0u | (u >> 6));
  return 3u << 24 | (0x80u | (u & 0x3F)) << 16 | (0x80u | ((u >> 6) & 0x3F)) << 8 |
         (0xE0u | (u >> 12));
}

// Copies the ASCII runs of `in` as they stand (both sides of every
// conversion here are ASCII there) and hands each other character to
// `convert`, which writes it and answers how many input bytes it took.
template <class Convert>
void ConvertBeyondAscii(std::string_view in, Output& out, Convert convert) {
  size_t i = 0;
  while (i < in.size()) {
    size_t ascii = vb::AsciiSpan(in, i, in.size() - i);
    out.Append(in.data() + i, ascii);
    i += ascii;
    while (i < in.size() && static_cast<unsigned char>(in[i]) >= 0x80) i += convert(i);
  }
}

}  // namespace

bool DoubleByteTable::Build(const char* iconv_name) {
  iconv_name_ = iconv_name;
  iconv_t cd = iconv_open("UTF-16LE", iconv_name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  pairs_ = std::make_unique<uint32_t[]>(128 * 256);
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
      if (first.bytes == 2 && first.unit != 0) {
        pairs_[(lead - 0x80) * 256 + trail] = Packed(first.unit);
      }
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
  std::string text;
  // A pair makes at most three bytes of UTF-8: half as much again. Only
  // invalid bytes (three bytes each) can make the string grow.
  text.reserve(b.size() + b.size() / 2 + 16);
  Output out(&text);
  ConvertBeyondAscii(b, out, [&](size_t i) -> size_t {
    const unsigned lead = static_cast<unsigned char>(b[i]) - 0x80;
    const uint32_t pair =
        i + 1 < b.size() ? pairs_[lead * 256 + static_cast<unsigned char>(b[i + 1])] : 0;
    if (pair != 0) {
      out.PackedUnit(pair);
      return 2;
    }
    if (single_[lead] != 0) {
      out.Unit(single_[lead]);
    } else {
      out.Append(kReplacement, 3);
    }
    return 1;
  });
  return text;
}

void DoubleByteTable::BuildEncoding() const {
  encoding_ = std::make_unique<uint16_t[]>(0x10000);
  iconv_t cd = iconv_open(iconv_name_.c_str(), "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) return;  // every character then becomes "?"
  for (uint32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const char16_t unit = static_cast<char16_t>(cp);
    char bytes[4] = {};
    char* src = reinterpret_cast<char*>(const_cast<char16_t*>(&unit));
    size_t src_left = 2;
    char* dst = bytes;
    size_t dst_left = sizeof bytes;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) continue;
    const size_t size = sizeof bytes - dst_left;
    const auto byte = [&](int k) {
      return static_cast<uint16_t>(static_cast<unsigned char>(bytes[k]));
    };
    if (size == 1 && byte(0) != 0) encoding_[cp] = byte(0);
    if (size == 2 && byte(0) >= 0x80) encoding_[cp] = static_cast<uint16_t>(byte(0) << 8 | byte(1));
  }
  iconv_close(cd);
}

std::string DoubleByteTable::Encode(std::string_view utf8) const {
  std::call_once(encoding_once_, [this] { BuildEncoding(); });
  // No character takes more bytes here than in UTF-8 (a pair stands for two
  // bytes or more, "?" for one or more), so the bytes are written straight
  // into a string of the input's size, cut to what was written at the end.
  std::string bytes(utf8.size(), '\0');
  char* p = bytes.data();
  const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t size = utf8.size();
  size_t i = 0;
  while (i < size) {
    // The ASCII runs as they stand: both sides are ASCII there.
    const size_t ascii = vb::AsciiSpan(utf8, i, size - i);
    std::memcpy(p, in + i, ascii);
    p += ascii;
    i += ascii;
    while (i < size && in[i] >= 0x80) {
      vb::Utf8Char ch;
      // U+1000 to U+CFFF (the CJK characters above all) in three well-formed
      // bytes: read here, without the general decoder's checks.
      if (in[i] >= 0xE1 && in[i] <= 0xEC && i + 2 < size && (in[i + 1] & 0xC0) == 0x80 &&
          (in[i + 2] & 0xC0) == 0x80) {
        ch = vb::Utf8Char{static_cast<char32_t>((in[i] & 0x0F) << 12 | (in[i + 1] & 0x3F) << 6 |
                                                (in[i + 2] & 0x3F)),
                          3, 1, true};
      } else {
        ch = vb::DecodeUtf8At(utf8, i);
      }
      const uint16_t code = ch.valid && ch.cp <= 0xFFFF ? encoding_[ch.cp] : 0;
      if (code == 0) {
        *p++ = '?';
      } else if (code < 0x100) {
        *p++ = static_cast<char>(code);
      } else {
        *p++ = static_cast<char>(code >> 8);
        *p++ = static_cast<char>(code & 0xFF);
      }
      i += ch.bytes;
    }
  }
  bytes.resize(static_cast<size_t>(p - bytes.data()));
  return bytes;
}

}  // namespace ostrel::text
