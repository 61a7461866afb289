// One profile (INI) file held as its lines. Lines keep their bytes as read,
// so a rewrite changes only the lines a write touches: comments, blank
// lines, other sections and bytes that are not valid GBK come out as they
// went in. Names are compared without regard to case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::fs {

class IniDocument {
 public:
  // bytes: the file as stored (GBK text, CRLF or LF line ends).
  explicit IniDocument(std::string_view bytes);

  // The value of key in section: the text after "=", trimmed, one pair of
  // surrounding quotes removed. Nothing when the section or key is missing
  // or the key line has no "=".
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // The key names of the section (its first occurrence), in file order.
  std::vector<std::string> Keys(std::string_view section) const;
  // The section names, each once, in file order.
  std::vector<std::string> Sections() const;

  // Sets key = value, adding the key at the end of the section, or the
  // section at the end of the file. Returns true when a line changed.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes the key line; true when there was one.
  bool RemoveKey(std::string_view section, std::string_view key);
  // Removes the section header and every line up to the next section.
  bool RemoveSection(std::string_view section);

  // The file as stored: GBK, every line ended by CRLF.
  std::string Bytes() const;

 private:
  enum class Kind { kOther, kSection, kKey };
  struct Line {
    std::string raw;  // bytes as stored, without the line end
    Kind kind = Kind::kOther;
    std::string name;  // UTF-8: the section or key name
    bool has_value = false;
    std::string value;  // UTF-8, trimmed, unquoted
  };

  static Line Parse(std::string raw);
  // Index of the header of the section's first occurrence, or -1.
  int FindSection(std::string_view section) const;
  // Index just past the last line of the section starting at header.
  size_t SectionEnd(size_t header) const;
  int FindKey(size_t header, std::string_view key) const;

  std::vector<Line> lines_;
};

}  // namespace ostrel::fs
