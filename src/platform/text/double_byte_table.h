// DoubleByteTable: a double-byte Chinese code page (936, 950) read once from
// iconv into tables, so that a page decodes and encodes by table look-ups in
// one pass straight into its output. Gathered pages are mostly in these code
// pages, and iconv's converter costs several times the tables.
//
// The tables hold what iconv answers for every byte, byte pair and character
// of the basic plane, so the results are exactly iconv's: one U+FFFD per
// byte that starts no valid character when decoding, one "?" per character
// the code page lacks (and per byte that is no UTF-8) when encoding.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace ostrel::text {

class DoubleByteTable {
 public:
  // The table of an ASCII-compatible double-byte iconv code page ("CP936",
  // "CP950"), built at its first use; nullptr when iconv lacks it.
  static const DoubleByteTable* For(std::string_view iconv_name);

  // Decodes bytes to UTF-8.
  std::string Decode(std::string_view bytes) const;
  // Encodes UTF-8 text (the encoding table is read at its first use).
  std::string Encode(std::string_view utf8) const;

 private:
  DoubleByteTable() = default;
  bool Build(const char* iconv_name);
  void BuildEncoding() const;

  std::string iconv_name_;

  // What a byte from 0x80 up means alone (0: nothing alone), and what it
  // means followed by each byte (0: no such pair).
  char16_t single_[128] = {};
  // [(lead - 0x80) * 256 + trail]: the pair's character as UTF-8, the bytes
  // from the lowest up and their count in the top byte; 0 for no character.
  std::unique_ptr<uint32_t[]> pairs_;
  // The bytes of each character of the basic plane: 0 when the code page
  // lacks it, one byte below 0x100, else lead * 256 + trail.
  mutable std::once_flag encoding_once_;
  mutable std::unique_ptr<uint16_t[]> encoding_;
};

}  // namespace ostrel::text
