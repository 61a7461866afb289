#include "platform/fs/ini_document.h"

#include "platform/text/charset.h"
#include "platform/vb/ascii_case.h"

namespace ostrel::fs {
namespace {

std::string_view Trim(std::string_view s) {
  size_t begin = s.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  size_t end = s.find_last_not_of(" \t");
  return s.substr(begin, end - begin + 1);
}

bool IsBlank(std::string_view raw) { return Trim(raw).empty(); }

}  // namespace

IniDocument::IniDocument(std::string_view bytes) {
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    std::string_view raw =
        bytes.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    lines_.push_back(Parse(std::string(raw)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

IniDocument::Line IniDocument::Parse(std::string raw) {
  Line line;
  line.raw = std::move(raw);
  std::string text = text::FromAnsi(line.raw);
  std::string_view t = Trim(text);
  if (t.empty() || t[0] == ';') return line;
  if (t[0] == '[') {
    size_t close = t.find(']');
    line.kind = Kind::kSection;
    line.name = std::string(Trim(t.substr(1, close == std::string_view::npos ? close : close - 1)));
    return line;
  }
  line.kind = Kind::kKey;
  size_t eq = t.find('=');
  line.name = std::string(Trim(t.substr(0, eq)));
  if (eq != std::string_view::npos) {
    line.has_value = true;
    std::string_view value = Trim(t.substr(eq + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
      value = value.substr(1, value.size() - 2);
    }
    line.value = std::string(value);
  }
  return line;
}

int IniDocument::FindSection(std::string_view section) const {
  section = Trim(section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::kSection && vb::EqualsNoCase(lines_[i].name, section)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

size_t IniDocument::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::kSection) ++i;
  return i;
}

int IniDocument::FindKey(size_t header, std::string_view key) const {
  key = Trim(key);
  size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind == Kind::kKey && vb::EqualsNoCase(lines_[i].name, key))
      return static_cast<int>(i);
  }
  return -1;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  int header = FindSection(section);
  if (header < 0) return std::nullopt;
  int at = FindKey(static_cast<size_t>(header), key);
  if (at < 0 || !lines_[at].has_value) return std::nullopt;
  return lines_[at].value;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  int header = FindSection(section);
  if (header < 0) return keys;
  size_t end = SectionEnd(static_cast<size_t>(header));
  for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
    if (lines_[i].kind == Kind::kKey) keys.push_back(lines_[i].name);
  }
  return keys;
}

std::vector<std::string> IniDocument::Sections() const {
  std::vector<std::string> sections;
  for (const Line& line : lines_) {
    if (line.kind != Kind::kSection) continue;
    bool seen = false;
    for (const std::string& s : sections) seen = seen || vb::EqualsNoCase(s, line.name);
    if (!seen) sections.push_back(line.name);
  }
  return sections;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  int header = FindSection(section);
  if (header < 0) {
    if (!lines_.empty() && !IsBlank(lines_.back().raw)) lines_.push_back(Parse(""));
    lines_.push_back(Parse(text::ToAnsi("[" + std::string(section) + "]")));
    lines_.push_back(Parse(text::ToAnsi(std::string(key) + "=" + std::string(value))));
    return true;
  }
  int at = FindKey(static_cast<size_t>(header), key);
  if (at >= 0) {
    // The key keeps its spelling in the file, bytes and letter case alike.
    std::string_view raw = lines_[at].raw;
    std::string stored(Trim(raw.substr(0, raw.find('='))));
    std::string replaced = stored + "=" + text::ToAnsi(value);
    if (replaced == lines_[at].raw) return false;
    lines_[at] = Parse(std::move(replaced));
    return true;
  }
  size_t insert = SectionEnd(static_cast<size_t>(header));
  while (insert > static_cast<size_t>(header) + 1 && IsBlank(lines_[insert - 1].raw)) --insert;
  lines_.insert(lines_.begin() + static_cast<ptrdiff_t>(insert),
                Parse(text::ToAnsi(std::string(key) + "=" + std::string(value))));
  return true;
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key) {
  int header = FindSection(section);
  if (header < 0) return false;
  int at = FindKey(static_cast<size_t>(header), key);
  if (at < 0) return false;
  lines_.erase(lines_.begin() + at);
  return true;
}

bool IniDocument::RemoveSection(std::string_view section) {
  int header = FindSection(section);
  if (header < 0) return false;
  size_t end = SectionEnd(static_cast<size_t>(header));
  lines_.erase(lines_.begin() + header, lines_.begin() + static_cast<ptrdiff_t>(end));
  return true;
}

std::string IniDocument::Bytes() const {
  std::string bytes;
  for (const Line& line : lines_) {
    bytes += line.raw;
    bytes += "\r\n";
  }
  return bytes;
}

}  // namespace ostrel::fs
