#include "platform/text/charset.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <map>
#include <optional>

#include "platform/text/double_byte_table.h"
#include "platform/vb/ascii_case.h"
#include "platform/vb/utf8.h"
#include "platform/vb/vb_error.h"

namespace ostrel::text {

namespace {

using vb::DecodeUtf8At;

constexpr int32_t kErrUnknownCharset = 3004;
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

enum class Family { Utf8, Utf16LE, Utf16BE, Utf16, Iconv };

struct Charset {
  Family family;
  std::string iconv_name;
};

std::string NormalName(std::string_view name) {
  while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
  return vb::LowerAscii(name);
}

// Descriptors are opened once per thread and conversion direction and reset
// before each use: opening one costs far more than converting a page, and a
// descriptor must not be shared between threads.
class DescriptorCache {
 public:
  ~DescriptorCache() { Clear(); }

  iconv_t Get(const std::string& to, const std::string& from) {
    std::string key = to + '\n' + from;
    auto it = map_.find(key);
    if (it == map_.end()) {
      iconv_t cd = iconv_open(to.c_str(), from.c_str());
      // Failures are not kept, and the cache stays small: charset names come
      // from remote pages, and a site could send any number of them.
      if (cd == kNoDescriptor) return cd;
      if (map_.size() >= kMaxEntries) Clear();
      it = map_.emplace(key, cd).first;
    }
    iconv(it->second, nullptr, nullptr, nullptr, nullptr);
    return it->second;
  }

 private:
  static constexpr size_t kMaxEntries = 16;

  void Clear() {
    for (auto& [key, cd] : map_) iconv_close(cd);
    map_.clear();
  }

  std::map<std::string, iconv_t> map_;
};

iconv_t Descriptor(const std::string& to, const std::string& from) {
  thread_local DescriptorCache cache;
  return cache.Get(to, from);
}

std::optional<Charset> Resolve(std::string_view name) {
  std::string n = NormalName(name);
  // "GB2312" is code page 936 (GBK), a superset, as pages labelled so use it.
  if (n == "gb2312" || n == "gbk" || n == "cp936" || n == "x-gbk" || n == "gb_2312-80" ||
      n == "ms936" || n == "windows-936") {
    return Charset{Family::Iconv, "CP936"};
  }
  if (n == "big5" || n == "cp950" || n == "x-x-big5") return Charset{Family::Iconv, "CP950"};
  if (n == "utf-8" || n == "utf8") return Charset{Family::Utf8, ""};
  if (n == "unicode" || n == "utf-16le") return Charset{Family::Utf16LE, ""};
  if (n == "utf-16be" || n == "unicodefffe") return Charset{Family::Utf16BE, ""};
  if (n == "utf-16") return Charset{Family::Utf16, ""};
  if (n == "ascii" || n == "us-ascii") return Charset{Family::Iconv, "ASCII"};
  if (n == "iso-8859-1" || n == "latin1") return Charset{Family::Iconv, "ISO-8859-1"};
  if (n == "windows-1252") return Charset{Family::Iconv, "CP1252"};
  if (n.empty() || n.find('/') != std::string::npos) return std::nullopt;  // no iconv suffixes
  if (Descriptor("UTF-8", n) == kNoDescriptor || Descriptor(n, "UTF-8") == kNoDescriptor) {
    return std::nullopt;
  }
  return Charset{Family::Iconv, n};
}

// Charsets whose bytes below 0x80 are ASCII and never part of a longer
// character.
bool AsciiCompatible(const Charset& cs) {
  return cs.iconv_name == "CP936" || cs.iconv_name == "CP950" || cs.iconv_name == "ASCII" ||
         cs.iconv_name == "ISO-8859-1" || cs.iconv_name == "CP1252";
}

Charset ResolveOrRaise(std::string_view name) {
  std::optional<Charset> cs = Resolve(name);
  if (!cs) throw vb::VbError(kErrUnknownCharset, "", "Unknown charset");
  return *cs;
}

// Runs iconv over the whole input. At a sequence it cannot convert it calls
// on_bad(position) to learn how many bytes to skip and what to write in
// their place, and goes on: the happy path is one iconv call per piece of
// the output. iconv writes into a small buffer on the stack that is appended
// to the reserved output, so the output is written once (a string sized in
// advance would be filled with zeros first).
template <class OnBad>
std::string Convert(iconv_t cd, std::string_view in, size_t size_hint, OnBad on_bad) {
  std::string out;
  out.reserve(size_hint + 16);
  char buffer[16384];
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  while (true) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    bool flush = src_left == 0;  // the last call writes any pending shift state
    size_t r = flush ? iconv(cd, nullptr, nullptr, &dst, &dst_left)
                     : iconv(cd, &src, &src_left, &dst, &dst_left);
    int err = errno;
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (r != static_cast<size_t>(-1)) {
      if (flush) break;
      continue;
    }
    if (err == E2BIG) continue;
    if (flush) break;
    // EILSEQ or EINVAL (a sequence cut off at the end): replace and resume.
    auto [skip, replacement] = on_bad(static_cast<size_t>(src - in.data()));
    out.append(replacement);
    src += skip;
    src_left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

std::string DecodeUtf16(std::string_view b, bool big_endian) {
  std::string out;
  out.reserve(b.size() + b.size() / 2);
  auto unit = [&](size_t i) {
    unsigned char x = static_cast<unsigned char>(b[i]), y = static_cast<unsigned char>(b[i + 1]);
    return static_cast<char32_t>(big_endian ? (x << 8) | y : (y << 8) | x);
  };
  size_t i = 0;
  for (; i + 1 < b.size(); i += 2) {
    char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < b.size()) {
      char32_t v = unit(i + 2);
      if (v >= 0xDC00 && v <= 0xDFFF) {
        vb::AppendUtf8(&out, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
        i += 2;
        continue;
      }
    }
    vb::AppendUtf8(&out, u);  // a lone surrogate half becomes U+FFFD
  }
  if (i < b.size()) out += kReplacement;  // an odd byte at the end
  return out;
}

std::string EncodeUtf16(std::string_view utf8, bool big_endian) {
  std::string out;
  out.reserve(utf8.size() * 2);
  auto put = [&](char32_t u) {
    char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out.push_back(big_endian ? hi : lo);
    out.push_back(big_endian ? lo : hi);
  };
  for (size_t i = 0; i < utf8.size();) {
    vb::Utf8Char ch = DecodeUtf8At(utf8, i);
    if (ch.cp >= 0x10000) {
      put(0xD800 + ((ch.cp - 0x10000) >> 10));
      put(0xDC00 + ((ch.cp - 0x10000) & 0x3FF));
    } else {
      put(ch.cp);
    }
    i += ch.bytes;
  }
  return out;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool IsKnownCharset(std::string_view name) { return Resolve(name).has_value(); }

std::string Decode(std::string_view bytes, std::string_view charset) {
  Charset cs = ResolveOrRaise(charset);
  switch (cs.family) {
    case Family::Utf8:
      if (StartsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
      return SanitizeUtf8(bytes);
    case Family::Utf16LE:
      if (StartsWith(bytes, "\xFF\xFE")) bytes.remove_prefix(2);
      return DecodeUtf16(bytes, false);
    case Family::Utf16BE:
      if (StartsWith(bytes, "\xFE\xFF")) bytes.remove_prefix(2);
      return DecodeUtf16(bytes, true);
    case Family::Utf16:
      // The byte order mark decides; without one, little-endian as on Windows.
      if (StartsWith(bytes, "\xFE\xFF")) return DecodeUtf16(bytes.substr(2), true);
      if (StartsWith(bytes, "\xFF\xFE")) bytes.remove_prefix(2);
      return DecodeUtf16(bytes, false);
    case Family::Iconv:
      break;
  }
  if (const DoubleByteTable* table = DoubleByteTable::For(cs.iconv_name)) {
    return table->Decode(bytes);
  }
  iconv_t cd = Descriptor("UTF-8", cs.iconv_name);
  if (cd == kNoDescriptor) throw vb::VbError(kErrUnknownCharset, "", "Unknown charset");
  // Resynchronise byte by byte: one U+FFFD per byte that does not start a
  // valid sequence, so a stray lead byte cannot swallow the text after it.
  return Convert(cd, bytes, bytes.size() + bytes.size() / 2,
                 [](size_t) { return std::pair<size_t, std::string_view>(1, kReplacement); });
}

std::string Encode(std::string_view utf8, std::string_view charset) {
  Charset cs = ResolveOrRaise(charset);
  switch (cs.family) {
    case Family::Utf8:
      return SanitizeUtf8(utf8);
    case Family::Utf16LE:
    case Family::Utf16:
      return EncodeUtf16(utf8, false);
    case Family::Utf16BE:
      return EncodeUtf16(utf8, true);
    case Family::Iconv:
      break;
  }
  if (const DoubleByteTable* table = DoubleByteTable::For(cs.iconv_name)) {
    return table->Encode(utf8);
  }
  iconv_t cd = Descriptor(cs.iconv_name, "UTF-8");
  if (cd == kNoDescriptor) throw vb::VbError(kErrUnknownCharset, "", "Unknown charset");
  // A character the charset lacks (or a byte that is no UTF-8) becomes "?".
  auto convert = [cd](std::string_view piece) {
    return Convert(cd, piece, piece.size(), [piece](size_t at) {
      vb::Utf8Char ch = DecodeUtf8At(piece, at);
      return std::pair<size_t, std::string_view>(ch.bytes, "?");
    });
  };
  if (!AsciiCompatible(cs)) return convert(utf8);
  // Pages are mostly ASCII markup: copy ASCII runs as they are and hand only
  // the runs between them to iconv (an ASCII byte never falls inside a UTF-8
  // sequence, so the runs split cleanly).
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    size_t ascii = vb::AsciiSpan(utf8, i, utf8.size() - i);
    out.append(utf8.substr(i, ascii));
    i += ascii;
    size_t end = i;
    while (end < utf8.size() && static_cast<unsigned char>(utf8[end]) >= 0x80) ++end;
    if (end > i) out += convert(utf8.substr(i, end - i));
    i = end;
  }
  return out;
}

std::string SanitizeUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    i += vb::AsciiSpan(text, i, text.size() - i);
    if (i >= text.size()) break;
    vb::Utf8Char ch = DecodeUtf8At(text, i);
    if (!ch.valid) break;
    i += ch.bytes;
  }
  if (i >= text.size()) return std::string(text);
  std::string out(text.substr(0, i));
  out.reserve(text.size() + 16);
  while (i < text.size()) {
    vb::Utf8Char ch = DecodeUtf8At(text, i);
    if (ch.valid) {
      out.append(text.data() + i, ch.bytes);
    } else {
      out += kReplacement;
    }
    i += ch.bytes;
  }
  return out;
}

}  // namespace ostrel::text
