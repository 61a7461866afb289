// DoubleByteTable: the decoding of a double-byte Chinese code page (936,
// 950) read once from iconv into a table, so that a page decodes by table
// look-ups in one pass straight into its output. Gathered pages are mostly
// in these code pages, and iconv's converter costs several times the table.
//
// The table holds what iconv answers for every byte and byte pair, so a
// decode gives exactly iconv's text, including one U+FFFD per byte that
// starts no valid character.
#pragma once

#include <cstdint>
#include <memory>
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

 private:
  DoubleByteTable() = default;
  bool Build(const char* iconv_name);

  // What a byte from 0x80 up means alone (0: nothing alone), and what it
  // means followed by each byte (0: no such pair).
  char16_t single_[128] = {};
  std::unique_ptr<char16_t[]> pairs_;  // [(lead - 0x80) * 256 + trail]
};

}  // namespace ostrel::text
